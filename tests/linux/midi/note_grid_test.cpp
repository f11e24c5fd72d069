// Every note the key scan can send (50..127) with every General MIDI program sounds on the built-in
// synthesizer, with each of the two SoundFonts Debian ships, rendered offline. Prints how many
// notes were heard of those tried, per font.
#include <fluidsynth.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/linux/midi/builtin_synth.h"
#include "tests/linux/midi/test_fonts.h"

namespace linux_ {
namespace {

constexpr int kRate = static_cast<int>(BuiltinSynth::kSampleRate);
constexpr float kAudible = 0.001f;  // -60 dBFS

void Send(BuiltinSynth& synth, int status, int data1, int data2 = 0) {
    synth.Play(*DecodeShortMessage(status | data1 << 8 | data2 << 16));
}

// Whether either channel rises above -60 dBFS within `frames`.
bool HeardWithin(BuiltinSynth& synth, int frames) {
    constexpr int kBlock = 256;
    std::vector<float> left(kBlock), right(kBlock);
    for (int done = 0; done < frames; done += kBlock) {
        synth.Render(left.data(), right.data(), kBlock);
        for (int i = 0; i < kBlock; ++i) {
            if (std::max(std::fabs(left[i]), std::fabs(right[i])) > kAudible) return true;
        }
    }
    return false;
}

TEST(BuiltinSynthNotes, EveryProgramSoundsEveryNoteOfTheScanWithBothFonts) {
    for (const std::string& font : {midi_test::kTimGM6mb, midi_test::kFluidR3}) {
        auto synth = BuiltinSynth::Create(font);
        ASSERT_TRUE(synth) << font;
        // Without reverb and chorus nothing of one note reaches the next, and only the dry voice
        // counts as heard.
        fluid_settings_setint(synth->Settings(), "synth.reverb.active", 0);
        fluid_settings_setint(synth->Settings(), "synth.chorus.active", 0);
        int heard = 0, tried = 0;
        std::string silent;
        for (int program = 0; program < 128; ++program) {
            Send(*synth, 0xB0, 0, 0);  // bank 0, then the program, as the instrument list sends
            Send(*synth, 0xC0, program);
            for (int note = 50; note <= 127; ++note) {
                Send(*synth, 0x90, note, 100);
                ++tried;
                if (HeardWithin(*synth, kRate / 2)) {
                    ++heard;
                } else if (silent.size() < 400) {
                    silent += " " + std::to_string(program) + "/" + std::to_string(note);
                }
                synth->SoundsOff();
            }
        }
        std::printf("%s: %d of %d notes heard\n", font.c_str(), heard, tried);
        EXPECT_EQ(heard, tried) << font << ", silent (program/note):" << silent;
    }
}

}  // namespace
}  // namespace linux_
