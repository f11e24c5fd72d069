// Which keys of a SoundFont preset can be heard, found by playing each key on a private FluidSynth
// instance with the same font, offline. The font decides: its zones' key and velocity ranges, its
// samples, envelopes and filters, all as FluidSynth plays them, and no table of ours.
#pragma once

#include <bitset>
#include <future>
#include <map>
#include <memory>
#include <string>

namespace platform::linux_midi {

class AudibleKeys {
  public:
    // The keys of a preset whose note-on at velocity 100 rises above -60 dBFS within half a second
    // (slow-attack presets need that long) at the built-in synthesizer's gain.
    using Keys = std::bitset<128>;

    // Starts loading `soundFontPath` into the private synthesizer on another thread.
    explicit AudibleKeys(const std::string& soundFontPath);
    ~AudibleKeys();
    AudibleKeys(const AudibleKeys&) = delete;
    AudibleKeys& operator=(const AudibleKeys&) = delete;

    // The audible keys of preset `program` of `bank`, played the first time a preset is asked for
    // (a few milliseconds) and remembered. Every key when the font or the preset cannot be played.
    const Keys& Of(int bank, int program);

  private:
    struct Player;

    std::future<std::unique_ptr<Player>> loading_;
    std::unique_ptr<Player> player_;
    std::map<int, Keys> keys_;  // by bank * 128 + program
};

}  // namespace platform::linux_midi
