// The built-in synthesizer as a MIDI output device: the synthesizer and its audio stream.
#pragma once

#include "platform/linux/midi/output_device.h"

namespace platform::linux_midi {

inline constexpr char kBuiltinSynthName[] = "Built-in Synthesizer";

// Whether the synthesizer can be offered at all: a General MIDI SoundFont is installed.
bool BuiltinSynthAvailable();

// Loads the SoundFont and opens an audio stream. Fails with LinuxMidiError::kNoSoundFont. With no
// audio output yet it opens all the same, tells the user once per start that it waits for one, and
// sounds from the first note after one appears.
OpenResult OpenBuiltinSynth();

}  // namespace platform::linux_midi
