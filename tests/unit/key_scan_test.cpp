#include <algorithm>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "engine/key_scan.h"
#include "engine/rnd.h"
#include "tests/unit/fakes/window_fixture.h"

namespace {

using Bytes = std::array<int, 4>;

class KeyScan : public WindowFixture {
  protected:
    void SetUp() override {
        WindowFixture::SetUp();
        mdlPubSelf::OpenMidiOut(0);
        Vol.SetValue(100);
        diao.SetListIndex(0);
    }
    void Press(int code) { fake::State().keys[static_cast<std::size_t>(code)] = -32768; }
    void Release(int code) { fake::State().keys[static_cast<std::size_t>(code)] = 0; }
    std::vector<std::array<int, 4>> Tick() {
        fake::State().sent.clear();
        window.Timer1_Timer();
        std::vector<std::array<int, 4>> bytes;
        for (const auto& message : fake::State().sent) bytes.push_back(message.Bytes());
        return bytes;
    }
};

TEST_F(KeyScan, ToneCAndVolume100MakeAPlayNote70WithVelocity100To109) {
    Press('A');
    std::set<int> velocities;
    for (int tick = 0; tick < 200; ++tick) {
        const auto sent = Tick();
        ASSERT_EQ(sent.size(), 1u);  // a held key sounds on every tick
        EXPECT_EQ(sent[0][0], 144);
        EXPECT_EQ(sent[0][1], 70);
        velocities.insert(sent[0][2]);
    }
    EXPECT_EQ(*velocities.begin(), 100);
    EXPECT_EQ(*velocities.rbegin(), 109);
}

TEST_F(KeyScan, NoToneGivesTheBaseNoteAndVolumeZeroSendsVelocityZeroAsIs) {
    diao.SetListIndex(-1);
    Vol.SetValue(0);
    Press('A');
    std::set<int> velocities;
    for (int tick = 0; tick < 200; ++tick) {
        const auto sent = Tick();
        ASSERT_EQ(sent.size(), 1u);
        EXPECT_EQ(sent[0][1], 65);
        velocities.insert(sent[0][2]);
    }
    EXPECT_EQ(velocities, (std::set<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
}

TEST_F(KeyScan, KeysSoundInCodeOrderWithOneVelocityPerTick) {
    Press('S');
    Press('A');
    Press(16);  // Shift sounds like any other key
    const auto sent = Tick();
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[0][1], 16 + 50 + 5);
    EXPECT_EQ(sent[1][1], 65 + 5);
    EXPECT_EQ(sent[2][1], 83 + 5);
    EXPECT_EQ(sent[0][2], sent[1][2]);
    EXPECT_EQ(sent[1][2], sent[2][2]);
}

TEST_F(KeyScan, BaseNotesFollowTheThreeKeyRanges) {
    EXPECT_EQ(engine::BaseNote(13), 63);   // Enter
    EXPECT_EQ(engine::BaseNote(32), 82);   // Space
    EXPECT_EQ(engine::BaseNote(49), 99);   // "1"
    EXPECT_EQ(engine::BaseNote(50), 50);   // "2"
    EXPECT_EQ(engine::BaseNote(90), 90);   // "Z"
    EXPECT_EQ(engine::BaseNote(96), 66);   // numeric-pad 0
    EXPECT_EQ(engine::BaseNote(127), 97);  // F16
}

TEST_F(KeyScan, OnlyCodes3To127AreAskedAndAnyNonzeroWordTriggers) {
    fake::State().keys[1] = -32768;  // left mouse button: never scanned
    fake::State().keys[2] = -32768;
    fake::State().keys[128] = -32768;
    fake::State().keys[3] = 1;  // pressed since the last query only
    fake::State().keys[127] = -32767;
    const auto sent = Tick();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0][1], 3 + 50 + 5);
    EXPECT_EQ(sent[1][1], 97 + 5);
    EXPECT_EQ(fake::State().refreshes, 1);
}

TEST_F(KeyScan, ToneEKeepsEveryKeyInRangeAndHigherTonesFoldWithoutStopping) {
    for (int code = engine::kFirstScannedKey; code <= engine::kLastScannedKey; ++code) Press(code);
    diao.SetListIndex(4);  // "E": the highest key, "1", gives 124
    auto sent = Tick();
    ASSERT_EQ(sent.size(), 125u);
    int highest = 0;
    for (const auto& message : sent) highest = std::max(highest, message[1]);
    EXPECT_EQ(highest, 124);

    for (Integer tone = 5; tone < 12; ++tone) {
        diao.SetListIndex(tone);
        sent = Tick();
        ASSERT_EQ(sent.size(), 125u) << "tone " << tone;
        for (const auto& message : sent) {
            EXPECT_LE(message[1], 127);
            EXPECT_GE(message[1], 50);  // folded by whole octaves: never below the lowest base note
        }
    }
    // "1" at tone "B": 99 + 60 = 159, folded by three octaves to 123.
    EXPECT_EQ(engine::FoldIntoMidiRange(159), 123);
    EXPECT_TRUE(fake::State().boxes.empty());
}

TEST_F(KeyScan, ControlsAreReadAfreshForEveryNote) {
    Press('A');
    Tick();
    Vol.SetValue(20);
    diao.SetListIndex(2);
    const auto sent = Tick();
    EXPECT_EQ(sent[0][1], 65 + 15);
    EXPECT_GE(sent[0][2], 20);
    EXPECT_LE(sent[0][2], 29);
}

TEST_F(KeyScan, TheRandomStepRepeatsTheSameSequenceInEveryRun) {
    Rnd first, second;
    std::vector<int> a, b;
    for (int i = 0; i < 1000; ++i) {
        a.push_back(static_cast<int>(first.Next() * 10.0));
        b.push_back(static_cast<int>(second.Next() * 10.0));
    }
    EXPECT_EQ(a, b);
    EXPECT_EQ(std::set<int>(a.begin(), a.end()).size(), 10u);  // every step 0..9 occurs
}

// With no port open, the first failing key shows one box; the Return that closes it and every
// later key fail without one, until the user picks a device or an instrument or a send succeeds.
// The timer keeps ticking while a box is open, and those ticks do not scan.
TEST_F(KeyScan, AFailedScanShowsOneBoxUntilAPickOrASuccess) {
    mdlPubSelf::CloseMidiOut();
    Press('A');
    int nestedTicks = 0;
    fake::State().whileBoxOpen = [&] {
        ++nestedTicks;
        window.Timer1_Timer();
        Press(13);  // Return closes the box
    };
    window.Timer1_Timer();
    EXPECT_EQ(nestedTicks, 1);
    EXPECT_EQ(fake::State().boxes.size(), 1u);
    const auto tries = [] {
        return std::count(fake::State().calls.begin(), fake::State().calls.end(),
                          "midiOutShortMsg");
    };
    const auto triedBefore = tries();
    for (int tick = 0; tick < 3; ++tick) window.Timer1_Timer();
    EXPECT_EQ(tries(), triedBefore + 3 * 2);  // "A" and Return are still sent, to no port
    EXPECT_EQ(fake::State().boxes.size(), 1u);

    window.ComSounds_Click();  // no instrument is selected: nothing sent, but a pick all the same
    window.Timer1_Timer();
    EXPECT_EQ(fake::State().boxes.size(), 2u);

    mdlPubSelf::OpenMidiOut(0);
    window.Timer1_Timer();  // a send succeeds
    mdlPubSelf::CloseMidiOut();
    window.Timer1_Timer();
    EXPECT_EQ(fake::State().boxes.size(), 3u);
    window.Timer1_Timer();
    EXPECT_EQ(fake::State().boxes.size(), 3u);
}

// A note sounds on while any key strikes it and ends once none has for the hold time, with one
// note-off naming the note as it was struck: a tone change and octave folding in between change
// nothing of that.
TEST_F(KeyScan, ANoteEndsOnceNoKeyHasStruckItForTheHoldTime) {
    std::vector<std::pair<int, Bytes>> heard;  // tick, message
    const auto run = [&](int ticks) {
        for (int i = 0; i < ticks; ++i) {
            const int tick = static_cast<int>(fake::State().refreshes);
            for (const Bytes& message : Tick()) heard.emplace_back(tick, message);
        }
    };
    const auto offs = [&] {
        std::vector<std::pair<int, Bytes>> found;
        for (const auto& sent : heard) {
            if (sent.second[0] != 144) found.push_back(sent);
        }
        return found;
    };
    constexpr int kHold = engine::kNoteHoldTicks;
    Press('A');
    run(2);  // ticks 0, 1: note 70
    diao.SetListIndex(1);
    run(1);  // tick 2: note 75, while 70 is no longer struck
    Release('A');
    run(kHold + 5);
    EXPECT_EQ(heard.size(), 3u + 2u);
    EXPECT_EQ(offs(), (std::vector<std::pair<int, Bytes>>{{1 + kHold, {128, 70, 64, 0}},
                                                          {2 + kHold, {128, 75, 64, 0}}}));

    // Enter and "1" both strike 123 at tone "B" ("1" folded down three octaves): the note lasts
    // until both are up.
    heard.clear();
    diao.SetListIndex(11);
    Press(13);
    Press('1');
    run(1);
    Release('1');
    run(2 * kHold);
    EXPECT_TRUE(offs().empty());
    const int lastStrike = static_cast<int>(fake::State().refreshes) - 1;
    Release(13);
    run(kHold + 5);
    EXPECT_EQ(offs(),
              (std::vector<std::pair<int, Bytes>>{{lastStrike + kHold, {128, 123, 64, 0}}}));
}

// Notes still sounding end on the device they were struck on before it closes: at a device pick,
// at window close, and while a box holds the scan they end on time, without a box of their own.
TEST_F(KeyScan, SoundingNotesEndBeforeTheirDeviceClosesAndWhileABoxIsOpen) {
    const auto firstHandle = mdlPubSelf::MidiOutHandle;
    fake::State().devices = {"Port"};
    mdlPubSelf::FillMidiDeviceList(ComDevies);
    ComDevies.SetListIndex(0);
    Press('A');
    Tick();
    fake::State().calls.clear();
    window.ComDevies_Click();
    EXPECT_EQ(fake::State().calls,
              (std::vector<std::string>{"midiOutShortMsg", "midiOutClose", "midiOutOpen 0"}));
    ASSERT_EQ(fake::State().sent.back().handle, firstHandle);
    EXPECT_EQ(fake::State().sent.back().Bytes(), (Bytes{128, 70, 64, 0}));

    Tick();
    fake::State().calls.clear();
    window.Form_Unload();
    const auto& calls = fake::State().calls;
    EXPECT_LT(std::find(calls.begin(), calls.end(), "midiOutShortMsg"),
              std::find(calls.begin(), calls.end(), "midiOutClose"));
    EXPECT_EQ(fake::State().sent.back().Bytes(), (Bytes{128, 70, 64, 0}));

    // A box from elsewhere (an instrument the device refuses) stays open for the hold time: the
    // note ends meanwhile, and the failed note-off of a closed device shows nothing.
    mdlPubSelf::OpenMidiOut(0);
    Tick();
    Release('A');
    int boxTicks = 0;
    fake::State().whileBoxOpen = [&] {
        while (boxTicks++ < engine::kNoteHoldTicks) window.Timer1_Timer();
    };
    fake::State().sent.clear();
    mdlPubSelf::ShowMidiError(1);
    ASSERT_EQ(fake::State().sent.size(), 1u);
    EXPECT_EQ(fake::State().sent[0].Bytes(), (Bytes{128, 70, 64, 0}));
    fake::State().whileBoxOpen = nullptr;
    Press('A');
    Tick();
    mdlPubSelf::MidiOutHandle = 0;  // the device went away under the note
    Release('A');
    const auto boxes = fake::State().boxes.size();
    for (int tick = 0; tick <= engine::kNoteHoldTicks; ++tick) Tick();
    EXPECT_EQ(fake::State().boxes.size(), boxes);
}

}  // namespace
