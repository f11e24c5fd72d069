// Twips and pixels: 1440 twips an inch, so 15 twips a pixel on a 96-dpi screen.
#pragma once

#include <windows.h>

#include <cmath>

#include "window/layout.h"

namespace win32 {

inline constexpr UINT kDefaultDpi = 96;

inline int PixelsFromTwips(double twips, UINT dpi) {
    return static_cast<int>(std::lround(twips * dpi / layout::kTwipsPerInch));
}

inline float TwipsPerPixel(UINT dpi) {
    return static_cast<float>(static_cast<double>(layout::kTwipsPerInch) / dpi);
}

inline float TwipsFromPixels(long pixels, UINT dpi) {
    return static_cast<float>(static_cast<double>(pixels) * layout::kTwipsPerInch / dpi);
}

// The DPI a window is drawn at: per monitor where the system knows it (Windows 10 and later, and
// Wine), else the screen's.
UINT WindowDpi(HWND window);

}  // namespace win32
