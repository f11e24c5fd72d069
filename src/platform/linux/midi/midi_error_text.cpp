#include "platform/linux/midi/midi_error_text.h"

#include <array>

#include "platform/midi_out.h"

namespace linux_ {

namespace {

struct CodeText {
    Long code;
    const char* text;
};

constexpr std::array<CodeText, 10> kTexts = {{
    {platform::MidiError::kError, "The MIDI output failed for an unknown reason."},
    {platform::MidiError::kBadDeviceId, "There is no MIDI output device with this number."},
    {platform::MidiError::kAllocated, "The MIDI output device is already open."},
    {platform::MidiError::kInvalidHandle,
     "No MIDI output device is open (the handle is not valid)."},
    {platform::MidiError::kNoDriver, "No MIDI output driver is installed."},
    {platform::MidiError::kNoMemory, "There is not enough memory for the MIDI output."},
    {platform::MidiError::kBadErrorNumber, "The MIDI error code is not known."},
    {platform::MidiError::kInvalidParam, "The MIDI message or a parameter is not valid."},
    {platform::MidiError::kNoDevice, "The MIDI output device is gone: it was unplugged or closed."},
    {LinuxMidiError::kNoSoundFont,
     "The built-in synthesizer found no General MIDI SoundFont (install the package "
     "timgm6mb-soundfont)."},
}};

}  // namespace

std::optional<std::string> MidiErrorText(Long code) {
    for (const CodeText& entry : kTexts) {
        if (entry.code == code) return entry.text;
    }
    return std::nullopt;
}

}  // namespace linux_
