// Which SoundFont the built-in synthesizer picks, and that it is not offered without one.
#include "platform/linux/midi/soundfont_search.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "platform/midi_out.h"
#include "tests/linux/midi/font_folder.h"

namespace linux_ {
namespace {

namespace fs = std::filesystem;

using SoundFontSearch = midi_test::PrivateFontFolder;

TEST_F(SoundFontSearch, PrefersTheSystemDefaultThenTimGM6mbThenFluidR3) {
    EXPECT_EQ(FindSoundFont(), std::nullopt);

    Touch("FluidR3_GM.sf2");
    EXPECT_EQ(FindSoundFont(), Font("FluidR3_GM.sf2"));

    Touch("TimGM6mb.sf2");
    EXPECT_EQ(FindSoundFont(), Font("TimGM6mb.sf2"));

    fs::create_directory(Font("default-GM.sf2"));  // a folder is no font
    EXPECT_EQ(FindSoundFont(), Font("TimGM6mb.sf2"));

    fs::remove(Font("default-GM.sf2"));
    fs::create_symlink(Font("TimGM6mb.sf2"), Font("default-GM.sf2"));
    EXPECT_EQ(FindSoundFont(), Font("default-GM.sf2"));
}

TEST_F(SoundFontSearch, DanglingDefaultLinkFallsBackToTheNextName) {
    fs::create_symlink(Font("missing.sf2"), Font("default-GM.sf2"));
    Touch("TimGM6mb.sf2");
    EXPECT_EQ(FindSoundFont(), Font("TimGM6mb.sf2"));
}

TEST_F(SoundFontSearch, WithoutAFontTheSynthesizerIsNeitherListedNorOpened) {
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

    Touch("TimGM6mb.sf2");  // not a real font: it is listed but cannot load
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
