// Every call from a Qt event into a window handler goes through Dispatch: an exception must never
// unwind into Qt's event loop (undefined behaviour there) or end the program.
#pragma once

#include <utility>

namespace linux_ {

template <typename Handler>
void Dispatch(Handler&& handler) noexcept {
    try {
        std::forward<Handler>(handler)();
    } catch (...) {
        // The handler's step is abandoned; the program goes on with the next event.
    }
}

}  // namespace linux_
