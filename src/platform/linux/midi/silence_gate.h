// Tells when the synthesizer has died away, so that its audio stream can stop asking for blocks
// and the process can sleep until the next message.
#pragma once

namespace linux_ {

class SilenceGate {
  public:
    // Below this a sample is inaudible: under half of one 16-bit step.
    static constexpr float kSilentLevel = 1.0f / 65536.0f;

    // `quietFramesNeeded`: how long the output must have stayed silent, with no voice left, before
    // the stream may sleep. It lets reverb and chorus tails ring out.
    explicit SilenceGate(int quietFramesNeeded) : quietFramesNeeded_(quietFramesNeeded) {}

    // Feeds one rendered block. True once the output has been silent long enough.
    bool IsSilent(const float* left, const float* right, int frames, int activeVoices);

    // Starts counting afresh (a message has arrived).
    void Reset() { quietFrames_ = 0; }

  private:
    int quietFramesNeeded_;
    int quietFrames_ = 0;
};

}  // namespace linux_
