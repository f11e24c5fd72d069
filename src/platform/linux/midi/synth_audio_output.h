// Plays the built-in synthesizer through the first audio system that works: PipeWire, PulseAudio
// or ALSA. The stream stops once the sound has died away, so an idle program costs no CPU, and the
// next message starts it for the very next block. When the sound server goes away (restarted, or
// gone for a while) the stream is opened again at the next note.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "platform/linux/midi/audio_stream.h"
#include "platform/linux/midi/builtin_synth.h"
#include "platform/linux/midi/silence_gate.h"

namespace platform::linux_midi {

// Frames per block handed to FluidSynth's drivers, and blocks in an ALSA buffer.
inline constexpr int kPeriodFrames = 256;
inline constexpr int kPeriodCount = 4;
// The PulseAudio stream's blocks, and how many the server keeps: about 8.7 ms at 44.1 kHz, chosen
// by measurement: notes while others sound come sooner than with larger blocks, and under
// PipeWire notes after a pause come later with smaller ones.
inline constexpr int kPulseBlockFrames = 192;
inline constexpr int kPulseBlocks = 2;

// "PipeWire, PulseAudio and ALSA": the audio systems tried, in order, for error texts.
const std::string& AudioSystemsTried();

class SynthAudioOutput {
  public:
    // Called on the audio thread with every block rendered (benchmarks time the sound with it).
    using BlockObserver = std::function<void(const float* left, const float* right, int frames)>;

    // Opens the first audio system of the preference table that works; nullptr when none does.
    // The stream plays a short silence at once, then stops until Wake().
    static std::unique_ptr<SynthAudioOutput> Open(BuiltinSynth& synth,
                                                  BlockObserver observer = nullptr);
    ~SynthAudioOutput();
    SynthAudioOutput(const SynthAudioOutput&) = delete;
    SynthAudioOutput& operator=(const SynthAudioOutput&) = delete;

    // Call after a message that may start a sound: a stopped stream plays again.
    void Wake();

    // Call before a note-on: if the stream has ended because its sound server went away, drops
    // the voices that piled up unheard meanwhile and opens the stream again, at most once a
    // second while the server stays away. Cheap when the stream is alive.
    void ReviveIfEnded();

    // True while the stream is stopped (nothing is sounding).
    bool Sleeping() const;

    // FluidSynth's name of the audio system in use ("pulseaudio", "alsa", ...).
    const std::string& DriverName() const { return driverName_; }

  private:
    using Clock = std::chrono::steady_clock;

    SynthAudioOutput(BuiltinSynth& synth, BlockObserver observer);

    // Opens the audio system named `driverName`; false when it cannot be opened.
    bool OpenStream(const char* driverName);
    // Renders one block; true once the sound has died away.
    bool Render(float* left, float* right, int frames);

    BuiltinSynth& synth_;
    BlockObserver observer_;
    SilenceGate gate_;
    std::unique_ptr<AudioStream> stream_;
    std::string driverName_;
    Clock::time_point nextReopen_{};
};

}  // namespace platform::linux_midi
