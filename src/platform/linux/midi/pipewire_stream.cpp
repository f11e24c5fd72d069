#include "platform/linux/midi/pipewire_stream.h"

#include <pipewire/impl-module.h>
#include <pipewire/pipewire.h>
#include <spa/param/audio/raw-utils.h>
#include <spa/pod/builder.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <string>

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
// PulseAudio desktop their memory.
bool DaemonSocketMayExist() {
    if (std::getenv("PIPEWIRE_REMOTE") != nullptr) return true;
    const char* folder = std::getenv("PIPEWIRE_RUNTIME_DIR");
    if (folder == nullptr) folder = std::getenv("XDG_RUNTIME_DIR");
    if (folder == nullptr) return true;
    return access((std::string(folder) + "/pipewire-0").c_str(), F_OK) == 0;
}

}  // namespace

struct PipeWireStream::Hooks {
    spa_hook core{};
    spa_hook stream{};
};

struct PipeWireEvents {
    static void StateChanged(void* data, pw_stream_state, pw_stream_state state, const char*) {
        auto& self = *static_cast<PipeWireStream*>(data);
        if (state == PW_STREAM_STATE_STREAMING) self.streaming_ = true;
        if (state == PW_STREAM_STATE_ERROR || state == PW_STREAM_STATE_UNCONNECTED) {
            self.ended_ = true;
        }
        pw_thread_loop_signal(self.loop_, false);
    }

    static void Process(void* data) { static_cast<PipeWireStream*>(data)->Process(); }

    // The daemon has gone (restarted, or stopped): the connection reports a broken pipe.
    static void CoreError(void* data, std::uint32_t id, int, int res, const char*) {
        auto& self = *static_cast<PipeWireStream*>(data);
        if (id == PW_ID_CORE && res == -EPIPE) self.ended_ = true;
        pw_thread_loop_signal(self.loop_, false);
    }

    static int SleepAsked(spa_loop*, bool, std::uint32_t, const void* seen, std::size_t,
                          void* data) {
        static_cast<PipeWireStream*>(data)->FallAsleepUnless(
            *static_cast<const std::uint64_t*>(seen));
        return 0;
    }

    static constexpr pw_stream_events kStream = [] {
        pw_stream_events events{};
        events.version = PW_VERSION_STREAM_EVENTS;
        events.state_changed = StateChanged;
        events.process = Process;
        return events;
    }();

    static constexpr pw_core_events kCore = [] {
        pw_core_events events{};
        events.version = PW_VERSION_CORE_EVENTS;
        events.error = CoreError;
        return events;
    }();
};

std::unique_ptr<PipeWireStream> PipeWireStream::Open(int sampleRate, int quantumFrames,
                                                     RenderFunction render) {
    if (!DaemonSocketMayExist()) return nullptr;
    InitLibrary();
    std::unique_ptr<PipeWireStream> stream(new PipeWireStream(std::move(render)));
    if (!stream->Connect(sampleRate, quantumFrames)) return nullptr;
    return stream;
}

PipeWireStream::PipeWireStream(RenderFunction render)
    : render_(std::move(render)),
      left_(kMaxRenderFrames),
      right_(kMaxRenderFrames),
      hooks_(std::make_unique<Hooks>()) {}

PipeWireStream::~PipeWireStream() {
    if (loop_ == nullptr) return;
    {
        LoopLock lock(loop_);
        // Takes the node off the data thread first: no block is rendered after this.
        if (stream_ != nullptr) pw_stream_destroy(stream_);
        stream_ = nullptr;
        if (core_ != nullptr) {
            spa_hook_remove(&hooks_->core);
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
    pw_core_add_listener(core_, &hooks_->core, &PipeWireEvents::kCore, this);

    const std::string latency = std::to_string(quantumFrames) + "/" + std::to_string(sampleRate);
    stream_ =
        pw_stream_new(core_, "Built-in Synthesizer",
                      pw_properties_new(PW_KEY_MEDIA_TYPE, "Audio", PW_KEY_MEDIA_CATEGORY,
                                        "Playback", PW_KEY_MEDIA_ROLE, "Music", PW_KEY_APP_NAME,
                                        "Clavitap", PW_KEY_NODE_LATENCY, latency.c_str(), nullptr));
    if (stream_ == nullptr) return false;
    pw_stream_add_listener(stream_, &hooks_->stream, &PipeWireEvents::kStream, this);

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
    // better now than at the first note. It turns inactive when the render function says so.
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
    while (!streaming_ && !ended_) {
        if (pw_thread_loop_timed_wait_full(loop_, &deadline) != 0) break;  // the time is up
    }
    return streaming_ && !ended_;
}

void PipeWireStream::Process() {
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
    // A message that arrives while this block renders may miss it: then the stream stays awake.
    const std::uint64_t wakeCountSeen = wakeCount_;
    auto* out = static_cast<float*>(data.data);
    bool diedAway = false;
    for (std::size_t done = 0; done < frames;) {
        const std::size_t part = std::min(frames - done, kMaxRenderFrames);
        diedAway = render_(left_.data(), right_.data(), static_cast<int>(part));
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
    if (diedAway && !sleepAsked_.exchange(true)) {
        pw_loop_invoke(pw_thread_loop_get_loop(loop_), PipeWireEvents::SleepAsked, 0,
                       &wakeCountSeen, sizeof(wakeCountSeen), false, this);
    }
}

void PipeWireStream::FallAsleepUnless(std::uint64_t wakeCountSeen) {
    sleepAsked_ = false;
    if (stream_ == nullptr || asleep_ || wakeCount_ != wakeCountSeen) return;
    asleep_ = true;
    pw_stream_set_active(stream_, false);
}

void PipeWireStream::Wake() {
    LoopLock lock(loop_);
    ++wakeCount_;
    if (!asleep_ || ended_) return;
    asleep_ = false;
    pw_stream_set_active(stream_, true);
}

bool PipeWireStream::Sleeping() const {
    return asleep_;
}

bool PipeWireStream::Ended() const {
    return ended_;
}

}  // namespace linux_
