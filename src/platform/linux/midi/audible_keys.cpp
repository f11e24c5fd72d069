#include "platform/linux/midi/audible_keys.h"

#include <fluidsynth.h>
#include <malloc.h>

#include <array>
#include <chrono>
#include <cmath>
#include <system_error>

namespace linux_ {

namespace {

constexpr int kVelocity = 100;
constexpr float kAudible = 0.001f;  // -60 dBFS
constexpr double kListenSeconds = 0.5;
constexpr int kBlock = 256;
constexpr auto kPauseBeforePlaying = std::chrono::milliseconds(300);

bool Heard(fluid_synth_t* synth, int key, int listenFrames) {
    std::array<float, kBlock> left{}, right{};
    fluid_synth_noteon(synth, 0, key, kVelocity);
    bool heard = false;
    for (int done = 0; done < listenFrames && !heard; done += kBlock) {
        fluid_synth_write_float(synth, kBlock, left.data(), 0, 1, right.data(), 0, 1);
        for (int i = 0; i < kBlock && !heard; ++i) {
            heard = std::fabs(left[i]) > kAudible || std::fabs(right[i]) > kAudible;
        }
    }
    fluid_synth_all_sounds_off(synth, 0);
    return heard;
}

}  // namespace

AudibleKeys::AudibleKeys(std::string soundFontPath, double sampleRate, double gain)
    : soundFontPath_(std::move(soundFontPath)), sampleRate_(sampleRate), gain_(gain) {}

AudibleKeys::~AudibleKeys() {
    // A preset not begun yet is not played; one being played is waited for.
    if (playing_.valid()) start_.set_value(false);
}

// Plays every key of one preset on a synthesizer of its own, which is gone again afterwards: the
// font's preset data (about 12 MB for FluidR3_GM) is needed only for this. Reads only what the
// constructor set, so that it can run on another thread.
AudibleKeys::Keys AudibleKeys::PlayEveryKey(int bank, int program) const {
    Keys keys;
    keys.set();
    fluid_settings_t* settings = new_fluid_settings();
    if (settings == nullptr) return keys;
    fluid_settings_setint(settings, "synth.dynamic-sample-loading", 1);
    fluid_settings_setnum(settings, "synth.sample-rate", sampleRate_);
    fluid_settings_setnum(settings, "synth.gain", gain_);
    fluid_settings_setint(settings, "synth.polyphony", 16);
    // Only the dry voice counts, and nothing of one key reaches the next.
    fluid_settings_setint(settings, "synth.reverb.active", 0);
    fluid_settings_setint(settings, "synth.chorus.active", 0);
    if (fluid_synth_t* synth = new_fluid_synth(settings)) {
        // No preset is given to the channels, so only the one played loads its samples.
        const int font = fluid_synth_sfload(synth, soundFontPath_.c_str(), 0);
        if (font != FLUID_FAILED &&
            fluid_synth_program_select(synth, 0, font, bank, program) == FLUID_OK) {
            const int listenFrames = static_cast<int>(sampleRate_ * kListenSeconds);
            for (int key = 0; key < 128; ++key) keys[key] = Heard(synth, key, listenFrames);
        }
        delete_fluid_synth(synth);
    }
    delete_fluid_settings(settings);
    malloc_trim(0);  // hand the font's preset data back to the system
    return keys;
}

void AudibleKeys::Prepare(int bank, int program) {
    if (playing_.valid() &&
        playing_.wait_for(std::chrono::seconds(0)) == std::future_status::ready) {
        keys_[playingPreset_] = playing_.get();
    }
    const int preset = bank * 128 + program;
    if (playing_.valid() || keys_.count(preset) != 0) return;
    try {
        std::promise<bool> start;
        playing_ = std::async(
            std::launch::async, [this, go = start.get_future(), bank, program]() mutable {
                const bool play =
                    go.wait_for(kPauseBeforePlaying) == std::future_status::timeout || go.get();
                return play ? PlayEveryKey(bank, program) : Keys{};
            });
        start_ = std::move(start);
        playingPreset_ = preset;
    } catch (const std::system_error&) {
        // No thread to spare: the preset's first note finds its keys itself.
    }
}

const AudibleKeys::Keys& AudibleKeys::Of(int bank, int program) {
    const int preset = bank * 128 + program;
    if (playing_.valid() && playingPreset_ == preset) {
        start_.set_value(true);
        keys_[preset] = playing_.get();
    }
    const auto known = keys_.find(preset);
    if (known != keys_.end()) return known->second;
    return keys_[preset] = PlayEveryKey(bank, program);
}

}  // namespace linux_
