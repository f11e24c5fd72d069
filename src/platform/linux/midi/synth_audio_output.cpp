#include "platform/linux/midi/synth_audio_output.h"

#include <array>
#include <cmath>

namespace linux_ {

struct AudioSystem {
    const char* title;  // the name users know
    // The stream playing what `source` renders; nullptr when the system cannot be opened.
    std::unique_ptr<AudioStream> (*open)(BuiltinSynth& synth, StreamSource& source);
};

namespace {

constexpr int kSampleRate = static_cast<int>(BuiltinSynth::kSampleRate);

// In order of preference. PipeWire gets a stream of our own that renders in the graph's own cycle
// (Debian 12's FluidSynth has no driver for it, and its PulseAudio service adds a cycle or two to
// every note). PulseAudio gets a stream of our own, which can be corked; FluidSynth's driver for it
// cannot, and a stream that merely goes unfed keeps the server and the sound card busy.
constexpr std::array<AudioSystem, 3> kAudioSystems = {{
    {"PipeWire",
     [](BuiltinSynth&, StreamSource& source) -> std::unique_ptr<AudioStream> {
         return OpenPipeWireStream(kSampleRate, kPipeWireQuantumFrames, source);
     }},
    {"PulseAudio",
     [](BuiltinSynth&, StreamSource& source) -> std::unique_ptr<AudioStream> {
         return OpenPulseStream(kSampleRate, kPulseBlockFrames, kPulseBlocks, source);
     }},
    {"ALSA",
     [](BuiltinSynth& synth, StreamSource& source) -> std::unique_ptr<AudioStream> {
         return OpenFluidDriverStream(synth.Settings(), "alsa", kPeriodFrames, kPeriodCount,
                                      source);
     }},
}};

// While the sound server stays away, a held key would otherwise try to reach it on every tick.
constexpr auto kReopenInterval = std::chrono::seconds(1);

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

std::unique_ptr<SynthAudioOutput> SynthAudioOutput::Open(BuiltinSynth& synth) {
    std::unique_ptr<SynthAudioOutput> output(new SynthAudioOutput(synth));
    if (!output->OpenFirstAvailable()) output->nextReopen_ = Clock::now() + kReopenInterval;
    return output;
}

SynthAudioOutput::SynthAudioOutput(BuiltinSynth& synth)
    : synth_(synth), gate_(kQuietFramesBeforeRest) {}

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
    stream_ = system.open(synth_, *this);
    if (stream_ == nullptr) return false;
    system_ = &system;
    return true;
}

bool SynthAudioOutput::Render(float* left, float* right, int frames) {
    synth_.Render(left, right, frames);
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

void SynthAudioOutput::Wake() {
    if (stream_ != nullptr) stream_->Wake();
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
