// Every General MIDI program of both SoundFonts, tapped and held through the key scan's own
// note-ons and note-offs, played by the built-in synthesizer and rendered offline one 50 ms tick at
// a time. A tap must die away within 5 s of its key going up, whether or not the instrument fades
// by itself; a held key must sound throughout. Prints the counts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/key_scan.h"
#include "fakes/fake_controls.h"
#include "midi/mdlPubSelf.h"
#include "platform/key_state.h"
#include "platform/linux/midi/builtin_synth.h"
#include "platform/message_box.h"
#include "platform/midi_out.h"
#include "test_fonts.h"

namespace {

constexpr int kTickFrames = static_cast<int>(linux_::BuiltinSynth::kSampleRate) / 20;  // 50 ms
constexpr int kKey = 'A';  // note 70 at tone "C"

// The one key and the one device the scan talks to here: the key is down while `keyDown` says so,
// and every message goes to `synth` as the program's built-in synthesizer device hands it on.
linux_::BuiltinSynth* synth = nullptr;
bool keyDown = false;
bool droppingNoteOffs = false;

}  // namespace

namespace platform {
void RefreshKeyState() {}
std::int16_t GetAsyncKeyState(int code) {
    return code == kKey && keyDown ? std::int16_t{-32768} : std::int16_t{0};
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
    if (droppingNoteOffs && (message & 0xF0) == 0x80) return 0;
    synth->Play(*linux_::DecodeShortMessage(message));
    return 0;
}
Long midiOutGetErrorTextA(Long, char*, Long) {
    return MidiError::kBadErrorNumber;
}
void MsgBox(const std::string& text) {
    ADD_FAILURE() << "box: " << text;
}
bool MsgBoxOpen() {
    return false;
}
}  // namespace platform

namespace {

double Dbfs(float peak) {
    return 20.0 * std::log10(std::max(peak, 1e-10f));
}

class Scan {
  public:
    Scan() {
        diao_.AddItem("C");
        diao_.SetListIndex(0);
        Vol_.SetValue(100);
    }
    // One tick of the key scan, then the 50 ms of sound until the next; the peak level in dBFS.
    double Tick() {
        engine::ScanKeys(diao_, Vol_, rnd_);
        std::vector<float> left(kTickFrames), right(kTickFrames);
        synth->Render(left.data(), right.data(), kTickFrames);
        float peak = 0;
        for (int i = 0; i < kTickFrames; ++i) {
            peak = std::max(peak, std::max(std::fabs(left[i]), std::fabs(right[i])));
        }
        return Dbfs(peak);
    }
    // Ticks with every key up until no voice is left and the tick stays below -60 dBFS (the
    // reverb's tail only fades from there), at most `limit`; `limit` + 1 when that never comes.
    int TicksUntilSilent(int limit) {
        for (int tick = 1; tick <= limit; ++tick) {
            if (Tick() < -60.0 && synth->ActiveVoices() == 0) return tick;
        }
        return limit + 1;
    }

  private:
    fake::ListBox diao_;
    fake::ScrollBar Vol_;
    Rnd rnd_;
};

constexpr int kHeldTicks = 40, kAfterTicks = 100;

// The level of every tick while the key is held for 2 s, then of letting it go until silent.
// `asBefore` drops every note-off while the key is down, as when the scan sent none: that is how a
// held key has always sounded (with a slow attack, struck again every tick, some never swell).
std::vector<double> HeldLevels(Scan& scan, bool asBefore) {
    std::vector<double> levels;
    keyDown = true;
    droppingNoteOffs = asBefore;
    for (int tick = 0; tick < kHeldTicks; ++tick) levels.push_back(scan.Tick());
    keyDown = false;
    droppingNoteOffs = false;
    EXPECT_LE(scan.TicksUntilSilent(kAfterTicks), kAfterTicks);
    return levels;
}

// No 100 ms (two ticks) below -40 dBFS after the first 100 ms.
bool NoGapAfterAttack(const std::vector<double>& levels) {
    for (std::size_t tick = 2; tick + 1 < levels.size(); ++tick) {
        if (std::max(levels[tick], levels[tick + 1]) < -40.0) return false;
    }
    return true;
}

TEST(NoteEndings, ATapDiesAwayWithin5sAndAHeldKeySoundsThroughoutForEveryProgram) {
    constexpr int kTapTicks = 2;
    for (const std::string& font : {midi_test::kTimGM6mb, midi_test::kFluidR3}) {
        auto built = linux_::BuiltinSynth::Create(font);
        ASSERT_TRUE(built) << font;
        synth = built.get();
        mdlPubSelf::OpenMidiOut(-1);
        Scan scan;
        int ended = 0, sustaining = 0, heldThroughout = 0, slowest = 0;
        std::string lingering, gaps;
        for (Integer program = 0; program < 128; ++program) {
            mdlPubSelf::SendProgramChange(0, 0, program);
            // A 100 ms tap: silent within 5 s of the key going up?
            keyDown = true;
            for (int tick = 0; tick < kTapTicks; ++tick) scan.Tick();
            keyDown = false;
            const int silentAfter = scan.TicksUntilSilent(kAfterTicks);
            slowest = std::max(slowest, silentAfter);
            if (silentAfter <= kAfterTicks) {
                ++ended;
            } else {
                lingering += " " + std::to_string(program);
            }
            // Held for 2 s: where a held key has always sounded above -40 dBFS after its first
            // 100 ms, it still does.
            const bool sustains = NoGapAfterAttack(HeldLevels(scan, true));
            const bool sounded = NoGapAfterAttack(HeldLevels(scan, false));
            if (sustains) {
                ++sustaining;
                if (sounded) {
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
            "slowest after %.2f s); "
            "%d of the %d whose held key sounded throughout 2 s before still do\n",
            font.c_str(), ended, slowest * 0.05, heldThroughout, sustaining);
        EXPECT_EQ(ended, 128) << font << ", still sounding:" << lingering;
        EXPECT_EQ(heldThroughout, sustaining) << font << ", gaps in:" << gaps;
    }
}

}  // namespace
