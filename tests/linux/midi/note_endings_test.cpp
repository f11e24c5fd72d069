// Every General MIDI program of both SoundFonts, tapped and held through the key scan's own
// note-ons and note-offs, played by the built-in synthesizer and rendered offline one 50 ms tick at
// a time: a tap dies away within 5 s of its key going up, whether or not the instrument fades by
// itself, and a held key sounds as it always has. Prints the counts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/key_scan.h"
#include "midi/mdlPubSelf.h"
#include "platform/key_state.h"
#include "platform/linux/midi/builtin_synth.h"
#include "platform/message_box.h"
#include "platform/midi_out.h"
#include "tests/linux/midi/test_fonts.h"
#include "tests/unit/fakes/fake_controls.h"

namespace {

// The one key ("A", note 70 at tone "C") and the one device the scan talks to here; every message
// goes to `synth` as the built-in synthesizer's device hands it on, unless note-offs are dropped.
linux_::BuiltinSynth* synth = nullptr;
bool keyDown = false;
bool droppingNoteOffs = false;

}  // namespace

namespace platform {
void RefreshKeyState() {}
std::int16_t GetAsyncKeyState(int code) {
    return code == 'A' && keyDown ? std::int16_t{-32768} : std::int16_t{0};
}
Long midiOutGetNumDevs() {
    return 0;
}
Long midiOutGetDevCapsA(Long, MidiOutCapsA*, Long) {
    return MidiError::kBadDeviceId;
}
Long midiOutOpen(Long* handle, Long, Long, Long, Long) {
    *handle = 1;
    return 0;
}
Long midiOutClose(Long) {
    return 0;
}
Long midiOutShortMsg(Long, Long message) {
    if (!droppingNoteOffs || (message & 0xF0) != 0x80) {
        synth->Play(*linux_::DecodeShortMessage(message));
    }
    return 0;
}
Long midiOutGetErrorTextA(Long, char*, Long) {
    return MidiError::kBadErrorNumber;
}
void MsgBox(const std::string& text) {
    ADD_FAILURE() << "box: " << text;
}
}  // namespace platform

namespace {

constexpr int kTickFrames = static_cast<int>(linux_::BuiltinSynth::kSampleRate) / 20;  // 50 ms
constexpr int kTapTicks = 2, kHeldTicks = 40, kAfterTicks = 100;

class Scan {
  public:
    Scan() {
        diao_.AddItem("C");
        diao_.SetListIndex(0);
        Vol_.SetValue(100);
    }
    // One tick of the key scan, then the 50 ms of sound until the next: their peak in dBFS.
    double Tick() {
        engine::ScanKeys(diao_, Vol_, rnd_);
        synth->Render(left_.data(), right_.data(), kTickFrames);
        float peak = 1e-10f;
        for (int i = 0; i < kTickFrames; ++i) {
            peak = std::max(peak, std::max(std::fabs(left_[i]), std::fabs(right_[i])));
        }
        return 20.0 * std::log10(peak);
    }
    // Ticks with the key up until no voice is left and the tick is below -60 dBFS (the reverb's
    // tail only fades from there), at most `limit`; `limit` + 1 when that never comes.
    int TicksUntilSilent(int limit) {
        for (int tick = 1; tick <= limit; ++tick) {
            if (Tick() < -60.0 && synth->ActiveVoices() == 0) return tick;
        }
        return limit + 1;
    }
    // The key held for 2 s, then let go until silent: true when no 100 ms (two ticks) after the
    // first 100 ms fell below -40 dBFS. `asBefore` drops the note-offs, as when the scan sent none.
    bool HeldThroughout(bool asBefore) {
        std::vector<double> levels;
        keyDown = true;
        droppingNoteOffs = asBefore;
        for (int tick = 0; tick < kHeldTicks; ++tick) levels.push_back(Tick());
        keyDown = droppingNoteOffs = false;
        EXPECT_LE(TicksUntilSilent(kAfterTicks), kAfterTicks);
        for (std::size_t tick = 2; tick + 1 < levels.size(); ++tick) {
            if (std::max(levels[tick], levels[tick + 1]) < -40.0) return false;
        }
        return true;
    }

  private:
    fake::ListBox diao_;
    fake::ScrollBar Vol_;
    Rnd rnd_;
    std::vector<float> left_ = std::vector<float>(kTickFrames), right_ = left_;
};

TEST(NoteEndings, ATapDiesAwayWithin5sAndAHeldKeySoundsAsBeforeForEveryProgram) {
    for (const std::string& font : {midi_test::kTimGM6mb, midi_test::kFluidR3}) {
        auto built = linux_::BuiltinSynth::Create(font);
        ASSERT_TRUE(built) << font;
        synth = built.get();
        mdlPubSelf::OpenMidiOut(-1);
        Scan scan;
        int ended = 0, slowest = 0, sustaining = 0, heldThroughout = 0;
        std::string lingering, gaps;
        for (Integer program = 0; program < 128; ++program) {
            mdlPubSelf::SendProgramChange(0, 0, program);
            keyDown = true;  // a 100 ms tap
            for (int tick = 0; tick < kTapTicks; ++tick) scan.Tick();
            keyDown = false;
            const int silentAfter = scan.TicksUntilSilent(kAfterTicks);
            slowest = std::max(slowest, silentAfter);
            if (silentAfter <= kAfterTicks) {
                ++ended;
            } else {
                lingering += " " + std::to_string(program);
            }
            // Slow attacks struck again every tick never swell: only keys that sounded throughout
            // a hold before are held to it.
            if (scan.HeldThroughout(true)) {
                ++sustaining;
                if (scan.HeldThroughout(false)) {
                    ++heldThroughout;
                } else {
                    gaps += " " + std::to_string(program);
                }
            }
        }
        mdlPubSelf::CloseMidiOut();
        synth = nullptr;
        std::printf(
            "%s: %d of 128 programs below -60 dBFS within 5 s of the key going up (the "
            "slowest after %.2f s); %d of the %d whose held key sounded throughout 2 s before "
            "still do\n",
            font.c_str(), ended, slowest * 0.05, heldThroughout, sustaining);
        EXPECT_EQ(ended, 128) << font << ", still sounding:" << lingering;
        EXPECT_EQ(heldThroughout, sustaining) << font << ", gaps in:" << gaps;
    }
}

}  // namespace
