// Runs one step of a handler that abandons a failing step silently and goes on with the next.
#pragma once

#include <exception>

template <typename Step>
void SkipOnError(Step&& step) noexcept {
    try {
        step();
    } catch (const std::exception&) {
        // Abandoned on purpose: the caller's next step runs, and nothing is shown.
    }
}
