// The per-key state behind GetAsyncKeyState: the answers across queries, and that repeated,
// doubled or shared events cannot unbalance it.
#include "platform/linux/virtual_keys/key_states.h"

#include <gtest/gtest.h>

namespace {

constexpr std::int16_t kDownAndPressed = static_cast<std::int16_t>(0x8001);
constexpr std::int16_t kDown = static_cast<std::int16_t>(0x8000);
constexpr std::int16_t kPressedOnly = 1;
constexpr int kKeyA = 38;       // an X keycode
constexpr int kShiftLeft = 50;  // X keycodes of the two Shift keys
constexpr int kShiftRight = 62;

// The physical keys of one source, numbered as the X source numbers them (keycodes, then pointer
// buttons), over the virtual keys they hold down.
class KeyStates : public ::testing::Test {
  protected:
    static constexpr int kFirstButtonSource = 256;
    static constexpr int kSourceCount = kFirstButtonSource + 32;

    void Press(int key, int virtualKey) {
        held.Press(static_cast<std::size_t>(key), virtualKey, true, states);
    }
    void Release(int key) { held.Release(static_cast<std::size_t>(key), states); }

    linux_::HeldKeys<kSourceCount> held;
    linux_::VirtualKeyStates states;
};

}  // namespace

TEST_F(KeyStates, HeldKeyThenReleaseThenTapWithinOneTick) {
    Press(kKeyA, 'A');
    EXPECT_EQ(states.Query('A'), kDownAndPressed);
    EXPECT_EQ(states.Query('A'), kDown);
    Release(kKeyA);
    EXPECT_EQ(states.Query('A'), 0);

    Press(kKeyA, 'A');
    Release(kKeyA);
    EXPECT_EQ(states.Query('A'), kPressedOnly);
    EXPECT_EQ(states.Query('A'), 0);
}

TEST_F(KeyStates, RepeatedPressAndDoubledReleaseDoNotCount) {
    Press(kKeyA, 'A');
    Press(kKeyA, 'A');  // auto-repeat
    Press(kKeyA, 'A');
    Release(kKeyA);
    EXPECT_EQ(states.Query('A'), kPressedOnly);
    Release(kKeyA);  // arrives twice
    EXPECT_EQ(states.Query('A'), 0);
    Press(kKeyA, 'A');
    EXPECT_EQ(states.Query('A'), kDownAndPressed);
}

TEST_F(KeyStates, TwoSourcesOfOneCodeHoldItUntilBothAreUp) {
    Press(kShiftLeft, 16);
    Press(kShiftRight, 16);
    Release(kShiftLeft);
    Release(kShiftLeft);
    EXPECT_EQ(states.Query(16), kDownAndPressed);
    Release(kShiftRight);
    EXPECT_EQ(states.Query(16), 0);
}

TEST_F(KeyStates, KeyRemappedWhileHeldReleasesTheCodeItWasPressedAs) {
    Press(kKeyA, 'A');
    Press(kKeyA, 'Q');  // a repeat that arrives after the layout changed
    EXPECT_EQ(states.Query('A'), kPressedOnly);
    EXPECT_EQ(states.Query('Q'), kDownAndPressed);
    Release(kKeyA);
    EXPECT_EQ(states.Query('Q'), 0);
}

TEST_F(KeyStates, CodesStayApartAndOutOfRangeInputIsIgnored) {
    Press(kKeyA, 'A');
    Press(kFirstButtonSource + 2, 4);
    Press(-1, 'B');
    Press(kSourceCount, 'C');
    Press(39, 0);  // a key the program does not know
    Press(40, 300);
    Release(-5);
    Release(kSourceCount + 1);
    for (int code = 0; code < 256; ++code) {
        const std::int16_t expected = (code == 'A' || code == 4) ? kDownAndPressed : 0;
        EXPECT_EQ(states.Query(code), expected) << "code " << code;
    }
    EXPECT_EQ(states.Query(-1), 0);
    EXPECT_EQ(states.Query(256), 0);

    held.Clear();
    states.Clear();
    EXPECT_EQ(states.Query('A'), 0);
    EXPECT_EQ(states.Query(4), 0);
}

// After a box: a tap made while it was open is gone, and a key held through it stays silent
// (repeats included) until let go; the next press sounds again.
TEST_F(KeyStates, ForgottenPressesAndKeysHeldThroughABoxStaySilent) {
    Press(kKeyA, 'A');
    Release(kKeyA);
    Press(kShiftLeft, 16);
    states.Forget();
    EXPECT_EQ(states.Query('A'), 0);
    Press(kShiftLeft, 16);  // auto-repeat
    EXPECT_EQ(states.Query(16), 0);
    Press(kShiftRight, 16);  // a new press on the other Shift
    EXPECT_EQ(states.Query(16), kDownAndPressed);
    Release(kShiftRight);
    Release(kShiftLeft);
    Press(kShiftLeft, 16);
    EXPECT_EQ(states.Query(16), kDownAndPressed);
}
