#include "platform/linux/midi/audible_keys.h"

#include <fluidsynth.h>

#include <array>
#include <cmath>

#include "platform/linux/midi/builtin_synth.h"

namespace platform::linux_midi {

namespace {

constexpr int kVelocity = 100;
constexpr float kAudible = 0.001f;  // -60 dBFS
constexpr int kListenFrames = static_cast<int>(BuiltinSynth::kSampleRate) / 2;
constexpr int kBlock = 256;

}  // namespace

AudibleKeys::AudibleKeys(fluid_synth_t* synth) : synth_(synth) {}

AudibleKeys::~AudibleKeys() {
    if (player_ != nullptr) {
        fluid_synth_all_sounds_off(player_, -1);
        // The font belongs to the synthesizer; the player only borrowed it.
        if (font_ != nullptr) fluid_synth_remove_sfont(player_, font_);
        delete_fluid_synth(player_);
    }
    if (playerSettings_ != nullptr) delete_fluid_settings(playerSettings_);
}

bool AudibleKeys::StartPlayer() {
    if (player_ != nullptr) return playerFontId_ != FLUID_FAILED;
    playerSettings_ = new_fluid_settings();
    if (playerSettings_ == nullptr) return false;
    fluid_settings_setint(playerSettings_, "synth.dynamic-sample-loading", 1);
    fluid_settings_setnum(playerSettings_, "synth.sample-rate", BuiltinSynth::kSampleRate);
    fluid_settings_setnum(playerSettings_, "synth.gain", BuiltinSynth::kGain);
    fluid_settings_setint(playerSettings_, "synth.polyphony", 16);
    // Only the dry voice counts, and nothing of one key reaches the next.
    fluid_settings_setint(playerSettings_, "synth.reverb.active", 0);
    fluid_settings_setint(playerSettings_, "synth.chorus.active", 0);
    player_ = new_fluid_synth(playerSettings_);
    font_ = fluid_synth_get_sfont(synth_, 0);
    if (player_ == nullptr || font_ == nullptr) return false;
    // The same font object, not a second load: its presets' samples are already in memory for
    // the synthesizer, and they stay loaded while one of its channels has the preset selected.
    playerFontId_ = fluid_synth_add_sfont(player_, font_);
    if (playerFontId_ == FLUID_FAILED) font_ = nullptr;
    for (int channel = 0; channel < fluid_synth_count_midi_channels(player_); ++channel) {
        fluid_synth_unset_program(player_, channel);
    }
    return playerFontId_ != FLUID_FAILED;
}

bool AudibleKeys::Heard(int key) {
    std::array<float, kBlock> left{}, right{};
    fluid_synth_noteon(player_, 0, key, kVelocity);
    bool heard = false;
    for (int done = 0; done < kListenFrames && !heard; done += kBlock) {
        fluid_synth_write_float(player_, kBlock, left.data(), 0, 1, right.data(), 0, 1);
        for (int i = 0; i < kBlock && !heard; ++i) {
            heard = std::fabs(left[i]) > kAudible || std::fabs(right[i]) > kAudible;
        }
    }
    fluid_synth_all_sounds_off(player_, 0);
    return heard;
}

const AudibleKeys::Keys& AudibleKeys::Of(int bank, int program) {
    const auto [entry, added] = keys_.try_emplace(bank * 128 + program);
    Keys& keys = entry->second;
    if (!added) return keys;
    if (!StartPlayer() ||
        fluid_synth_program_select(player_, 0, playerFontId_, bank, program) != FLUID_OK) {
        return keys.set();
    }
    for (int key = 0; key < 128; ++key) keys[key] = Heard(key);
    fluid_synth_unset_program(player_, 0);
    return keys;
}

}  // namespace platform::linux_midi
