#include "platform/linux/keys/key_states.h"

namespace platform::x11keys {

void KeyStates::Press(int source, int virtualKey) {
    if (!IsSource(source) || !IsVirtualKey(virtualKey)) return;
    const auto index = static_cast<std::size_t>(source);
    const auto code = static_cast<std::size_t>(virtualKey);
    if (heldAs_[index] != code) {
        Release(source);
        heldAs_[index] = static_cast<std::uint8_t>(code);
        ++holders_[code];
    }
    pressedSinceQuery_[code] = true;
}

void KeyStates::Release(int source) {
    if (!IsSource(source)) return;
    const auto index = static_cast<std::size_t>(source);
    const std::uint8_t code = heldAs_[index];
    if (code == 0) return;
    heldAs_[index] = 0;
    --holders_[code];
}

std::int16_t KeyStates::Query(int virtualKey) {
    if (!IsVirtualKey(virtualKey)) return 0;
    const auto code = static_cast<std::size_t>(virtualKey);
    unsigned word = holders_[code] > 0 ? 0x8000u : 0u;
    if (pressedSinceQuery_[code]) word |= 1u;
    pressedSinceQuery_[code] = false;
    return static_cast<std::int16_t>(word);
}

void KeyStates::Clear() {
    heldAs_.fill(0);
    holders_.fill(0);
    pressedSinceQuery_.fill(false);
}

}  // namespace platform::x11keys
