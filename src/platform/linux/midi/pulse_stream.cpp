#include "platform/linux/midi/pulse_stream.h"

#include <pulse/context.h>
#include <pulse/operation.h>
#include <pulse/rtclock.h>
#include <pulse/stream.h>
#include <pulse/thread-mainloop.h>
#include <pulse/timeval.h>

#include <algorithm>
#include <cstdint>

namespace linux_ {

namespace {

// How long a sound server may take to accept the stream before the next audio system is tried.
constexpr pa_usec_t kConnectTimeout = 2 * PA_USEC_PER_SEC;

// How long the stream stays corked before it lets go of the server: a corked stream costs
// PulseAudio as much as a playing one, as the sink goes on mixing at the latency the stream asked
// for (every half millisecond on a null sink, 5 % of a core) unless the sink is suspended, while a
// new stream is as quick there as an uncork. Within a burst of typing it stays; a pause lets the
// server rest.
constexpr pa_usec_t kParkAfter = PA_USEC_PER_SEC;

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

// Cork, uncork and flush run on their own; nothing waits for the server's answer.
void Forget(pa_operation* operation) {
    if (operation != nullptr) pa_operation_unref(operation);
}

void WakeWaiter(pa_mainloop_api*, pa_time_event*, const timeval*, void* mainloop) {
    pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(mainloop), 0);
}

}  // namespace

std::unique_ptr<PulseStream> PulseStream::Open(int sampleRate, int blockFrames, int blocksBuffered,
                                               RenderFunction render) {
    std::unique_ptr<PulseStream> stream(new PulseStream(blockFrames, std::move(render)));
    if (!stream->Connect(sampleRate, blocksBuffered)) return nullptr;
    return stream;
}

PulseStream::PulseStream(int blockFrames, RenderFunction render)
    : blockFrames_(blockFrames),
      render_(std::move(render)),
      left_(static_cast<std::size_t>(blockFrames)),
      right_(static_cast<std::size_t>(blockFrames)),
      interleaved_(static_cast<std::size_t>(blockFrames) * kChannels) {}

PulseStream::~PulseStream() {
    if (mainloop_ == nullptr) return;
    {
        MainloopLock lock(mainloop_);
        if (parkTimer_ != nullptr) pa_threaded_mainloop_get_api(mainloop_)->time_free(parkTimer_);
        if (stream_ != nullptr) pa_stream_disconnect(stream_);
        if (context_ != nullptr) pa_context_disconnect(context_);
    }
    pa_threaded_mainloop_stop(mainloop_);  // joins its thread: no callback runs after this
    if (stream_ != nullptr) pa_stream_unref(stream_);
    if (context_ != nullptr) pa_context_unref(context_);
    pa_threaded_mainloop_free(mainloop_);
}

bool PulseStream::Connect(int sampleRate, int blocksBuffered) {
    mainloop_ = pa_threaded_mainloop_new();
    if (mainloop_ == nullptr) return false;
    context_ = pa_context_new(pa_threaded_mainloop_get_api(mainloop_), "Clavitap");
    if (context_ == nullptr) return false;
    pa_context_set_state_callback(context_, OnStateChanged, this);
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOFLAGS, nullptr) < 0) return false;
    if (pa_threaded_mainloop_start(mainloop_) < 0) return false;

    MainloopLock lock(mainloop_);
    if (!WaitUntilReady()) return false;
    sampleRate_ = sampleRate;
    bufferBytes_ = static_cast<std::size_t>(blockFrames_) * kFrameBytes *
                   static_cast<std::size_t>(blocksBuffered);
    parkTimer_ = pa_context_rttime_new(context_, PA_USEC_INVALID, OnParkTime, this);
    // The stream starts playing silence at once: a server may take a while to serve a new
    // stream, better now than at the first note. It corks when the render function says so.
    if (!ConnectStream()) return false;
    return WaitUntilReady();
}

bool PulseStream::ConnectStream() {
    const pa_sample_spec format{PA_SAMPLE_FLOAT32NE, static_cast<std::uint32_t>(sampleRate_),
                                kChannels};
    stream_ = pa_stream_new(context_, "Built-in Synthesizer", &format, nullptr);
    if (stream_ == nullptr) return false;
    pa_stream_set_state_callback(stream_, OnStreamStateChanged, this);
    pa_stream_set_write_callback(stream_, OnWritable, this);
    pa_buffer_attr attr{};
    attr.maxlength = static_cast<std::uint32_t>(-1);
    attr.tlength = static_cast<std::uint32_t>(bufferBytes_);
    attr.prebuf = static_cast<std::uint32_t>(-1);
    attr.minreq = static_cast<std::uint32_t>(static_cast<std::size_t>(blockFrames_) * kFrameBytes);
    attr.fragsize = static_cast<std::uint32_t>(-1);
    return pa_stream_connect_playback(stream_, nullptr, &attr, PA_STREAM_ADJUST_LATENCY, nullptr,
                                      nullptr) >= 0;
}

// With the lock held: waits until the context (and the stream, once there is one) is ready and
// `operation`, if any, has finished; false when something failed or the time is up.
bool PulseStream::WaitUntilReady(pa_operation* operation) {
    pa_mainloop_api* api = pa_threaded_mainloop_get_api(mainloop_);
    const pa_usec_t deadline = pa_rtclock_now() + kConnectTimeout;
    pa_time_event* timer = pa_context_rttime_new(context_, deadline, WakeWaiter, mainloop_);
    bool ready = false;
    for (;;) {
        const pa_context_state_t context = pa_context_get_state(context_);
        const pa_stream_state_t stream =
            stream_ != nullptr ? pa_stream_get_state(stream_) : PA_STREAM_READY;
        const pa_operation_state_t asked =
            operation != nullptr ? pa_operation_get_state(operation) : PA_OPERATION_DONE;
        if (!PA_CONTEXT_IS_GOOD(context) || !PA_STREAM_IS_GOOD(stream) ||
            asked == PA_OPERATION_CANCELLED) {
            break;
        }
        if (context == PA_CONTEXT_READY && stream == PA_STREAM_READY &&
            asked == PA_OPERATION_DONE) {
            ready = true;
            break;
        }
        if (pa_rtclock_now() >= deadline) break;
        pa_threaded_mainloop_wait(mainloop_);
    }
    if (timer != nullptr) api->time_free(timer);
    if (operation != nullptr) {
        // Its callback must not run once the waiting is over.
        if (pa_operation_get_state(operation) == PA_OPERATION_RUNNING) {
            pa_operation_cancel(operation);
        }
        pa_operation_unref(operation);
    }
    return ready;
}

void PulseStream::OnStateChanged(pa_context*, void* self) {
    pa_threaded_mainloop_signal(static_cast<PulseStream*>(self)->mainloop_, 0);
}

void PulseStream::OnStreamStateChanged(pa_stream*, void* self) {
    pa_threaded_mainloop_signal(static_cast<PulseStream*>(self)->mainloop_, 0);
}

void PulseStream::OnWritable(pa_stream*, std::size_t bytes, void* self) {
    auto& stream = *static_cast<PulseStream*>(self);
    if (!stream.corked_) stream.Fill(bytes);
}

// Parks a stream that has stayed corked: it goes, and the next Wake() makes a new one.
void PulseStream::OnParkTime(pa_mainloop_api*, pa_time_event*, const timeval*, void* self) {
    auto& stream = *static_cast<PulseStream*>(self);
    if (!stream.corked_ || stream.stream_ == nullptr) return;
    pa_stream_set_state_callback(stream.stream_, nullptr, nullptr);
    pa_stream_set_write_callback(stream.stream_, nullptr, nullptr);
    pa_stream_disconnect(stream.stream_);
    pa_stream_unref(stream.stream_);
    stream.stream_ = nullptr;
}

void PulseStream::Fill(std::size_t bytes) {
    const std::size_t blockBytes = interleaved_.size() * sizeof(float);
    // Whole blocks, rounded down: rounding up would let the buffer creep past its size, and every
    // note would wait behind the surplus.
    const std::size_t blocks = std::max<std::size_t>(1, bytes / blockBytes);
    for (std::size_t block = 0; block < blocks; ++block) {
        const bool diedAway = render_(left_.data(), right_.data(), blockFrames_);
        for (std::size_t i = 0; i < left_.size(); ++i) {
            interleaved_[2 * i] = left_[i];
            interleaved_[2 * i + 1] = right_[i];
        }
        if (pa_stream_write(stream_, interleaved_.data(), blockBytes, nullptr, 0,
                            PA_SEEK_RELATIVE) < 0) {
            return;  // the connection has failed; Ended() tells
        }
        if (diedAway) {
            corked_ = true;
            Forget(pa_stream_cork(stream_, 1, nullptr, nullptr));
            // What is still queued is silence; dropped, it cannot delay the next note.
            Forget(pa_stream_flush(stream_, nullptr, nullptr));
            if (parkTimer_ != nullptr) {
                pa_context_rttime_restart(context_, parkTimer_, pa_rtclock_now() + kParkAfter);
            }
            return;
        }
    }
}

void PulseStream::Wake() {
    MainloopLock lock(mainloop_);
    if (!corked_ || FailedLocked()) return;
    corked_ = false;
    if (stream_ == nullptr) {
        // The server asks the new stream for its first buffer as soon as it has made it.
        if (!ConnectStream()) broken_ = true;
        return;
    }
    if (parkTimer_ != nullptr) pa_context_rttime_restart(context_, parkTimer_, PA_USEC_INVALID);
    // The server handles these in order: after the flush the buffer is empty, so the new sound is
    // written in full first and plays the moment the stream is uncorked.
    Fill(bufferBytes_);
    if (!corked_) Forget(pa_stream_cork(stream_, 0, nullptr, nullptr));
}

bool PulseStream::Sleeping() const {
    MainloopLock lock(mainloop_);
    return corked_;
}

bool PulseStream::Ended() const {
    MainloopLock lock(mainloop_);
    return FailedLocked();
}

bool PulseStream::FailedLocked() const {
    if (broken_ || pa_context_get_state(context_) != PA_CONTEXT_READY) return true;
    return stream_ != nullptr && !PA_STREAM_IS_GOOD(pa_stream_get_state(stream_));
}

}  // namespace linux_
