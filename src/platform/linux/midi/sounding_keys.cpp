#include "platform/linux/midi/sounding_keys.h"

#include <fluidsynth.h>

namespace linux_ {

namespace {

// `key` when it is heard, else the nearest octave of it that is (the lower one of two as near);
// `key` itself when no octave is.
int NearestHeardOctave(const AudibleKeys::Keys& heard, int key) {
    if (heard[key]) return key;
    for (int shift = 12; shift < 128; shift += 12) {
        if (key - shift >= 0 && heard[key - shift]) return key - shift;
        if (key + shift < 128 && heard[key + shift]) return key + shift;
    }
    return key;
}

}  // namespace

SoundingKeys::SoundingKeys(fluid_synth_t* synth, std::string soundFontPath)
    : synth_(synth), audible_(std::move(soundFontPath)) {
    for (auto& keys : sounding_) {
        for (std::size_t key = 0; key < keys.size(); ++key) {
            keys[key] = static_cast<std::uint8_t>(key);
        }
    }
}

void SoundingKeys::ProgramChanged(int channel) {
    if (fluid_preset_t* preset = fluid_synth_get_channel_preset(synth_, channel)) {
        audible_.Prepare(fluid_preset_get_banknum(preset), fluid_preset_get_num(preset));
    }
}

int SoundingKeys::NoteOn(int channel, int key) {
    int sounding = key;
    // The preset FluidSynth actually plays: the bank and program asked for, or its stand-in when
    // the font lacks them (percussion on channel 9 included).
    if (fluid_preset_t* preset = fluid_synth_get_channel_preset(synth_, channel)) {
        sounding = NearestHeardOctave(
            audible_.Of(fluid_preset_get_banknum(preset), fluid_preset_get_num(preset)), key & 127);
    }
    sounding_[channel & 15][key & 127] = static_cast<std::uint8_t>(sounding);
    return sounding;
}

}  // namespace linux_
