// The winmm-shaped MIDI output calls on Linux. Device -1 is the built-in synthesizer; devices
// 0..n-1 are the writable ALSA sequencer ports. All calls come from the user-interface thread.
//
// The built-in synthesizer can be open once at a time: opening it again before closing it gives
// MidiError::kAllocated, as winmm does for a busy device (a second synthesizer would load the
// SoundFont and open an audio stream twice for no gain).
#include "platform/midi_out.h"

#include <algorithm>
#include <cstring>

#include "platform/linux/midi/alsa_ports.h"
#include "platform/linux/midi/handle_table.h"
#include "platform/linux/midi/midi_error_text.h"
#include "platform/linux/midi/synth_device.h"

namespace platform {

namespace {

using namespace linux_midi;

constexpr Long kBuiltinSynthId = -1;
constexpr std::uint16_t kTechnologyMidiPort = 1;       // MOD_MIDIPORT
constexpr std::uint16_t kTechnologySoftwareSynth = 7;  // MOD_SWSYNTH

struct OpenDevices {
    HandleTable table;
    Long synthHandle = 0;  // the built-in synthesizer's handle while it is open
};

OpenDevices& Devices() {
    static OpenDevices devices;
    return devices;
}

void FillCaps(MidiOutCapsA& caps, const std::string& name, std::uint16_t technology) {
    caps = MidiOutCapsA{};
    caps.vDriverVersion = 0x0100;
    const std::size_t length = std::min(name.size(), sizeof(caps.szPname) - 1);
    std::memcpy(caps.szPname, name.data(), length);
    caps.wTechnology = technology;
    caps.wChannelMask = 0xFFFF;
}

OpenResult OpenDevice(Long deviceId) {
    if (deviceId == kBuiltinSynthId) return OpenBuiltinSynth();
    if (deviceId < 0) return {nullptr, MidiError::kBadDeviceId};
    return OpenAlsaOutputPort(static_cast<unsigned>(deviceId));
}

}  // namespace

Long midiOutGetNumDevs() {
    return static_cast<Long>(ListAlsaOutputPorts().size());
}

Long midiOutGetDevCapsA(Long deviceId, MidiOutCapsA* caps, Long capsSize) {
    if (caps == nullptr || capsSize < static_cast<Long>(sizeof(MidiOutCapsA))) {
        return MidiError::kInvalidParam;
    }
    if (deviceId == kBuiltinSynthId) {
        if (!BuiltinSynthAvailable()) return LinuxMidiError::kNoSoundFont;
        FillCaps(*caps, kBuiltinSynthName, kTechnologySoftwareSynth);
        return 0;
    }
    const auto ports = ListAlsaOutputPorts();
    if (deviceId < 0 || static_cast<std::size_t>(deviceId) >= ports.size()) {
        return MidiError::kBadDeviceId;
    }
    FillCaps(*caps, ports[static_cast<std::size_t>(deviceId)], kTechnologyMidiPort);
    return 0;
}

Long midiOutOpen(Long* handle, Long deviceId, Long callback, Long instance, Long flags) {
    if (handle == nullptr || callback != 0 || instance != 0 || flags != 0) {
        return MidiError::kInvalidParam;
    }
    *handle = 0;
    OpenDevices& devices = Devices();
    if (deviceId == kBuiltinSynthId && devices.synthHandle != 0) return MidiError::kAllocated;
    OpenResult opened = OpenDevice(deviceId);
    if (!opened.device) return opened.error;
    *handle = devices.table.Add(std::move(opened.device));
    if (deviceId == kBuiltinSynthId) devices.synthHandle = *handle;
    return 0;
}

Long midiOutClose(Long handle) {
    OpenDevices& devices = Devices();
    if (!devices.table.Remove(handle)) return MidiError::kInvalidHandle;
    if (handle == devices.synthHandle) devices.synthHandle = 0;
    return 0;
}

Long midiOutShortMsg(Long handle, Long message) {
    OutputDevice* device = Devices().table.Find(handle);
    if (device == nullptr) return MidiError::kInvalidHandle;
    const auto decoded = DecodeShortMessage(message);
    if (!decoded) return MidiError::kInvalidParam;
    return device->Send(*decoded);
}

Long midiOutGetErrorTextA(Long code, char* buffer, Long size) {
    if (buffer == nullptr || size <= 0) return MidiError::kInvalidParam;
    const auto text = MidiErrorText(code);
    if (!text) return MidiError::kBadErrorNumber;
    const std::size_t length = std::min(text->size(), static_cast<std::size_t>(size) - 1);
    std::memcpy(buffer, text->data(), length);
    buffer[length] = '\0';
    return 0;
}

}  // namespace platform
