#include "tests/unit/fakes/fake_platform.h"

#include <algorithm>
#include <cstring>

#include "platform/key_state.h"
#include "platform/launcher.h"
#include "platform/message_box.h"
#include "platform/midi_out.h"
#include "platform/settings.h"

namespace fake {

System& State() {
    static System system;
    return system;
}

void Reset() {
    State() = System{};
}

}  // namespace fake

namespace platform {

using fake::State;

namespace {

Long FillCaps(const std::optional<std::string>& name, MidiOutCapsA* caps) {
    if (!name) return MidiError::kBadDeviceId;
    *caps = MidiOutCapsA{};
    // Like the real record, a name of 32 characters or more fills the field without a NUL.
    std::memcpy(caps->szPname, name->data(), std::min(name->size(), sizeof(caps->szPname)));
    return 0;
}

}  // namespace

Long midiOutGetNumDevs() {
    State().calls.push_back("midiOutGetNumDevs");
    return static_cast<Long>(State().devices.size());
}

Long midiOutGetDevCapsA(Long deviceId, MidiOutCapsA* caps, Long capsSize) {
    State().calls.push_back("midiOutGetDevCapsA " + std::to_string(deviceId));
    if (capsSize != static_cast<Long>(sizeof(MidiOutCapsA))) return MidiError::kInvalidParam;
    if (deviceId == -1) return FillCaps(State().mapper, caps);
    if (deviceId < 0 || deviceId >= static_cast<Long>(State().devices.size())) {
        return MidiError::kBadDeviceId;
    }
    return FillCaps(State().devices[static_cast<std::size_t>(deviceId)], caps);
}

Long midiOutOpen(Long* handle, Long deviceId, Long callback, Long instance, Long flags) {
    State().calls.push_back("midiOutOpen " + std::to_string(deviceId));
    if (callback != 0 || instance != 0 || flags != 0) return MidiError::kInvalidParam;
    State().opened.push_back(deviceId);
    if (State().openResult != 0) {
        *handle = 0;
        return State().openResult;
    }
    *handle = State().nextHandle++;
    return 0;
}

Long midiOutClose(Long handle) {
    State().calls.push_back("midiOutClose");
    State().closed.push_back(handle);
    return State().closeResult;
}

Long midiOutShortMsg(Long handle, Long message) {
    State().calls.push_back("midiOutShortMsg");
    if (handle == 0) return MidiError::kInvalidHandle;
    State().sent.push_back({handle, message});
    return 0;
}

Long midiOutGetErrorTextA(Long code, char* buffer, Long size) {
    const auto found = State().errorTexts.find(code);
    if (found == State().errorTexts.end()) return MidiError::kBadErrorNumber;
    std::strncpy(buffer, found->second.c_str(), static_cast<std::size_t>(size));
    buffer[size - 1] = '\0';
    return 0;
}

void MsgBox(const std::string& text) {
    State().calls.push_back("MsgBox");
    State().boxes.push_back(text);
    ++State().openBoxes;
    if (State().whileBoxOpen) State().whileBoxOpen();
    --State().openBoxes;
}

bool MsgBoxOpen() {
    return State().openBoxes > 0;
}

std::string GetSetting(const std::string& app, const std::string& section, const std::string& key,
                       const std::string& defaultValue) {
    State().calls.push_back("GetSetting " + key);
    const auto found = State().settings.find(app + "/" + section + "/" + key);
    return found == State().settings.end() ? defaultValue : found->second;
}

bool SaveSetting(const std::string& app, const std::string& section, const std::string& key,
                 const std::string& value) {
    State().calls.push_back("SaveSetting " + key);
    if (!State().settingsWritable) return false;
    State().settings[app + "/" + section + "/" + key] = value;
    return true;
}

bool DeleteSetting(const std::string& app, const std::string& section, const std::string& key) {
    State().calls.push_back("DeleteSetting " + key);
    if (!State().settingsWritable) return false;
    State().settings.erase(app + "/" + section + "/" + key);
    return true;
}

std::string SettingsWriteFailure(const std::string& app) {
    return "cannot write " + app;
}

std::string OpenKeySource() {
    return {};
}
void RefreshKeyState() {
    ++State().refreshes;
}
std::int16_t GetAsyncKeyState(int virtualKey) {
    if (virtualKey < 0 || virtualKey >= static_cast<int>(State().keys.size())) return 0;
    return State().keys[static_cast<std::size_t>(virtualKey)];
}
void ForgetKeyPresses() {
    State().keys.fill(0);
}
void CloseKeySource() {}

bool Shell_NotifyIconA(Long message, const NotifyIconRecord& record) {
    State().calls.push_back(message == NIM_ADD ? "NIM_ADD" : "NIM_DELETE");
    State().notifications.push_back({message, record});
    return message == NIM_ADD ? State().trayAccepts : true;
}

void OpenLink(const std::string& target) {
    State().calls.push_back("OpenLink");
    State().links.push_back(target);
}

}  // namespace platform
