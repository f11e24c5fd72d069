// Every handler the window procedure raises runs through Dispatch: nothing thrown by a handler, a
// tick or a MIDI call may unwind into the system's message dispatch, which would end the program.
#pragma once

#include <exception>

namespace win32 {

template <typename Handler>
void Dispatch(Handler&& handler) noexcept {
    try {
        handler();
    } catch (...) {
        // A handler without error handling of its own stops at its failing statement; the
        // program goes on with the next message.
    }
}

}  // namespace win32
