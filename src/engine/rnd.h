// The classic unseeded Rnd: a 24-bit linear congruential generator that starts from the same
// state in every run, so the sequence of values is the same every time the program starts.
#pragma once

#include <cstdint>

class Rnd {
  public:
    // The next value r with 0 <= r < 1.
    float Next() {
        state_ = (state_ * 0x43FD43FDu + 0xC39EC3u) & 0xFFFFFFu;
        return static_cast<float>(state_) / 16777216.0f;
    }

  private:
    std::uint32_t state_ = 0x50000u;
};
