// Clavitap for Windows: creates the main window, loads it, shows it and runs its messages until
// it is closed.
#include <windows.h>

#include "platform/win32/main_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/, int show) {
    const auto window = win32::MainWindow::Create(instance, true);
    if (!window) return 1;
    window->Load();
    window->Show(show);
    MSG message{};
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (window->PreTranslate(message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}
