#include "platform/linux/midi/synth_audio_output.h"

#include <fluidsynth.h>

#include <array>
#include <cmath>

#include "platform/linux/midi/fluid_driver_stream.h"
#include "platform/linux/midi/pipewire_stream.h"
#include "platform/linux/midi/pulse_stream.h"

namespace linux_ {

struct AudioSystem {
    const char* driver;  // FluidSynth's name for it, which the program also uses
    const char* title;   // the name users know
    // The stream playing what `render` makes; nullptr when the system cannot be opened.
    std::unique_ptr<AudioStream> (*open)(fluid_settings_t* settings, const char* driver,
                                         RenderFunction render);
};

namespace {

// PipeWire gets a stream of our own that renders in the graph's own cycle (Debian 12's FluidSynth
// has no driver for it, and its PulseAudio service adds a cycle or two to every note).
std::unique_ptr<AudioStream> OpenPipeWireStream(fluid_settings_t*, const char*,
                                                RenderFunction render) {
    return PipeWireStream::Open(static_cast<int>(BuiltinSynth::kSampleRate), kPipeWireQuantumFrames,
                                std::move(render));
}

// PulseAudio gets a stream of our own, which can be corked; FluidSynth's driver for it cannot, and
// a stream that merely goes unfed keeps the server and the sound card busy.
std::unique_ptr<AudioStream> OpenPulseStream(fluid_settings_t*, const char*,
                                             RenderFunction render) {
    return PulseStream::Open(static_cast<int>(BuiltinSynth::kSampleRate), kPulseBlockFrames,
                             kPulseBlocks, std::move(render));
}

std::unique_ptr<AudioStream> OpenFluidDriver(fluid_settings_t* settings, const char* driver,
                                             RenderFunction render) {
    return FluidDriverStream::Open(settings, driver, std::move(render));
}

// In order of preference.
constexpr std::array<AudioSystem, 3> kAudioSystems = {{
    {"pipewire", "PipeWire", OpenPipeWireStream},
    {"pulseaudio", "PulseAudio", OpenPulseStream},
    {"alsa", "ALSA", OpenFluidDriver},
}};

// The output must stay silent this long after the last voice ended before the stream stops:
// reverb and chorus tails decay below the silent level well within it.
constexpr int kQuietFramesBeforeSleep = static_cast<int>(BuiltinSynth::kSampleRate / 10);

// While the sound server stays away, a held key would otherwise try to reach it on every tick.
constexpr auto kReopenInterval = std::chrono::seconds(1);

void ConfigureFluidDrivers(fluid_settings_t* settings) {
    fluid_settings_setint(settings, "audio.period-size", kPeriodFrames);
    fluid_settings_setint(settings, "audio.periods", kPeriodCount);
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
    ConfigureFluidDrivers(synth.Settings());
    if (!output->OpenFirstAvailable()) output->nextReopen_ = Clock::now() + kReopenInterval;
    return output;
}

SynthAudioOutput::SynthAudioOutput(BuiltinSynth& synth, BlockObserver observer)
    : synth_(synth), observer_(std::move(observer)), gate_(kQuietFramesBeforeSleep) {}

SynthAudioOutput::~SynthAudioOutput() {
    stream_.reset();  // its thread stops before the members it renders with go
}

bool SynthAudioOutput::OpenFirstAvailable() {
    for (const AudioSystem& system : kAudioSystems) {
        if (OpenStream(system)) return true;
    }
    return false;
}

bool SynthAudioOutput::OpenStream(const AudioSystem& system) {
    stream_ = system.open(
        synth_.Settings(), system.driver,
        [this](float* left, float* right, int frames) { return Render(left, right, frames); });
    if (stream_ == nullptr) return false;
    system_ = &system;
    return true;
}

bool SynthAudioOutput::Render(float* left, float* right, int frames) {
    synth_.Render(left, right, frames);
    if (observer_) observer_(left, right, frames);
    if (!gate_.IsSilent(left, right, frames, synth_.ActiveVoices())) return false;
    gate_.Reset();
    return true;
}

void SynthAudioOutput::ReviveIfEnded() {
    if (stream_ != nullptr && !stream_->Ended()) return;
    const auto now = Clock::now();
    if (now < nextReopen_) return;
    nextReopen_ = now + kReopenInterval;
    stream_.reset();
    // Notes played while nobody rendered are still waiting as voices; heard now they would come
    // as one late chord.
    synth_.SoundsOff();
    gate_.Reset();
    // The audio system in use comes back; before any was found, all are tried. When that fails,
    // the next note after the interval tries again.
    if (system_ == nullptr) {
        OpenFirstAvailable();
    } else {
        OpenStream(*system_);
    }
}

std::string SynthAudioOutput::DriverName() const {
    return system_ != nullptr ? system_->driver : "";
}

void SynthAudioOutput::Wake() {
    if (stream_ != nullptr) stream_->Wake();
}

bool SynthAudioOutput::Sleeping() const {
    return stream_ == nullptr || stream_->Sleeping();
}

namespace {

bool BlockIsSilent(const float* left, const float* right, int frames) {
    for (int i = 0; i < frames; ++i) {
        if (std::fabs(left[i]) >= SilenceGate::kSilentLevel ||
            std::fabs(right[i]) >= SilenceGate::kSilentLevel) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool SilenceGate::IsSilent(const float* left, const float* right, int frames, int activeVoices) {
    if (activeVoices > 0 || !BlockIsSilent(left, right, frames)) {
        quietFrames_ = 0;
        return false;
    }
    if (quietFrames_ < quietFramesNeeded_) quietFrames_ += frames;
    return quietFrames_ >= quietFramesNeeded_;
}

}  // namespace linux_
