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

struct AudibleKeys::Player {
    fluid_settings_t* settings = nullptr;
    fluid_synth_t* synth = nullptr;
    int fontId = FLUID_FAILED;

    ~Player() {
        if (synth != nullptr) delete_fluid_synth(synth);
        if (settings != nullptr) delete_fluid_settings(settings);
    }

    bool Load(const std::string& path) {
        settings = new_fluid_settings();
        if (settings == nullptr) return false;
        fluid_settings_setint(settings, "synth.dynamic-sample-loading", 1);
        fluid_settings_setnum(settings, "synth.sample-rate", BuiltinSynth::kSampleRate);
        fluid_settings_setnum(settings, "synth.gain", BuiltinSynth::kGain);
        // Only the dry voice counts, and nothing of one key reaches the next.
        fluid_settings_setint(settings, "synth.reverb.active", 0);
        fluid_settings_setint(settings, "synth.chorus.active", 0);
        synth = new_fluid_synth(settings);
        if (synth == nullptr) return false;
        fontId = fluid_synth_sfload(synth, path.c_str(), 0);
        if (fontId == FLUID_FAILED) return false;
        // No preset stays selected between two plays, so no samples stay loaded.
        for (int channel = 0; channel < fluid_synth_count_midi_channels(synth); ++channel) {
            fluid_synth_unset_program(synth, channel);
        }
        return true;
    }

    bool Heard(int key) {
        std::array<float, kBlock> left{}, right{};
        fluid_synth_noteon(synth, 0, key, kVelocity);
        bool heard = false;
        for (int done = 0; done < kListenFrames && !heard; done += kBlock) {
            fluid_synth_write_float(synth, kBlock, left.data(), 0, 1, right.data(), 0, 1);
            for (int i = 0; i < kBlock && !heard; ++i) {
                heard = std::fabs(left[i]) > kAudible || std::fabs(right[i]) > kAudible;
            }
        }
        fluid_synth_all_sounds_off(synth, 0);
        return heard;
    }

    Keys Play(int bank, int program) {
        Keys keys;
        if (fluid_synth_program_select(synth, 0, fontId, bank, program) != FLUID_OK) {
            return keys.set();
        }
        for (int key = 0; key < 128; ++key) keys[key] = Heard(key);
        fluid_synth_unset_program(synth, 0);
        return keys;
    }
};

AudibleKeys::AudibleKeys(const std::string& soundFontPath)
    : loading_(std::async(std::launch::async, [soundFontPath] {
          auto player = std::make_unique<Player>();
          return player->Load(soundFontPath) ? std::move(player) : nullptr;
      })) {}

AudibleKeys::~AudibleKeys() = default;

const AudibleKeys::Keys& AudibleKeys::Of(int bank, int program) {
    if (loading_.valid()) player_ = loading_.get();
    const auto [entry, added] = keys_.try_emplace(bank * 128 + program);
    if (added) entry->second = player_ ? player_->Play(bank, program) : Keys().set();
    return entry->second;
}

}  // namespace platform::linux_midi
