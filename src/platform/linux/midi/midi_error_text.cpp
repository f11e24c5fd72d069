#include "platform/linux/midi/midi_error_text.h"

#include <array>
#include <filesystem>

#include "platform/linux/midi/soundfont_search.h"
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

}  // namespace

std::optional<std::string> MidiErrorText(Long code) {
    if (code == LinuxMidiError::kSoundFontUnloadable) return UnloadableSoundFontText();
    for (const CodeText& entry : kTexts) {
        if (entry.code == code) return entry.text;
    }
    return std::nullopt;
}

}  // namespace linux_
