// Every call from a window-system event into a window handler goes through Dispatch: nothing
// thrown by a handler, a tick or a MIDI call may unwind into the event loop (undefined behaviour
// under Qt, the end of the program under Win32) or end the program.
#pragma once

#include <utility>

template <typename Handler>
void Dispatch(Handler&& handler) noexcept {
    try {
        std::forward<Handler>(handler)();
    } catch (...) {
        // A handler without error handling of its own stops at its failing statement; the
        // program goes on with the next event.
    }
}
