#include "platform/win32/main_window.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "assets/windows/resource_ids.h"
#include "core/dispatch.h"
#include "core/errors.h"
#include "platform/win32/gdi/caption_size.h"
#include "platform/win32/twips.h"
#include "platform/win32/window_handles.h"

namespace win32 {
namespace {

constexpr DWORD kWindowStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr COLORREF kGreen = RGB(0, 128, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);

std::string Text(std::string_view text) {
    return std::string(text);
}

HFONT MakeFont(int height, int weight) {
    const std::string face = Text(layout::kFontName);
    return CreateFontA(-height, 0, 0, 0, weight, FALSE, FALSE, FALSE, ANSI_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, face.c_str());
}

bool IsLabel(layout::Kind kind) {
    return kind == layout::Kind::Label || kind == layout::Kind::LinkLabel;
}

struct ChildClass {
    const char* className;
    DWORD style;
    DWORD extendedStyle;
};

// Every control is a group of its own, so the arrow keys stay inside the control that has the
// focus; the lists and the volume bar are the only tab stops.
ChildClass ClassOf(const layout::Control& control) {
    constexpr DWORD kChild = WS_CHILD | WS_VISIBLE | WS_GROUP;
    switch (control.kind) {
        case layout::Kind::TextBox:
            return {"EDIT", kChild | ES_MULTILINE | ES_READONLY, WS_EX_CLIENTEDGE};
        case layout::Kind::DropDownList:
            return {"COMBOBOX", kChild | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0};
        case layout::Kind::HScrollBar:
            return {"SCROLLBAR", kChild | WS_TABSTOP | SBS_HORZ, 0};
        case layout::Kind::LinkLabel:
            return {"STATIC", kChild | SS_LEFTNOWORDWRAP | SS_NOTIFY, 0};
        case layout::Kind::Label:
            return {"STATIC", kChild | (control.wordWrap ? SS_LEFT : SS_LEFTNOWORDWRAP), 0};
        case layout::Kind::Timer:
            break;
    }
    return {nullptr, 0, 0};
}

}  // namespace

std::unique_ptr<MainWindow> MainWindow::Create(HINSTANCE instance) {
    std::unique_ptr<MainWindow> self(new MainWindow(instance));
    self->icon_ = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_CLAVITAP),
                                                IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                                GetSystemMetrics(SM_CYICON), LR_SHARED));
    self->smallIcon_ = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_CLAVITAP),
                                                     IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                     GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    self->linkCursor_ = static_cast<HCURSOR>(
        LoadImageA(instance, MAKEINTRESOURCEA(IDC_LINK_HAND), IMAGE_CURSOR, 0, 0, LR_SHARED));
    if (self->linkCursor_ == nullptr) self->linkCursor_ = LoadCursor(nullptr, IDC_HAND);

    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = &MainWindow::Procedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = self->icon_;
    windowClass.hIconSm = self->smallIcon_;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = kClassName;
    RegisterClassExA(&windowClass);  // fails harmlessly when a second window registers it again

    // The client area of the layout at the screen's DPI; the first Form_Resize fits it exactly.
    const UINT dpi = WindowDpi(nullptr);
    RECT frame{0, 0, PixelsFromTwips(layout::kClientWidth, dpi),
               PixelsFromTwips(layout::kClientHeight, dpi)};
    AdjustWindowRectEx(&frame, kWindowStyle, FALSE, 0);
    const std::string caption = Text(layout::kCaption);
    CreateWindowExA(0, kClassName, caption.c_str(), kWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                    frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance,
                    self.get());
    if (self->window_ == nullptr || !self->CreateChildren()) return nullptr;

    self->comDevies_.emplace(self->Control("ComDevies"));
    self->comSounds_.emplace(self->Control("ComSounds"));
    self->diao_.emplace(self->Control("diao"));
    self->vol_.emplace(self->Control("Vol"), layout::kVolMin, layout::kVolMax);
    self->lblHide_.emplace(self->Control("lblHide"));
    self->lblFeedback_.emplace(self->Control("lblFeedback"));
    self->handlers_.emplace(frmPubMain::Controls{*self, *self->comDevies_, *self->comSounds_,
                                                 *self->diao_, *self->vol_, *self->lblHide_,
                                                 *self->lblFeedback_});
    SetTimer(self->window_, kTimerId, layout::kTimerIntervalMs, nullptr);
    self->ready_ = true;
    return self;
}

MainWindow::~MainWindow() {
    if (window_ != nullptr) DestroyWindow(window_);
    if (windowFont_ != nullptr) DeleteObject(windowFont_);
    if (boldFont_ != nullptr) DeleteObject(boldFont_);
}

bool MainWindow::CreateChildren() {
    // The dialog manager follows the order of the child windows, so they are created in the
    // layout's tab order.
    std::vector<const layout::Control*> inTabOrder;
    for (const layout::Control& control : layout::kControls) {
        if (control.kind != layout::Kind::Timer) inTabOrder.push_back(&control);
    }
    std::sort(inTabOrder.begin(), inTabOrder.end(),
              [](const auto* a, const auto* b) { return a->tabIndex < b->tabIndex; });
    for (const layout::Control* control : inTabOrder) {
        const ChildClass kind = ClassOf(*control);
        const std::string text = Text(control->text);
        const HWND child = CreateWindowExA(
            kind.extendedStyle, kind.className, text.c_str(), kind.style, 0, 0, 0, 0, window_,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(control->order)), instance_, nullptr);
        if (child == nullptr) return false;
        children_.push_back({control, child});
    }
    const HWND sounds = Control("ComSounds");
    for (std::string_view entry : layout::kInstruments) {
        SendMessageA(sounds, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Text(entry).c_str()));
    }
    const HWND tones = Control("diao");
    for (std::string_view entry : layout::kTones) {
        SendMessageA(tones, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Text(entry).c_str()));
    }
    const HWND volume = Control("Vol");
    SetScrollRange(volume, SB_CTL, layout::kVolMin, layout::kVolMax, FALSE);
    SetScrollPos(volume, SB_CTL, layout::kVolMin, FALSE);
    dpi_ = WindowDpi(window_);
    ArrangeForDpi();
    return true;
}

void MainWindow::MakeFonts() {
    if (windowFont_ != nullptr) DeleteObject(windowFont_);
    if (boldFont_ != nullptr) DeleteObject(boldFont_);
    // 8.25 points is a fraction of a pixel at most DPIs (16.5 at 144). Where rounding it up
    // makes a link's caption run into the gap before the next link, whose place is fixed, the
    // fraction is dropped instead: the gaps are part of the layout.
    const double exact = layout::kFontPoints * dpi_ / 72.0;
    int height = static_cast<int>(std::lround(exact));
    if (height > static_cast<int>(exact)) {
        const HFONT rounded = MakeFont(height, FW_NORMAL);
        if (!LinksKeepTheirGaps(rounded)) height = static_cast<int>(exact);
        DeleteObject(rounded);
    }
    windowFont_ = MakeFont(height, FW_NORMAL);
    boldFont_ = MakeFont(height, FW_BOLD);
}

bool MainWindow::LinksKeepTheirGaps(HFONT font) const {
    for (const Child& child : children_) {
        const layout::Control& link = *child.layout;
        if (link.kind != layout::Kind::LinkLabel) continue;
        const layout::Control* next = layout::NextLink(link);
        if (next == nullptr) continue;
        const int room = PixelsFromTwips(next->left, dpi_) - PixelsFromTwips(link.left, dpi_) -
                         PixelsFromTwips(layout::kLinkGap, dpi_);
        if (CaptionSize(font, link.text).cx > room) return false;
    }
    return true;
}

void MainWindow::ArrangeForDpi() {
    MakeFonts();
    for (const Child& child : children_) {
        const layout::Control& control = *child.layout;
        const HFONT font = control.font == layout::Font::Bold     ? boldFont_
                           : control.font == layout::Font::Window ? windowFont_
                                                                  : nullptr;
        if (font != nullptr)
            SendMessageA(child.window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        int width = PixelsFromTwips(control.width, dpi_);
        int height = PixelsFromTwips(control.height, dpi_);
        if (control.kind == layout::Kind::DropDownList) {
            // The closed height follows the font; the height given here is that of the open list.
            const LRESULT row = SendMessageA(child.window, CB_GETITEMHEIGHT, 0, 0);
            height += static_cast<int>(std::max<LRESULT>(row, 1)) * layout::kVisibleListRows;
            // Version 6 of the common controls sizes the open list by this count, not the height.
            SendMessageA(child.window, CB_SETMINVISIBLE, layout::kVisibleListRows, 0);
        }
        if (IsLabel(control.kind) && control.autoSize) {
            // AutoSize: the caption's own size in its font, as this screen measures it.
            const SIZE extent = CaptionSize(font, control.text);
            width = extent.cx;
            height = extent.cy;
        }
        SetWindowPos(child.window, nullptr, PixelsFromTwips(control.left, dpi_),
                     PixelsFromTwips(control.top, dpi_), width, height,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    InvalidateRect(window_, nullptr, TRUE);
}

HWND MainWindow::Control(std::string_view name) const {
    for (const Child& child : children_) {
        if (child.layout->name == name) return child.window;
    }
    return nullptr;
}

const MainWindow::Child* MainWindow::FindChild(HWND window) const {
    for (const Child& child : children_) {
        if (child.window == window) return &child;
    }
    return nullptr;
}

void MainWindow::Show(int showCommand) {
    ShowWindow(window_, showCommand);
    Dispatch([&] { handlers_->Form_Resize(); });
}

bool MainWindow::PreTranslate(MSG& message) {
    return window_ != nullptr && IsDialogMessageA(window_, &message) != FALSE;
}

LRESULT CALLBACK MainWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self =
            static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self == nullptr) return DefWindowProcA(window, message, wParam, lParam);
    try {
        return self->Handle(message, wParam, lParam);
    } catch (...) {
        return 0;
    }
}

LRESULT MainWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == taskbarCreated_ && message != 0) {
        AddTrayIconAgain();
        return 0;
    }
    switch (message) {
        case WM_TIMER:
            if (wParam == kTimerId && ready_ && !unloaded_) {
                Dispatch([&] { handlers_->Timer1_Timer(); });
            }
            return 0;
        case WM_COMMAND:
            Command(reinterpret_cast<HWND>(lParam), HIWORD(wParam));
            return 0;
        case WM_HSCROLL:
            Scroll(reinterpret_cast<HWND>(lParam), LOWORD(wParam));
            return 0;
        case WM_CTLCOLORSTATIC:
            return TextColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case WM_SETCURSOR: {
            const Child* child = FindChild(reinterpret_cast<HWND>(wParam));
            if (child != nullptr && child->layout->kind == layout::Kind::LinkLabel) {
                SetCursor(linkCursor_);
                return TRUE;
            }
            break;
        }
        case WM_ACTIVATE:
            // Like a dialog, the window keeps the control that had the focus across a change of
            // active window (an error box, another program) and starts on the first tab stop.
            if (LOWORD(wParam) == WA_INACTIVE) {
                const HWND focus = GetFocus();
                if (focus != nullptr && IsChild(window_, focus)) focus_ = focus;
            } else if (!HIWORD(wParam)) {
                if (focus_ == nullptr || !IsWindow(focus_)) {
                    focus_ = GetNextDlgTabItem(window_, nullptr, FALSE);
                }
                if (focus_ != nullptr) SetFocus(focus_);
            }
            return 0;
        case WM_NEXTDLGCTL: {
            // The dialog manager moves the focus with this message, also for the access key of a
            // caption label: first to the label, then on to the next tab stop after it.
            const HWND target = LOWORD(lParam)
                                    ? reinterpret_cast<HWND>(wParam)
                                    : GetNextDlgTabItem(window_, GetFocus(), wParam != 0);
            if (target != nullptr) SetFocus(target);
            return 0;
        }
        case WM_PAINT:
            Paint();
            return 0;
        case WM_MOUSEMOVE:
            MouseMove(wParam, lParam);
            return 0;
        case WM_SIZE:
            if (ready_) Dispatch([&] { handlers_->Form_Resize(); });
            return 0;
        case WM_DPICHANGED: {
            dpi_ = HIWORD(wParam);
            ArrangeForDpi();
            const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
            SetWindowPos(window_, nullptr, suggested->left, suggested->top,
                         suggested->right - suggested->left, suggested->bottom - suggested->top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
            return 0;
        }
        case WM_CLOSE:
            Unload();
            DestroyWindow(window_);
            return 0;
        case WM_ENDSESSION:
            // The session ends without closing the window: the scan stops before the choices
            // are saved, so that no note is sent and no box opens afterwards. The program then
            // ends as after a close, also when a box holds the start-up: Wine ends no process at
            // a log-off, and the system need not wait for one.
            if (wParam) {
                KillTimer(window_, kTimerId);
                Unload();
                DestroyWindow(window_);
            }
            return 0;
        case WM_DESTROY:
            KillTimer(window_, kTimerId);
            Unload();
            PostQuitMessage(0);
            return 0;
        case WM_NCDESTROY:
            SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
            ready_ = false;
            window_ = nullptr;
            return 0;
        default:
            break;
    }
    return DefWindowProcA(window_, message, wParam, lParam);
}

void MainWindow::Unload() {
    if (unloaded_ || !ready_) return;
    unloaded_ = true;
    Dispatch([&] { handlers_->Form_Unload(); });
}

void MainWindow::AddTrayIconAgain() {
    // A new taskbar (after the old one ended) starts with an empty notification area; a window
    // hidden there would be out of reach without its icon.
    if (!ready_ || unloaded_ || IsWindowVisible(window_)) return;
    const TrayIconRecord& record = handlers_->TrayIcon();
    if (record.hWnd == 0) return;  // never hidden in the tray
    Dispatch([&] { platform::Shell_NotifyIconA(platform::NIM_ADD, AnsiBytes(record)); });
}

void MainWindow::Command(HWND control, int notification) {
    const Child* child = FindChild(control);
    if (child == nullptr) return;
    const std::string_view name = child->layout->name;
    if (notification == CBN_DROPDOWN) {
        SizeOpenList(control);
    } else if (notification == CBN_SELCHANGE) {
        if (name == "ComDevies") Dispatch([&] { handlers_->ComDevies_Click(); });
        if (name == "ComSounds") Dispatch([&] { handlers_->ComSounds_Click(); });
    } else if (notification == STN_CLICKED) {
        if (name == "lblHide") Dispatch([&] { handlers_->lblHide_Click(); });
        if (name == "lblDonate") Dispatch([&] { handlers_->lblDonate_Click(); });
        if (name == "lblHomepage") Dispatch([&] { handlers_->lblHomepage_Click(); });
        if (name == "lblFeedback") Dispatch([&] { handlers_->lblFeedback_Click(); });
    }
}

void MainWindow::SizeOpenList(HWND combo) {
    // The list drops as tall as its entries, 12 rows at most and one blank row when empty: the
    // system would otherwise drop the combo box's whole height, empty or not.
    const LRESULT count = SendMessageA(combo, CB_GETCOUNT, 0, 0);
    const LRESULT row = SendMessageA(combo, CB_GETITEMHEIGHT, 0, 0);
    RECT closed{};
    GetWindowRect(combo, &closed);
    if (count < 0 || row <= 0) return;
    const int rows = static_cast<int>(std::clamp<LRESULT>(count, 1, layout::kVisibleListRows));
    // The window's own rectangle is the closed box; the height set is that of box and list.
    SetWindowPos(combo, nullptr, 0, 0, closed.right - closed.left,
                 closed.bottom - closed.top + rows * static_cast<int>(row) + 2,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::Scroll(HWND bar, int request) {
    if (bar == nullptr || bar != Control("Vol")) return;
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_POS | SIF_RANGE | SIF_TRACKPOS;
    GetScrollInfo(bar, SB_CTL, &info);
    int position = info.nPos;
    switch (request) {
        case SB_LINELEFT:
            position -= layout::kVolSmallChange;
            break;
        case SB_LINERIGHT:
            position += layout::kVolSmallChange;
            break;
        case SB_PAGELEFT:
            position -= layout::kVolLargeChange;
            break;
        case SB_PAGERIGHT:
            position += layout::kVolLargeChange;
            break;
        case SB_LEFT:
            position = info.nMin;
            break;
        case SB_RIGHT:
            position = info.nMax;
            break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION:
            position = info.nTrackPos;
            break;
        default:
            return;
    }
    SetScrollPos(bar, SB_CTL, std::clamp(position, info.nMin, info.nMax), TRUE);
}

LRESULT MainWindow::TextColour(HDC dc, HWND control) {
    const Child* child = FindChild(control);
    COLORREF colour = GetSysColor(COLOR_BTNTEXT);
    if (child != nullptr && child->layout->color == layout::Color::Green) colour = kGreen;
    if (child != nullptr && child->layout->color == layout::Color::Blue) colour = kBlue;
    SetTextColor(dc, colour);
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    SetBkMode(dc, OPAQUE);
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

void MainWindow::Paint() {
    PAINTSTRUCT paint{};
    const HDC dc = BeginPaint(window_, &paint);
    const HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_WINDOWTEXT));
    const HGDIOBJ old = SelectObject(dc, pen);
    for (const layout::Line& line : layout::kLines) {
        MoveToEx(dc, PixelsFromTwips(line.x1, dpi_), PixelsFromTwips(line.y1, dpi_), nullptr);
        LineTo(dc, PixelsFromTwips(line.x2, dpi_), PixelsFromTwips(line.y2, dpi_));
    }
    SelectObject(dc, old);
    DeleteObject(pen);
    EndPaint(window_, &paint);
}

void MainWindow::MouseMove(WPARAM wParam, LPARAM lParam) {
    // The notification area's callback arrives here too, with its mouse message in the low word
    // of lParam: it becomes X in twips, as an ordinary move at that pixel column would.
    Integer button = 0;
    if (wParam & MK_LBUTTON) button |= 1;
    if (wParam & MK_RBUTTON) button |= 2;
    if (wParam & MK_MBUTTON) button |= 4;
    Integer shift = 0;
    if (wParam & MK_SHIFT) shift |= 1;
    if (wParam & MK_CONTROL) shift |= 2;
    if (GetKeyState(VK_MENU) < 0) shift |= 4;
    const float perPixel = TwipsPerPixel(dpi_);
    const float x = static_cast<float>(LOWORD(lParam)) * perPixel;
    const float y = static_cast<float>(HIWORD(lParam)) * perPixel;
    Dispatch([&] { handlers_->Form_MouseMove(button, shift, x, y); });
}

// ---- platform::FormControl

Long MainWindow::hWnd() const {
    return LongFromHandle(window_);
}
Long MainWindow::IconHandle() const {
    return LongFromHandle(icon_);
}

void MainWindow::Hide() {
    ShowWindow(window_, SW_HIDE);
}
void MainWindow::Show() {
    ShowWindow(window_, SW_SHOW);
}

float MainWindow::Height() const {
    RECT rect{};
    GetWindowRect(window_, &rect);
    return TwipsFromPixels(rect.bottom - rect.top, WindowDpi(window_));
}
float MainWindow::Width() const {
    RECT rect{};
    GetWindowRect(window_, &rect);
    return TwipsFromPixels(rect.right - rect.left, WindowDpi(window_));
}
float MainWindow::ScaleHeight() const {
    RECT rect{};
    GetClientRect(window_, &rect);
    return TwipsFromPixels(rect.bottom, WindowDpi(window_));
}
float MainWindow::ScaleWidth() const {
    RECT rect{};
    GetClientRect(window_, &rect);
    return TwipsFromPixels(rect.right, WindowDpi(window_));
}

int MainWindow::PixelsFrom(float twips) const {
    const UINT dpi = WindowDpi(window_);
    // The range is checked before converting, with the same rounding as the rest of the window.
    const double pixels = std::round(static_cast<double>(twips) * dpi / layout::kTwipsPerInch);
    if (!std::isfinite(pixels) || pixels < 0 || pixels > std::numeric_limits<short>::max()) {
        throw InvalidPropertyValue();
    }
    return PixelsFromTwips(twips, dpi);
}

void MainWindow::Resize(int width, int height) {
    // A minimised or maximised window keeps its size: the change is refused.
    if (IsIconic(window_) || IsZoomed(window_)) throw InvalidPropertyValue();
    RECT rect{};
    GetWindowRect(window_, &rect);
    if (rect.right - rect.left == width && rect.bottom - rect.top == height) return;
    SetWindowPos(window_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::SetHeight(float twips) {
    RECT rect{};
    GetWindowRect(window_, &rect);
    Resize(rect.right - rect.left, PixelsFrom(twips));
}

void MainWindow::SetWidth(float twips) {
    RECT rect{};
    GetWindowRect(window_, &rect);
    Resize(PixelsFrom(twips), rect.bottom - rect.top);
}

float MainWindow::TwipsPerPixelX() const {
    return TwipsPerPixel(WindowDpi(window_));
}

}  // namespace win32
