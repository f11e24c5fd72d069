#include "platform/linux/keys/x_key_states.h"

namespace linux_ {

void XKeyStates::Press(int source, int virtualKey) {
    if (!IsSource(source) || !IsVirtualKey(virtualKey)) return;
    const auto index = static_cast<std::size_t>(source);
    if (heldAs_[index] == virtualKey) {
        words_.MarkPressed(virtualKey);  // a repeat while held
        return;
    }
    Release(source);
    heldAs_[index] = static_cast<std::uint8_t>(virtualKey);
    words_.Hold(virtualKey, true);
}

void XKeyStates::Release(int source) {
    if (!IsSource(source)) return;
    const auto index = static_cast<std::size_t>(source);
    const std::uint8_t code = heldAs_[index];
    if (code == 0) return;
    heldAs_[index] = 0;
    words_.LetGo(code);
}

std::int16_t XKeyStates::Query(int virtualKey) {
    return words_.Query(virtualKey);
}

void XKeyStates::Clear() {
    heldAs_.fill(0);
    words_.Clear();
}

}  // namespace linux_
