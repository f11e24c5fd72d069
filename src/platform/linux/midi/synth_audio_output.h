// Plays the built-in synthesizer through the first audio system that works: PipeWire, PulseAudio
// or ALSA. The output alone decides when its stream rests: once the sound has died away, so that
// an idle program costs no CPU; the next note starts it for the very next block. When the sound
// server goes away (restarted, or gone for a while), or none was there yet at open (a sound server
// that starts after the program at log-in), the stream is opened at the next note.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "platform/linux/midi/audio_stream.h"
#include "platform/linux/midi/builtin_synth.h"

namespace linux_ {

// Tells when the synthesizer has died away, so that its audio stream can rest and the process
// can sleep until the next note.
class SilenceGate {
  public:
    // Below this a sample is inaudible: under half of one 16-bit step.
    static constexpr float kSilentLevel = 1.0f / 65536.0f;

    // `quietFramesNeeded`: how long the output must have stayed silent, with no voice left, before
    // the stream may rest. It lets reverb and chorus tails ring out.
    explicit SilenceGate(int quietFramesNeeded) : quietFramesNeeded_(quietFramesNeeded) {}

    // Feeds one rendered block. True once the output has been silent long enough.
    bool IsSilent(const float* left, const float* right, int frames, int activeVoices);

    // Starts counting afresh (a message has arrived).
    void Reset() { quietFrames_ = 0; }

  private:
    int quietFramesNeeded_;
    int quietFrames_ = 0;
};

// Frames per block handed to FluidSynth's ALSA driver, and blocks in its buffer.
inline constexpr int kPeriodFrames = 256;
inline constexpr int kPeriodCount = 4;
// The graph cycle the PipeWire stream asks for: about 2.9 ms at 44.1 kHz, chosen by measurement.
inline constexpr int kPipeWireQuantumFrames = 128;
// The PulseAudio stream's blocks, and how many the server keeps: about 8.7 ms at 44.1 kHz, chosen
// by measurement: notes while others sound come sooner than with larger blocks. PulseAudio mixes
// the sink at the latency the buffer leaves beyond two blocks: none with two (a mix every 0.5 ms,
// 7 to 9 % of a core while a note sounds), half a block with three (3.5 %), and its notes come as
// soon.
inline constexpr int kPulseBlockFrames = 192;
inline constexpr int kPulseBlocks = 3;

// "PipeWire, PulseAudio and ALSA": the audio systems tried, in order, for error texts.
const std::string& AudioSystemsTried();

// A row of the preference table: an audio system and how its stream is opened.
struct AudioSystem;

// The output must stay silent this long after the last voice ended before the stream rests: reverb
// and chorus tails decay below the silent level well within it.
inline constexpr int kQuietFramesBeforeRest = static_cast<int>(BuiltinSynth::kSampleRate / 10);

class SynthAudioOutput final : private StreamSource {
  public:
    // Opens the first audio system of the preference table that works. The stream plays a short
    // silence at once, then rests until Wake(). When none works the output is made all the same
    // and waits for one (see ReviveIfEnded()).
    static std::unique_ptr<SynthAudioOutput> Open(BuiltinSynth& synth);
    ~SynthAudioOutput();
    SynthAudioOutput(const SynthAudioOutput&) = delete;
    SynthAudioOutput& operator=(const SynthAudioOutput&) = delete;

    // Call after a message that may start a sound: a resting stream plays again.
    void Wake();

    // Call before a note-on: if the stream has ended because its sound server went away, or no
    // audio system was open yet, drops the voices that piled up unheard meanwhile and opens the
    // stream again (the audio system in use, or else the first of the table that works), at most
    // once a second while none answers. Cheap when the stream is alive.
    void ReviveIfEnded();

    // True while an audio system is open; false while the output waits for one.
    bool AudioSystemOpen() const { return stream_ != nullptr; }

  private:
    using Clock = std::chrono::steady_clock;

    explicit SynthAudioOutput(BuiltinSynth& synth);

    // Opens the first audio system of the table that works; false when none does.
    bool OpenFirstAvailable();
    // Opens `system`; false when it cannot be opened.
    bool OpenStream(const AudioSystem& system);

    // The stream rests once the sound has died away and no note has begun since.
    bool Render(float* left, float* right, int frames) override;
    bool StillSilent() const override { return synth_.ActiveVoices() == 0; }

    BuiltinSynth& synth_;
    SilenceGate gate_;
    std::unique_ptr<AudioStream> stream_;
    const AudioSystem* system_ = nullptr;  // the row of the audio system in use, once one opened
    Clock::time_point nextReopen_{};
};

}  // namespace linux_
