#include "platform/linux/midi/synth_audio_output.h"

#include <fluidsynth.h>

#include <algorithm>
#include <array>

namespace platform::linux_midi {

namespace {

struct AudioSystem {
    const char* driver;  // FluidSynth's name for it
    const char* title;   // the name users know
};

// In order of preference. A FluidSynth built without one of them simply fails to open it.
constexpr std::array<AudioSystem, 3> kAudioSystems = {{
    {"pipewire", "PipeWire"},
    {"pulseaudio", "PulseAudio"},
    {"alsa", "ALSA"},
}};

// The output must stay silent this long after the last voice ended before the stream sleeps:
// reverb and chorus tails decay below the silent level well within it.
constexpr int kQuietFramesBeforeSleep = static_cast<int>(BuiltinSynth::kSampleRate / 10);

// While the sound server stays away, a held key would otherwise try to reach it on every tick.
constexpr auto kReopenInterval = std::chrono::seconds(1);

void ConfigureAudio(fluid_settings_t* settings) {
    fluid_settings_setint(settings, "audio.period-size", kPeriodFrames);
    fluid_settings_setint(settings, "audio.periods", kPeriodCount);
    fluid_settings_setint(settings, "audio.pulseaudio.adjust-latency", 0);
    fluid_settings_setstr(settings, "audio.sample-format", "float");
}

}  // namespace

const std::string& AudioSystemsTried() {
    static const std::string text = [] {
        std::string joined;
        for (std::size_t i = 0; i < kAudioSystems.size(); ++i) {
            if (i > 0) joined += i + 1 == kAudioSystems.size() ? " and " : ", ";
            joined += kAudioSystems[i].title;
        }
        return joined;
    }();
    return text;
}

std::unique_ptr<SynthAudioOutput> SynthAudioOutput::Open(BuiltinSynth& synth,
                                                         BlockObserver observer) {
    std::unique_ptr<SynthAudioOutput> output(new SynthAudioOutput(synth, std::move(observer)));
    fluid_settings_t* settings = synth.Settings();
    ConfigureAudio(settings);
    for (const AudioSystem& system : kAudioSystems) {
        if (output->OpenDriver(system.driver)) {
            // A moment of silence at once: a sound server may take a while to serve a new stream
            // (an idle null sink up to 2 s), so it is better done now than at the first note.
            output->Wake();
            return output;
        }
    }
    return nullptr;
}

bool SynthAudioOutput::OpenDriver(const char* driverName) {
    fluid_settings_t* settings = synth_.Settings();
    if (fluid_settings_setstr(settings, "audio.driver", driverName) != FLUID_OK) return false;
    driver_ = new_fluid_audio_driver2(settings, RenderBlock, this);
    if (driver_ == nullptr) return false;
    driverName_ = driverName;
    return true;
}

SynthAudioOutput::SynthAudioOutput(BuiltinSynth& synth, BlockObserver observer)
    : synth_(synth), observer_(std::move(observer)), gate_(kQuietFramesBeforeSleep) {}

SynthAudioOutput::~SynthAudioOutput() {
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
    }
    wakeUp_.notify_one();
    // Joins the audio thread, which no longer blocks now that closing_ is set.
    if (driver_ != nullptr) delete_fluid_audio_driver(driver_);
}

// Lives on an audio driver's thread; destroyed when that thread ends.
struct AudioThreadWatch {
    SynthAudioOutput* output = nullptr;
    AudioThreadWatch() = default;
    AudioThreadWatch(const AudioThreadWatch&) = delete;
    AudioThreadWatch& operator=(const AudioThreadWatch&) = delete;
    ~AudioThreadWatch() {
        if (output != nullptr) output->AudioThreadEnded();
    }
};

void SynthAudioOutput::AudioThreadEnded() {
    std::lock_guard lock(mutex_);
    if (!closing_) ended_ = true;
}

bool SynthAudioOutput::Ended() const {
    std::lock_guard lock(mutex_);
    return ended_;
}

void SynthAudioOutput::ReviveIfEnded() {
    if (!Ended()) return;
    const auto now = Clock::now();
    if (now < nextReopen_) return;
    nextReopen_ = now + kReopenInterval;
    if (driver_ != nullptr) {
        delete_fluid_audio_driver(driver_);  // its thread has ended already: this only joins it
        driver_ = nullptr;
    }
    // Notes played while nobody rendered are still waiting as voices; heard now they would come
    // as one late chord.
    synth_.SoundsOff();
    gate_.Reset();
    {
        std::lock_guard lock(mutex_);
        ended_ = false;
        asleep_ = true;
    }
    if (!OpenDriver(driverName_.c_str())) {
        std::lock_guard lock(mutex_);
        ended_ = true;  // still away: try again at a note after the interval
    }
}

void SynthAudioOutput::Wake() {
    {
        std::lock_guard lock(mutex_);
        ++wakeCount_;
        asleep_ = false;
    }
    wakeUp_.notify_one();
}

bool SynthAudioOutput::Sleeping() const {
    std::lock_guard lock(mutex_);
    return asleep_;
}

bool SynthAudioOutput::WaitForSound() {
    std::unique_lock lock(mutex_);
    wakeUp_.wait(lock, [this] { return closing_ || !asleep_; });
    wakeCountSeen_ = wakeCount_;
    return !closing_;
}

void SynthAudioOutput::FallAsleepUnlessWoken() {
    std::lock_guard lock(mutex_);
    // A message that arrived while this block was rendered may not be in it: render once more.
    if (wakeCount_ == wakeCountSeen_) asleep_ = true;
}

int SynthAudioOutput::RenderBlock(void* data, int frames, int fxCount, float* fx[], int outCount,
                                  float* out[]) {
    auto& self = *static_cast<SynthAudioOutput*>(data);
    // Drivers render on a thread of their own, which ends only when the driver is closed or its
    // sound server has gone; this object's end tells which thread has ended.
    thread_local AudioThreadWatch watch;
    watch.output = &self;
    // Effect buffers may alias the outputs: clear them first, then render over the outputs.
    for (int i = 0; i < fxCount; ++i) std::fill_n(fx[i], frames, 0.0f);
    for (int i = 0; i < outCount; ++i) std::fill_n(out[i], frames, 0.0f);
    if (outCount < 2 || !self.WaitForSound()) return FLUID_OK;

    self.synth_.Render(out[0], out[1], frames);
    if (self.observer_) self.observer_(out[0], out[1], frames);
    if (self.gate_.IsSilent(out[0], out[1], frames, self.synth_.ActiveVoices())) {
        self.gate_.Reset();
        self.FallAsleepUnlessWoken();
    }
    return FLUID_OK;
}

}  // namespace platform::linux_midi
