// Times the built-in synthesizer from a note-on to the first audible block handed to the audio
// system, in two cases: the stream resting (nothing sounded for a while) and the stream playing (a
// silent voice keeps it running). The difference is what resting costs the first note. The
// synthesizer is rendered as the program renders it, through the program's own streams, by a
// source that notes the first audible block and when the stream rests.
// Run it against a sound server, e.g. tests/linux/midi/with_null_sink.sh synth_onset_latency.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

#include "platform/linux/midi/audio_stream.h"
#include "platform/linux/midi/builtin_synth.h"
#include "platform/linux/midi/soundfont_search.h"
#include "platform/linux/midi/synth_audio_output.h"

namespace {

using namespace linux_;
using Clock = std::chrono::steady_clock;

bool Audible(const float* left, const float* right, int frames) {
    for (int i = 0; i < frames; ++i) {
        if (std::fabs(left[i]) >= SilenceGate::kSilentLevel ||
            std::fabs(right[i]) >= SilenceGate::kSilentLevel) {
            return true;
        }
    }
    return false;
}

// Renders and rests as SynthAudioOutput does, and notes what the benchmark times.
class TimedSource final : public StreamSource {
  public:
    explicit TimedSource(BuiltinSynth& synth) : synth_(synth) {}

    bool Render(float* left, float* right, int frames) override {
        synth_.Render(left, right, frames);
        if (firstSoundAt == 0 && Audible(left, right, frames)) {
            firstSoundAt = Clock::now().time_since_epoch().count();
        }
        if (!gate_.IsSilent(left, right, frames, synth_.ActiveVoices())) return false;
        gate_.Reset();
        return true;
    }
    bool StillSilent() const override {
        const bool silent = synth_.ActiveVoices() == 0;
        if (silent) resting = true;  // the stream rests now
        return silent;
    }

    std::atomic<Clock::rep> firstSoundAt{0};
    mutable std::atomic<bool> resting{false};

  private:
    BuiltinSynth& synth_;
    SilenceGate gate_{kQuietFramesBeforeRest};
};

void Send(BuiltinSynth& synth, TimedSource& source, AudioStream& stream, int status, int data1,
          int data2) {
    ShortMessage message;
    message.bytes = {static_cast<std::uint8_t>(status), static_cast<std::uint8_t>(data1),
                     static_cast<std::uint8_t>(data2)};
    message.length = (status & 0xF0) == 0xC0 ? 2 : 3;
    synth.Play(message);
    source.resting = false;
    stream.Wake();
}

template <typename Condition>
bool WaitFor(Condition condition, std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    while (!condition()) {
        if (Clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// Milliseconds from one note-on to its first audible block; negative when none came.
double TimeOneNote(BuiltinSynth& synth, TimedSource& source, AudioStream& stream) {
    source.firstSoundAt = 0;
    const auto start = Clock::now();
    Send(synth, source, stream, 0x90, 70, 100);
    if (!WaitFor([&] { return source.firstSoundAt.load() != 0; },
                 std::chrono::milliseconds(1000))) {
        return -1.0;
    }
    const Clock::time_point sounded{Clock::duration{source.firstSoundAt.load()}};
    Send(synth, source, stream, 0xB0, 120, 0);  // all sound off on channel 0
    return std::chrono::duration<double, std::milli>(sounded - start).count();
}

void Report(const char* label, std::vector<double> figures) {
    std::sort(figures.begin(), figures.end());
    const auto at = [&](double share) {
        return figures[static_cast<std::size_t>(share * static_cast<double>(figures.size() - 1))];
    };
    std::printf("%-36s n=%zu median %.2f ms  p90 %.2f ms  max %.2f ms\n", label, figures.size(),
                at(0.5), at(0.9), figures.back());
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 30;
    const auto font = FindSoundFont();
    auto synth = font ? BuiltinSynth::Create(*font) : nullptr;
    if (!synth) {
        std::fprintf(stderr, "no SoundFont\n");
        return 1;
    }
    // The audio systems in the program's order, opened as the program opens them.
    TimedSource source(*synth);
    const int rate = static_cast<int>(BuiltinSynth::kSampleRate);
    const auto opening = Clock::now();
    const char* driver = "pipewire";
    int blockFrames = kPipeWireQuantumFrames;
    std::unique_ptr<AudioStream> stream = OpenPipeWireStream(rate, kPipeWireQuantumFrames, source);
    if (!stream) {
        driver = "pulseaudio";
        blockFrames = kPulseBlockFrames;
        stream = OpenPulseStream(rate, kPulseBlockFrames, kPulseBlocks, source);
    }
    if (!stream) {
        driver = "alsa";
        blockFrames = kPeriodFrames;
        stream =
            OpenFluidDriverStream(synth->Settings(), "alsa", kPeriodFrames, kPeriodCount, source);
    }
    if (!stream) {
        std::fprintf(stderr, "no audio output\n");
        return 1;
    }
    // The program opens the output before its window shows: this delays the window.
    std::printf("opening the output took %.1f ms\n",
                std::chrono::duration<double, std::milli>(Clock::now() - opening).count());
    std::printf("driver %s, blocks of %d frames\n", driver, blockFrames);
    Send(*synth, source, *stream, 0xC0, 0, 0);

    std::vector<double> asleep, awake;
    for (int i = 0; i < rounds; ++i) {
        if (!WaitFor([&] { return source.resting.load(); }, std::chrono::milliseconds(5000))) {
            std::fprintf(stderr, "the stream did not rest\n");
            return 1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        const double ms = TimeOneNote(*synth, source, *stream);
        if (ms >= 0) asleep.push_back(ms);
    }
    // A sustained organ voice at volume 0 on channel 1 keeps the stream awake but silent.
    Send(*synth, source, *stream, 0xC1, 16, 0);
    Send(*synth, source, *stream, 0xB1, 7, 0);
    Send(*synth, source, *stream, 0xB1, 91, 0);
    Send(*synth, source, *stream, 0xB1, 93, 0);
    Send(*synth, source, *stream, 0x91, 40, 100);
    for (int i = 0; i < rounds; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));  // let the tail die away
        const double ms = TimeOneNote(*synth, source, *stream);
        if (ms >= 0) awake.push_back(ms);
    }
    if (asleep.empty() || awake.empty()) {
        std::fprintf(stderr, "no sound was rendered\n");
        return 1;
    }
    Report("note-on to first audible block, asleep", asleep);
    Report("note-on to first audible block, awake", awake);
    return 0;
}
