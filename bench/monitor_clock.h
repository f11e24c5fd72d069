// Places the frames of a sink monitor's recording on the steady clock, for the benches that time
// sound. A chunk arrives after its last frame was played, so frame n was played at the latest at
// (arrival - the frames up to the chunk's end); the earliest such bound of the last second places
// every frame. The server's own latency figures are not used: after a sink resumes they run up to
// 100 ms high. A longer memory would let a sink clock slower than ours place frames early, and a
// bound far later than the earliest follows a gap in the recording, after which the frames before
// no longer place those after.
#pragma once

#include <chrono>
#include <deque>
#include <utility>

class MonitorClock {
  public:
    using Clock = std::chrono::steady_clock;

    explicit MonitorClock(int rate) : rate_(rate) {}

    // A chunk arrived at `arrived`, completing the recording's first `frames` frames.
    void Arrived(Clock::time_point arrived, long frames) {
        const Clock::time_point bound = arrived - FramesTime(frames);
        if (!bounds_.empty() && bound - bounds_.front().second > std::chrono::milliseconds(100)) {
            bounds_.clear();
        }
        while (!bounds_.empty() && bounds_.back().second >= bound) bounds_.pop_back();
        bounds_.emplace_back(arrived, bound);
        while (arrived - bounds_.front().first > std::chrono::seconds(1)) bounds_.pop_front();
    }

    // When frame `frame` was played; only after the first Arrived().
    Clock::time_point FrameAt(long frame) const {
        return bounds_.front().second + FramesTime(frame);
    }

  private:
    Clock::duration FramesTime(long frames) const {
        return std::chrono::duration_cast<Clock::duration>(
            std::chrono::duration<double>(static_cast<double>(frames) / rate_));
    }

    int rate_;
    // Arrivals of the last second with their bounds, the bounds rising: each may yet be earliest.
    std::deque<std::pair<Clock::time_point, Clock::time_point>> bounds_;
};
