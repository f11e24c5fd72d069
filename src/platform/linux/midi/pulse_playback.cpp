#include "platform/linux/midi/pulse_playback.h"

#include <pulse/mainloop-api.h>
#include <pulse/rtclock.h>
#include <pulse/timeval.h>

#include <algorithm>
#include <cstdint>

namespace platform::linux_midi {

namespace {

// How long a sound server may take to accept us before the next audio system is tried.
constexpr pa_usec_t kConnectTimeout = 2 * PA_USEC_PER_SEC;

// The latency asked for while corked. A corked stream's wish still sets how often the sink wakes
// (a null sink, or any sink before it is suspended), so it asks for as little as it can then.
constexpr pa_usec_t kCorkedLatency = 4 * PA_USEC_PER_SEC;

constexpr int kChannels = 2;
constexpr std::size_t kFrameBytes = kChannels * sizeof(float);

class MainloopLock {
  public:
    explicit MainloopLock(pa_threaded_mainloop* mainloop) : mainloop_(mainloop) {
        pa_threaded_mainloop_lock(mainloop_);
    }
    ~MainloopLock() { pa_threaded_mainloop_unlock(mainloop_); }
    MainloopLock(const MainloopLock&) = delete;
    MainloopLock& operator=(const MainloopLock&) = delete;

  private:
    pa_threaded_mainloop* mainloop_;
};

// Operations run on their own; nothing waits for their answer.
void Forget(pa_operation* operation) {
    if (operation != nullptr) pa_operation_unref(operation);
}

void WakeWaiter(pa_mainloop_api*, pa_time_event*, const timeval*, void* mainloop) {
    pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(mainloop), 0);
}

}  // namespace

std::unique_ptr<PulsePlayback> PulsePlayback::Open(int sampleRate, int blockFrames,
                                                   int blocksBuffered, RenderFunction render) {
    std::unique_ptr<PulsePlayback> playback(new PulsePlayback(blockFrames, std::move(render)));
    if (!playback->Connect(sampleRate, blocksBuffered)) return nullptr;
    return playback;
}

PulsePlayback::PulsePlayback(int blockFrames, RenderFunction render)
    : blockFrames_(blockFrames),
      render_(std::move(render)),
      left_(static_cast<std::size_t>(blockFrames)),
      right_(static_cast<std::size_t>(blockFrames)) {}

PulsePlayback::~PulsePlayback() {
    if (mainloop_ == nullptr) return;
    {
        MainloopLock lock(mainloop_);
        if (stream_ != nullptr) pa_stream_disconnect(stream_);
        if (context_ != nullptr) pa_context_disconnect(context_);
    }
    pa_threaded_mainloop_stop(mainloop_);  // joins the thread: no callback runs after this
    if (stream_ != nullptr) pa_stream_unref(stream_);
    if (context_ != nullptr) pa_context_unref(context_);
    pa_threaded_mainloop_free(mainloop_);
}

bool PulsePlayback::Connect(int sampleRate, int blocksBuffered) {
    mainloop_ = pa_threaded_mainloop_new();
    if (mainloop_ == nullptr) return false;
    context_ = pa_context_new(pa_threaded_mainloop_get_api(mainloop_), "Clavitap");
    if (context_ == nullptr) return false;
    pa_context_set_state_callback(context_, OnContextState, this);
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOFLAGS, nullptr) < 0) return false;
    if (pa_threaded_mainloop_start(mainloop_) < 0) return false;

    MainloopLock lock(mainloop_);
    if (!WaitUntilReady()) return false;

    const pa_sample_spec format{PA_SAMPLE_FLOAT32NE, static_cast<std::uint32_t>(sampleRate),
                                kChannels};
    stream_ = pa_stream_new(context_, "Built-in Synthesizer", &format, nullptr);
    if (stream_ == nullptr) return false;
    pa_stream_set_state_callback(stream_, OnStreamState, this);
    pa_stream_set_write_callback(stream_, OnWritable, this);
    // The whole buffer, server side included, holds `blocksBuffered` blocks; the server asks for
    // one block at a time.
    const auto block =
        static_cast<std::uint32_t>(static_cast<std::size_t>(blockFrames_) * kFrameBytes);
    playingAttr_.maxlength = static_cast<std::uint32_t>(-1);
    playingAttr_.tlength = block * static_cast<std::uint32_t>(blocksBuffered);
    playingAttr_.prebuf = playingAttr_.tlength;  // also while corked, so one fill starts it
    playingAttr_.minreq = block;
    playingAttr_.fragsize = static_cast<std::uint32_t>(-1);
    corkedAttr_ = playingAttr_;
    corkedAttr_.tlength = static_cast<std::uint32_t>(pa_usec_to_bytes(kCorkedLatency, &format));
    if (pa_stream_connect_playback(stream_, nullptr, &playingAttr_, PA_STREAM_ADJUST_LATENCY,
                                   nullptr, nullptr) < 0) {
        return false;
    }
    return WaitUntilReady();
}

// With the lock held: waits until the context (and the stream, once there is one) is ready, has
// failed, or the time is up.
bool PulsePlayback::WaitUntilReady() {
    pa_mainloop_api* api = pa_threaded_mainloop_get_api(mainloop_);
    const pa_usec_t deadline = pa_rtclock_now() + kConnectTimeout;
    pa_time_event* timer = pa_context_rttime_new(context_, deadline, WakeWaiter, mainloop_);
    bool ready = false;
    for (;;) {
        const pa_context_state_t context = pa_context_get_state(context_);
        const pa_stream_state_t stream =
            stream_ != nullptr ? pa_stream_get_state(stream_) : PA_STREAM_READY;
        if (!PA_CONTEXT_IS_GOOD(context) || !PA_STREAM_IS_GOOD(stream)) break;
        if (context == PA_CONTEXT_READY && stream == PA_STREAM_READY) {
            ready = true;
            break;
        }
        if (pa_rtclock_now() >= deadline) break;
        pa_threaded_mainloop_wait(mainloop_);
    }
    if (timer != nullptr) api->time_free(timer);
    return ready;
}

void PulsePlayback::OnContextState(pa_context*, void* self) {
    pa_threaded_mainloop_signal(static_cast<PulsePlayback*>(self)->mainloop_, 0);
}

void PulsePlayback::OnStreamState(pa_stream*, void* self) {
    pa_threaded_mainloop_signal(static_cast<PulsePlayback*>(self)->mainloop_, 0);
}

void PulsePlayback::OnWritable(pa_stream*, size_t bytes, void* self) {
    auto& playback = *static_cast<PulsePlayback*>(self);
    // A playing stream is never asked for more than its buffer: a larger request was made while
    // the corked buffer was still in force.
    if (playback.corked_ || bytes > playback.playingAttr_.tlength) {
        playback.CancelRequest(bytes);
    } else {
        playback.Fill(bytes, PA_SEEK_RELATIVE);
    }
}

// On the mainloop thread with the lock held: renders whole blocks into the server's buffer,
// starting at `seek`, and corks once the render function reports lasting silence.
void PulsePlayback::Fill(size_t bytes, pa_seek_mode_t seek) {
    const std::size_t blockBytes = static_cast<std::size_t>(blockFrames_) * kFrameBytes;
    std::size_t wanted = std::min(std::size_t{playingAttr_.tlength},
                                  (bytes + blockBytes - 1) / blockBytes * blockBytes);
    void* target = nullptr;
    if (pa_stream_begin_write(stream_, &target, &wanted) < 0 || target == nullptr) return;
    auto* out = static_cast<float*>(target);
    const std::size_t frames = wanted / kFrameBytes;
    std::size_t done = 0;
    bool silent = false;
    while (done < frames && !silent) {
        const auto block =
            static_cast<int>(std::min(frames - done, static_cast<std::size_t>(blockFrames_)));
        silent = render_(left_.data(), right_.data(), block);
        for (int i = 0; i < block; ++i) {
            *out++ = left_[static_cast<std::size_t>(i)];
            *out++ = right_[static_cast<std::size_t>(i)];
        }
        done += static_cast<std::size_t>(block);
    }
    pa_stream_write(stream_, target, done * kFrameBytes, nullptr, 0, seek);
    if (silent) {
        corked_ = true;
        Forget(pa_stream_cork(stream_, 1, nullptr, nullptr));
        Forget(pa_stream_set_buffer_attr(stream_, &corkedAttr_, nullptr, nullptr));
    }
}

// Answers a request without sending it: a silent frame at the far end of the request counts it
// as answered, and a seek from that end back to where writing stood (a seek the server does not
// count) hands the bytes back as not yet requested. The server asks for them again as the
// buffer, by then its playing size, plays down; a corked stream is not asked at all.
void PulsePlayback::CancelRequest(size_t bytes) {
    if (bytes == static_cast<size_t>(-1) || bytes < kFrameBytes) return;
    const auto span = static_cast<std::int64_t>(bytes / kFrameBytes * kFrameBytes);
    static const float kSilentFrame[kChannels] = {};
    pa_stream_write(stream_, kSilentFrame, kFrameBytes, nullptr,
                    span - static_cast<std::int64_t>(kFrameBytes), PA_SEEK_RELATIVE);
    pa_stream_write(stream_, kSilentFrame, kFrameBytes, nullptr, -span, PA_SEEK_RELATIVE_END);
}

bool PulsePlayback::Resume() {
    MainloopLock lock(mainloop_);
    if (FailedLocked()) return false;
    if (!corked_) return true;
    corked_ = false;
    // The server handles these in order:
    // - the sound is written at the read position, replacing the silence queued before the cork
    //   (a seek the server does not count, so its request count stays true);
    // - uncorking makes the sink rewrite what it had mixed ahead, as far back as the corked
    //   latency allows, so the sound is heard at once;
    // - then the buffer shrinks back to its playing size. The sink may ask for a whole corked
    //   buffer in between; OnWritable() cancels that request.
    Fill(playingAttr_.tlength, PA_SEEK_RELATIVE_ON_READ);
    if (corked_) return true;  // it fell silent at once: stay corked
    Forget(pa_stream_cork(stream_, 0, nullptr, nullptr));
    Forget(pa_stream_set_buffer_attr(stream_, &playingAttr_, nullptr, nullptr));
    return true;
}

bool PulsePlayback::Corked() const {
    MainloopLock lock(mainloop_);
    return corked_;
}

bool PulsePlayback::FailedLocked() const {
    return pa_context_get_state(context_) != PA_CONTEXT_READY ||
           pa_stream_get_state(stream_) != PA_STREAM_READY;
}

}  // namespace platform::linux_midi
