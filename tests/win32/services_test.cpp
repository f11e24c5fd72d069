// The Win32 services against the real system (Wine): registry settings, winmm, the notification
// area and the link launcher.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/key_state.h"
#include "platform/launcher.h"
#include "platform/midi_out.h"
#include "platform/notify_icon.h"
#include "platform/settings.h"
#include "tests/win32/test_support.h"
#include "window/tray_icon.h"

namespace {

const std::string kApp = "ClavitapServicesTest";

std::string RawRegistryText(const std::string& key) {
    char value[64] = {};
    DWORD size = sizeof(value);
    DWORD type = 0;
    const std::string path = "Software\\VB and VBA Program Settings\\" + kApp + "\\Value";
    if (RegGetValueA(HKEY_CURRENT_USER, path.c_str(), key.c_str(), RRF_RT_ANY, &type, value,
                     &size) != ERROR_SUCCESS ||
        type != REG_SZ) {
        return "<not a string value>";
    }
    return value;
}

TEST(Settings, RoundTripThroughTheProgramSettingsKey) {
    RegDeleteTreeA(HKEY_CURRENT_USER, ("Software\\VB and VBA Program Settings\\" + kApp).c_str());
    EXPECT_EQ(platform::GetSetting(kApp, "Value", "Vol", "100"), "100");  // nothing there yet

    ASSERT_TRUE(platform::SaveSetting(kApp, "Value", "Vol", "42"));
    ASSERT_TRUE(platform::SaveSetting(kApp, "Value", "Devies", "-1"));
    EXPECT_EQ(platform::GetSetting(kApp, "Value", "Vol", "100"), "42");
    EXPECT_EQ(platform::GetSetting(kApp, "Value", "Devies", "0"), "-1");
    EXPECT_EQ(RawRegistryText("Vol"), "42");
    EXPECT_EQ(RawRegistryText("Devies"), "-1");

    ASSERT_TRUE(platform::SaveSetting(kApp, "Value", "Vol", "7"));
    EXPECT_EQ(platform::GetSetting(kApp, "Value", "Vol", "100"), "7");

    // A missing key, section or application gives the default.
    EXPECT_EQ(platform::GetSetting(kApp, "Value", "Tools", "0"), "0");
    EXPECT_EQ(platform::GetSetting(kApp, "Other", "Vol", "5"), "5");
    EXPECT_EQ(platform::GetSetting(kApp + "Missing", "Value", "Vol", "9"), "9");
}

TEST(MidiOut, WinmmPathsAsTheSystemHasThem) {
    test::MessageBoxCloser closer;
    const Long count = platform::midiOutGetNumDevs();
    ASSERT_GE(count, 0);

    // Every device the system counts either describes itself or reports an error code.
    for (Long id = -1; id < count; ++id) {
        platform::MidiOutCapsA caps{};
        const Long result = platform::midiOutGetDevCapsA(id, &caps, sizeof(caps));
        if (result == 0) {
            EXPECT_NE(caps.szPname[0], '\0') << "device " << id;
        }
    }
    platform::MidiOutCapsA beyond{};
    EXPECT_NE(platform::midiOutGetDevCapsA(count + 5, &beyond, sizeof(beyond)), 0);

    // No handle: sending and closing fail with a code that has a text.
    const Long sendResult = platform::midiOutShortMsg(0, 0x403C90);
    EXPECT_NE(sendResult, 0);
    char text[128] = {};
    EXPECT_EQ(platform::midiOutGetErrorTextA(sendResult, text, sizeof(text)), 0);
    EXPECT_NE(text[0], '\0');
    EXPECT_NE(platform::midiOutClose(0), 0);
    EXPECT_NE(platform::midiOutClose(12345), 0);  // never a token

    // A code without a text is refused and the buffer keeps what it held.
    char untouched[128] = "unchanged";
    EXPECT_NE(platform::midiOutGetErrorTextA(12345, untouched, sizeof(untouched)), 0);
    EXPECT_STREQ(untouched, "unchanged");

    // The mapper: where it opens, its token is small and nonzero, carries messages and closes;
    // where it does not (Wine without devices), the handle stays 0 and the code has a text.
    Long handle = 0;
    const Long openResult = platform::midiOutOpen(&handle, -1, 0, 0, 0);
    if (openResult == 0) {
        EXPECT_GE(handle, 1);
        EXPECT_LE(handle, 8);
        EXPECT_EQ(platform::midiOutShortMsg(handle, 0x0000C0), 0);
        EXPECT_EQ(platform::midiOutClose(handle), 0);
        EXPECT_NE(platform::midiOutShortMsg(handle, 0x0000C0), 0);  // the token is gone
    } else {
        EXPECT_EQ(handle, 0);
        char openText[128] = {};
        EXPECT_EQ(platform::midiOutGetErrorTextA(openResult, openText, sizeof(openText)), 0);
        EXPECT_NE(openText[0], '\0');
    }
    EXPECT_TRUE(closer.boxes().empty());  // the service itself never shows a box
}

TEST(KeyState, ReportsAKeySentToThisProgramsWindow) {
    const HWND window = CreateWindowExA(0, "STATIC", "keys", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50,
                                        nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    SetForegroundWindow(window);
    test::PumpFor(100);
    platform::GetAsyncKeyState('Q');  // clears the "pressed since" bit
    test::PressKey('Q', true);
    EXPECT_TRUE(test::PumpUntil([] { return platform::GetAsyncKeyState('Q') < 0; }, 3000));
    test::PressKey('Q', false);
    EXPECT_TRUE(test::PumpUntil([] { return platform::GetAsyncKeyState('Q') >= 0; }, 3000));
    DestroyWindow(window);
}

TEST(NotifyIcon, TheRecordReachesTheNotificationArea) {
    const HWND window = CreateWindowExA(0, "STATIC", "tray", WS_POPUP, 0, 0, 10, 10, nullptr,
                                        nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    const HICON icon = LoadIcon(nullptr, IDI_APPLICATION);
    TrayIconRecord record;
    record.cbSize = 56;
    record.hWnd = static_cast<Long>(reinterpret_cast<INT_PTR>(window));
    record.uID = static_cast<Long>(reinterpret_cast<INT_PTR>(icon));
    record.uFlags = 7;
    record.uCallbackMessage = 512;
    record.hIcon = record.uID;
    record.szTip.fill(' ');
    std::string("Clavitap").copy(record.szTip.data(), 8);
    record.szTip[8] = '\0';

    EXPECT_TRUE(platform::Shell_NotifyIconA(platform::NIM_ADD, AnsiBytes(record)));
    EXPECT_FALSE(
        platform::Shell_NotifyIconA(platform::NIM_ADD, AnsiBytes(record)));  // already there
    EXPECT_TRUE(platform::Shell_NotifyIconA(platform::NIM_DELETE, AnsiBytes(record)));
    EXPECT_FALSE(platform::Shell_NotifyIconA(platform::NIM_DELETE, AnsiBytes(record)));  // gone
    DestroyWindow(window);
}

// rundll32.exe would hand the address to a browser on the machine that runs the tests. Here the
// system folder's rundll32.exe is replaced by a recorder for this Wine prefix only (each run has
// its own), so the launcher runs unchanged and the test reads what was started.
class Launcher : public ::testing::Test {
  protected:
    void SetUp() override {
        char exe[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, exe, MAX_PATH);
        std::string folder(exe);
        folder.resize(folder.find_last_of('\\'));
        char system[MAX_PATH] = {};
        GetSystemDirectoryA(system, MAX_PATH);
        const std::string rundll = std::string(system) + "\\rundll32.exe";
        DeleteFileA(rundll.c_str());  // a fresh file: the prefix's files may be shared links
        ASSERT_TRUE(CopyFileA((folder + "\\command_recorder.exe").c_str(), rundll.c_str(), FALSE));
        HKEY overrides = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\DllOverrides", 0, nullptr, 0,
                                  KEY_SET_VALUE, nullptr, &overrides, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(overrides, "rundll32.exe", 0, REG_SZ,
                       reinterpret_cast<const BYTE*>("native"), 7);
        RegCloseKey(overrides);
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        record_ = std::string(temp) + "clavitap-launches.txt";
        DeleteFileA(record_.c_str());
        SetEnvironmentVariableA("CLAVITAP_RECORD_FILE", record_.c_str());
    }

    std::vector<std::string> Recorded() const {
        std::ifstream in(record_);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

    std::string record_;
};

TEST_F(Launcher, EachLinkStartsOneMinimisedProcessWithTheCommandLine) {
    const std::string target =
        "https://www.example.org/cgi-bin/webscr?cmd=_s-xclick&hosted_button_id=X";
    platform::OpenLink(target);
    platform::OpenLink(target);
    platform::OpenLink("mailto:someone@example.org");
    // Three Wine processes start one after another; on a busy machine that takes a while.
    ASSERT_TRUE(test::PumpUntil([&] { return Recorded().size() >= 3; }, 60000));
    test::PumpFor(300);  // nothing more arrives
    const std::vector<std::string> lines = Recorded();
    ASSERT_EQ(lines.size(), 3u);
    std::vector<std::string> expected = {
        "2 rundll32.exe url.dll,FileProtocolHandler " + target,
        "2 rundll32.exe url.dll,FileProtocolHandler " + target,
        "2 rundll32.exe url.dll,FileProtocolHandler mailto:someone@example.org"};
    std::sort(expected.begin(), expected.end());
    std::vector<std::string> actual = lines;
    std::sort(actual.begin(), actual.end());
    EXPECT_EQ(actual, expected);
}

}  // namespace
