// A low-latency PulseAudio playback stream that pulls stereo float blocks from a render function
// and corks itself when the render function reports lasting silence. A corked stream costs
// neither this process nor the sound server anything (while corked it also asks for a long
// latency, so the sink need not wake often for it); Resume() uncorks it for the next sound.
// pipewire-pulse serves the same protocol, so this covers PipeWire desktops too.
#pragma once

#include <pulse/context.h>
#include <pulse/stream.h>
#include <pulse/thread-mainloop.h>

#include <functional>
#include <memory>
#include <vector>

namespace platform::linux_midi {

class PulsePlayback {
  public:
    // Fills `frames` frames of both channels; returns true once the output has been silent long
    // enough for the stream to cork. Runs on the stream's own thread.
    using RenderFunction = std::function<bool(float* left, float* right, int frames)>;

    // Connects to the sound server and starts the stream (it plays until the first silence);
    // nullptr when no server answers within a couple of seconds.
    static std::unique_ptr<PulsePlayback> Open(int sampleRate, int blockFrames, int blocksBuffered,
                                               RenderFunction render);
    ~PulsePlayback();
    PulsePlayback(const PulsePlayback&) = delete;
    PulsePlayback& operator=(const PulsePlayback&) = delete;

    // Uncorks a corked stream, dropping the silence it still held so the next block is heard
    // first. False when the stream has failed (the server went away); never blocks on the server.
    bool Resume();

    bool Corked() const;

  private:
    PulsePlayback(int blockFrames, RenderFunction render);
    bool Connect(int sampleRate, int blocksBuffered);
    bool WaitUntilReady();

    static void OnContextState(pa_context* context, void* self);
    static void OnStreamState(pa_stream* stream, void* self);
    static void OnWritable(pa_stream* stream, size_t bytes, void* self);
    void Fill(size_t bytes, pa_seek_mode_t seek);
    void CancelRequest(size_t bytes);
    bool FailedLocked() const;

    int blockFrames_;
    RenderFunction render_;
    std::vector<float> left_, right_;
    pa_threaded_mainloop* mainloop_ = nullptr;
    pa_context* context_ = nullptr;
    pa_stream* stream_ = nullptr;
    pa_buffer_attr playingAttr_{};
    pa_buffer_attr corkedAttr_{};
    bool corked_ = false;  // guarded by the mainloop lock
};

}  // namespace platform::linux_midi
