// The window's notify-icon record in its 56-byte ANSI form, with a 32-character tip.
#pragma once

#include <array>

#include "core/basic_types.h"
#include "platform/notify_icon.h"

struct TrayIconRecord {
    Long cbSize = 0;
    Long hWnd = 0;
    Long uID = 0;
    Long uFlags = 0;
    Long uCallbackMessage = 0;
    Long hIcon = 0;
    std::array<char, 32> szTip{};
};

// The record as the platform reads it: six little-endian 32-bit integers at offsets 0 to 20,
// then the tip as 32 single-byte characters at offsets 24 to 55.
platform::NotifyIconRecord AnsiBytes(const TrayIconRecord& record);
