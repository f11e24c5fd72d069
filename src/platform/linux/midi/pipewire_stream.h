// An audio stream of its own on a PipeWire daemon. The synthesizer renders inside the stream's
// process callback, on PipeWire's realtime data thread, in the small blocks that the node asks
// for, so a note waits at most one graph cycle to be rendered and one more to reach the sink. Once
// nothing sounds the stream turns inactive: the daemon stops scheduling it and the graph may
// suspend the sink. Wake() makes it active again for the very next cycle.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/linux/midi/audio_stream.h"

struct pw_context;
struct pw_core;
struct pw_stream;
struct pw_thread_loop;

namespace linux_ {

class PipeWireStream final : public AudioStream {
  public:
    // Connects to the PipeWire daemon, whose session manager links the stream to the default sink
    // (and moves it when the default changes). The node asks for graph cycles of `quantumFrames`.
    // nullptr when no daemon answers, or when it does not start the stream within two seconds
    // (a PipeWire daemon that serves no sound card, beside a PulseAudio server that does).
    static std::unique_ptr<PipeWireStream> Open(int sampleRate, int quantumFrames,
                                                RenderFunction render);
    ~PipeWireStream() override;
    PipeWireStream(const PipeWireStream&) = delete;
    PipeWireStream& operator=(const PipeWireStream&) = delete;

    void Wake() override;
    bool Sleeping() const override;
    bool Ended() const override;

  private:
    struct Hooks;
    friend struct PipeWireEvents;  // the daemon's callbacks

    explicit PipeWireStream(RenderFunction render);

    bool Connect(int sampleRate, int quantumFrames);
    // With the loop locked: waits until the stream plays; false when it failed or the time is up.
    bool WaitUntilStreaming();
    // On the data thread: renders what the daemon asks for into the next buffer.
    void Process();
    // On the loop's thread: turns the stream inactive unless a Wake() came since `wakeCountSeen`.
    void FallAsleepUnless(std::uint64_t wakeCountSeen);

    RenderFunction render_;
    std::vector<float> left_, right_;

    pw_thread_loop* loop_ = nullptr;
    pw_context* context_ = nullptr;
    pw_core* core_ = nullptr;
    pw_stream* stream_ = nullptr;
    std::unique_ptr<Hooks> hooks_;

    std::atomic<bool> streaming_{false};  // the daemon has started the stream once
    std::atomic<bool> ended_{false};      // the daemon has gone or refused the stream
    std::atomic<bool> asleep_{false};
    std::atomic<bool> sleepAsked_{false};      // a FallAsleepUnless() is on its way
    std::atomic<std::uint64_t> wakeCount_{0};  // bumped by every Wake(), with the loop locked
};

}  // namespace linux_
