#include "platform/linux/midi/audible_keys.h"

#include <fluidsynth.h>
#include <malloc.h>

#include <array>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <system_error>

#include "platform/linux/midi/builtin_synth.h"

namespace linux_ {

namespace {

constexpr int kVelocity = 100;
constexpr float kAudible = 0.001f;  // -60 dBFS
constexpr int kListenFrames = static_cast<int>(BuiltinSynth::kSampleRate) / 2;
constexpr int kBlock = 256;
constexpr auto kPauseBeforePlaying = std::chrono::milliseconds(300);

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

class AudibleKeys::Start {
  public:
    // False when the keys are no longer wanted.
    bool AfterPause() {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, kPauseBeforePlaying, [this] { return state_ != State::kPausing; });
        return state_ != State::kCancelled;
    }
    void Now() { Set(State::kNow); }
    void Cancel() { Set(State::kCancelled); }

  private:
    enum class State { kPausing, kNow, kCancelled };
    void Set(State state) {
        {
            std::lock_guard lock(mutex_);
            if (state_ == State::kPausing) state_ = state;
        }
        changed_.notify_one();
    }
    std::mutex mutex_;
    std::condition_variable changed_;
    State state_ = State::kPausing;
};

AudibleKeys::AudibleKeys(std::string soundFontPath) : soundFontPath_(std::move(soundFontPath)) {}

AudibleKeys::~AudibleKeys() {
    // A preset not begun yet is not played; one being played is waited for.
    if (playingStart_) playingStart_->Cancel();
}

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
        auto start = std::make_shared<Start>();
        playing_ = std::async(std::launch::async, [start, path = soundFontPath_, bank, program] {
            return start->AfterPause() ? PlayEveryKey(path, bank, program) : Keys{};
        });
        playingStart_ = std::move(start);
        playingPreset_ = preset;
    } catch (const std::system_error&) {
        // No thread to spare: the preset's first note finds its keys itself.
    }
}

const AudibleKeys::Keys& AudibleKeys::Of(int bank, int program) {
    CollectFinished();
    const int preset = bank * 128 + program;
    if (playing_.valid() && playingPreset_ == preset) {
        playingStart_->Now();
        keys_[preset] = playing_.get();
    }
    const auto known = keys_.find(preset);
    if (known != keys_.end()) return known->second;
    return keys_[preset] = PlayEveryKey(soundFontPath_, bank, program);
}

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
    on_[channel & 15][key & 127] = true;
    return sounding;
}

int SoundingKeys::NoteOff(int channel, int key) {
    auto& on = on_[channel & 15];
    const auto& sounding = sounding_[channel & 15];
    if (!on[key & 127]) return -1;
    on[key & 127] = false;
    const int released = sounding[key & 127];
    for (std::size_t other = 0; other < on.size(); ++other) {
        if (on[other] && sounding[other] == released) return -1;
    }
    return released;
}

}  // namespace linux_
