#include "platform/linux/virtual_keys/key_states.h"

namespace linux_ {

void VirtualKeyStates::Hold(int virtualKey, bool countAsPress) {
    if (!IsVirtualKey(virtualKey)) return;
    const auto code = static_cast<std::size_t>(virtualKey);
    ++holders_[code];
    if (!countAsPress) return;
    pressedSinceQuery_[code] = true;
    forgotten_[code] = false;
}

void VirtualKeyStates::LetGo(int virtualKey) {
    if (!IsVirtualKey(virtualKey)) return;
    const auto code = static_cast<std::size_t>(virtualKey);
    if (holders_[code] > 0) --holders_[code];
    if (holders_[code] == 0) forgotten_[code] = false;
}

void VirtualKeyStates::MarkPressed(int virtualKey) {
    if (!IsVirtualKey(virtualKey)) return;
    pressedSinceQuery_[static_cast<std::size_t>(virtualKey)] = true;
}

std::int16_t VirtualKeyStates::Query(int virtualKey) {
    if (!IsVirtualKey(virtualKey)) return 0;
    const auto code = static_cast<std::size_t>(virtualKey);
    if (forgotten_[code]) {
        pressedSinceQuery_[code] = false;  // a repeat of the forgotten key
        return 0;
    }
    unsigned word = holders_[code] > 0 ? 0x8000u : 0u;
    if (pressedSinceQuery_[code]) word |= 1u;
    pressedSinceQuery_[code] = false;
    return static_cast<std::int16_t>(word);
}

void VirtualKeyStates::Forget() {
    pressedSinceQuery_.fill(false);
    for (std::size_t code = 0; code < holders_.size(); ++code)
        forgotten_[code] = holders_[code] > 0;
}

void VirtualKeyStates::Clear() {
    holders_.fill(0);
    pressedSinceQuery_.fill(false);
    forgotten_.fill(false);
}

}  // namespace linux_
