// The built-in synthesizer loaded ahead of its opening. Loading a SoundFont takes tens of
// milliseconds (about 45 for FluidR3_GM); the program starts it on a thread of its own as it
// starts, while the toolkit and the window are built, and the synthesizer's opening takes the
// loaded synthesizer from there instead of loading the font a second time.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/linux/midi/builtin_synth.h"

namespace linux_ {

// Starts loading the synthesizer for the SoundFont FindSoundFont() picks now. Nothing happens when
// no font is installed, when a load was started already or when no thread can be had.
void PreloadBuiltinSynth();

// The synthesizer preloaded for `soundFontPath`, once it is loaded: nullptr when FluidSynth could
// not load the font. nullopt when no load for that font is waiting (none was started, it was taken
// already or it was for another font, which is then let go). Taken at most once.
std::optional<std::unique_ptr<BuiltinSynth>> TakePreloadedSynth(const std::string& soundFontPath);

// Lets go of a preloaded synthesizer that nothing took (the device opened at start is another
// one), once its load has ended.
void DropPreloadedSynth();

}  // namespace linux_
