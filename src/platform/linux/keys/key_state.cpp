// Placeholder until the XInput2 key source lands.
#include "platform/key_state.h"

namespace platform {
std::string OpenKeySource() {
    return "Keys typed in other programs cannot sound yet.";
}
void RefreshKeyState() {}
std::int16_t GetAsyncKeyState(int) {
    return 0;
}
void CloseKeySource() {}
}  // namespace platform
