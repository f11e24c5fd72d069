// Helpers for the Win32 tests that run under Wine: message pumping with a deadline, and a closer
// for the error boxes the program shows, so that no box can hold a test.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace test {

// Runs this thread's messages for `milliseconds`, or until `done` answers true.
inline bool PumpUntil(const std::function<bool()>& done, int milliseconds,
                      HWND dialogOwner = nullptr) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (dialogOwner != nullptr && IsDialogMessageA(dialogOwner, &message)) continue;
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (done && done()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

inline void PumpFor(int milliseconds, HWND dialogOwner = nullptr) {
    PumpUntil(nullptr, milliseconds, dialogOwner);
}

// While it lives, every message box this thread opens is recorded (title and text) and closed as
// soon as it becomes active, through a CBT hook: the program itself has no switch for tests.
class MessageBoxCloser {
  public:
    struct Box {
        std::string title;
        std::string text;
    };

    MessageBoxCloser() {
        current_ = this;
        hook_ = SetWindowsHookExA(WH_CBT, &MessageBoxCloser::Hook, nullptr, GetCurrentThreadId());
    }
    ~MessageBoxCloser() {
        UnhookWindowsHookEx(hook_);
        current_ = nullptr;
    }
    MessageBoxCloser(const MessageBoxCloser&) = delete;
    MessageBoxCloser& operator=(const MessageBoxCloser&) = delete;

    const std::vector<Box>& boxes() const { return boxes_; }
    void clear() { boxes_.clear(); }

  private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
        if (code == HCBT_ACTIVATE && current_ != nullptr) {
            const HWND window = reinterpret_cast<HWND>(wParam);
            char className[32] = {};
            GetClassNameA(window, className, sizeof(className));
            if (std::string(className) == "#32770") {
                char title[256] = {};
                char text[1024] = {};
                GetWindowTextA(window, title, sizeof(title));
                GetDlgItemTextA(window, 0xFFFF, text, sizeof(text));
                current_->boxes_.push_back({title, text});
                PostMessageA(window, WM_COMMAND, IDOK, 0);
            }
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    static inline MessageBoxCloser* current_ = nullptr;
    HHOOK hook_ = nullptr;
    std::vector<Box> boxes_;
};

// Sends one key through the system's input queue, as a keyboard would.
inline void PressKey(BYTE key, bool down) {
    keybd_event(key, static_cast<BYTE>(MapVirtualKeyA(key, MAPVK_VK_TO_VSC)),
                down ? 0 : KEYEVENTF_KEYUP, 0);
}

}  // namespace test
