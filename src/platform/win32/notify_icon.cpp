// The notification-area icon. The window builds the 56-byte ANSI record of the 32-bit platform;
// here it is read field by field into a zeroed NOTIFYICONDATAA of this platform's own layout (the
// shell reads that many bytes whatever cbSize says), with the window and icon handles widened.
#include "platform/notify_icon.h"

#include <windows.h>

#include <shellapi.h>

#include <cstring>

#include "platform/win32/window_handles.h"

namespace platform {
namespace {

Long FieldAt(const NotifyIconRecord& record, std::size_t offset) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) value |= std::uint32_t{record[offset + i]} << (8 * i);
    return static_cast<Long>(value);
}

}  // namespace

bool Shell_NotifyIconA(Long message, const NotifyIconRecord& record) {
    constexpr std::size_t kTipOffset = 24;
    constexpr std::size_t kTipLength = 32;
    NOTIFYICONDATAA data;
    std::memset(&data, 0, sizeof(data));
    // The record is the first version of the structure (a short tip and nothing after it); the
    // shell is told so rather than handed the record's own byte count, which it does not know.
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = win32::HandleFromLong<HWND>(FieldAt(record, 4));
    data.uID = static_cast<UINT>(FieldAt(record, 8));
    data.uFlags = static_cast<UINT>(FieldAt(record, 12));
    data.uCallbackMessage = static_cast<UINT>(FieldAt(record, 16));
    data.hIcon = win32::HandleFromLong<HICON>(FieldAt(record, 20));
    // The tip up to its NUL; the blanks that pad the fixed-width field after it are not text.
    for (std::size_t i = 0; i < kTipLength && record[kTipOffset + i] != 0; ++i) {
        data.szTip[i] = static_cast<CHAR>(record[kTipOffset + i]);
    }
    return ::Shell_NotifyIconA(static_cast<DWORD>(message), &data) != FALSE;
}

}  // namespace platform
