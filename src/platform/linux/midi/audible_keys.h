// Which keys of a SoundFont preset can be heard, found by playing each key offline on a private
// FluidSynth instance that shares the synthesizer's loaded SoundFont. The font decides: its zones'
// key and velocity ranges, its samples, envelopes and filters, all as FluidSynth plays them, and
// no table of ours.
#pragma once

#include <fluidsynth/types.h>

#include <bitset>
#include <map>

namespace platform::linux_midi {

class AudibleKeys {
  public:
    // The keys of a preset whose note-on at velocity 100 rises above -60 dBFS within half a second
    // (slow-attack presets need that long) at the built-in synthesizer's gain.
    using Keys = std::bitset<128>;

    // `synth` must outlive this object; its first SoundFont is the one played.
    explicit AudibleKeys(fluid_synth_t* synth);
    ~AudibleKeys();
    AudibleKeys(const AudibleKeys&) = delete;
    AudibleKeys& operator=(const AudibleKeys&) = delete;

    // The audible keys of preset `program` of `bank`, played the first time a preset is asked for
    // (a few milliseconds) and remembered; every key when the preset cannot be played. Ask only for
    // a preset `synth` has selected on a channel: its samples are loaded then.
    const Keys& Of(int bank, int program);

  private:
    bool StartPlayer();
    bool Heard(int key);

    fluid_synth_t* synth_;
    fluid_sfont_t* font_ = nullptr;
    fluid_settings_t* playerSettings_ = nullptr;
    fluid_synth_t* player_ = nullptr;
    int playerFontId_ = -1;
    std::map<int, Keys> keys_;  // by bank * 128 + program
};

}  // namespace platform::linux_midi
