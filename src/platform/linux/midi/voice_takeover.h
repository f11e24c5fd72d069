// A note-on for a key that already sounds on the built-in synthesizer takes over that key's voice,
// as a piano string struck again is damped first: the key scan sends a fresh note-on for every held
// key on every 50 ms tick, and voices left ringing would pile up by the hundred.
#pragma once

#include <fluidsynth/types.h>

namespace linux_ {

// Makes `channel` of `synth` end every voice it releases with a short fade instead of the
// instrument's own release. A reset of all controllers undoes it.
void LetNoteOnsTakeOverTheirKey(fluid_synth_t* synth, int channel);

}  // namespace linux_
