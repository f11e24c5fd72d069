// Key state on Windows: GetAsyncKeyState already answers for the whole desktop, whichever program
// has the focus, so there is nothing to open, refresh or close.
#include "platform/key_state.h"

#include <windows.h>

#include <array>

namespace platform {

namespace {

// Keys that were down when presses were last forgotten: they answer 0 until they are released.
std::array<bool, 256> forgotten{};

bool IsVirtualKey(int code) {
    return code > 0 && code < static_cast<int>(forgotten.size());
}

}  // namespace

std::string OpenKeySource() {
    return {};
}

void RefreshKeyState() {}

std::int16_t GetAsyncKeyState(int virtualKey) {
    const auto word = static_cast<std::int16_t>(::GetAsyncKeyState(virtualKey));
    if (!IsVirtualKey(virtualKey) || !forgotten[static_cast<std::size_t>(virtualKey)]) return word;
    if (word < 0) return 0;  // still held since before
    forgotten[static_cast<std::size_t>(virtualKey)] = false;
    return word;  // let go since: a press after that counts
}

void ForgetKeyPresses() {
    // Each query also clears the key's pressed-since-the-previous-query bit.
    for (int code = 1; IsVirtualKey(code); ++code) {
        forgotten[static_cast<std::size_t>(code)] = ::GetAsyncKeyState(code) < 0;
    }
}

void CloseKeySource() {}

}  // namespace platform
