// Plays the built-in synthesizer through the first audio system that works: our own PulseAudio
// stream (which pipewire-pulse serves too), else FluidSynth's PipeWire or ALSA driver. Once the
// sound has died away the stream stops costing CPU: the PulseAudio stream is corked, so the sound
// server idles as well; FluidSynth's drivers block their thread instead of rendering silence. The
// next note-on resumes the stream for the very next block.
#pragma once

#include <fluidsynth/types.h>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "platform/linux/midi/builtin_synth.h"
#include "platform/linux/midi/pulse_playback.h"
#include "platform/linux/midi/silence_gate.h"

namespace platform::linux_midi {

// FluidSynth's drivers (the fallback): frames per period and periods in the buffer.
inline constexpr int kPeriodFrames = 256;
inline constexpr int kPeriodCount = 4;

// Our PulseAudio stream: frames rendered per block and blocks in the whole buffer, server side
// included (about 11.6 ms at 44.1 kHz). Measured on a null sink: 128 x 4 sounds a note about
// 8-10 ms after it is sent, 256 x 4 about 18 ms; 64 x 4 is quicker still but leaves too little
// room on a busy machine.
inline constexpr int kPulseBlockFrames = 128;
inline constexpr int kPulseBlocks = 4;

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

    // Call after a message that may start a sound: a sleeping stream renders again. False when the
    // stream has failed for good (the sound server went away); it never blocks on the server.
    bool Wake();

    // True while the stream sleeps (nothing is sounding; the PulseAudio stream is corked).
    bool Sleeping() const;

    // The FluidSynth name of the driver in use ("pulseaudio", "alsa", ...).
    const std::string& DriverName() const { return driverName_; }

  private:
    SynthAudioOutput(BuiltinSynth& synth, BlockObserver observer);

    // Renders one block for either kind of stream; true once the sound has died away.
    bool RenderAndCheckSilence(float* left, float* right, int frames);
    static int RenderBlock(void* data, int frames, int fxCount, float* fx[], int outCount,
                           float* out[]);
    // Blocks while asleep; false when the stream is being closed.
    bool WaitForSound();
    void FallAsleepUnlessWoken();

    BuiltinSynth& synth_;
    BlockObserver observer_;
    SilenceGate gate_;
    std::unique_ptr<PulsePlayback> pulse_;
    fluid_audio_driver_t* driver_ = nullptr;
    std::string driverName_;

    mutable std::mutex mutex_;
    std::condition_variable wakeUp_;
    bool asleep_ = true;  // nothing sounds until the first message
    bool closing_ = false;
    std::uint64_t wakeCount_ = 0;      // bumped by every Wake()
    std::uint64_t wakeCountSeen_ = 0;  // the count when the block being rendered began
};

}  // namespace platform::linux_midi
