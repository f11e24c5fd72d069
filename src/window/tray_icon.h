// The window's notify-icon record in its 56-byte ANSI form, with a 32-character tip.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

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

// The record read back from those bytes: each platform's Shell_NotifyIconA starts here, so that
// the layout is known in this one place.
inline TrayIconRecord FromAnsiBytes(const platform::NotifyIconRecord& bytes) {
    std::size_t at = 0;
    const auto next = [&] {
        std::uint32_t value = 0;
        for (int shift = 0; shift < 32; shift += 8) value |= std::uint32_t{bytes[at++]} << shift;
        return static_cast<Long>(value);
    };
    TrayIconRecord record;
    record.cbSize = next();
    record.hWnd = next();
    record.uID = next();
    record.uFlags = next();
    record.uCallbackMessage = next();
    record.hIcon = next();
    for (char& c : record.szTip) c = static_cast<char>(bytes[at++]);
    return record;
}
