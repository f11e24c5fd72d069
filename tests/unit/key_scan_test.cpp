#include <algorithm>
#include <set>
#include <vector>

#include "engine/key_scan.h"
#include "engine/rnd.h"
#include "fakes/window_fixture.h"

namespace {

class KeyScan : public WindowFixture {
  protected:
    void SetUp() override {
        WindowFixture::SetUp();
        mdlPubSelf::OpenMidiOut(0);
        Vol.SetValue(100);
        diao.SetListIndex(0);
    }
    void Press(int code) { fake::State().keys[static_cast<std::size_t>(code)] = -32768; }
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

}  // namespace
