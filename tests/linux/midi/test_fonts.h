// The two General MIDI SoundFonts Debian ships (timgm6mb-soundfont, fluid-soundfont-gm), by path.
// A test that relies on facts of one font (its tuning, its key ranges) names that font rather than
// playing whichever one the machine has made its default.
#pragma once

#include <string>

namespace midi_test {

inline const std::string kTimGM6mb = "/usr/share/sounds/sf2/TimGM6mb.sf2";
inline const std::string kFluidR3 = "/usr/share/sounds/sf2/FluidR3_GM.sf2";

}  // namespace midi_test
