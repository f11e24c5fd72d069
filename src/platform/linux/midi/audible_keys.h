// Which keys of a SoundFont preset can be heard, found by playing each key offline on a private
// FluidSynth instance with the same SoundFont file. The font decides: its zones' key and velocity
// ranges, its samples, envelopes and filters, all as FluidSynth plays them, and no table of ours.
#pragma once

#include <bitset>
#include <future>
#include <map>
#include <string>

namespace linux_ {

class AudibleKeys {
  public:
    // The keys of a preset whose note-on at velocity 100 rises above -60 dBFS within half a second
    // (slow-attack presets need that long) at the sample rate and gain the keys are found with.
    using Keys = std::bitset<128>;

    AudibleKeys(std::string soundFontPath, double sampleRate, double gain);
    ~AudibleKeys();

    // Starts finding the audible keys of preset `program` of `bank` on another thread, unless they
    // are known or another preset is being played already. The thread waits a moment first (the
    // preset chosen at start-up is chosen while the window is still being shown, which needs the
    // processor more), unless a note needs the keys sooner.
    void Prepare(int bank, int program);

    // The audible keys of preset `program` of `bank`: found once (a few tens of milliseconds,
    // mostly loading the font) and remembered. Every key when the preset cannot be played.
    const Keys& Of(int bank, int program);

  private:
    Keys PlayEveryKey(int bank, int program) const;

    std::string soundFontPath_;
    double sampleRate_;
    double gain_;
    std::map<int, Keys> keys_;  // by bank * 128 + program
    // After what the thread reads: its end is waited for before they go.
    std::future<Keys> playing_;
    std::promise<bool> start_;  // ends the thread's pause: true to play at once, false not at all
    int playingPreset_ = -1;
};

}  // namespace linux_
