// Result codes of the Linux MIDI output beyond winmm's own, and the English text of every code.
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

// The text of `code`, or nullopt when the code has none.
std::optional<std::string> MidiErrorText(Long code);

}  // namespace linux_
