// The key-state service on Linux: one XInput2 key source and the state it keeps, drained once per
// tick by the key scan.
#include "platform/key_state.h"

#include "platform/linux/keys/key_states.h"
#include "platform/linux/keys/x_key_source.h"

namespace platform {

namespace {

x11keys::XKeySource& Source() {
    static x11keys::XKeySource source;
    return source;
}

x11keys::KeyStates& States() {
    static x11keys::KeyStates states;
    return states;
}

}  // namespace

std::string OpenKeySource() {
    States().Clear();
    return Source().Open();
}

void RefreshKeyState() {
    Source().Drain(States());
}

std::int16_t GetAsyncKeyState(int virtualKey) {
    return States().Query(virtualKey);
}

void CloseKeySource() {
    Source().Close();
    States().Clear();
}

}  // namespace platform
