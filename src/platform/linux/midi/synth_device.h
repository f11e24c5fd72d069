// The built-in synthesizer as a MIDI output device: the synthesizer and its audio stream.
#pragma once

#include "platform/linux/midi/output_device.h"

namespace platform::linux_midi {

inline constexpr char kBuiltinSynthName[] = "Built-in Synthesizer";

// Whether the synthesizer can be offered at all: a General MIDI SoundFont is installed.
bool BuiltinSynthAvailable();

// Loads the SoundFont and opens an audio stream. Fails with LinuxMidiError::kNoSoundFont or
// kNoAudioOutput.
OpenResult OpenBuiltinSynth();

}  // namespace platform::linux_midi
