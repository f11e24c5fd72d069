// An audio stream through one of FluidSynth's own audio drivers (ALSA). FluidSynth's
// driver thread asks for block after block; while nothing sounds, that thread waits inside the
// render call instead of rendering silence, and Wake() lets it go on.
#pragma once

#include <fluidsynth/types.h>

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

#include "platform/linux/midi/audio_stream.h"

namespace linux_ {

class FluidDriverStream final : public AudioStream {
  public:
    // Opens FluidSynth's driver `driverName` with `settings`; nullptr when it cannot be opened.
    // The stream plays a short silence at once, then waits for Wake().
    static std::unique_ptr<FluidDriverStream> Open(fluid_settings_t* settings,
                                                   const char* driverName, RenderFunction render);
    ~FluidDriverStream() override;
    FluidDriverStream(const FluidDriverStream&) = delete;
    FluidDriverStream& operator=(const FluidDriverStream&) = delete;

    void Wake() override;
    bool Sleeping() const override;
    bool Ended() const override;

  private:
    friend struct DriverThreadWatch;

    explicit FluidDriverStream(RenderFunction render);

    static int RenderBlock(void* data, int frames, int fxCount, float* fx[], int outCount,
                           float* out[]);
    // Blocks while asleep; false when the stream is being closed.
    bool WaitForSound();
    void FallAsleepUnlessWoken();
    void DriverThreadEnded();

    RenderFunction render_;
    fluid_audio_driver_t* driver_ = nullptr;

    mutable std::mutex mutex_;
    std::condition_variable wakeUp_;
    bool asleep_ = true;  // nothing sounds until the first message
    bool closing_ = false;
    bool ended_ = false;               // the driver's thread is gone while not closing
    std::uint64_t wakeCount_ = 0;      // bumped by every Wake()
    std::uint64_t wakeCountSeen_ = 0;  // the count when the block being rendered began
};

}  // namespace linux_
