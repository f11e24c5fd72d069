// Which keys of a SoundFont preset can be heard, found by playing each key offline on a private
// FluidSynth instance with the same SoundFont file. The font decides: its zones' key and velocity
// ranges, its samples, envelopes and filters, all as FluidSynth plays them, and no table of ours.
// SoundingKeys, below, picks from them the key each note sounds as.
#pragma once

#include <fluidsynth/types.h>

#include <array>
#include <bitset>
#include <cstdint>
#include <future>
#include <map>
#include <memory>
#include <string>

namespace linux_ {

class AudibleKeys {
  public:
    // The keys of a preset whose note-on at velocity 100 rises above -60 dBFS within half a second
    // (slow-attack presets need that long) at the built-in synthesizer's gain.
    using Keys = std::bitset<128>;

    explicit AudibleKeys(std::string soundFontPath);
    ~AudibleKeys();
    AudibleKeys(const AudibleKeys&) = delete;
    AudibleKeys& operator=(const AudibleKeys&) = delete;

    // Starts finding the audible keys of preset `program` of `bank` on another thread, unless they
    // are known or another preset is being played already. The thread waits a moment first (the
    // preset chosen at start-up is chosen while the window is still being shown, which needs the
    // processor more), unless a note needs the keys sooner.
    void Prepare(int bank, int program);

    // The audible keys of preset `program` of `bank`: found once (a few tens of milliseconds,
    // mostly loading the font) and remembered. Every key when the preset cannot be played.
    const Keys& Of(int bank, int program);

  private:
    // When the thread that plays a preset begins: after the pause, at once, or not at all.
    class Start;

    void CollectFinished();

    std::string soundFontPath_;
    std::map<int, Keys> keys_;  // by bank * 128 + program
    std::future<Keys> playing_;
    std::shared_ptr<Start> playingStart_;
    int playingPreset_ = -1;
};

// Which key sounds for a note on the built-in synthesizer: the note itself when the channel's
// preset makes it heard, else the nearest octave of it that the preset does, so that every note the
// key scan sends is heard whatever the instrument's range.
class SoundingKeys {
  public:
    // `synth`, playing the SoundFont at `soundFontPath`, must outlive this object.
    SoundingKeys(fluid_synth_t* synth, std::string soundFontPath);

    // After a program change on `channel`: starts finding the keys its new preset makes heard, so
    // that the first note need not wait for it.
    void ProgramChanged(int channel);

    // The key to play for a note-on of `key` on `channel` with the preset the synthesizer has
    // chosen there; remembered for the note's later messages.
    int NoteOn(int channel, int key);

    // The key to release for a note-off of `key` on `channel`: the one its note-on played, or -1
    // when the note is not on or another note that is on still sounds as that key (two notes an
    // octave apart can be moved onto one key).
    int NoteOff(int channel, int key);

    // The key the last note-on of `key` on `channel` sounds as.
    int Of(int channel, int key) const { return sounding_[channel & 15][key & 127]; }

  private:
    fluid_synth_t* synth_;
    AudibleKeys audible_;
    std::array<std::array<std::uint8_t, 128>, 16> sounding_{};
    std::array<std::bitset<128>, 16> on_{};  // notes between their note-on and note-off
};

}  // namespace linux_
