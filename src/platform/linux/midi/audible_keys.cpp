#include "platform/linux/midi/audible_keys.h"

#include <fluidsynth.h>
#include <malloc.h>

#include <array>
#include <chrono>
#include <cmath>
#include <system_error>

#include "platform/linux/midi/builtin_synth.h"

namespace platform::linux_midi {

namespace {

constexpr int kVelocity = 100;
constexpr float kAudible = 0.001f;  // -60 dBFS
constexpr int kListenFrames = static_cast<int>(BuiltinSynth::kSampleRate) / 2;
constexpr int kBlock = 256;

bool Heard(fluid_synth_t* synth, int key) {
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

// Plays every key of one preset on a synthesizer of its own, which is gone again afterwards: the
// font's preset data (about 12 MB for FluidR3_GM) is needed only for this.
AudibleKeys::Keys PlayEveryKey(const std::string& soundFontPath, int bank, int program) {
    AudibleKeys::Keys keys;
    keys.set();
    fluid_settings_t* settings = new_fluid_settings();
    if (settings == nullptr) return keys;
    fluid_settings_setint(settings, "synth.dynamic-sample-loading", 1);
    fluid_settings_setnum(settings, "synth.sample-rate", BuiltinSynth::kSampleRate);
    fluid_settings_setnum(settings, "synth.gain", BuiltinSynth::kGain);
    fluid_settings_setint(settings, "synth.polyphony", 16);
    // Only the dry voice counts, and nothing of one key reaches the next.
    fluid_settings_setint(settings, "synth.reverb.active", 0);
    fluid_settings_setint(settings, "synth.chorus.active", 0);
    if (fluid_synth_t* synth = new_fluid_synth(settings)) {
        // No preset is given to the channels, so only the one played loads its samples.
        const int font = fluid_synth_sfload(synth, soundFontPath.c_str(), 0);
        if (font != FLUID_FAILED &&
            fluid_synth_program_select(synth, 0, font, bank, program) == FLUID_OK) {
            for (int key = 0; key < 128; ++key) keys[key] = Heard(synth, key);
        }
        delete_fluid_synth(synth);
    }
    delete_fluid_settings(settings);
    malloc_trim(0);  // hand the font's preset data back to the system
    return keys;
}

}  // namespace

AudibleKeys::AudibleKeys(std::string soundFontPath) : soundFontPath_(std::move(soundFontPath)) {}

AudibleKeys::~AudibleKeys() = default;  // waits for a preset still being played

void AudibleKeys::CollectFinished() {
    if (playing_.valid() &&
        playing_.wait_for(std::chrono::seconds(0)) == std::future_status::ready) {
        keys_[playingPreset_] = playing_.get();
    }
}

void AudibleKeys::Prepare(int bank, int program) {
    CollectFinished();
    const int preset = bank * 128 + program;
    if (playing_.valid() || keys_.count(preset) != 0) return;
    try {
        playing_ = std::async(std::launch::async, PlayEveryKey, soundFontPath_, bank, program);
        playingPreset_ = preset;
    } catch (const std::system_error&) {
        // No thread to spare: the preset's first note finds its keys itself.
    }
}

const AudibleKeys::Keys& AudibleKeys::Of(int bank, int program) {
    CollectFinished();
    const int preset = bank * 128 + program;
    if (playing_.valid() && playingPreset_ == preset) keys_[preset] = playing_.get();
    const auto known = keys_.find(preset);
    if (known != keys_.end()) return known->second;
    return keys_[preset] = PlayEveryKey(soundFontPath_, bank, program);
}

}  // namespace platform::linux_midi
