#include "platform/linux/midi/fluid_driver_stream.h"

#include <fluidsynth.h>

#include <algorithm>

namespace linux_ {

// Lives on a driver's thread; destroyed when that thread ends. A driver's thread ends only when
// the driver is closed or its sound server has gone.
struct DriverThreadWatch {
    FluidDriverStream* stream = nullptr;
    DriverThreadWatch() = default;
    DriverThreadWatch(const DriverThreadWatch&) = delete;
    DriverThreadWatch& operator=(const DriverThreadWatch&) = delete;
    ~DriverThreadWatch() {
        if (stream != nullptr) stream->DriverThreadEnded();
    }
};

std::unique_ptr<FluidDriverStream> FluidDriverStream::Open(fluid_settings_t* settings,
                                                           const char* driverName,
                                                           RenderFunction render) {
    if (fluid_settings_setstr(settings, "audio.driver", driverName) != FLUID_OK) return nullptr;
    std::unique_ptr<FluidDriverStream> stream(new FluidDriverStream(std::move(render)));
    stream->driver_ = new_fluid_audio_driver2(settings, RenderBlock, stream.get());
    if (stream->driver_ == nullptr) return nullptr;
    // A moment of silence at once: a sound server may take a while to serve a new stream (an
    // idle null sink up to 2 s), so it is better done now than at the first note.
    stream->Wake();
    return stream;
}

FluidDriverStream::FluidDriverStream(RenderFunction render) : render_(std::move(render)) {}

FluidDriverStream::~FluidDriverStream() {
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
    }
    wakeUp_.notify_one();
    // Joins the driver's thread, which no longer waits now that closing_ is set.
    if (driver_ != nullptr) delete_fluid_audio_driver(driver_);
}

void FluidDriverStream::Wake() {
    {
        std::lock_guard lock(mutex_);
        ++wakeCount_;
        asleep_ = false;
    }
    wakeUp_.notify_one();
}

bool FluidDriverStream::Sleeping() const {
    std::lock_guard lock(mutex_);
    return asleep_;
}

bool FluidDriverStream::Ended() const {
    std::lock_guard lock(mutex_);
    return ended_;
}

void FluidDriverStream::DriverThreadEnded() {
    std::lock_guard lock(mutex_);
    if (!closing_) ended_ = true;
}

bool FluidDriverStream::WaitForSound() {
    std::unique_lock lock(mutex_);
    wakeUp_.wait(lock, [this] { return closing_ || !asleep_; });
    wakeCountSeen_ = wakeCount_;
    return !closing_;
}

void FluidDriverStream::FallAsleepUnlessWoken() {
    std::lock_guard lock(mutex_);
    // A message that arrived while this block was rendered may not be in it: render once more.
    if (wakeCount_ == wakeCountSeen_) asleep_ = true;
}

int FluidDriverStream::RenderBlock(void* data, int frames, int fxCount, float* fx[], int outCount,
                                   float* out[]) {
    auto& self = *static_cast<FluidDriverStream*>(data);
    thread_local DriverThreadWatch watch;
    watch.stream = &self;
    // Effect buffers may alias the outputs: clear them first, then render over the outputs.
    for (int i = 0; i < fxCount; ++i) std::fill_n(fx[i], frames, 0.0f);
    for (int i = 0; i < outCount; ++i) std::fill_n(out[i], frames, 0.0f);
    if (outCount < 2 || !self.WaitForSound()) return FLUID_OK;
    if (self.render_(out[0], out[1], frames)) self.FallAsleepUnlessWoken();
    return FLUID_OK;
}

}  // namespace linux_
