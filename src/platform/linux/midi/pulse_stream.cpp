// An audio stream of its own on a PulseAudio server. It renders in the server's write requests and
// rests corked, so that the server can suspend the sound card. PulseAudio goes on mixing for a
// corked stream, so the stream is parked after a second corked: disconnected, the connection to the
// server kept, and connected anew at the next note. Wake() writes the new sound at once and uncorks
// (or reconnects), so a note after a pause is as quick as any other.
#include <pulse/context.h>
#include <pulse/operation.h>
#include <pulse/rtclock.h>
#include <pulse/stream.h>
#include <pulse/thread-mainloop.h>
#include <pulse/timeval.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/linux/midi/audio_stream.h"

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

class PulseStream final : public AudioStream {
  public:
    PulseStream(int blockFrames, StreamSource& source);
    ~PulseStream() override;
    PulseStream(const PulseStream&) = delete;
    PulseStream& operator=(const PulseStream&) = delete;

    // Connects to the default server and sink, the server keeping `blocksBuffered` blocks, and
    // waits until it plays the stream; false when it does not within two seconds.
    bool Connect(int sampleRate, int blocksBuffered);
    void Wake() override;

  private:
    // With the mainloop locked: makes the stream and connects it, playing; false when refused.
    bool ConnectStream();
    // With the mainloop locked: renders and writes whole blocks until `bytes` are written or the
    // source says to rest, and corks then.
    void Fill(std::size_t bytes);

    static void OnStateChanged(pa_context* context, void* self);
    static void OnStreamStateChanged(pa_stream* stream, void* self);
    static void OnWritable(pa_stream* stream, std::size_t bytes, void* self);
    static void OnParkTime(pa_mainloop_api* api, pa_time_event* timer, const timeval* time,
                           void* self);

    int blockFrames_;  // the unit of rendering
    StreamSource& source_;
    std::vector<float> left_, right_, interleaved_;
    std::size_t bufferBytes_ = 0;

    pa_threaded_mainloop* mainloop_ = nullptr;
    pa_context* context_ = nullptr;
    int sampleRate_ = 0;
    pa_time_event* parkTimer_ = nullptr;
    // Guarded by the mainloop lock. No stream while parked.
    pa_stream* stream_ = nullptr;
};

PulseStream::PulseStream(int blockFrames, StreamSource& source)
    : blockFrames_(blockFrames),
      source_(source),
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
    sampleRate_ = sampleRate;
    bufferBytes_ = static_cast<std::size_t>(blockFrames_) * kFrameBytes *
                   static_cast<std::size_t>(blocksBuffered);
    mainloop_ = pa_threaded_mainloop_new();
    if (mainloop_ == nullptr) return false;
    context_ = pa_context_new(pa_threaded_mainloop_get_api(mainloop_), "Clavitap");
    if (context_ == nullptr) return false;
    pa_context_set_state_callback(context_, OnStateChanged, this);
    parkTimer_ = pa_context_rttime_new(context_, PA_USEC_INVALID, OnParkTime, this);
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOFLAGS, nullptr) < 0) return false;
    if (pa_threaded_mainloop_start(mainloop_) < 0) return false;

    // Once the server answers, the stream is made, and it starts playing silence at once (see
    // StreamState).
    MainloopLock lock(mainloop_);
    const pa_usec_t deadline = pa_rtclock_now() + kConnectTimeout;
    pa_time_event* timer = pa_context_rttime_new(context_, deadline, WakeWaiter, mainloop_);
    while (state_ == StreamState::kStarting && pa_rtclock_now() < deadline) {
        pa_threaded_mainloop_wait(mainloop_);
    }
    if (timer != nullptr) pa_threaded_mainloop_get_api(mainloop_)->time_free(timer);
    return state_ == StreamState::kPlaying;
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

void PulseStream::OnStateChanged(pa_context* context, void* self) {
    auto& stream = *static_cast<PulseStream*>(self);
    const pa_context_state_t state = pa_context_get_state(context);
    if (state == PA_CONTEXT_READY && !stream.ConnectStream()) stream.state_ = StreamState::kEnded;
    if (!PA_CONTEXT_IS_GOOD(state)) stream.state_ = StreamState::kEnded;
    pa_threaded_mainloop_signal(stream.mainloop_, 0);
}

void PulseStream::OnStreamStateChanged(pa_stream* pulseStream, void* self) {
    auto& stream = *static_cast<PulseStream*>(self);
    const pa_stream_state_t state = pa_stream_get_state(pulseStream);
    if (state == PA_STREAM_READY && stream.state_ == StreamState::kStarting) {
        stream.state_ = StreamState::kPlaying;
    }
    if (!PA_STREAM_IS_GOOD(state)) stream.state_ = StreamState::kEnded;
    pa_threaded_mainloop_signal(stream.mainloop_, 0);
}

void PulseStream::OnWritable(pa_stream*, std::size_t bytes, void* self) {
    auto& stream = *static_cast<PulseStream*>(self);
    if (stream.state_ == StreamState::kStarting || stream.state_ == StreamState::kPlaying) {
        stream.Fill(bytes);
    }
}

// Parks a stream that has stayed corked: it goes, and the next Wake() makes a new one.
void PulseStream::OnParkTime(pa_mainloop_api*, pa_time_event*, const timeval*, void* self) {
    auto& stream = *static_cast<PulseStream*>(self);
    if (stream.state_ != StreamState::kResting) return;
    pa_stream_set_state_callback(stream.stream_, nullptr, nullptr);
    pa_stream_set_write_callback(stream.stream_, nullptr, nullptr);
    pa_stream_disconnect(stream.stream_);
    pa_stream_unref(stream.stream_);
    stream.stream_ = nullptr;
    stream.state_ = StreamState::kParked;
}

void PulseStream::Fill(std::size_t bytes) {
    const std::size_t blockBytes = interleaved_.size() * sizeof(float);
    // Whole blocks, rounded down: rounding up would let the buffer creep past its size, and every
    // note would wait behind the surplus.
    const std::size_t blocks = std::max<std::size_t>(1, bytes / blockBytes);
    for (std::size_t block = 0; block < blocks; ++block) {
        const bool diedAway = source_.Render(left_.data(), right_.data(), blockFrames_);
        for (std::size_t i = 0; i < left_.size(); ++i) {
            interleaved_[2 * i] = left_[i];
            interleaved_[2 * i + 1] = right_[i];
        }
        if (pa_stream_write(stream_, interleaved_.data(), blockBytes, nullptr, 0,
                            PA_SEEK_RELATIVE) < 0) {
            return;  // the connection has failed; Ended() tells
        }
        if (diedAway && state_ == StreamState::kPlaying && source_.StillSilent()) {
            state_ = StreamState::kResting;
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
    if (state_ == StreamState::kParked) {
        // The server asks the new stream for its first buffer as soon as it has made it.
        state_ = ConnectStream() ? StreamState::kPlaying : StreamState::kEnded;
        return;
    }
    if (state_ != StreamState::kResting) return;
    state_ = StreamState::kPlaying;
    if (parkTimer_ != nullptr) pa_context_rttime_restart(context_, parkTimer_, PA_USEC_INVALID);
    // The server handles these in order: after the flush the buffer is empty, so the new sound is
    // written in full first and plays the moment the stream is uncorked.
    Fill(bufferBytes_);
    if (state_ == StreamState::kPlaying) Forget(pa_stream_cork(stream_, 0, nullptr, nullptr));
}

}  // namespace

std::unique_ptr<AudioStream> OpenPulseStream(int sampleRate, int blockFrames, int blocksBuffered,
                                             StreamSource& source) {
    auto stream = std::make_unique<PulseStream>(blockFrames, source);
    if (!stream->Connect(sampleRate, blocksBuffered)) return nullptr;
    return stream;
}

}  // namespace linux_
