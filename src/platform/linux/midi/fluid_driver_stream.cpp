// An audio stream through one of FluidSynth's own audio drivers (ALSA). FluidSynth's driver thread
// asks for block after block; while the stream rests, that thread waits inside the render call
// instead of rendering silence, and Wake() lets it go on.
#include <fluidsynth.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>

#include "platform/linux/midi/audio_stream.h"

namespace linux_ {

namespace {

class FluidDriverStream final : public AudioStream {
  public:
    explicit FluidDriverStream(StreamSource& source) : source_(source) {}
    ~FluidDriverStream() override {
        End();
        // Joins the driver's thread, which no longer waits now that the stream has ended.
        if (driver_ != nullptr) delete_fluid_audio_driver(driver_);
    }
    FluidDriverStream(const FluidDriverStream&) = delete;
    FluidDriverStream& operator=(const FluidDriverStream&) = delete;

    // Opens FluidSynth's driver `driverName` with `settings`; false when it cannot be opened. The
    // driver's thread plays at once (see StreamState): an idle null sink may take up to 2 s to
    // serve a new stream.
    bool Open(fluid_settings_t* settings, const char* driverName) {
        if (fluid_settings_setstr(settings, "audio.driver", driverName) != FLUID_OK) return false;
        state_ = StreamState::kPlaying;
        driver_ = new_fluid_audio_driver2(settings, RenderBlock, this);
        return driver_ != nullptr;
    }

    void Wake() override {
        {
            std::lock_guard lock(mutex_);
            if (state_ != StreamState::kResting) return;
            state_ = StreamState::kPlaying;
        }
        woken_.notify_one();
    }

    // When the stream is closed, or when the driver's thread ends because its server has gone.
    void End() {
        {
            std::lock_guard lock(mutex_);
            state_ = StreamState::kEnded;
        }
        woken_.notify_one();
    }

  private:
    // On the driver's thread.
    static int RenderBlock(void* data, int frames, int fxCount, float* fx[], int outCount,
                           float* out[]);

    // Blocks while the stream rests; false once it has ended.
    bool WaitUntilPlaying() {
        std::unique_lock lock(mutex_);
        woken_.wait(lock, [this] { return state_ != StreamState::kResting; });
        return state_ == StreamState::kPlaying;
    }

    void Rest() {
        std::lock_guard lock(mutex_);
        if (state_ == StreamState::kPlaying && source_.StillSilent()) {
            state_ = StreamState::kResting;
        }
    }

    StreamSource& source_;
    fluid_audio_driver_t* driver_ = nullptr;
    std::mutex mutex_;  // held while state_ changes
    std::condition_variable woken_;
};

// Lives on a driver's thread; destroyed when that thread ends. A driver's thread ends only when
// the driver is closed or its sound server has gone.
struct DriverThreadWatch {
    FluidDriverStream* stream = nullptr;
    DriverThreadWatch() = default;
    DriverThreadWatch(const DriverThreadWatch&) = delete;
    DriverThreadWatch& operator=(const DriverThreadWatch&) = delete;
    ~DriverThreadWatch() {
        if (stream != nullptr) stream->End();
    }
};

int FluidDriverStream::RenderBlock(void* data, int frames, int fxCount, float* fx[], int outCount,
                                   float* out[]) {
    auto& self = *static_cast<FluidDriverStream*>(data);
    thread_local DriverThreadWatch watch;
    watch.stream = &self;
    // Effect buffers may alias the outputs: clear them first, then render over the outputs.
    for (int i = 0; i < fxCount; ++i) std::fill_n(fx[i], frames, 0.0f);
    for (int i = 0; i < outCount; ++i) std::fill_n(out[i], frames, 0.0f);
    if (outCount < 2 || !self.WaitUntilPlaying()) return FLUID_OK;
    if (self.source_.Render(out[0], out[1], frames)) self.Rest();
    return FLUID_OK;
}

}  // namespace

std::unique_ptr<AudioStream> OpenFluidDriverStream(fluid_settings_t* settings,
                                                   const char* driverName, int periodFrames,
                                                   int periods, StreamSource& source) {
    fluid_settings_setint(settings, "audio.period-size", periodFrames);
    fluid_settings_setint(settings, "audio.periods", periods);
    fluid_settings_setstr(settings, "audio.sample-format", "float");
    auto stream = std::make_unique<FluidDriverStream>(source);
    if (!stream->Open(settings, driverName)) return nullptr;
    return stream;
}

}  // namespace linux_
