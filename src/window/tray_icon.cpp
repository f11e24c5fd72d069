#include "window/tray_icon.h"

#include <cstdint>

platform::NotifyIconRecord AnsiBytes(const TrayIconRecord& record) {
    platform::NotifyIconRecord bytes{};
    const Long fields[] = {record.cbSize,           record.hWnd, record.uID, record.uFlags,
                           record.uCallbackMessage, record.hIcon};
    std::size_t at = 0;
    for (Long field : fields) {
        const auto value = static_cast<std::uint32_t>(field);
        for (int shift = 0; shift < 32; shift += 8) {
            bytes[at++] = static_cast<std::uint8_t>(value >> shift);
        }
    }
    for (char c : record.szTip) bytes[at++] = static_cast<std::uint8_t>(c);
    return bytes;
}
