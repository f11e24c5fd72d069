// An audio stream that plays what a render function makes and stops asking for sound while
// nothing sounds, so that neither this process nor the sound server works for silence.
#pragma once

#include <functional>

namespace linux_ {

// Renders `frames` stereo frames into both buffers. Returns true once the sound has died away and
// the stream may stop until the next Wake().
using RenderFunction = std::function<bool(float* left, float* right, int frames)>;

class AudioStream {
  public:
    virtual ~AudioStream() = default;

    // A note may have started: a stopped stream plays again at once.
    virtual void Wake() = 0;

    // True while the stream is stopped because nothing sounds.
    virtual bool Sleeping() const = 0;

    // True once the stream can no longer play, because its sound server has gone.
    virtual bool Ended() const = 0;
};

}  // namespace linux_
