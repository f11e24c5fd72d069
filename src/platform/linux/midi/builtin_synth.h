// The built-in synthesizer: FluidSynth with one General MIDI SoundFont loaded. It owns no audio
// output, so tests and benchmarks can create it anywhere and render it offline; the program hands
// it to SynthAudioOutput to be heard. A note the instrument cannot make heard sounds in the nearest
// octave it can, a note-off ends the voice its note-on started, and a note-on for a key that still
// sounds takes over that key's voice.
#pragma once

#include <fluidsynth/types.h>

#include <array>
#include <bitset>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/linux/midi/audible_keys.h"
#include "platform/linux/midi/short_message.h"

namespace linux_ {

class BuiltinSynth {
  public:
    static constexpr double kSampleRate = 44100.0;
    // FluidSynth's own default (0.2) leaves a single note near -30 dBFS, too quiet beside other
    // programs; 0.5 still leaves room for a handful of keys at once.
    static constexpr double kGain = 0.5;

    // nullptr when FluidSynth cannot create the synthesizer or load `soundFontPath`.
    static std::unique_ptr<BuiltinSynth> Create(const std::string& soundFontPath);
    ~BuiltinSynth();
    BuiltinSynth(const BuiltinSynth&) = delete;
    BuiltinSynth& operator=(const BuiltinSynth&) = delete;

    // Plays one channel message; system messages are ignored. Safe to call while another thread
    // renders; the messages themselves come from one thread at a time.
    void Play(const ShortMessage& message);

    // Ends every voice at once, without a release; the chosen programs stay.
    void SoundsOff();

    // Renders `frames` stereo frames, overwriting both buffers.
    void Render(float* left, float* right, int frames);

    // Voices still sounding, those in their release phase included.
    int ActiveVoices() const;

    // The settings the synthesizer was made with; the audio driver reads its own from them too.
    fluid_settings_t* Settings() const { return settings_; }

  private:
    BuiltinSynth(fluid_settings_t* settings, fluid_synth_t* synth,
                 const std::string& soundFontPath);

    // A note-off reaches the voice its note-on started, on whichever key that sounds.
    void NoteOn(int channel, int note, int velocity);
    void NoteOff(int channel, int note);
    int SoundingKey(int channel, int note);
    int Release(int channel, int note);

    fluid_settings_t* settings_;
    fluid_synth_t* synth_;
    bool percussionChosen_ = false;  // the drum kit is chosen on the channel's first message
    // Used only by Play(): the key each note's last note-on sounds as, and the notes between their
    // note-on and note-off, by channel.
    AudibleKeys audible_;
    std::array<std::array<std::uint8_t, 128>, 16> sounding_{};
    std::array<std::bitset<128>, 16> on_{};
};

}  // namespace linux_
