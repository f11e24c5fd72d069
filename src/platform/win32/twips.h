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
inline UINT WindowDpi(HWND window) {
    // Looked up at run time so that the program still starts on systems older than Windows 10.
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = [] {
        const HMODULE user32 = GetModuleHandleA("user32.dll");
        const FARPROC address = user32 ? GetProcAddress(user32, "GetDpiForWindow") : nullptr;
        return reinterpret_cast<GetDpiForWindowFunction>(reinterpret_cast<void (*)()>(address));
    }();
    if (getDpiForWindow != nullptr && window != nullptr) {
        const UINT dpi = getDpiForWindow(window);
        if (dpi != 0) return dpi;
    }
    const HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : kDefaultDpi;
}

}  // namespace win32
