// The synthesizer loaded ahead at start: taken once, for the font the search picks at opening,
// and a font that cannot load fails the opening just as a load at opening does.
#include "platform/linux/midi/synth_preload.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "platform/linux/midi/soundfont_search.h"
#include "platform/midi_out.h"
#include "tests/linux/midi/font_folder.h"
#include "tests/linux/midi/test_fonts.h"

namespace linux_ {
namespace {

// With the fonts the machine has.
class SynthPreload : public ::testing::Test {
  protected:
    void TearDown() override { DropPreloadedSynth(); }
};

TEST_F(SynthPreload, TheLoadedSynthesizerIsTakenOnceAndPlays) {
    const auto font = FindSoundFont();
    ASSERT_TRUE(font) << "a General MIDI SoundFont must be installed";
    PreloadBuiltinSynth();
    PreloadBuiltinSynth();  // a second call starts no second load
    auto taken = TakePreloadedSynth(*font);
    ASSERT_TRUE(taken.has_value());
    ASSERT_NE(*taken, nullptr);
    EXPECT_FALSE(TakePreloadedSynth(*font).has_value());

    BuiltinSynth& synth = **taken;
    synth.Play(*DecodeShortMessage(0x90 | 60 << 8 | 100 << 16));
    std::vector<float> left(4410), right(left.size());
    synth.Render(left.data(), right.data(), static_cast<int>(left.size()));
    double energy = 0;
    for (float sample : left) energy += double{sample} * sample;
    EXPECT_GT(std::sqrt(energy / static_cast<double>(left.size())), 1e-3);
}

TEST_F(SynthPreload, ALoadForAnotherFontIsLetGo) {
    const auto font = FindSoundFont();
    ASSERT_TRUE(font) << "a General MIDI SoundFont must be installed";
    PreloadBuiltinSynth();
    const auto& another = *font == midi_test::kFluidR3 ? midi_test::kTimGM6mb : midi_test::kFluidR3;
    EXPECT_FALSE(TakePreloadedSynth(another).has_value());
    EXPECT_FALSE(TakePreloadedSynth(*font).has_value());
}

class SynthPreloadWithoutFonts : public midi_test::PrivateFontFolder {
  protected:
    void TearDown() override {
        DropPreloadedSynth();
        PrivateFontFolder::TearDown();
    }
};

TEST_F(SynthPreloadWithoutFonts, NothingLoadsAndABrokenFontFailsTheOpening) {
    PreloadBuiltinSynth();
    EXPECT_FALSE(TakePreloadedSynth(Font("TimGM6mb.sf2")).has_value());

    Touch("TimGM6mb.sf2");  // found, but FluidSynth cannot load it
    PreloadBuiltinSynth();
    Long handle = 77;
    EXPECT_EQ(platform::midiOutOpen(&handle, -1, 0, 0, 0), LinuxMidiError::kSoundFontUnloadable);
    EXPECT_EQ(handle, 0);
    EXPECT_FALSE(TakePreloadedSynth(Font("TimGM6mb.sf2")).has_value())
        << "the failed load was taken";
}

}  // namespace
}  // namespace linux_
