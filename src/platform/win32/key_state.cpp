// Key state on Windows: GetAsyncKeyState already answers for the whole desktop, whichever program
// has the focus, so there is nothing to open, refresh or close.
#include "platform/key_state.h"

#include <windows.h>

namespace platform {

std::string OpenKeySource() {
    return {};
}

void RefreshKeyState() {}

std::int16_t GetAsyncKeyState(int virtualKey) {
    return static_cast<std::int16_t>(::GetAsyncKeyState(virtualKey));
}

void CloseKeySource() {}

}  // namespace platform
