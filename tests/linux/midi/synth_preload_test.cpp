// The synthesizer loaded ahead at start: taken once, for the font the search picks at opening,
// and a font that cannot load fails the opening just as a load at opening does.
#include "platform/linux/midi/synth_preload.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <vector>

#include "platform/linux/midi/midi_error_text.h"
#include "platform/linux/midi/soundfont_search.h"
#include "platform/midi_out.h"
#include "test_fonts.h"

namespace linux_ {
namespace {

namespace fs = std::filesystem;

class SynthPreload : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/clavitap-preload.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = pattern;
        SetSoundFontDirectories({root_.string()});
    }
    void TearDown() override {
        DropPreloadedSynth();
        SetSoundFontDirectories({"/usr/share/sounds/sf2"});
        fs::remove_all(root_);
    }
    std::string Font() const { return (root_ / "TimGM6mb.sf2").string(); }

    fs::path root_;
};

TEST_F(SynthPreload, TheLoadedSynthesizerIsTakenOnceAndPlays) {
    fs::create_symlink(midi_test::kTimGM6mb, Font());
    PreloadBuiltinSynth();
    PreloadBuiltinSynth();  // a second call starts no second load
    auto taken = TakePreloadedSynth(Font());
    ASSERT_TRUE(taken.has_value());
    ASSERT_NE(*taken, nullptr);
    EXPECT_FALSE(TakePreloadedSynth(Font()).has_value());

    BuiltinSynth& synth = **taken;
    synth.Play(*DecodeShortMessage(0x90 | 60 << 8 | 100 << 16));
    std::vector<float> left(4410), right(left.size());
    synth.Render(left.data(), right.data(), static_cast<int>(left.size()));
    double energy = 0;
    for (float sample : left) energy += double{sample} * sample;
    EXPECT_GT(std::sqrt(energy / static_cast<double>(left.size())), 1e-3);
}

TEST_F(SynthPreload, ALoadForAnotherFontIsLetGo) {
    fs::create_symlink(midi_test::kTimGM6mb, Font());
    PreloadBuiltinSynth();
    EXPECT_FALSE(TakePreloadedSynth(midi_test::kFluidR3).has_value());
    EXPECT_FALSE(TakePreloadedSynth(Font()).has_value());
}

TEST_F(SynthPreload, WithoutAFontNothingLoadsAndABrokenFontFailsTheOpening) {
    PreloadBuiltinSynth();
    EXPECT_FALSE(TakePreloadedSynth(Font()).has_value());

    std::ofstream(Font()) << "sfbk";  // found, but FluidSynth cannot load it
    PreloadBuiltinSynth();
    Long handle = 77;
    EXPECT_EQ(platform::midiOutOpen(&handle, -1, 0, 0, 0), LinuxMidiError::kSoundFontUnloadable);
    EXPECT_EQ(handle, 0);
    EXPECT_FALSE(TakePreloadedSynth(Font()).has_value()) << "the failed load was taken";
}

}  // namespace
}  // namespace linux_
