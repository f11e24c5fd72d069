#include "platform/linux/midi/voice_takeover.h"

#include <fluidsynth.h>

namespace linux_ {

namespace {

// Added to every voice's release time, in timecents: more than the longest release a SoundFont may
// give (8000), so that every release ends at FluidSynth's floor of -7200 timecents. That floor is
// FluidSynth's shortest fade that does not click, about 16 ms.
constexpr float kReleaseOffset = -16000.0f;

}  // namespace

void LetNoteOnsTakeOverTheirKey(fluid_synth_t* synth, int channel) {
    // FluidSynth itself moves the voices of a key into their release when a note-on for the same
    // key arrives on the channel; only the release's length needs changing. The key scan's
    // note-offs take the same short release: they come only after a hold long enough for the
    // instruments that fade by themselves to have died away. A channel's generator offset reaches
    // every voice the channel starts, and changes under the synthesizer's own lock.
    fluid_synth_set_gen(synth, channel, GEN_VOLENVRELEASE, kReleaseOffset);
}

}  // namespace linux_
