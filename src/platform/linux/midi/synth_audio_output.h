// Plays the built-in synthesizer through the first audio system that works: PipeWire, PulseAudio
// or ALSA. The stream sleeps once the sound has died away: its thread blocks instead of rendering
// and writing silence, so an idle program costs no CPU, and the next message wakes it for the very
// next block. When the sound server goes away (restarted, or gone for a while) the stream is
// opened again at the next note.
#pragma once

#include <fluidsynth/types.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "platform/linux/midi/builtin_synth.h"
#include "platform/linux/midi/silence_gate.h"

namespace platform::linux_midi {

// Frames per block handed to the audio system, and blocks in an ALSA buffer. PulseAudio keeps one
// block (adjust-latency off), so the stream adds about 5.8 ms of latency at 44.1 kHz.
inline constexpr int kPeriodFrames = 256;
inline constexpr int kPeriodCount = 4;

// "PipeWire, PulseAudio and ALSA": the audio systems tried, in order, for error texts.
const std::string& AudioSystemsTried();

class SynthAudioOutput {
  public:
    // Called on the audio thread with every block rendered (benchmarks time the sound with it).
    using BlockObserver = std::function<void(const float* left, const float* right, int frames)>;

    // Opens the first audio driver of the preference table that works; nullptr when none does.
    // The stream plays a short silence at once, then sleeps until Wake().
    static std::unique_ptr<SynthAudioOutput> Open(BuiltinSynth& synth,
                                                  BlockObserver observer = nullptr);
    ~SynthAudioOutput();
    SynthAudioOutput(const SynthAudioOutput&) = delete;
    SynthAudioOutput& operator=(const SynthAudioOutput&) = delete;

    // Call after a message that may start a sound: a sleeping stream renders again.
    void Wake();

    // Call before a note-on: if the stream's audio thread has ended because its sound server went
    // away, drops the voices that piled up unheard meanwhile and opens the stream again, at most
    // once a second while the server stays away. Cheap when the stream is alive.
    void ReviveIfEnded();

    // True while the stream sleeps (nothing is sounding).
    bool Sleeping() const;

    // The FluidSynth name of the driver in use ("pulseaudio", "alsa", ...).
    const std::string& DriverName() const { return driverName_; }

  private:
    friend struct AudioThreadWatch;
    using Clock = std::chrono::steady_clock;

    SynthAudioOutput(BuiltinSynth& synth, BlockObserver observer);

    // Opens `driverName` with this output as its renderer; false when the audio system refuses.
    bool OpenDriver(const char* driverName);
    void AudioThreadEnded();
    // True once the audio thread has ended while the stream was meant to play.
    bool Ended() const;

    static int RenderBlock(void* data, int frames, int fxCount, float* fx[], int outCount,
                           float* out[]);
    // Blocks while asleep; false when the stream is being closed.
    bool WaitForSound();
    void FallAsleepUnlessWoken();

    BuiltinSynth& synth_;
    BlockObserver observer_;
    SilenceGate gate_;
    fluid_audio_driver_t* driver_ = nullptr;
    std::string driverName_;

    mutable std::mutex mutex_;
    std::condition_variable wakeUp_;
    bool asleep_ = true;  // nothing sounds until the first message
    bool closing_ = false;
    bool ended_ = false;  // the audio thread is gone while not closing
    Clock::time_point nextReopen_{};
    std::uint64_t wakeCount_ = 0;      // bumped by every Wake()
    std::uint64_t wakeCountSeen_ = 0;  // the count when the block being rendered began
};

}  // namespace platform::linux_midi
