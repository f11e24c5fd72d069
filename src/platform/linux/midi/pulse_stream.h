// An audio stream of its own on a PulseAudio server. It renders in the server's write requests and
// corks once nothing sounds, so that the server can suspend the sound card. PulseAudio goes on
// mixing for a corked stream, so the stream is parked after a second corked: disconnected, the
// connection to the server kept, and connected anew at the next note. Wake() writes the new sound
// at once and uncorks (or reconnects), so a note after a pause is as quick as any other.
#pragma once

#include <cstddef>

#include <memory>
#include <vector>

#include "platform/linux/midi/audio_stream.h"

struct pa_context;
struct pa_mainloop_api;
struct pa_operation;
struct pa_stream;
struct pa_threaded_mainloop;
struct pa_time_event;
struct timeval;

namespace linux_ {

class PulseStream final : public AudioStream {
  public:
    // Connects to the default server and sink. `blockFrames` is the unit of rendering; the server
    // keeps `blocksBuffered` blocks. nullptr when no server answers within two seconds.
    static std::unique_ptr<PulseStream> Open(int sampleRate, int blockFrames, int blocksBuffered,
                                             RenderFunction render);
    ~PulseStream() override;
    PulseStream(const PulseStream&) = delete;
    PulseStream& operator=(const PulseStream&) = delete;

    void Wake() override;
    bool Sleeping() const override;
    bool Ended() const override;

  private:
    PulseStream(int blockFrames, RenderFunction render);

    bool Connect(int sampleRate, int blocksBuffered);
    // With the mainloop locked: makes the stream and connects it, playing; false when refused.
    bool ConnectStream();
    bool WaitUntilReady(pa_operation* operation = nullptr);
    bool FailedLocked() const;
    // With the mainloop locked: renders and writes whole blocks until `bytes` are written or the
    // sound has died away, and corks then.
    void Fill(std::size_t bytes);

    static void OnStateChanged(pa_context* context, void* self);
    static void OnStreamStateChanged(pa_stream* stream, void* self);
    static void OnWritable(pa_stream* stream, std::size_t bytes, void* self);
    static void OnParkTime(pa_mainloop_api* api, pa_time_event* timer, const timeval* time,
                           void* self);

    int blockFrames_;
    RenderFunction render_;
    std::vector<float> left_, right_, interleaved_;
    std::size_t bufferBytes_ = 0;

    pa_threaded_mainloop* mainloop_ = nullptr;
    pa_context* context_ = nullptr;
    int sampleRate_ = 0;
    pa_time_event* parkTimer_ = nullptr;
    // Guarded by the mainloop lock. No stream while parked.
    pa_stream* stream_ = nullptr;
    bool corked_ = false;
    bool broken_ = false;
};

}  // namespace linux_
