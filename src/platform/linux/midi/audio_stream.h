// An audio stream that plays what its source renders and rests while nothing sounds, so that
// neither this process nor the sound server works for silence. The source alone decides when the
// stream rests; the stream carries that out on its sound server, and plays again at Wake().
#pragma once

#include <fluidsynth/types.h>

#include <atomic>
#include <memory>

namespace linux_ {

// What a stream plays, and the one judge of when it rests.
class StreamSource {
  public:
    // On the stream's audio thread: renders `frames` stereo frames into both buffers. True once
    // the sound has died away: the stream should rest until the next Wake().
    virtual bool Render(float* left, float* right, int frames) = 0;

    // Asked by a playing stream just before it rests, under the lock its Wake() takes: false when
    // a note has begun since the silent block, which the stream then plays. True lets it rest.
    virtual bool StillSilent() const = 0;

  protected:
    ~StreamSource() = default;
};

// Where a stream stands. It starts by playing silence (a server may take a while to serve a new
// stream: better now than at the first note), rests once its source says so, plays again at
// Wake(), and ends when its sound server goes away or refuses it.
enum class StreamState {
    kStarting,  // the sound server has not taken the stream yet
    kPlaying,
    kResting,  // asks for no blocks
    kParked,   // rests with its server connection only (PulseAudio), reconnected at Wake()
    kEnded,    // can no longer play (or is being closed)
};

class AudioStream {
  public:
    virtual ~AudioStream() = default;

    // A note may have started: a resting stream plays again at once.
    virtual void Wake() = 0;

    // True once the stream can no longer play, because its sound server has gone.
    bool Ended() const { return state_ == StreamState::kEnded; }

  protected:
    // Changed only under the stream's own lock; read anywhere.
    std::atomic<StreamState> state_{StreamState::kStarting};
};

// A stream of its own on the PipeWire daemon, linked by its session manager to the default sink
// (and moved when the default changes), in graph cycles of `quantumFrames`. nullptr when no daemon
// answers, or when it does not start the stream within two seconds (a PipeWire daemon that serves
// no sound card, beside a PulseAudio server that does).
std::unique_ptr<AudioStream> OpenPipeWireStream(int sampleRate, int quantumFrames,
                                                StreamSource& source);

// A stream of its own on the default PulseAudio server and sink, rendered in blocks of
// `blockFrames`, of which the server keeps `blocksBuffered`. nullptr when no server answers within
// two seconds.
std::unique_ptr<AudioStream> OpenPulseStream(int sampleRate, int blockFrames, int blocksBuffered,
                                             StreamSource& source);

// FluidSynth's own audio driver `driverName`, opened with `settings` in `periods` blocks of
// `periodFrames`; nullptr when it cannot be opened.
std::unique_ptr<AudioStream> OpenFluidDriverStream(fluid_settings_t* settings,
                                                   const char* driverName, int periodFrames,
                                                   int periods, StreamSource& source);

}  // namespace linux_
