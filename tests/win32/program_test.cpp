// The whole program under Wine: Clavitap.exe is started, closed with WM_CLOSE, and its four
// settings are read back from the registry; then started again with stored values, which must
// come back in its controls. A second start hands over to the first; a box from the key scan
// comes in front of another program; at 144 dpi the window fits at 10 twips a pixel. Any message
// box the program opens (the failed MIDI calls, with Wine's empty device list) is closed by a
// watcher that presses OK on it, so no box can hold the test.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "platform/midi_out.h"
#include "platform/settings.h"
#include "tests/win32/test_support.h"
#include "window/layout.h"

namespace {

std::string g_program;  // the Windows path of Clavitap.exe

struct Running {
    PROCESS_INFORMATION process{};
    std::atomic<bool> stop{false};
    bool closeBoxes = true;  // false: the test closes them with the keyboard, as a user would
    std::atomic<int> boxesClosed{0};
    std::atomic<HWND> window{nullptr};      // the main window, once found
    std::atomic<int> boxesOwnedInFront{0};  // boxes owned by it and in the foreground
    std::thread watcher;
    // A test that stops early leaves nothing running.
    ~Running() {
        stop = true;
        if (watcher.joinable()) watcher.join();
        if (process.hProcess != nullptr) TerminateProcess(process.hProcess, 99);
    }
};

BOOL CALLBACK CloseBoxesOf(HWND window, LPARAM context) {
    auto* running = reinterpret_cast<Running*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char className[32] = {};
    GetClassNameA(window, className, sizeof(className));
    if (owner == running->process.dwProcessId && std::string(className) == "#32770" &&
        IsWindowVisible(window)) {
        Sleep(100);  // time to come to the front
        if (GetWindow(window, GW_OWNER) == running->window && GetForegroundWindow() == window) {
            ++running->boxesOwnedInFront;
        }
        PostMessageA(window, WM_COMMAND, IDOK, 0);
        ++running->boxesClosed;
        Sleep(100);  // one press per box
    }
    return TRUE;
}

void Start(Running& running) {
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    std::string commandLine = "\"" + g_program + "\"";
    ASSERT_TRUE(CreateProcessA(g_program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                               nullptr, nullptr, &startup, &running.process))
        << g_program;
    running.watcher = std::thread([&running] {
        while (!running.stop && running.closeBoxes) {
            EnumWindows(&CloseBoxesOf, reinterpret_cast<LPARAM>(&running));
            Sleep(50);
        }
    });
}

struct FindContext {
    DWORD processId;
    HWND found;
};

HWND MainWindowOf(Running& running, int milliseconds) {
    for (int waited = 0; waited < milliseconds; waited += 50) {
        FindContext context{running.process.dwProcessId, nullptr};
        EnumWindows(
            [](HWND window, LPARAM lParam) -> BOOL {
                auto* find = reinterpret_cast<FindContext*>(lParam);
                DWORD owner = 0;
                GetWindowThreadProcessId(window, &owner);
                char className[64] = {};
                GetClassNameA(window, className, sizeof(className));
                if (owner == find->processId && std::string(className) == "ClavitapMainWindow" &&
                    IsWindowVisible(window)) {
                    find->found = window;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&context));
        if (context.found != nullptr) return running.window = context.found;
        Sleep(50);
    }
    return nullptr;
}

// Waits for the program to end; returns its exit code, or 0xDEAD when it had to be ended.
DWORD WaitForEnd(Running& running, DWORD milliseconds) {
    const DWORD waited = WaitForSingleObject(running.process.hProcess, milliseconds);
    DWORD code = 0xDEAD;
    if (waited == WAIT_OBJECT_0) {
        GetExitCodeProcess(running.process.hProcess, &code);
    } else {
        TerminateProcess(running.process.hProcess, 99);
    }
    running.stop = true;
    running.watcher.join();
    CloseHandle(running.process.hThread);
    CloseHandle(running.process.hProcess);
    running.process.hProcess = nullptr;
    return code;
}

// Closes the window and waits for the program to end; returns its exit code.
DWORD CloseAndWait(Running& running, HWND window) {
    PostMessageA(window, WM_CLOSE, 0, 0);
    return WaitForEnd(running, 20000);
}

// Hides the window in the tray with its label, as a click would.
bool HideInTray(HWND window) {
    const int id = layout::Find("lblHide").order;
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, STN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
    for (int waited = 0; waited < 5000 && IsWindowVisible(window); waited += 50) Sleep(50);
    return !IsWindowVisible(window);
}

int VisibleMainWindows() {
    int count = 0;
    EnumWindows(
        [](HWND window, LPARAM counted) -> BOOL {
            char className[64] = {};
            GetClassNameA(window, className, sizeof(className));
            if (std::string(className) == "ClavitapMainWindow" && IsWindowVisible(window)) {
                ++*reinterpret_cast<int*>(counted);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    return count;
}

// The window's rectangle in its parent's client coordinates.
RECT ChildRect(HWND window, const char* name) {
    RECT rect{};
    GetWindowRect(GetDlgItem(window, layout::Find(name).order), &rect);
    MapWindowPoints(HWND_DESKTOP, window, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::string Stored(const char* key) {
    return platform::GetSetting("Clavitap", "Value", key, "<missing>");
}

bool WineHasNoMidiOutput() {
    platform::MidiOutCapsA caps{};
    return platform::midiOutGetNumDevs() == 0 &&
           platform::midiOutGetDevCapsA(-1, &caps, sizeof(caps)) != 0;
}

TEST(Program, FirstRunSavesTheDefaultsWhenItsWindowIsClosed) {
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\VB and VBA Program Settings\\Clavitap");
    Running running;
    Start(running);
    const HWND window = MainWindowOf(running, 30000);
    ASSERT_NE(window, nullptr);
    Sleep(500);  // the timer ticks a few times; the program stays up
    EXPECT_EQ(WaitForSingleObject(running.process.hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(CloseAndWait(running, window), 0u);

    EXPECT_EQ(Stored("Vol"), "100");
    EXPECT_EQ(Stored("Stage"), "0");
    EXPECT_EQ(Stored("Tools"), "0");
    if (WineHasNoMidiOutput()) {
        // An empty device list shows no device: the key stays absent, for the next start to
        // take its default again.
        EXPECT_EQ(Stored("Devies"), "<missing>");
        EXPECT_GE(running.boxesClosed.load(), 1);  // the program change had no port to go to
    }
}

TEST(Program, StoredValuesComeBackAtTheNextStart) {
    ASSERT_TRUE(platform::SaveSetting("Clavitap", "Value", "Vol", "37"));
    ASSERT_TRUE(platform::SaveSetting("Clavitap", "Value", "Stage", "4"));
    ASSERT_TRUE(platform::SaveSetting("Clavitap", "Value", "Tools", "40"));
    ASSERT_TRUE(platform::SaveSetting("Clavitap", "Value", "Devies", "0"));
    Running running;
    Start(running);
    const HWND window = MainWindowOf(running, 30000);
    ASSERT_NE(window, nullptr);
    // The controls carry their layout numbers as identifiers: Vol 4, diao 3, ComSounds 2.
    EXPECT_EQ(GetScrollPos(GetDlgItem(window, 4), SB_CTL), 37);
    EXPECT_EQ(SendMessageA(GetDlgItem(window, 3), CB_GETCURSEL, 0, 0), 4);
    EXPECT_EQ(SendMessageA(GetDlgItem(window, 2), CB_GETCURSEL, 0, 0), 40);
    EXPECT_EQ(CloseAndWait(running, window), 0u);

    EXPECT_EQ(Stored("Vol"), "37");
    EXPECT_EQ(Stored("Stage"), "4");
    EXPECT_EQ(Stored("Tools"), "40");
    // Not listed at this start (Wine lists none), the stored device is kept for the next.
    EXPECT_EQ(Stored("Devies"), "0");
}

// The program's top-level windows, shown or not: the main window stays hidden while a box holds
// its start-up.
std::vector<HWND> WindowsOf(const Running& running) {
    struct Find {
        DWORD processId;
        std::vector<HWND> windows;
    } found{running.process.dwProcessId, {}};
    EnumWindows(
        [](HWND window, LPARAM lParam) -> BOOL {
            auto* find = reinterpret_cast<Find*>(lParam);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == find->processId) find->windows.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found.windows;
}

// The message boxes of the program now shown.
std::vector<HWND> BoxesOf(const Running& running) {
    std::vector<HWND> boxes;
    for (HWND window : WindowsOf(running)) {
        char className[32] = {};
        GetClassNameA(window, className, sizeof(className));
        if (std::string(className) == "#32770" && IsWindowVisible(window)) boxes.push_back(window);
    }
    return boxes;
}

bool WaitForBoxes(const Running& running, std::size_t count, int milliseconds) {
    for (int waited = 0; waited < milliseconds; waited += 50) {
        if (BoxesOf(running).size() == count) return true;
        Sleep(50);
    }
    return BoxesOf(running).size() == count;
}

void StoreChoices() {
    for (const auto& [key, value] :
         {std::pair{"Vol", "37"}, {"Stage", "4"}, {"Devies", "0"}, {"Tools", "40"}}) {
        ASSERT_TRUE(platform::SaveSetting("Clavitap", "Value", key, value));
    }
}

void ExpectStoredChoices() {
    EXPECT_EQ(Stored("Vol"), "37");
    EXPECT_EQ(Stored("Stage"), "4");
    EXPECT_EQ(Stored("Devies"), "0");
    EXPECT_EQ(Stored("Tools"), "40");
}

// Runs a command line to its end, as a user would from a console.
DWORD RunCommand(std::string commandLine) {
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                        nullptr, nullptr, &startup, &process)) {
        return 0xDEAD;
    }
    WaitForSingleObject(process.hProcess, 20000);
    DWORD code = 0xDEAD;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

// Stores the choices, starts the program and leaves its first start-up box open.
void StartIntoTheStartUpBox(Running& running) {
    StoreChoices();
    running.closeBoxes = false;
    Start(running);
    ASSERT_TRUE(WaitForBoxes(running, 1, 30000));
}

// A close while the start-up box stands (Wine has no MIDI device, so the restore's program change
// fails): the window's choices were never restored, and the stored ones stay as they were.
TEST(Program, ACloseDuringTheStartUpBoxLeavesTheStoredChoices) {
    if (!WineHasNoMidiOutput()) GTEST_SKIP() << "a MIDI device is open here: no start-up box";
    Running running;
    ASSERT_NO_FATAL_FAILURE(StartIntoTheStartUpBox(running));
    // As the close button does: WM_CLOSE to the program's windows.
    EXPECT_EQ(RunCommand("taskkill.exe /IM Clavitap.exe"), 0u);
    EXPECT_EQ(WaitForEnd(running, 20000), 0u);
    ExpectStoredChoices();
}

// The same for a log-off: the system asks every top-level window, then tells each that the
// session ends; the program must end too.
TEST(Program, ALogOffDuringTheStartUpBoxLeavesTheStoredChoicesAndEndsTheProgram) {
    if (!WineHasNoMidiOutput()) GTEST_SKIP() << "a MIDI device is open here: no start-up box";
    Running running;
    ASSERT_NO_FATAL_FAILURE(StartIntoTheStartUpBox(running));
    const std::vector<HWND> windows = WindowsOf(running);
    DWORD_PTR answer = 0;
    for (HWND window : windows) {
        SendMessageTimeoutA(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_BLOCK, 5000,
                            &answer);
        EXPECT_NE(answer, 0u) << "the log-off was refused";
    }
    for (HWND window : windows) {
        SendMessageTimeoutA(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_BLOCK, 5000,
                            &answer);
    }
    EXPECT_EQ(WaitForEnd(running, 20000), 0u);
    ExpectStoredChoices();
}

// Each text that is no choice, in each key in turn: at close that key is removed and the others
// keep their stored values; the next start shows the key's default, which its close writes. Each
// start also checks the previous one's key.
TEST(Program, AStoredTextThatIsNoChoiceGivesTheNextStartTheDefault) {
    const std::vector<std::pair<std::string, std::string>> stored = {
        {"Vol", "37"}, {"Stage", "4"}, {"Devies", "0"}, {"Tools", "40"}};
    const std::map<std::string, std::string> defaults = {
        {"Vol", "100"}, {"Stage", "0"}, {"Devies", "0"}, {"Tools", "0"}};
    std::vector<std::pair<std::string, std::string>> cells;
    for (const char* text :
         {"", "abc", "1e3", "12345678901234567890", "5.5", "-1", "0x10", "200"}) {
        for (const auto& [key, value] : stored) {
            // A device position that no list reaches now is kept for when the device is back.
            if (key != "Devies" || std::string(text) != "200") cells.push_back({key, text});
        }
    }
    cells.push_back({"", ""});  // one more start, to check the last key
    std::string previous;
    for (const auto& [key, text] : cells) {
        SCOPED_TRACE(key + "=\"" + text + "\", after " + previous);
        for (const auto& [k, value] : stored) {
            if (k == key) {
                ASSERT_TRUE(platform::SaveSetting("Clavitap", "Value", k, text));
            } else if (k != previous) {
                ASSERT_TRUE(platform::SaveSetting("Clavitap", "Value", k, value));
            }
        }
        Running running;
        Start(running);
        const HWND window = MainWindowOf(running, 30000);
        ASSERT_NE(window, nullptr);
        ASSERT_EQ(CloseAndWait(running, window), 0u);
        for (const auto& [k, value] : stored) {
            if (k == key) {
                EXPECT_EQ(Stored(k.c_str()), "<missing>") << k;
            } else if (k == previous) {
                // Wine lists no device: the default position, not shown, stays absent.
                EXPECT_EQ(platform::GetSetting("Clavitap", "Value", k, defaults.at(k)),
                          defaults.at(k))
                    << k;
            } else {
                EXPECT_EQ(Stored(k.c_str()), value) << k;
            }
        }
        if (HasFailure()) return;
        previous = key;
    }
}

// A key typed on the keyboard into `window`.
void Type(HWND window, BYTE key) {
    SetForegroundWindow(window);
    Sleep(150);
    test::PressKey(key, true);
    Sleep(30);
    test::PressKey(key, false);
}

// With no device open, every box is closed with Return as a user would: the start-up boxes, then
// the one box of the first key typed in another program. No box follows a Return, and three more
// keys show none, nor do their notes' ends; the window then closes normally.
TEST(Program, TheKeyThatClosesABoxRaisesNoOtherAndLaterKeysShowNone) {
    if (!WineHasNoMidiOutput()) GTEST_SKIP() << "a MIDI device is open here";
    Running running;
    running.closeBoxes = false;
    Start(running);
    for (int shown = 0; shown < 2; ++shown) {  // bank select and program change at start
        ASSERT_TRUE(WaitForBoxes(running, 1, 30000)) << "start-up box " << shown;
        const HWND box = BoxesOf(running).front();
        Type(box, VK_RETURN);
        for (int waited = 0; IsWindow(box) && waited < 5000; waited += 50) Sleep(50);
        ASSERT_FALSE(IsWindow(box)) << "Return did not close start-up box " << shown;
    }
    const HWND window = MainWindowOf(running, 30000);
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(WaitForBoxes(running, 1, 1000)) << "a box followed the Return on a start-up box";

    const HWND other =
        CreateWindowExA(0, "STATIC", "another program", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200,
                        100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(other, nullptr);
    Type(other, 'A');
    ASSERT_TRUE(WaitForBoxes(running, 1, 5000)) << "the first key showed no box";
    Sleep(1000);
    EXPECT_EQ(BoxesOf(running).size(), 1u);
    Type(BoxesOf(running).front(), VK_RETURN);
    EXPECT_FALSE(WaitForBoxes(running, 1, 1000)) << "a box followed the Return";
    for (BYTE key : {'B', 'C', 'D'}) Type(other, key);
    // Past the 1.5 s after which a let-go key's note is ended.
    EXPECT_FALSE(WaitForBoxes(running, 1, 2500)) << "later keys, or their ends, showed a box";
    DestroyWindow(other);
    EXPECT_EQ(CloseAndWait(running, window), 0u);
}

TEST(Program, ASecondStartBringsTheFirstWindowBackFromTheTrayAndEndsAtOnce) {
    ASSERT_TRUE(platform::SaveSetting("Clavitap", "Value", "Vol", "37"));
    Running first;
    Start(first);
    const HWND window = MainWindowOf(first, 30000);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(HideInTray(window));
    // What a second program would read, and write back at its end.
    ASSERT_TRUE(platform::SaveSetting("Clavitap", "Value", "Vol", "55"));

    Running second;
    const DWORD started = GetTickCount();
    Start(second);
    const DWORD code = WaitForEnd(second, 10000);
    const DWORD took = GetTickCount() - started;
    // The time is a figure to read, not a limit: a busy machine may take longer.
    std::printf("second start ended with %lu after %lu ms\n", code, took);
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(VisibleMainWindows(), 1);
    EXPECT_EQ(Stored("Vol"), "55") << "the second start wrote the settings";
    // A minimised window comes back too.
    ShowWindow(window, SW_MINIMIZE);
    Running third;
    Start(third);
    EXPECT_EQ(WaitForEnd(third, 10000), 0u);
    EXPECT_FALSE(IsIconic(window));
    EXPECT_EQ(CloseAndWait(first, window), 0u);
    EXPECT_EQ(Stored("Vol"), "37");

    // A program that was killed leaves no claim behind.
    Running killed;
    Start(killed);
    ASSERT_NE(MainWindowOf(killed, 30000), nullptr);
    TerminateProcess(killed.process.hProcess, 9);
    WaitForEnd(killed, 10000);
    Running next;
    Start(next);
    const HWND nextWindow = MainWindowOf(next, 30000);
    ASSERT_NE(nextWindow, nullptr);
    EXPECT_EQ(CloseAndWait(next, nextWindow), 0u);
}

TEST(Program, ABoxFromTheKeyScanIsOwnedByTheHiddenWindowAndComesInFront) {
    if (!WineHasNoMidiOutput()) GTEST_SKIP() << "MIDI output works here: no note fails";
    Running running;
    Start(running);
    const HWND window = MainWindowOf(running, 30000);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(HideInTray(window));
    // Another program has the focus: here, a window of this test.
    const HWND other =
        CreateWindowExA(0, "STATIC", "Another program", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100,
                        300, 200, nullptr, nullptr, nullptr, nullptr);
    SetForegroundWindow(other);
    Sleep(300);
    running.boxesOwnedInFront = 0;
    keybd_event('A', 0, 0, 0);
    for (int waited = 0; waited < 5000 && running.boxesOwnedInFront == 0; waited += 50) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
        Sleep(50);
    }
    keybd_event('A', 0, KEYEVENTF_KEYUP, 0);
    EXPECT_GE(running.boxesOwnedInFront.load(), 1);
    DestroyWindow(other);
    EXPECT_EQ(CloseAndWait(running, window), 0u);
}

TEST(Program, At144DpiTheWindowFitsItsClientAreaAtTenTwipsAPixel) {
    HKEY desktop = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &desktop, nullptr),
              ERROR_SUCCESS);
    const DWORD dpi = 144;
    RegSetValueExA(desktop, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi),
                   sizeof(dpi));
    Running running;
    Start(running);
    const HWND window = MainWindowOf(running, 30000);
    RegDeleteValueA(desktop, "LogPixels");
    RegCloseKey(desktop);
    ASSERT_NE(window, nullptr);
    Sleep(500);
    RECT client{};
    GetClientRect(window, &client);
    const RECT hide = ChildRect(window, "lblHide");
    const RECT feedback = ChildRect(window, "lblFeedback");
    std::printf("client %ldx%ld, lblHide at %ld,%ld height %ld, lblFeedback right %ld\n",
                client.right, client.bottom, hide.left, hide.top, hide.bottom - hide.top,
                feedback.right);
    EXPECT_EQ(hide.left, 48);                   // 480 twips
    EXPECT_EQ(hide.top, 347);                   // 3465 twips
    EXPECT_GE(hide.bottom - hide.top, 19);      // its font at 144 dpi; 13 pixels at 96
    EXPECT_EQ(client.bottom, hide.bottom + 9);  // 90 twips
    EXPECT_EQ(client.right, feedback.right + 9);
    // A release over the tray icon still arrives as pixel column 514: 5140 twips at this scale.
    ASSERT_TRUE(HideInTray(window));
    PostMessageA(window, WM_MOUSEMOVE, 0, WM_LBUTTONUP);
    for (int waited = 0; waited < 5000 && !IsWindowVisible(window); waited += 50) Sleep(50);
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(CloseAndWait(running, window), 0u);
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: win32_program_test PATH-TO-Clavitap.exe\n");
        return 2;
    }
    // ctest passes the host's path; under Wine the host's root is drive Z:.
    std::string path = argv[1];
    if (!path.empty() && path[0] == '/') {
        for (char& c : path) c = c == '/' ? '\\' : c;
        path = "Z:" + path;
    }
    g_program = path;
    return RUN_ALL_TESTS();
}
