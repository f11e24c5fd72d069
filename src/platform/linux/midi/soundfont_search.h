// Where the built-in synthesizer finds its General MIDI SoundFont.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace linux_ {

// The first readable SoundFont of the preference table (the system's chosen default, then
// TimGM6mb, then FluidR3_GM) in the first folder that holds one; nullopt when there is none.
std::optional<std::string> FindSoundFont();

// Empty when FindSoundFont() finds a font; otherwise what the user is told once at start: that
// no General MIDI SoundFont is installed, what that does to the device list (empty, or without the
// built-in synthesizer when `otherDevicesListed`), and which package provides one.
std::string MissingSoundFontNotice(bool otherDevicesListed);

// Replaces the folders searched (normally only /usr/share/sounds/sf2). Tests use it to run with
// fonts elsewhere or with none at all.
void SetSoundFontDirectories(std::vector<std::string> directories);

}  // namespace linux_
