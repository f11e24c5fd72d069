// Times the built-in synthesizer from a note-on to the first audible block handed to the audio
// system, in two cases: the stream asleep (nothing sounded for a while) and the stream awake (a
// silent voice keeps it running). The difference is what sleeping costs the first note.
// Run it against a sound server, e.g. tests/linux/midi/with_null_sink.sh synth_onset_latency.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "platform/linux/midi/builtin_synth.h"
#include "platform/linux/midi/soundfont_search.h"
#include "platform/linux/midi/synth_audio_output.h"

namespace {

using namespace linux_;
using Clock = std::chrono::steady_clock;

std::atomic<Clock::rep> firstSoundAt{0};

void NoteFirstSound(const float* left, const float* right, int frames) {
    if (firstSoundAt.load() != 0) return;
    for (int i = 0; i < frames; ++i) {
        if (std::fabs(left[i]) >= SilenceGate::kSilentLevel ||
            std::fabs(right[i]) >= SilenceGate::kSilentLevel) {
            firstSoundAt = Clock::now().time_since_epoch().count();
            return;
        }
    }
}

void Send(BuiltinSynth& synth, SynthAudioOutput& output, int status, int data1, int data2) {
    ShortMessage message;
    message.bytes = {static_cast<std::uint8_t>(status), static_cast<std::uint8_t>(data1),
                     static_cast<std::uint8_t>(data2)};
    message.length = (status & 0xF0) == 0xC0 ? 2 : 3;
    synth.Play(message);
    output.Wake();
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
double TimeOneNote(BuiltinSynth& synth, SynthAudioOutput& output) {
    firstSoundAt = 0;
    const auto start = Clock::now();
    Send(synth, output, 0x90, 70, 100);
    if (!WaitFor([] { return firstSoundAt.load() != 0; }, std::chrono::milliseconds(1000))) {
        return -1.0;
    }
    const Clock::time_point sounded{Clock::duration{firstSoundAt.load()}};
    Send(synth, output, 0xB0, 120, 0);  // all sound off on channel 0
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
    const auto opening = Clock::now();
    auto output = SynthAudioOutput::Open(*synth, NoteFirstSound);
    if (!output) {
        std::fprintf(stderr, "no audio output\n");
        return 1;
    }
    // The program opens the output before its window shows: this delays the window.
    std::printf("opening the output took %.1f ms\n",
                std::chrono::duration<double, std::milli>(Clock::now() - opening).count());
    const std::string driver = output->DriverName();
    const int blockFrames = driver == "pulseaudio" ? kPulseBlockFrames
                            : driver == "pipewire" ? kPipeWireQuantumFrames
                                                   : kPeriodFrames;
    std::printf("driver %s, blocks of %d frames\n", driver.c_str(), blockFrames);
    Send(*synth, *output, 0xC0, 0, 0);

    std::vector<double> asleep, awake;
    for (int i = 0; i < rounds; ++i) {
        if (!WaitFor([&] { return output->Sleeping(); }, std::chrono::milliseconds(5000))) {
            std::fprintf(stderr, "the stream did not fall asleep\n");
            return 1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        const double ms = TimeOneNote(*synth, *output);
        if (ms >= 0) asleep.push_back(ms);
    }
    // A sustained organ voice at volume 0 on channel 1 keeps the stream awake but silent.
    Send(*synth, *output, 0xC1, 16, 0);
    Send(*synth, *output, 0xB1, 7, 0);
    Send(*synth, *output, 0xB1, 91, 0);
    Send(*synth, *output, 0xB1, 93, 0);
    Send(*synth, *output, 0x91, 40, 100);
    for (int i = 0; i < rounds; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));  // let the tail die away
        const double ms = TimeOneNote(*synth, *output);
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
