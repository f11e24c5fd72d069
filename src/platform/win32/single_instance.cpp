// One program per session on Windows. The running program holds a named mutex in the session's
// namespace for its whole life; the system closes it with the process, however that ends, so a
// program that was killed leaves nothing behind, and of two simultaneous starts exactly one creates
// it. A later start finds the running program's main window by its class and sends it a
// registered message; the window answers once it has brought itself back.
#include "platform/single_instance.h"

#include <windows.h>

#include "platform/message_box.h"
#include "platform/win32/main_window.h"
#include "platform/win32/window_handles.h"

namespace platform {
namespace {

constexpr const char* kMutexName = "Local\\Clavitap.Session";
constexpr const char* kRequestName = "Clavitap.BringBackWindow";
constexpr DWORD kAnswerWaitMs = 2000;
constexpr DWORD kRetryMs = 50;

WNDPROC windowProcedure = nullptr;

UINT RequestMessage() {
    static const UINT message = RegisterWindowMessageA(kRequestName);
    return message;
}

// Placed in front of the main window's own procedure: answers a later start's request and passes
// every other message on.
LRESULT CALLBACK AnswerRequest(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != RequestMessage() || message == 0) {
        return CallWindowProcA(windowProcedure, window, message, wParam, lParam);
    }
    if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
    // The notification area's report of a left-button release over the icon.
    SendMessageA(window, WM_MOUSEMOVE, 0, WM_LBUTTONUP);
    SetForegroundWindow(window);
    return static_cast<LRESULT>(message);
}

// True when the running program's window answered the request.
bool AskRunningProgram() {
    const HWND running = FindWindowA(win32::MainWindow::kClassName, nullptr);
    if (running == nullptr) return false;
    // This start has just been started by the user, so it may let the running program come to
    // the front.
    DWORD process = 0;
    GetWindowThreadProcessId(running, &process);
    AllowSetForegroundWindow(process);
    DWORD_PTR answer = 0;
    return SendMessageTimeoutA(running, RequestMessage(), 0, 0, SMTO_ABORTIFHUNG, kAnswerWaitMs,
                               &answer) != 0 &&
           answer == RequestMessage();
}

}  // namespace

SessionClaim ClaimSession() {
    // A program that is still starting may have no window yet, and one that is ending may have
    // no window any more but still hold the mutex: ask again for a while.
    const DWORD start = GetTickCount();
    do {
        const HANDLE mutex = CreateMutexA(nullptr, FALSE, kMutexName);
        // Without the mutex there is nothing to coordinate through: this start runs.
        if (mutex == nullptr) return SessionClaim::First;
        // The handle stays open until the process ends: that is the claim.
        if (GetLastError() != ERROR_ALREADY_EXISTS) return SessionClaim::First;
        CloseHandle(mutex);
        if (AskRunningProgram()) return SessionClaim::HandedOver;
        Sleep(kRetryMs);
    } while (GetTickCount() - start < kAnswerWaitMs);
    MsgBox(
        "Clavitap is already running but does not answer. If its window does not appear, end "
        "that program and start Clavitap again.");
    return SessionClaim::NoAnswer;
}

void AnswerLaterStarts(Long hWnd) {
    const HWND window = win32::HandleFromLong<HWND>(hWnd);
    windowProcedure = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AnswerRequest)));
}

}  // namespace platform
