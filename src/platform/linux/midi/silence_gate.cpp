#include "platform/linux/midi/silence_gate.h"

#include <cmath>

namespace linux_ {

namespace {

bool BlockIsSilent(const float* left, const float* right, int frames) {
    for (int i = 0; i < frames; ++i) {
        if (std::fabs(left[i]) >= SilenceGate::kSilentLevel ||
            std::fabs(right[i]) >= SilenceGate::kSilentLevel) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool SilenceGate::IsSilent(const float* left, const float* right, int frames, int activeVoices) {
    if (activeVoices > 0 || !BlockIsSilent(left, right, frames)) {
        quietFrames_ = 0;
        return false;
    }
    if (quietFrames_ < quietFramesNeeded_) quietFrames_ += frames;
    return quietFrames_ >= quietFramesNeeded_;
}

}  // namespace linux_
