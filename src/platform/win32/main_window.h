// The main window on Win32: a plain top-level window whose child controls are built from the
// shared layout tables, raising the shared handlers (frmPubMain) from its messages. The window is
// the handlers' form; the child controls reach them through the adaptors of control_adaptors.h.
//
// The border is fixed (caption, system menu and minimise button, no sizing frame, no maximise
// button): the window fits its own size to its contents on every resize, so a frame the user could
// drag would only spring back, and a maximised window would refuse that fitting.
#pragma once

#include <windows.h>

#include <array>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/controls.h"
#include "platform/win32/control_adaptors.h"
#include "window/frmPubMain.h"
#include "window/layout.h"

namespace win32 {

class MainWindow final : public platform::FormControl {
  public:
    // The window class, by which the program's other parts and a later start of the program find
    // the window.
    static constexpr const char* kClassName = "ClavitapMainWindow";
    // The timer of the key scan. Each child control's id is its order in the layout.
    static constexpr UINT_PTR kTimerId = 1;

    // Creates the window with every control of the layout and starts the 50 ms timer; the window
    // is not yet shown and Form_Load has not run. The thread's message loop ends when the window
    // goes. Returns null when the system refuses the window.
    static std::unique_ptr<MainWindow> Create(HINSTANCE instance);
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    frmPubMain& Handlers() { return *handlers_; }
    // Shows the window with `showCommand` and raises Form_Resize for the first showing.
    void Show(int showCommand);
    // Gives the dialog manager its turn (Tab, Shift+Tab, access keys). True when it took `message`.
    bool PreTranslate(MSG& message);

    HWND Handle() const { return window_; }

    // platform::FormControl
    Long hWnd() const override;
    Long IconHandle() const override;
    void Hide() override;
    void Show() override;
    float Height() const override;
    float Width() const override;
    float ScaleHeight() const override;
    float ScaleWidth() const override;
    void SetHeight(float twips) override;
    void SetWidth(float twips) override;
    float TwipsPerPixelX() const override;

  private:
    struct Child {
        const layout::Control* layout;
        HWND window;
    };

    explicit MainWindow(HINSTANCE instance) : instance_(instance) {}
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    bool CreateChildren();
    // The child window of a control of the layout, by its name; null for the timer.
    HWND Control(std::string_view name) const;
    // Places every control, sets the fonts and sizes the AutoSize labels for the current DPI.
    void ArrangeForDpi();
    void MakeFonts();
    // Whether every link's caption, set in `font`, ends a link gap before the next link begins.
    bool LinksKeepTheirGaps(HFONT font) const;
    void Paint();
    void Scroll(HWND bar, int request);
    void Command(HWND control, int notification);
    // Sizes a drop-down list about to open to its entries.
    void SizeOpenList(HWND combo);
    LRESULT TextColour(HDC dc, HWND control);
    void MouseMove(WPARAM wParam, LPARAM lParam);
    void Unload();
    // Adds the tray icon again, with the same record, when the window is hidden in the tray.
    void AddTrayIconAgain();
    const Child* FindChild(HWND window) const;
    // The window resized to `width` by `height` pixels, frame included; refused while minimised
    // or maximised.
    void Resize(int width, int height);
    int PixelsFrom(float twips) const;

    HINSTANCE instance_;
    HWND window_ = nullptr;
    HWND focus_ = nullptr;  // the control that has the focus while the window is active
    UINT dpi_ = 96;
    HICON icon_ = nullptr;
    HICON smallIcon_ = nullptr;
    HCURSOR linkCursor_ = nullptr;
    HFONT windowFont_ = nullptr;
    HFONT boldFont_ = nullptr;
    std::vector<Child> children_;
    bool ready_ = false;
    bool unloaded_ = false;
    // Sent to every top-level window when the taskbar starts (again).
    const UINT taskbarCreated_ = RegisterWindowMessageA("TaskbarCreated");

    std::optional<ComboList> comDevies_, comSounds_, diao_;
    std::optional<ScrollBar> vol_;
    std::optional<Label> lblHide_, lblFeedback_;
    std::optional<frmPubMain> handlers_;
};

}  // namespace win32
