// The notification-area icon. The window builds the 56-byte ANSI record of the 32-bit platform;
// here it is read field by field into a zeroed NOTIFYICONDATAA of this platform's own layout (the
// shell reads that many bytes whatever cbSize says), with the window and icon handles widened.
#include "platform/notify_icon.h"

#include <windows.h>

#include <shellapi.h>

#include <cstring>

#include "platform/win32/window_handles.h"
#include "window/tray_icon.h"

namespace platform {

bool Shell_NotifyIconA(Long message, const NotifyIconRecord& bytes) {
    const TrayIconRecord record = FromAnsiBytes(bytes);
    NOTIFYICONDATAA data;
    std::memset(&data, 0, sizeof(data));
    // The record is the first version of the structure (a short tip and nothing after it); the
    // shell is told so rather than handed the record's own byte count, which it does not know.
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = win32::HandleFromLong<HWND>(record.hWnd);
    data.uID = static_cast<UINT>(record.uID);
    data.uFlags = static_cast<UINT>(record.uFlags);
    data.uCallbackMessage = static_cast<UINT>(record.uCallbackMessage);
    data.hIcon = win32::HandleFromLong<HICON>(record.hIcon);
    // The tip up to its NUL; the blanks that pad the fixed-width field after it are not text.
    for (std::size_t i = 0; i < record.szTip.size() && record.szTip[i] != 0; ++i) {
        data.szTip[i] = record.szTip[i];
    }
    return ::Shell_NotifyIconA(static_cast<DWORD>(message), &data) != FALSE;
}

}  // namespace platform
