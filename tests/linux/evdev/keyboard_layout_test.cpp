// Keys on the input devices count by the system's keyboard layout, compiled by libxkbcommon from
// the real XKB data: the layout's names come from the session, else the system's keyboard file,
// else US; a key then counts by its unshifted symbol, as on X.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/linux/evdev/evdev_key_source.h"
#include "platform/linux/evdev/keyboard_layout.h"
#include "tests/linux/evdev/event_stream.h"

namespace {

using linux_::EvdevKeySource;
using linux_::SystemKeyboardLayout;

std::string WriteFile(const std::string& text) {
    const std::string path =
        std::filesystem::temp_directory_path() / ("clavitap-keyboard-" + std::to_string(getpid()));
    std::ofstream(path) << text;
    return path;
}

TEST(KeyboardLayout, SessionVariablesComeFirstThenTheSystemFileThenUs) {
    for (const char* name : {"XKB_DEFAULT_RULES", "XKB_DEFAULT_MODEL", "XKB_DEFAULT_LAYOUT",
                             "XKB_DEFAULT_VARIANT", "XKB_DEFAULT_OPTIONS"}) {
        unsetenv(name);
    }
    const std::string file = WriteFile(
        "# KEYBOARD CONFIGURATION FILE\n\nXKBMODEL=\"pc105\"\nXKBLAYOUT=\"de,us\"\n"
        "XKBVARIANT='nodeadkeys,'\n  XKBOPTIONS=grp:alt_shift_toggle  \nBACKSPACE=\"guess\"\n");
    auto layout = SystemKeyboardLayout(file);
    EXPECT_EQ(layout.rules, "evdev");
    EXPECT_EQ(layout.model, "pc105");
    EXPECT_EQ(layout.layout, "de,us");
    EXPECT_EQ(layout.variant, "nodeadkeys,");
    EXPECT_EQ(layout.options, "grp:alt_shift_toggle");

    setenv("XKB_DEFAULT_LAYOUT", "fr", 1);
    setenv("XKB_DEFAULT_VARIANT", "azerty", 1);
    layout = SystemKeyboardLayout(file);
    EXPECT_EQ(layout.layout, "fr");
    EXPECT_EQ(layout.variant, "azerty");
    EXPECT_EQ(layout.model, "");
    unsetenv("XKB_DEFAULT_LAYOUT");
    unsetenv("XKB_DEFAULT_VARIANT");

    std::filesystem::remove(file);
    EXPECT_EQ(SystemKeyboardLayout(file).layout, "us");
    EXPECT_EQ(SystemKeyboardLayout(WriteFile("XKBLAYOUT=\"\"\n")).layout, "us");
    std::filesystem::remove(file);
}

// Taps `code` on a keyboard and returns the scanned codes (3..127) that answer nonzero.
std::string HeardCodes(unsigned short code) {
    evdev_test::DeviceFolder folder;
    const int keyboard = folder.AddNode("event0");
    EvdevKeySource source;
    if (keyboard < 0 || !source.Open(folder.Path()).empty()) return "no device";
    evdev_test::WriteKey(keyboard, code, 1);
    evdev_test::WriteKey(keyboard, code, 0);
    source.Refresh();
    std::string heard;
    for (int scanned = 3; scanned <= 127; ++scanned) {
        if (source.State(scanned) != 0) heard += std::to_string(scanned) + " ";
    }
    return heard;
}

TEST(KeyboardLayout, KeysCountByTheUnshiftedSymbolOfTheLayout) {
    struct Case {
        const char* layout;
        unsigned short code;
        const char* heard;
    };
    const Case cases[] = {
        {"fr", KEY_Q, "65 "},          // the key at Q's place types "a"
        {"fr", KEY_A, "81 "},          // and the key at A's place "q"
        {"fr", KEY_1, "49 "},          // "&" unshifted, "1" shifted: the digit counts, as on X
        {"fr", KEY_SEMICOLON, "77 "},  // right of L: "m"
        {"fr", KEY_M, ""},             // at M's place: a comma, which counts as nothing
        {"fr", BTN_MIDDLE, "4 "},      // buttons are no keyboard keys: by their place
        {"de", KEY_Y, "90 "},
        {"us", KEY_Q, "81 "},
        {"us", KEY_SEMICOLON, ""},
        {"no-such-layout", KEY_Q, "81 "},  // an unknown layout counts as US
    };
    testing::internal::CaptureStderr();
    for (const Case& c : cases) {
        setenv("XKB_DEFAULT_LAYOUT", c.layout, 1);
        EXPECT_EQ(HeardCodes(c.code), c.heard) << c.layout << ", kernel code " << c.code;
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "libxkbcommon spoke on the terminal";
}

}  // namespace
