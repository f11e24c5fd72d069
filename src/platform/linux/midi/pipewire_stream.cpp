// An audio stream of its own on a PipeWire daemon. The synthesizer renders inside the stream's
// process callback, on PipeWire's realtime data thread, in the small blocks that the node asks
// for, so a note waits at most one graph cycle to be rendered and one more to reach the sink. While
// it rests the stream is inactive: the daemon stops scheduling it and the graph may suspend the
// sink. Wake() makes it active again for the very next cycle.
#include <pipewire/impl-module.h>
#include <pipewire/pipewire.h>
#include <spa/param/audio/raw-utils.h>
#include <spa/pod/builder.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <string>
#include <vector>

#include "platform/linux/midi/audio_stream.h"

namespace linux_ {

namespace {

// How long the daemon may take to start the stream before the next audio system is tried.
constexpr std::int64_t kStartTimeoutNs = 2'000'000'000;

constexpr int kChannels = 2;
constexpr std::uint32_t kFrameBytes = kChannels * sizeof(float);
// The largest block rendered in one go; a larger request is rendered in several.
constexpr std::size_t kMaxRenderFrames = 2048;

class LoopLock {
  public:
    explicit LoopLock(pw_thread_loop* loop) : loop_(loop) { pw_thread_loop_lock(loop_); }
    ~LoopLock() { pw_thread_loop_unlock(loop_); }
    LoopLock(const LoopLock&) = delete;
    LoopLock& operator=(const LoopLock&) = delete;

  private:
    pw_thread_loop* loop_;
};

// libpipewire once per process; its own diagnostics stay off the terminal, as FluidSynth's do:
// failures reach the user as MIDI error texts.
void InitLibrary() {
    static std::once_flag once;
    std::call_once(once, [] {
        pw_init(nullptr, nullptr);
        pw_log_set_level(SPA_LOG_LEVEL_NONE);
    });
}

// What a client with one playback stream needs of libpipewire: the protocol, the node it exports
// and the adapter that converts its samples to the graph's. The data thread asks for realtime
// scheduling, as a sound server's clients do, so that a busy machine does not make it miss its
// cycle; where it may not, it runs as it is.
bool LoadModules(pw_context* context) {
    pw_context_load_module(context, "libpipewire-module-rt", nullptr, nullptr);
    for (const char* module : {"libpipewire-module-protocol-native",
                               "libpipewire-module-client-node", "libpipewire-module-adapter"}) {
        if (pw_context_load_module(context, module, nullptr, nullptr) == nullptr) return false;
    }
    return pw_context_add_spa_lib(context, "audio.convert.*", "audioconvert/libspa-audioconvert") ==
               0 &&
           pw_context_add_spa_lib(context, "support.*", "support/libspa-support") == 0;
}

// False when plainly no PipeWire daemon listens: its socket is missing from the runtime folder
// where libpipewire would look. The library and its modules are then never loaded, which spares a
// PulseAudio desktop their memory. The variables are read as libpipewire reads them, where one
// set to the empty string still names the folder (and then no socket).
bool DaemonSocketMayExist() {
    if (std::getenv("PIPEWIRE_REMOTE") != nullptr) return true;
    const char* folder = std::getenv("PIPEWIRE_RUNTIME_DIR");
    if (folder == nullptr) folder = std::getenv("XDG_RUNTIME_DIR");
    if (folder == nullptr) return true;
    return access((std::string(folder) + "/pipewire-0").c_str(), F_OK) == 0;
}

class PipeWireStream final : public AudioStream {
  public:
    explicit PipeWireStream(StreamSource& source);
    ~PipeWireStream() override;
    PipeWireStream(const PipeWireStream&) = delete;
    PipeWireStream& operator=(const PipeWireStream&) = delete;

    // Connects to the daemon and waits until it plays the stream; false when it does not.
    bool Connect(int sampleRate, int quantumFrames);
    void Wake() override;

    // The daemon's callbacks.
    static void StateChanged(void* self, pw_stream_state, pw_stream_state state, const char*);
    static void CoreError(void* self, std::uint32_t id, int, int res, const char*);
    static void Process(void* self);
    static int RestAsked(spa_loop*, bool, std::uint32_t, const void*, std::size_t, void* self);

  private:
    // With the loop locked: waits until the stream plays; false when it failed or the time is up.
    bool WaitUntilStreaming();
    // On the data thread: renders what the daemon asks for into the next buffer.
    void Render();
    // On the loop's thread: turns the stream inactive unless a note has begun meanwhile.
    void Rest();

    StreamSource& source_;
    std::vector<float> left_, right_;

    pw_thread_loop* loop_ = nullptr;
    pw_context* context_ = nullptr;
    pw_core* core_ = nullptr;
    pw_stream* stream_ = nullptr;
    spa_hook coreHook_{};
    spa_hook streamHook_{};
};

void PipeWireStream::StateChanged(void* data, pw_stream_state, pw_stream_state state, const char*) {
    auto& self = *static_cast<PipeWireStream*>(data);
    // Resting pauses the stream and waking starts it again: only its first start and its end
    // change what the stream is.
    if (state == PW_STREAM_STATE_STREAMING && self.state_ == StreamState::kStarting) {
        self.state_ = StreamState::kPlaying;
    }
    if (state == PW_STREAM_STATE_ERROR || state == PW_STREAM_STATE_UNCONNECTED) {
        self.state_ = StreamState::kEnded;
    }
    pw_thread_loop_signal(self.loop_, false);
}

// The daemon has gone (restarted, or stopped): the connection reports a broken pipe.
void PipeWireStream::CoreError(void* data, std::uint32_t id, int, int res, const char*) {
    auto& self = *static_cast<PipeWireStream*>(data);
    if (id == PW_ID_CORE && res == -EPIPE) self.state_ = StreamState::kEnded;
    pw_thread_loop_signal(self.loop_, false);
}

void PipeWireStream::Process(void* self) {
    static_cast<PipeWireStream*>(self)->Render();
}

int PipeWireStream::RestAsked(spa_loop*, bool, std::uint32_t, const void*, std::size_t,
                              void* self) {
    static_cast<PipeWireStream*>(self)->Rest();
    return 0;
}

constexpr pw_stream_events kStreamEvents = [] {
    pw_stream_events events{};
    events.version = PW_VERSION_STREAM_EVENTS;
    events.state_changed = PipeWireStream::StateChanged;
    events.process = PipeWireStream::Process;
    return events;
}();

constexpr pw_core_events kCoreEvents = [] {
    pw_core_events events{};
    events.version = PW_VERSION_CORE_EVENTS;
    events.error = PipeWireStream::CoreError;
    return events;
}();

PipeWireStream::PipeWireStream(StreamSource& source)
    : source_(source), left_(kMaxRenderFrames), right_(kMaxRenderFrames) {}

PipeWireStream::~PipeWireStream() {
    if (loop_ == nullptr) return;
    {
        LoopLock lock(loop_);
        // Takes the node off the data thread first: no block is rendered after this.
        if (stream_ != nullptr) pw_stream_destroy(stream_);
        stream_ = nullptr;
        if (core_ != nullptr) {
            spa_hook_remove(&coreHook_);
            pw_core_disconnect(core_);
        }
    }
    pw_thread_loop_stop(loop_);  // joins its thread: nothing asked of it runs after this
    if (context_ != nullptr) pw_context_destroy(context_);
    pw_thread_loop_destroy(loop_);
}

bool PipeWireStream::Connect(int sampleRate, int quantumFrames) {
    loop_ = pw_thread_loop_new("clavitap-audio", nullptr);
    if (loop_ == nullptr) return false;
    // Only the modules a playback stream needs, rather than a whole client configuration, whose
    // metadata, device and session modules would cost memory for nothing.
    context_ = pw_context_new(pw_thread_loop_get_loop(loop_),
                              pw_properties_new(PW_KEY_CONFIG_NAME, "null", nullptr), 0);
    if (context_ == nullptr || !LoadModules(context_) || pw_thread_loop_start(loop_) < 0) {
        return false;
    }

    LoopLock lock(loop_);
    core_ = pw_context_connect(context_, nullptr, 0);
    if (core_ == nullptr) return false;  // no daemon answers
    pw_core_add_listener(core_, &coreHook_, &kCoreEvents, this);

    const std::string latency = std::to_string(quantumFrames) + "/" + std::to_string(sampleRate);
    stream_ =
        pw_stream_new(core_, "Built-in Synthesizer",
                      pw_properties_new(PW_KEY_MEDIA_TYPE, "Audio", PW_KEY_MEDIA_CATEGORY,
                                        "Playback", PW_KEY_MEDIA_ROLE, "Music", PW_KEY_APP_NAME,
                                        "Clavitap", PW_KEY_NODE_LATENCY, latency.c_str(), nullptr));
    if (stream_ == nullptr) return false;
    pw_stream_add_listener(stream_, &streamHook_, &kStreamEvents, this);

    spa_audio_info_raw format{};
    format.format = SPA_AUDIO_FORMAT_F32;
    format.rate = static_cast<std::uint32_t>(sampleRate);
    format.channels = kChannels;
    format.position[0] = SPA_AUDIO_CHANNEL_FL;
    format.position[1] = SPA_AUDIO_CHANNEL_FR;
    std::uint8_t podBuffer[512];
    spa_pod_builder builder{};
    spa_pod_builder_init(&builder, podBuffer, sizeof(podBuffer));
    const spa_pod* params[] = {spa_format_audio_raw_build(&builder, SPA_PARAM_EnumFormat, &format)};
    // The stream starts playing silence at once: a sink may take a while to start a new stream,
    // better now than at the first note. It turns inactive when its source says so.
    const auto flags = static_cast<pw_stream_flags>(
        PW_STREAM_FLAG_AUTOCONNECT | PW_STREAM_FLAG_MAP_BUFFERS | PW_STREAM_FLAG_RT_PROCESS);
    if (pw_stream_connect(stream_, PW_DIRECTION_OUTPUT, PW_ID_ANY, flags, params, 1) < 0) {
        return false;
    }
    return WaitUntilStreaming();
}

bool PipeWireStream::WaitUntilStreaming() {
    timespec deadline{};
    pw_thread_loop_get_time(loop_, &deadline, kStartTimeoutNs);
    while (state_ == StreamState::kStarting) {
        if (pw_thread_loop_timed_wait_full(loop_, &deadline) != 0) break;  // the time is up
    }
    return state_ == StreamState::kPlaying;
}

void PipeWireStream::Render() {
    pw_buffer* buffer = pw_stream_dequeue_buffer(stream_);
    if (buffer == nullptr) return;
    spa_data& data = buffer->buffer->datas[0];
    if (data.data == nullptr) {
        pw_stream_queue_buffer(stream_, buffer);
        return;
    }
    const std::size_t room = data.maxsize / kFrameBytes;
    const std::size_t frames =
        std::min<std::size_t>(buffer->requested != 0 ? buffer->requested : room, room);
    auto* out = static_cast<float*>(data.data);
    bool diedAway = false;
    for (std::size_t done = 0; done < frames;) {
        const std::size_t part = std::min(frames - done, kMaxRenderFrames);
        diedAway = source_.Render(left_.data(), right_.data(), static_cast<int>(part));
        for (std::size_t i = 0; i < part; ++i) {
            out[2 * (done + i)] = left_[i];
            out[2 * (done + i) + 1] = right_[i];
        }
        done += part;
    }
    data.chunk->offset = 0;
    data.chunk->stride = kFrameBytes;
    data.chunk->size = static_cast<std::uint32_t>(frames * kFrameBytes);
    pw_stream_queue_buffer(stream_, buffer);
    // The stream may not be turned inactive from the data thread: the loop's thread does it.
    if (diedAway) {
        pw_loop_invoke(pw_thread_loop_get_loop(loop_), RestAsked, 0, nullptr, 0, false, this);
    }
}

void PipeWireStream::Rest() {
    if (stream_ == nullptr || state_ != StreamState::kPlaying || !source_.StillSilent()) return;
    state_ = StreamState::kResting;
    pw_stream_set_active(stream_, false);
}

void PipeWireStream::Wake() {
    LoopLock lock(loop_);
    if (state_ != StreamState::kResting) return;
    state_ = StreamState::kPlaying;
    pw_stream_set_active(stream_, true);
}

}  // namespace

std::unique_ptr<AudioStream> OpenPipeWireStream(int sampleRate, int quantumFrames,
                                                StreamSource& source) {
    if (!DaemonSocketMayExist()) return nullptr;
    InitLibrary();
    auto stream = std::make_unique<PipeWireStream>(source);
    if (!stream->Connect(sampleRate, quantumFrames)) return nullptr;
    return stream;
}

}  // namespace linux_
