#include "bench/in_memory_services.h"

#include <cstring>
#include <string>

#include "platform/key_state.h"
#include "platform/linux/virtual_keys/key_states.h"
#include "platform/message_box.h"
#include "platform/midi_out.h"

namespace {

// One physical key per virtual key is enough here.
linux_::HeldKeys<256> held;
linux_::VirtualKeyStates states;

constexpr Long kOpenHandle = 1;
long sentCount = 0;
volatile Long lastMessage = 0;

}  // namespace

namespace bench {

void HoldKey(int code, bool down) {
    const auto key = static_cast<std::size_t>(code);
    if (down) {
        held.Press(key, code, true, states);
    } else {
        held.Release(key, states);
    }
}

long SentMessages() {
    return sentCount;
}

}  // namespace bench

namespace platform {

std::string OpenKeySource() {
    return {};
}
void RefreshKeyState() {}
std::int16_t GetAsyncKeyState(int virtualKey) {
    return states.Query(virtualKey);
}
void CloseKeySource() {
    held.Clear();
    states.Clear();
}

Long midiOutGetNumDevs() {
    return 0;
}
Long midiOutGetDevCapsA(Long deviceId, MidiOutCapsA* caps, Long) {
    if (deviceId != -1) return MidiError::kBadDeviceId;
    *caps = {};
    std::strcpy(caps->szPname, "In-memory output");
    return 0;
}
Long midiOutOpen(Long* handle, Long deviceId, Long, Long, Long) {
    if (deviceId != -1) return MidiError::kBadDeviceId;
    *handle = kOpenHandle;
    return 0;
}
Long midiOutClose(Long handle) {
    return handle == kOpenHandle ? 0 : MidiError::kInvalidHandle;
}
Long midiOutShortMsg(Long handle, Long message) {
    if (handle != kOpenHandle) return MidiError::kInvalidHandle;
    lastMessage = message;
    ++sentCount;
    return 0;
}
Long midiOutGetErrorTextA(Long, char*, Long) {
    return MidiError::kBadErrorNumber;
}

void MsgBox(const std::string&) {}

}  // namespace platform
