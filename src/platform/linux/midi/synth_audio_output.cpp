#include "platform/linux/midi/synth_audio_output.h"

#include <fluidsynth.h>

#include <algorithm>
#include <array>

namespace platform::linux_midi {

namespace {

enum class Backend {
    kOwnPulseStream,  // PulsePlayback: corks on silence, so the sound server idles too
    kFluidDriver,     // FluidSynth's own driver of that name
};

struct AudioSystem {
    Backend backend;
    const char* driver;  // FluidSynth's name for it, also reported by DriverName()
};

// In order of preference. Our PulseAudio stream comes first: pipewire-pulse serves it on PipeWire
// desktops as well. FluidSynth's drivers are the fallback where no PulseAudio server answers; a
// FluidSynth built without one of them simply fails to open it.
constexpr std::array<AudioSystem, 3> kAudioSystems = {{
    {Backend::kOwnPulseStream, "pulseaudio"},
    {Backend::kFluidDriver, "pipewire"},
    {Backend::kFluidDriver, "alsa"},
}};

// The output must stay silent this long after the last voice ended before the stream sleeps:
// reverb and chorus tails decay below the silent level well within it.
constexpr int kQuietFramesBeforeSleep = static_cast<int>(BuiltinSynth::kSampleRate / 10);

void ConfigureAudio(fluid_settings_t* settings) {
    fluid_settings_setint(settings, "audio.period-size", kPeriodFrames);
    fluid_settings_setint(settings, "audio.periods", kPeriodCount);
    fluid_settings_setint(settings, "audio.pulseaudio.adjust-latency", 0);
    fluid_settings_setstr(settings, "audio.sample-format", "float");
}

}  // namespace

const std::string& AudioSystemsTried() {
    static const std::string text = "PipeWire, PulseAudio and ALSA";
    return text;
}

std::unique_ptr<SynthAudioOutput> SynthAudioOutput::Open(BuiltinSynth& synth,
                                                         BlockObserver observer) {
    std::unique_ptr<SynthAudioOutput> output(new SynthAudioOutput(synth, std::move(observer)));
    fluid_settings_t* settings = synth.Settings();
    ConfigureAudio(settings);
    for (const AudioSystem& system : kAudioSystems) {
        if (system.backend == Backend::kOwnPulseStream) {
            // It plays a moment of silence at once, then corks: a sound server may take a while
            // to serve a new stream (an idle null sink up to 2 s), better now than at the first
            // note.
            output->pulse_ = PulsePlayback::Open(
                static_cast<int>(BuiltinSynth::kSampleRate), kPulseBlockFrames, kPulseBlocks,
                [self = output.get()](float* left, float* right, int frames) {
                    return self->RenderAndCheckSilence(left, right, frames);
                });
            if (output->pulse_ == nullptr) continue;
        } else {
            if (fluid_settings_setstr(settings, "audio.driver", system.driver) != FLUID_OK) {
                continue;
            }
            output->driver_ = new_fluid_audio_driver2(settings, RenderBlock, output.get());
            if (output->driver_ == nullptr) continue;
            // The same moment of silence at once.
            output->Wake();
        }
        output->driverName_ = system.driver;
        return output;
    }
    return nullptr;
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
    pulse_.reset();
}

bool SynthAudioOutput::Wake() {
    if (pulse_) return pulse_->Resume();
    {
        std::lock_guard lock(mutex_);
        ++wakeCount_;
        asleep_ = false;
    }
    wakeUp_.notify_one();
    return true;
}

bool SynthAudioOutput::Sleeping() const {
    if (pulse_) return pulse_->Corked();
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
    // Effect buffers may alias the outputs: clear them first, then render over the outputs.
    for (int i = 0; i < fxCount; ++i) std::fill_n(fx[i], frames, 0.0f);
    for (int i = 0; i < outCount; ++i) std::fill_n(out[i], frames, 0.0f);
    if (outCount < 2 || !self.WaitForSound()) return FLUID_OK;

    if (self.RenderAndCheckSilence(out[0], out[1], frames)) self.FallAsleepUnlessWoken();
    return FLUID_OK;
}

bool SynthAudioOutput::RenderAndCheckSilence(float* left, float* right, int frames) {
    synth_.Render(left, right, frames);
    if (observer_) observer_(left, right, frames);
    if (!gate_.IsSilent(left, right, frames, synth_.ActiveVoices())) return false;
    gate_.Reset();
    return true;
}

}  // namespace platform::linux_midi
