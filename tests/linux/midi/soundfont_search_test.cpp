// Which SoundFont the built-in synthesizer picks, and that it is not offered without one.
#include "platform/linux/midi/soundfont_search.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/linux/midi/midi_error_text.h"
#include "platform/midi_out.h"

namespace linux_ {
namespace {

namespace fs = std::filesystem;

class SoundFontSearch : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/clavitap-sf2.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = pattern;
        fs::create_directory(root_ / "a");
        fs::create_directory(root_ / "b");
    }
    void TearDown() override {
        SetSoundFontDirectories({"/usr/share/sounds/sf2"});
        fs::remove_all(root_);
    }
    void Touch(const fs::path& path) { std::ofstream(path) << "sfbk"; }
    std::string Dir(const char* name) const { return (root_ / name).string(); }

    fs::path root_;
};

TEST_F(SoundFontSearch, PrefersTheSystemDefaultThenTimGM6mbThenFluidR3) {
    SetSoundFontDirectories({Dir("a"), Dir("b")});
    EXPECT_EQ(FindSoundFont(), std::nullopt);

    Touch(root_ / "a" / "FluidR3_GM.sf2");
    EXPECT_EQ(FindSoundFont(), Dir("a") + "/FluidR3_GM.sf2");

    Touch(root_ / "b" / "TimGM6mb.sf2");  // a better name wins over an earlier folder
    EXPECT_EQ(FindSoundFont(), Dir("b") + "/TimGM6mb.sf2");

    fs::create_symlink(root_ / "b" / "TimGM6mb.sf2", root_ / "b" / "default-GM.sf2");
    EXPECT_EQ(FindSoundFont(), Dir("b") + "/default-GM.sf2");

    fs::create_directory(root_ / "a" / "default-GM.sf2");  // a folder is no font
    EXPECT_EQ(FindSoundFont(), Dir("b") + "/default-GM.sf2");
}

TEST_F(SoundFontSearch, DanglingDefaultLinkFallsBackToTheNextName) {
    SetSoundFontDirectories({Dir("a")});
    fs::create_symlink(root_ / "missing.sf2", root_ / "a" / "default-GM.sf2");
    Touch(root_ / "a" / "TimGM6mb.sf2");
    EXPECT_EQ(FindSoundFont(), Dir("a") + "/TimGM6mb.sf2");
}

TEST_F(SoundFontSearch, WithoutAFontTheSynthesizerIsNeitherListedNorOpened) {
    SetSoundFontDirectories({Dir("a")});
    platform::MidiOutCapsA caps{};
    std::memset(&caps, 0x5A, sizeof(caps));
    EXPECT_NE(platform::midiOutGetDevCapsA(-1, &caps, sizeof(caps)), 0);
    EXPECT_EQ(caps.szPname[0], 0x5A) << "a failed capabilities call leaves the record alone";

    Long handle = 77;
    const Long result = platform::midiOutOpen(&handle, -1, 0, 0, 0);
    EXPECT_EQ(result, LinuxMidiError::kNoSoundFont);
    EXPECT_EQ(handle, 0);
    char text[128] = "";
    ASSERT_EQ(platform::midiOutGetErrorTextA(result, text, sizeof(text)), 0);
    EXPECT_NE(std::strstr(text, "SoundFont"), nullptr) << text;

    Touch(root_ / "a" / "TimGM6mb.sf2");  // not a real font: it is listed but cannot load
    EXPECT_EQ(platform::midiOutGetDevCapsA(-1, &caps, sizeof(caps)), 0);
    EXPECT_STREQ(caps.szPname, "Built-in Synthesizer");
    EXPECT_EQ(platform::midiOutOpen(&handle, -1, 0, 0, 0), LinuxMidiError::kSoundFontUnloadable);
    EXPECT_EQ(handle, 0);
    // The box names the file that would not load, not a missing font.
    ASSERT_EQ(
        platform::midiOutGetErrorTextA(LinuxMidiError::kSoundFontUnloadable, text, sizeof(text)),
        0);
    EXPECT_NE(std::strstr(text, "cannot load the SoundFont"), nullptr) << text;
    EXPECT_NE(std::strstr(text, "TimGM6mb.sf2"), nullptr) << text;
}

}  // namespace
}  // namespace linux_
