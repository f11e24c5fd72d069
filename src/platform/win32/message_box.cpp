// The error box: MessageBoxA with one OK button and the program's title. It is owned by the main
// window, so that the window waits while the box is open, also when the box comes from the key
// scan while the window is hidden in the tray or another program is active; and it comes to the
// front, since a box behind another program's window would hold the scan unseen.
//
// There is deliberately no test switch in here: tests close boxes from the outside (a CBT hook in
// an in-process test, a watcher that presses OK on the child's boxes in a whole-program test).
#include "platform/message_box.h"

#include <windows.h>

#include "platform/key_state.h"
#include "platform/win32/main_window.h"
#include "window/layout.h"

namespace platform {
namespace {

BOOL CALLBACK FindMainWindow(HWND window, LPARAM found) {
    char className[64] = {};
    GetClassNameA(window, className, sizeof(className));
    if (lstrcmpA(className, win32::MainWindow::kClassName) != 0) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

// The main window of this thread, shown or hidden; else the active window, if any.
HWND Owner() {
    HWND main = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &FindMainWindow, reinterpret_cast<LPARAM>(&main));
    return main != nullptr ? main : GetActiveWindow();
}

int openBoxes = 0;

}  // namespace

void MsgBox(const std::string& text) {
    const std::string title(layout::kCaption);
    ++openBoxes;
    MessageBoxA(Owner(), text.c_str(), title.c_str(), MB_OK | MB_SETFOREGROUND | MB_TOPMOST);
    --openBoxes;
    // The keys typed while the box was open, the one that closed it among them, were its own.
    ForgetKeyPresses();
}

bool MsgBoxOpen() {
    return openBoxes > 0;
}

}  // namespace platform
