// The winmm-shaped MIDI output calls on Linux. Device -1 is the built-in synthesizer; devices
// 0..n-1 are the writable ALSA sequencer ports. All calls come from the user-interface thread.
//
// The built-in synthesizer can be open once at a time: opening it again before closing it gives
// MidiError::kAllocated, as winmm does for a busy device (a second synthesizer would load the
// SoundFont and open an audio stream twice for no gain).
#include "platform/midi_out.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <limits>
#include <map>
#include <memory>
#include <optional>

#include "platform/linux/midi/alsa_ports.h"
#include "platform/linux/midi/builtin_synth.h"
#include "platform/linux/midi/soundfont_search.h"
#include "platform/linux/midi/synth_audio_output.h"
#include "platform/linux/midi/synth_preload.h"
#include "platform/message_box.h"

namespace platform {

namespace {

using namespace ::linux_;

constexpr Long kBuiltinSynthId = -1;
constexpr char kBuiltinSynthName[] = "Built-in Synthesizer";
constexpr std::uint16_t kTechnologyMidiPort = 1;       // MOD_MIDIPORT
constexpr std::uint16_t kTechnologySoftwareSynth = 7;  // MOD_SWSYNTH

// The built-in synthesizer as a MIDI output device: the synthesizer and its audio stream.
class SynthDevice final : public OutputDevice {
  public:
    SynthDevice(std::unique_ptr<BuiltinSynth> synth, std::unique_ptr<SynthAudioOutput> output)
        : synth_(std::move(synth)), output_(std::move(output)) {}

    Long Send(const ShortMessage& message) override {
        // Only a note-on starts a sound; anything else changes voices that keep the stream awake
        // already, or none at all.
        const bool noteOn = message.Kind() == 0x90 && message.Data2() > 0;
        if (noteOn) output_->ReviveIfEnded();  // before the note, which the revival must spare
        synth_->Play(message);
        if (noteOn) output_->Wake();
        return 0;
    }

  private:
    std::unique_ptr<BuiltinSynth> synth_;
    // Goes first: the audio thread stops before the synthesizer it renders goes.
    std::unique_ptr<SynthAudioOutput> output_;
};

// Once per start: the user learns why the keys are silent, and that nothing needs doing.
void TellOnceThatTheSynthWaitsForAnAudioOutput() {
    static bool told = false;
    if (told) return;
    told = true;
    MsgBox("No sound output is available yet (tried " + AudioSystemsTried() +
           "), so the built-in synthesizer is silent for now. Clavitap will sound as soon as a "
           "sound server or sound card appears.");
}

// Loads the SoundFont and opens an audio stream into `device`; 0, LinuxMidiError::kNoSoundFont or
// LinuxMidiError::kSoundFontUnloadable.
// With no audio output yet it opens all the same, tells the user once per start that it waits for
// one, and sounds from the first note after one appears.
Long OpenBuiltinSynth(std::unique_ptr<OutputDevice>& device) {
    const auto soundFont = FindSoundFont();
    if (!soundFont) return LinuxMidiError::kNoSoundFont;
    auto preloaded = TakePreloadedSynth(*soundFont);
    auto synth = preloaded ? std::move(*preloaded) : BuiltinSynth::Create(*soundFont);
    if (!synth) return LinuxMidiError::kSoundFontUnloadable;
    auto output = SynthAudioOutput::Open(*synth);
    // Without an audio output the synthesizer still opens: a sound server that starts after the
    // program (a race at log-in) is taken up at the next note.
    if (!output->AudioSystemOpen()) TellOnceThatTheSynthWaitsForAnAudioOutput();
    device = std::make_unique<SynthDevice>(std::move(synth), std::move(output));
    return 0;
}

// The open devices by handle. Handles count up from 1 and are not reused while the program runs,
// so a stale handle never reaches a device opened later.
struct OpenDevices {
    std::map<Long, std::unique_ptr<OutputDevice>> byHandle;
    Long lastHandle = 0;
    Long synthHandle = 0;  // the built-in synthesizer's handle while it is open

    // Takes ownership of `device` and returns its new handle, never 0.
    Long Add(std::unique_ptr<OutputDevice> device) {
        do {  // after 2^31 opens, wrap around and skip handles still in use
            lastHandle = lastHandle == std::numeric_limits<Long>::max() ? 1 : lastHandle + 1;
        } while (byHandle.contains(lastHandle));
        byHandle.emplace(lastHandle, std::move(device));
        return lastHandle;
    }

    // The device behind `handle`, or nullptr for 0, a closed or an unknown handle.
    OutputDevice* Find(Long handle) const {
        const auto found = byHandle.find(handle);
        return found == byHandle.end() ? nullptr : found->second.get();
    }
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

// Opens device `deviceId` into `device`; 0 or the code saying why it could not be.
Long OpenDevice(Long deviceId, std::unique_ptr<OutputDevice>& device) {
    if (deviceId == kBuiltinSynthId) return OpenBuiltinSynth(device);
    if (deviceId < 0) return MidiError::kBadDeviceId;
    return OpenAlsaOutputPort(static_cast<unsigned>(deviceId), device);
}

struct CodeText {
    Long code;
    const char* text;
};

constexpr std::array<CodeText, 10> kErrorTexts = {{
    {MidiError::kError, "The MIDI output failed for an unknown reason."},
    {MidiError::kBadDeviceId, "There is no MIDI output device with this number."},
    {MidiError::kAllocated, "The MIDI output device is already open."},
    {MidiError::kInvalidHandle, "No MIDI output device is open (the handle is not valid)."},
    {MidiError::kNoDriver, "No MIDI output driver is installed."},
    {MidiError::kNoMemory, "There is not enough memory for the MIDI output."},
    {MidiError::kBadErrorNumber, "The MIDI error code is not known."},
    {MidiError::kInvalidParam, "The MIDI message or a parameter is not valid."},
    {MidiError::kNoDevice, "The MIDI output device is gone: it was unplugged or closed."},
    {LinuxMidiError::kNoSoundFont,
     "The built-in synthesizer found no General MIDI SoundFont (install the package "
     "timgm6mb-soundfont)."},
}};

// Names the file that would not load, as the real file behind the system's default link; the
// name alone when the whole path would not fit a text of winmm's 128 characters.
std::string UnloadableSoundFontText() {
    const auto found = FindSoundFont();
    if (!found)
        return "The built-in synthesizer cannot load its SoundFont: it is damaged or is not a "
               "SoundFont.";
    std::error_code error;
    std::filesystem::path file = std::filesystem::canonical(*found, error);
    if (error) file = *found;
    const auto text = [](const std::string& name) {
        return "The built-in synthesizer cannot load the SoundFont " + name +
               ": it is damaged or is not a SoundFont.";
    };
    const std::string whole = text(file.string());
    return whole.size() < 128 ? whole : text(file.filename().string());
}

// The text of `code`, or nullopt when the code has none.
std::optional<std::string> ErrorText(Long code) {
    if (code == LinuxMidiError::kSoundFontUnloadable) return UnloadableSoundFontText();
    for (const CodeText& entry : kErrorTexts) {
        if (entry.code == code) return entry.text;
    }
    return std::nullopt;
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
        if (!FindSoundFont()) return LinuxMidiError::kNoSoundFont;
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
    std::unique_ptr<OutputDevice> device;
    const Long result = OpenDevice(deviceId, device);
    if (result != 0) return result;
    *handle = devices.Add(std::move(device));
    if (deviceId == kBuiltinSynthId) devices.synthHandle = *handle;
    return 0;
}

Long midiOutClose(Long handle) {
    OpenDevices& devices = Devices();
    if (devices.byHandle.erase(handle) == 0) return MidiError::kInvalidHandle;
    if (handle == devices.synthHandle) devices.synthHandle = 0;
    return 0;
}

Long midiOutShortMsg(Long handle, Long message) {
    OutputDevice* device = Devices().Find(handle);
    if (device == nullptr) return MidiError::kInvalidHandle;
    const auto decoded = DecodeShortMessage(message);
    if (!decoded) return MidiError::kInvalidParam;
    return device->Send(*decoded);
}

Long midiOutGetErrorTextA(Long code, char* buffer, Long size) {
    if (buffer == nullptr || size <= 0) return MidiError::kInvalidParam;
    const auto text = ErrorText(code);
    if (!text) return MidiError::kBadErrorNumber;
    const std::size_t length = std::min(text->size(), static_cast<std::size_t>(size) - 1);
    std::memcpy(buffer, text->data(), length);
    buffer[length] = '\0';
    return 0;
}

}  // namespace platform
