// The main window on the real Win32 window system (Wine): its controls, tab order and access
// keys, the refusal of bad selections, the tray icon round trip, the self-fitting and the key
// scan driven by the window's own timer.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "core/dispatch.h"
#include "core/errors.h"
#include "midi/mdlPubSelf.h"
#include "platform/key_state.h"
#include "platform/midi_out.h"
#include "platform/notify_icon.h"
#include "platform/settings.h"
#include "platform/win32/control_adaptors.h"
#include "platform/win32/main_window.h"
#include "platform/win32/twips.h"
#include "tests/support/window_pixels.h"
#include "tests/win32/test_support.h"
#include "window/layout.h"

namespace {

std::string ClassOf(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof(name));
    return name;
}

std::string TextOf(HWND window) {
    char text[512] = {};
    GetWindowTextA(window, text, sizeof(text));
    return text;
}

std::string Entry(HWND combo, int index) {
    char text[128] = {};
    SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
    return text;
}

class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\VB and VBA Program Settings\\Clavitap");
        window_ = win32::MainWindow::Create(GetModuleHandleA(nullptr));
        ASSERT_NE(window_, nullptr);
    }
    void TearDown() override {
        // The window ends the thread's message loop as it goes; this thread goes on with the
        // next test, whose boxes must not see that end.
        window_.reset();
        MSG quit;
        PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    }
    void ShowLoaded() {
        Dispatch([&] { window_->Handlers().Form_Load(); });
        window_->Show(SW_SHOWNORMAL);
        SetForegroundWindow(window_->Handle());
        test::PumpFor(200, window_->Handle());
    }
    // The child window of the control called `name` in the layout, whose id is its order there.
    HWND Control(std::string_view name) const {
        for (const layout::Control& control : layout::kControls) {
            if (control.name == name) return GetDlgItem(window_->Handle(), control.order);
        }
        return nullptr;
    }
    // Keys pressed for the dialog manager would also sound through the key scan, and with no MIDI
    // device each note opens an error box that takes the focus for a moment; tests of keyboard
    // navigation stop the scan's timer.
    void StopKeyScan() { KillTimer(window_->Handle(), win32::MainWindow::kTimerId); }
    HWND Focused() const { return GetFocus(); }
    void Keys(std::initializer_list<BYTE> held, BYTE key) {
        for (BYTE modifier : held) test::PressKey(modifier, true);
        test::PressKey(key, true);
        test::PressKey(key, false);
        for (BYTE modifier : held) test::PressKey(modifier, false);
        test::PumpFor(150, window_->Handle());
    }
    RECT ClientRectOf(HWND control) const {
        RECT rect{};
        GetWindowRect(control, &rect);
        MapWindowPoints(HWND_DESKTOP, window_->Handle(), reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }

    test::MessageBoxCloser boxes_;  // before the window: its load may show MIDI errors
    std::unique_ptr<win32::MainWindow> window_;
};

TEST_F(MainWindowTest, ControlsHaveTheirClassesStylesTextsAndLists) {
    EXPECT_EQ(TextOf(window_->Handle()), "Clavitap");
    EXPECT_EQ(ClassOf(window_->Handle()), win32::MainWindow::kClassName);
    const LONG frame = GetWindowLongA(window_->Handle(), GWL_STYLE);
    EXPECT_TRUE(frame & WS_MINIMIZEBOX);
    EXPECT_FALSE(frame & (WS_THICKFRAME | WS_MAXIMIZEBOX));

    for (const layout::Control& control : layout::kControls) {
        const HWND child = Control(std::string(control.name).c_str());
        if (control.kind == layout::Kind::Timer) {
            EXPECT_EQ(child, nullptr);
            continue;
        }
        ASSERT_NE(child, nullptr) << control.name;
        EXPECT_EQ(GetDlgCtrlID(child), control.order) << control.name;
        const LONG style = GetWindowLongA(child, GWL_STYLE);
        const bool tabStop = (style & WS_TABSTOP) != 0;
        switch (control.kind) {
            case layout::Kind::TextBox:
                EXPECT_EQ(ClassOf(child), "Edit");
                EXPECT_TRUE(style & ES_MULTILINE);
                EXPECT_TRUE(style & ES_READONLY);
                EXPECT_FALSE(style & (WS_VSCROLL | WS_HSCROLL));
                EXPECT_FALSE(tabStop);
                EXPECT_EQ(TextOf(child), std::string(layout::kNotesText));
                break;
            case layout::Kind::DropDownList:
                EXPECT_EQ(ClassOf(child), "ComboBox");
                EXPECT_EQ(style & 3, CBS_DROPDOWNLIST) << control.name;
                EXPECT_TRUE(tabStop);
                break;
            case layout::Kind::HScrollBar:
                EXPECT_EQ(ClassOf(child), "ScrollBar");
                EXPECT_EQ(style & SBS_VERT, 0);
                EXPECT_TRUE(tabStop);
                break;
            default:
                EXPECT_EQ(ClassOf(child), "Static") << control.name;
                EXPECT_EQ(TextOf(child), std::string(control.text));
                EXPECT_EQ((style & SS_NOTIFY) != 0, control.kind == layout::Kind::LinkLabel)
                    << control.name;
                EXPECT_FALSE(tabStop);
                break;
        }
    }

    const HWND sounds = Control("ComSounds");
    ASSERT_EQ(SendMessageA(sounds, CB_GETCOUNT, 0, 0), 128);
    for (int i = 0; i < 128; ++i) EXPECT_EQ(Entry(sounds, i), std::string(layout::kInstruments[i]));
    EXPECT_EQ(Entry(sounds, 87), "Bass&Lead");
    const HWND tones = Control("diao");
    ASSERT_EQ(SendMessageA(tones, CB_GETCOUNT, 0, 0), 12);
    EXPECT_EQ(Entry(tones, 1), "C#");
    EXPECT_EQ(SendMessageA(Control("ComDevies"), CB_GETCOUNT, 0, 0), 0);  // filled at load
    for (const char* list : {"ComDevies", "ComSounds", "diao"}) {
        EXPECT_EQ(SendMessageA(Control(list), CB_GETCURSEL, 0, 0), CB_ERR) << list;
    }
    int low = -1, high = -1;
    GetScrollRange(Control("Vol"), SB_CTL, &low, &high);
    EXPECT_EQ(low, 0);
    EXPECT_EQ(high, 100);
    EXPECT_EQ(GetScrollPos(Control("Vol"), SB_CTL), 0);

    // The children stand in the layout's tab order, which the dialog manager follows.
    std::vector<int> tabIndexes;
    for (HWND child = GetWindow(window_->Handle(), GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        for (const layout::Control& control : layout::kControls) {
            if (control.order == GetDlgCtrlID(child)) tabIndexes.push_back(control.tabIndex);
        }
    }
    ASSERT_EQ(tabIndexes.size(), 16u);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(tabIndexes[static_cast<std::size_t>(i)], i);
}

TEST_F(MainWindowTest, AutoSizeLabelsTakeTheirMeasuredSizeAndLinksAreBlueAndGreenTextGreen) {
    ShowLoaded();
    const RECT hide = ClientRectOf(Control("lblHide"));
    EXPECT_EQ(hide.left, 32);  // 480 twips
    EXPECT_EQ(hide.top, 231);  // 3465 twips
    EXPECT_EQ(hide.bottom - hide.top, 13);
    EXPECT_GT(hide.right - hide.left, 60);
    const RECT label7 = ClientRectOf(Control("Label7"));
    EXPECT_EQ(label7.right - label7.left, 341);  // fixed: 5115 twips
    EXPECT_EQ(label7.bottom - label7.top, 26);

    const HDC dc = GetDC(window_->Handle());
    const auto colourOf = [&](const char* name) {
        SendMessageA(window_->Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                     reinterpret_cast<LPARAM>(Control(name)));
        return GetTextColor(dc);
    };
    EXPECT_EQ(colourOf("lblDonate"), RGB(0, 0, 255));
    EXPECT_EQ(colourOf("Label8"), RGB(0, 128, 0));
    EXPECT_EQ(colourOf("Label1"), GetSysColor(COLOR_BTNTEXT));
    ReleaseDC(window_->Handle(), dc);
}

// The client area as the screen shows it.
look::Pixels Grab(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    look::Pixels pixels{client.right, client.bottom, {}};
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = pixels.width;
    info.bmiHeader.biHeight = -pixels.height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const HDC screen = GetDC(nullptr);
    const HDC memory = CreateCompatibleDC(screen);
    const HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, pixels.width, pixels.height, screen, origin.x, origin.y, SRCCOPY);
    GdiFlush();
    const auto* rows = static_cast<const std::uint32_t*>(bits);
    pixels.rgb.assign(rows, rows + static_cast<std::size_t>(pixels.width) * pixels.height);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

std::uint32_t Rgb(COLORREF colour) {
    return static_cast<std::uint32_t>(GetRValue(colour) << 16 | GetGValue(colour) << 8 |
                                      GetBValue(colour));
}

// How much heavier the bold font of `boldControl` draws a text than the regular font of
// `regularControl`, as the system draws them.
double SystemBoldness(HWND boldControl, HWND regularControl) {
    const auto strokes = [](HWND control) {
        constexpr int kWidth = 400, kHeight = 40;
        const char* sample = "Clavitap, lets your keyboard to sing";
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = kWidth;
        info.bmiHeader.biHeight = -kHeight;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        const HDC dc = CreateCompatibleDC(nullptr);
        const HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        const HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
        const HGDIOBJ oldFont =
            SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));
        RECT all{0, 0, kWidth, kHeight};
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        TextOutA(dc, 2, 2, sample, static_cast<int>(std::strlen(sample)));
        GdiFlush();
        const auto* rows = static_cast<const std::uint32_t*>(bits);
        const look::Pixels pixels{kWidth, kHeight, {rows, rows + kWidth * kHeight}};
        SelectObject(dc, oldFont);
        SelectObject(dc, oldBitmap);
        DeleteObject(bitmap);
        DeleteDC(dc);
        return look::StrokeWidth(pixels, {0, 0, kWidth, kHeight}, 0xffffff);
    };
    return strokes(boldControl) / strokes(regularControl);
}

// Run at 96 and at 144 dpi (CLAVITAP_WINE_DPI): the window as it reaches the screen.
TEST_F(MainWindowTest, LooksAsLaidOutAtThisDpi) {
    ShowLoaded();
    StopKeyScan();
    SetWindowPos(window_->Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    test::PumpFor(300, window_->Handle());
    const HWND window = window_->Handle();
    const UINT dpi = win32::WindowDpi(window);
    const look::Pixels pixels = Grab(window);
    const auto px = [&](int twips) { return win32::PixelsFromTwips(twips, dpi); };

    // Neighbouring links keep the layout's gap between their ink, and between their areas to the
    // pixel (a face that is not Tahoma's exact width at this size may take one).
    const char* links[] = {"lblHide", "lblDonate", "lblHomepage", "lblFeedback"};
    const RECT hide = ClientRectOf(Control("lblHide"));
    const look::Box row{0, hide.top, pixels.width, hide.bottom};
    for (int i = 0; i + 1 < 4; ++i) {
        const RECT left = ClientRectOf(Control(links[i]));
        const RECT right = ClientRectOf(Control(links[i + 1]));
        EXPECT_GE(right.left - left.right, px(90) - px(15)) << links[i] << " at " << dpi << " dpi";
        EXPECT_GE(look::InkGapAt(pixels, row, right.left), px(90))
            << links[i] << " at " << dpi << " dpi";
    }

    // Each AutoSize label is as wide as its caption as drawn, so the fitted client area ends 90
    // twips beyond Feedback's text (a pixel of the last letter's side bearing aside): 353 x 250
    // at 96 dpi.
    int lastInk = -1;
    for (int x = 0; x < pixels.width; ++x) {
        for (int y = row.top; y < row.bottom; ++y) {
            if (look::IsLinkInk(pixels.At(x, y))) lastInk = x;
        }
    }
    EXPECT_GE(pixels.width - px(90), lastInk + 1);
    EXPECT_LE(pixels.width - px(90), lastInk + 1 + px(15));
    EXPECT_EQ(pixels.height, hide.bottom + px(90));
    if (dpi == 96) {
        EXPECT_EQ(pixels.width, 353);
        EXPECT_EQ(pixels.height, 250);
    }

    // The three separators cross the whole client area, equally thick.
    const std::uint32_t lineColour = Rgb(GetSysColor(COLOR_WINDOWTEXT));
    for (int x : {0, pixels.width - 1}) {
        const std::vector<int> runs = look::RunsInColumn(pixels, x, lineColour);
        ASSERT_EQ(runs.size(), 3u) << "column " << x;
        EXPECT_EQ(runs[0], runs[1]);
        EXPECT_EQ(runs[1], runs[2]);
    }

    // The bold description is drawn heavier than the regular notes, as far as this system's face
    // has a heavier bold at this size: Wine's Tahoma draws bold only at the sizes it carries
    // bitmaps for (up to 15 pixels), so at 144 dpi its bold is only as heavy as its regular.
    const std::uint32_t face = Rgb(GetSysColor(COLOR_BTNFACE));
    const RECT description = ClientRectOf(Control("Label7"));
    const RECT notes = ClientRectOf(Control("Text1"));
    const double bold = look::StrokeWidth(
        pixels, {description.left, description.top, description.right, description.bottom}, face);
    const double regular = look::StrokeWidth(
        pixels, {notes.left + 3, notes.top + 3, notes.right - 3, notes.bottom - 3}, face);
    const double facesBold = SystemBoldness(Control("Label7"), Control("Text1"));
    std::cout << "strokes at " << dpi << " dpi: bold " << bold << ", regular " << regular
              << "; the face's own bold/regular " << facesBold << "\n";
    EXPECT_GT(bold, regular * std::min(1.2, facesBold * 0.9));
}

TEST_F(MainWindowTest, TabCyclesTheFourInputsAndAccessKeysFocusTheControlAfterTheirLabel) {
    ShowLoaded();
    StopKeyScan();
    EXPECT_EQ(Focused(), Control("ComDevies"));  // the first tab stop
    SetFocus(Control("ComDevies"));
    const char* order[] = {"ComSounds", "Vol", "diao", "ComDevies", "ComSounds"};
    for (const char* next : order) {
        Keys({}, VK_TAB);
        EXPECT_EQ(Focused(), Control(next)) << "Tab to " << next;
    }
    Keys({VK_SHIFT}, VK_TAB);
    EXPECT_EQ(Focused(), Control("ComDevies"));
    Keys({VK_SHIFT}, VK_TAB);
    EXPECT_EQ(Focused(), Control("diao"));

    Keys({VK_MENU}, 'D');
    EXPECT_EQ(Focused(), Control("ComDevies"));
    Keys({VK_MENU}, 'I');
    EXPECT_EQ(Focused(), Control("ComSounds"));
    Keys({VK_MENU}, 'V');
    EXPECT_EQ(Focused(), Control("Vol"));
    Keys({VK_MENU}, 'T');
    EXPECT_EQ(Focused(), Control("diao"));
}

TEST_F(MainWindowTest, VolumeMovesByOneForArrowsAndTroughClicks) {
    ShowLoaded();
    const HWND vol = Control("Vol");
    SetScrollPos(vol, SB_CTL, 50, TRUE);
    const auto scroll = [&](int request) {
        SendMessageA(window_->Handle(), WM_HSCROLL, static_cast<WPARAM>(request),
                     reinterpret_cast<LPARAM>(vol));
        return GetScrollPos(vol, SB_CTL);
    };
    EXPECT_EQ(scroll(SB_LINERIGHT), 51);
    EXPECT_EQ(scroll(SB_PAGERIGHT), 52);
    EXPECT_EQ(scroll(SB_LINELEFT), 51);
    EXPECT_EQ(scroll(SB_PAGELEFT), 50);
    EXPECT_EQ(scroll(SB_RIGHT), 100);
    EXPECT_EQ(scroll(SB_LINERIGHT), 100);
    EXPECT_EQ(scroll(SB_LEFT), 0);
    EXPECT_EQ(scroll(SB_LINELEFT), 0);
    // The keyboard reaches the bar through the same path.
    StopKeyScan();
    SetFocus(vol);
    Keys({}, VK_RIGHT);
    EXPECT_EQ(GetScrollPos(vol, SB_CTL), 1);
}

TEST_F(MainWindowTest, SelectionsOutOfRangeAreRefusedAndOnlyTheUsersPickRaisesClick) {
    ShowLoaded();
    win32::ComboList tones(Control("diao"));
    tones.SetListIndex(3);
    EXPECT_THROW(tones.SetListIndex(12), InvalidPropertyValue);
    EXPECT_THROW(tones.SetListIndex(-2), InvalidPropertyValue);
    EXPECT_EQ(tones.ListIndex(), 3);
    EXPECT_THROW(tones.ItemData(12), InvalidPropertyValue);
    win32::ScrollBar vol(Control("Vol"), 0, 100);
    vol.SetValue(60);
    EXPECT_THROW(vol.SetValue(101), InvalidPropertyValue);
    EXPECT_EQ(vol.Value(), 60);

    // With no device open (Wine has none), every program change shows two error boxes: one for
    // the bank select and one for the program change. A selection from code raises no Click.
    StopKeyScan();
    boxes_.clear();
    win32::ComboList sounds(Control("ComSounds"));
    sounds.SetListIndex(5);
    test::PumpFor(200, window_->Handle());
    EXPECT_TRUE(boxes_.boxes().empty());

    Long handle = 0;
    if (platform::midiOutOpen(&handle, -1, 0, 0, 0) == 0) {
        platform::midiOutClose(handle);
        GTEST_SKIP() << "a MIDI mapper is present: sends do not fail here";
    }
    SetFocus(Control("ComSounds"));
    Keys({}, VK_DOWN);
    EXPECT_EQ(sounds.ListIndex(), 6);
    ASSERT_EQ(boxes_.boxes().size(), 2u);
    EXPECT_EQ(boxes_.boxes()[0].title, "Clavitap");
    EXPECT_FALSE(boxes_.boxes()[0].text.empty());
    EXPECT_TRUE(IsWindow(window_->Handle()));
}

TEST_F(MainWindowTest, StoredSettingsAreRestoredAndANonNumberIsRefused) {
    platform::SaveSetting("Clavitap", "Value", "Vol", "abc");
    platform::SaveSetting("Clavitap", "Value", "Stage", "4");
    platform::SaveSetting("Clavitap", "Value", "Tools", "40");
    platform::SaveSetting("Clavitap", "Value", "Devies", "5");
    ShowLoaded();
    EXPECT_EQ(GetScrollPos(Control("Vol"), SB_CTL), 0);  // "abc": the creation value stays
    EXPECT_EQ(SendMessageA(Control("diao"), CB_GETCURSEL, 0, 0), 4);
    EXPECT_EQ(SendMessageA(Control("ComSounds"), CB_GETCURSEL, 0, 0), 40);
    EXPECT_EQ(SendMessageA(Control("ComDevies"), CB_GETCURSEL, 0, 0), CB_ERR);

    SendMessageA(window_->Handle(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(window_->Handle()));
    // "abc" is no choice: removed, for the next start to take the default. Device 5, not
    // listed now, is kept for when it is back.
    EXPECT_EQ(platform::GetSetting("Clavitap", "Value", "Vol", "?"), "?");
    EXPECT_EQ(platform::GetSetting("Clavitap", "Value", "Stage", "?"), "4");
    EXPECT_EQ(platform::GetSetting("Clavitap", "Value", "Tools", "?"), "40");
    EXPECT_EQ(platform::GetSetting("Clavitap", "Value", "Devies", "?"), "5");
}

TEST_F(MainWindowTest, TrayIconHidesAndOnlyAButtonReleaseRestores) {
    ShowLoaded();
    const HWND window = window_->Handle();
    const HWND hide = Control("lblHide");
    const auto clickHide = [&] {
        SendMessageA(window, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hide), STN_CLICKED),
                     reinterpret_cast<LPARAM>(hide));
    };
    clickHide();
    EXPECT_FALSE(IsWindowVisible(window));
    const TrayIconRecord& record = window_->Handlers().TrayIcon();
    EXPECT_EQ(record.cbSize, 56);
    EXPECT_EQ(record.hWnd, static_cast<Long>(reinterpret_cast<INT_PTR>(window)));
    EXPECT_NE(record.hIcon, 0);
    // The icon is in the notification area: adding it again is refused.
    EXPECT_FALSE(platform::Shell_NotifyIconA(platform::NIM_ADD, AnsiBytes(record)));

    for (LPARAM ignored : {512, 513, 515, 516}) {
        SendMessageA(window, WM_MOUSEMOVE, 0, ignored);
        EXPECT_FALSE(IsWindowVisible(window)) << ignored;
    }
    SendMessageA(window, WM_MOUSEMOVE, 0, 514);  // left button released over the icon
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_FALSE(platform::Shell_NotifyIconA(platform::NIM_DELETE, AnsiBytes(record)));  // removed

    clickHide();
    EXPECT_FALSE(IsWindowVisible(window));
    SendMessageA(window, WM_MOUSEMOVE, 0, 517);  // right button
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_FALSE(platform::Shell_NotifyIconA(platform::NIM_DELETE, AnsiBytes(record)));
}

TEST_F(MainWindowTest, ANewTaskbarGetsTheTrayIconAgainOnlyWhileTheWindowIsHidden) {
    ShowLoaded();
    const HWND window = window_->Handle();
    const HWND hide = Control("lblHide");
    const UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
    const auto newTaskbar = [&] {
        PostMessageA(HWND_BROADCAST, taskbarCreated, 0, 0);
        test::PumpFor(200, window);
    };
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hide), STN_CLICKED),
                 reinterpret_cast<LPARAM>(hide));
    ASSERT_FALSE(IsWindowVisible(window));
    const platform::NotifyIconRecord record = AnsiBytes(window_->Handlers().TrayIcon());
    // The taskbar ends and takes the icon with it; the new one starts empty.
    ASSERT_TRUE(platform::Shell_NotifyIconA(platform::NIM_DELETE, record));
    newTaskbar();
    EXPECT_TRUE(platform::Shell_NotifyIconA(platform::NIM_DELETE, record)) << "not added again";

    SendMessageA(window, WM_MOUSEMOVE, 0, 514);  // restored: no icon belongs in the tray
    ASSERT_TRUE(IsWindowVisible(window));
    newTaskbar();
    EXPECT_FALSE(platform::Shell_NotifyIconA(platform::NIM_DELETE, record)) << "added while shown";
}

TEST_F(MainWindowTest, AtTheEndOfTheSessionTheChoicesAreSavedAndThenNothingSoundsOrShows) {
    ShowLoaded();
    Long handle = 0;
    if (platform::midiOutOpen(&handle, -1, 0, 0, 0) == 0) {
        platform::midiOutClose(handle);
        GTEST_SKIP() << "a MIDI mapper is present: notes do not show as errors";
    }
    win32::ScrollBar(Control("Vol"), 0, 100).SetValue(42);
    SendMessageA(window_->Handle(), WM_QUERYENDSESSION, 0, 0);
    SendMessageA(window_->Handle(), WM_ENDSESSION, TRUE, 0);
    EXPECT_EQ(platform::GetSetting("Clavitap", "Value", "Vol", "?"), "42");

    // A key still held after the unload: with the scan running, its note would fail on the
    // closed port and open a box.
    boxes_.clear();
    SetForegroundWindow(window_->Handle());
    test::PressKey('A', true);
    test::PumpFor(500, window_->Handle());
    test::PressKey('A', false);
    EXPECT_TRUE(boxes_.boxes().empty()) << boxes_.boxes().front().text;
}

TEST_F(MainWindowTest, ResizeFitsTheClientAreaAndSpringsBack) {
    ShowLoaded();
    const HWND window = window_->Handle();
    const auto client = [&] {
        RECT rect{};
        GetClientRect(window, &rect);
        return rect;
    };
    const RECT hide = ClientRectOf(Control("lblHide"));
    const RECT feedback = ClientRectOf(Control("lblFeedback"));
    const RECT fitted = client();
    EXPECT_EQ(fitted.bottom, hide.bottom + 6);  // 90 twips
    EXPECT_EQ(fitted.right, feedback.right + 6);

    SetWindowPos(window, nullptr, 0, 0, 700, 520, SWP_NOMOVE | SWP_NOZORDER);
    test::PumpFor(100, window);
    EXPECT_EQ(client().right, fitted.right);
    EXPECT_EQ(client().bottom, fitted.bottom);

    ShowWindow(window, SW_MINIMIZE);
    test::PumpFor(100, window);
    EXPECT_THROW(window_->SetHeight(3000.0f), InvalidPropertyValue);
    ShowWindow(window, SW_RESTORE);
    test::PumpFor(100, window);
    EXPECT_EQ(client().right, fitted.right);
    EXPECT_EQ(client().bottom, fitted.bottom);
}

TEST_F(MainWindowTest, TheTimerScansTheRealKeyStateAndTheProgramStaysUp) {
    ShowLoaded();
    Long handle = 0;
    if (platform::midiOutOpen(&handle, -1, 0, 0, 0) == 0) {
        platform::midiOutClose(handle);
        GTEST_SKIP() << "a MIDI mapper is present: notes do not show as errors";
    }
    // No device is open, so each note the scan sends shows an error box: the boxes show that the
    // timer ran the scan and that it saw the key.
    test::PumpFor(300, window_->Handle());
    boxes_.clear();
    test::PumpFor(300, window_->Handle());
    EXPECT_TRUE(boxes_.boxes().empty()) << "no key down, no note";

    // Each press of "A" sounds a note at the next tick. (Wine takes the key state back from the X
    // server whenever the active window changes, as it does for each box, so a key sent with
    // keybd_event counts as released after the first note: one note per press is what shows.)
    // After the first box the scan's failures stay silent until a pick; re-arm it for each press.
    SetForegroundWindow(window_->Handle());
    for (std::size_t press = 1; press <= 3; ++press) {
        mdlPubSelf::ShowNextScanError();
        test::PressKey('A', true);
        EXPECT_TRUE(test::PumpUntil([&] { return boxes_.boxes().size() >= press; }, 5000,
                                    window_->Handle()))
            << "press " << press;
        test::PressKey('A', false);
        test::PumpFor(200, window_->Handle());
    }
    test::PumpFor(300, window_->Handle());
    EXPECT_TRUE(IsWindow(window_->Handle()));
    ASSERT_FALSE(boxes_.boxes().empty());
    EXPECT_EQ(boxes_.boxes().front().title, "Clavitap");
}

}  // namespace
