// The per-key state behind GetAsyncKeyState: the answers across queries, and that repeated,
// doubled or shared events cannot unbalance it.
#include "platform/linux/keys/x_key_states.h"

#include <gtest/gtest.h>

using linux_::XKeyStates;

namespace {
constexpr std::int16_t kDownAndPressed = static_cast<std::int16_t>(0x8001);
constexpr std::int16_t kDown = static_cast<std::int16_t>(0x8000);
constexpr std::int16_t kPressedOnly = 1;
constexpr int kKeyA = 38;       // an X keycode
constexpr int kShiftLeft = 50;  // X keycodes of the two Shift keys
constexpr int kShiftRight = 62;
}  // namespace

TEST(XKeyStates, HeldKeyThenReleaseThenTapWithinOneTick) {
    XKeyStates states;
    states.Press(kKeyA, 'A');
    EXPECT_EQ(states.Query('A'), kDownAndPressed);
    EXPECT_EQ(states.Query('A'), kDown);
    states.Release(kKeyA);
    EXPECT_EQ(states.Query('A'), 0);

    states.Press(kKeyA, 'A');
    states.Release(kKeyA);
    EXPECT_EQ(states.Query('A'), kPressedOnly);
    EXPECT_EQ(states.Query('A'), 0);
}

TEST(XKeyStates, RepeatedPressAndDoubledReleaseDoNotCount) {
    XKeyStates states;
    states.Press(kKeyA, 'A');
    states.Press(kKeyA, 'A');  // auto-repeat
    states.Press(kKeyA, 'A');
    states.Release(kKeyA);
    EXPECT_EQ(states.Query('A'), kPressedOnly);
    states.Release(kKeyA);  // arrives twice
    EXPECT_EQ(states.Query('A'), 0);
    states.Press(kKeyA, 'A');
    EXPECT_EQ(states.Query('A'), kDownAndPressed);
}

TEST(XKeyStates, TwoSourcesOfOneCodeHoldItUntilBothAreUp) {
    XKeyStates states;
    states.Press(kShiftLeft, 16);
    states.Press(kShiftRight, 16);
    states.Release(kShiftLeft);
    states.Release(kShiftLeft);
    EXPECT_EQ(states.Query(16), kDownAndPressed);
    states.Release(kShiftRight);
    EXPECT_EQ(states.Query(16), 0);
}

TEST(XKeyStates, KeyRemappedWhileHeldReleasesTheCodeItWasPressedAs) {
    XKeyStates states;
    states.Press(kKeyA, 'A');
    states.Press(kKeyA, 'Q');  // a repeat that arrives after the layout changed
    EXPECT_EQ(states.Query('A'), kPressedOnly);
    EXPECT_EQ(states.Query('Q'), kDownAndPressed);
    states.Release(kKeyA);
    EXPECT_EQ(states.Query('Q'), 0);
}

TEST(XKeyStates, CodesStayApartAndOutOfRangeInputIsIgnored) {
    XKeyStates states;
    states.Press(kKeyA, 'A');
    states.Press(XKeyStates::kFirstButtonSource + 2, 4);
    states.Press(-1, 'B');
    states.Press(XKeyStates::kSourceCount, 'C');
    states.Press(39, 0);  // a key the program does not know
    states.Press(40, 300);
    states.Release(-5);
    states.Release(XKeyStates::kSourceCount + 1);
    for (int code = 0; code < 256; ++code) {
        const std::int16_t expected = (code == 'A' || code == 4) ? kDownAndPressed : 0;
        EXPECT_EQ(states.Query(code), expected) << "code " << code;
    }
    EXPECT_EQ(states.Query(-1), 0);
    EXPECT_EQ(states.Query(256), 0);

    states.Clear();
    EXPECT_EQ(states.Query('A'), 0);
    EXPECT_EQ(states.Query(4), 0);
}

// After a box: a tap made while it was open is gone, and a key held through it stays silent
// (repeats included) until let go; the next press sounds again.
TEST(XKeyStates, ForgottenPressesAndKeysHeldThroughABoxStaySilent) {
    XKeyStates states;
    states.Press(kKeyA, 'A');
    states.Release(kKeyA);
    states.Press(kShiftLeft, 16);
    states.Forget();
    EXPECT_EQ(states.Query('A'), 0);
    states.Press(kShiftLeft, 16);  // auto-repeat
    EXPECT_EQ(states.Query(16), 0);
    states.Press(kShiftRight, 16);  // a new press on the other Shift
    EXPECT_EQ(states.Query(16), kDownAndPressed);
    states.Release(kShiftRight);
    states.Release(kShiftLeft);
    states.Press(kShiftLeft, 16);
    EXPECT_EQ(states.Query(16), kDownAndPressed);
}
