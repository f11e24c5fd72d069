// Twips (1440 per inch) to Qt's device-independent pixels and back. Qt lays widgets out in
// 96-dpi pixels and scales them for denser screens itself, so a pixel is always 15 twips here,
// whatever the screen's DPI.
#pragma once

#include <cmath>

namespace linux_ {

inline constexpr float TwipsPerPixel() {
    return 15.0f;
}

inline int PixelsFromTwips(double twips) {
    return static_cast<int>(std::lround(twips / TwipsPerPixel()));
}

inline float TwipsFromPixels(int pixels) {
    return static_cast<float>(pixels) * TwipsPerPixel();
}

}  // namespace linux_
