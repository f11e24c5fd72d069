// Where the built-in synthesizer finds its General MIDI SoundFont, and the result codes of the
// Linux MIDI output for a font that is missing or cannot be loaded.
#pragma once

#include <optional>
#include <string>

#include "core/basic_types.h"

namespace linux_ {

// Above every winmm code, so that no text can be mistaken for one of winmm's.
namespace LinuxMidiError {
inline constexpr Long kNoSoundFont = 1024;          // no General MIDI SoundFont is installed
inline constexpr Long kSoundFontUnloadable = 1025;  // the font found cannot be loaded
}  // namespace LinuxMidiError

// The first readable SoundFont of the preference table (the system's chosen default, then
// TimGM6mb, then FluidR3_GM) in /usr/share/sounds/sf2; nullopt when there is none.
std::optional<std::string> FindSoundFont();

// Empty when FindSoundFont() finds a font; otherwise what the user is told once at start: that
// no General MIDI SoundFont is installed, what that does to the device list (empty, or without the
// built-in synthesizer when `otherDevicesListed`), and which package provides one.
std::string MissingSoundFontNotice(bool otherDevicesListed);

}  // namespace linux_
