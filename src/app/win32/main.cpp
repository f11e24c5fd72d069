// Clavitap for Windows: creates the main window, loads it, shows it and runs its messages until
// it is closed.
#include <windows.h>

#include "core/dispatch.h"
#include "platform/single_instance.h"
#include "platform/win32/main_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/, int show) {
    // A second start only brings the running program's window back.
    if (const auto claim = platform::ClaimSession(); claim != platform::SessionClaim::First) {
        return claim == platform::SessionClaim::HandedOver ? 0 : 1;
    }
    const auto window = win32::MainWindow::Create(instance);
    if (!window) return 1;
    platform::AnswerLaterStarts(window->hWnd());
    Dispatch([&] { window->Handlers().Form_Load(); });
    // Closed from a box that start-up showed: nothing is left to show.
    if (window->Handle() == nullptr) return 0;
    window->Show(show);
    MSG message{};
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (window->PreTranslate(message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}
