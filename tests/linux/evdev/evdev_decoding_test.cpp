// Decoding of the input_event stream into GetAsyncKeyState words, fed through FIFOs in an input
// devices folder that the source reads exactly as it reads device nodes.
#include <gtest/gtest.h>

#include <cstdint>

#include "platform/linux/evdev/evdev_key_source.h"
#include "tests/linux/evdev/event_stream.h"

namespace {

using evdev_test::DeviceFolder;
using evdev_test::Event;
using evdev_test::ReadersOf;
using evdev_test::Sync;
using evdev_test::WriteEvents;
using evdev_test::WriteKey;
using linux_::EvdevKeySource;

constexpr std::int16_t kDown = static_cast<std::int16_t>(0x8000);
constexpr std::int16_t kDownAndPressed = static_cast<std::int16_t>(0x8001);
constexpr std::int16_t kPressed = 1;

constexpr int kVkShift = 16;

class EvdevDecoding : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_GE(keyboard, 0);
        ASSERT_EQ(source.Open(folder.Path()), "");
    }

    DeviceFolder folder;
    int keyboard = folder.AddNode("event0");
    EvdevKeySource source;
};

TEST_F(EvdevDecoding, HeldKeyIsDownOnEveryQueryAndPressedOnlyOnce) {
    ASSERT_TRUE(WriteKey(keyboard, KEY_A, 1));
    source.Refresh();
    EXPECT_EQ(source.State('A'), kDownAndPressed);
    EXPECT_EQ(source.State('A'), kDown);
    source.Refresh();
    EXPECT_EQ(source.State('A'), kDown);

    ASSERT_TRUE(WriteKey(keyboard, KEY_A, 0));
    source.Refresh();
    EXPECT_EQ(source.State('A'), 0);
}

TEST_F(EvdevDecoding, TapBetweenTwoRefreshesAnswersExactlyOnce) {
    ASSERT_TRUE(WriteKey(keyboard, KEY_S, 1));
    ASSERT_TRUE(WriteKey(keyboard, KEY_S, 0));
    source.Refresh();
    EXPECT_EQ(source.State('S'), kPressed);
    EXPECT_EQ(source.State('S'), 0);
    source.Refresh();
    EXPECT_EQ(source.State('S'), 0);
}

TEST_F(EvdevDecoding, RepeatCountsAsPress) {
    ASSERT_TRUE(WriteKey(keyboard, KEY_SPACE, 1));
    source.Refresh();
    EXPECT_EQ(source.State(' '), kDownAndPressed);
    ASSERT_TRUE(WriteKey(keyboard, KEY_SPACE, 2));
    source.Refresh();
    EXPECT_EQ(source.State(' '), kDownAndPressed);

    // A repeat of a key whose press came before the device was opened: it is down.
    ASSERT_TRUE(WriteKey(keyboard, KEY_ENTER, 2));
    source.Refresh();
    EXPECT_EQ(source.State(13), kDownAndPressed);
    ASSERT_TRUE(WriteKey(keyboard, KEY_ENTER, 0));
    source.Refresh();
    EXPECT_EQ(source.State(13), 0);
}

TEST_F(EvdevDecoding, TwoKeysAtOnceAndSharedVirtualKeys) {
    ASSERT_TRUE(WriteEvents(keyboard, {Event(EV_KEY, KEY_A, 1), Event(EV_KEY, KEY_S, 1), Sync()}));
    source.Refresh();
    EXPECT_EQ(source.State('A'), kDownAndPressed);
    EXPECT_EQ(source.State('S'), kDownAndPressed);
    ASSERT_TRUE(WriteKey(keyboard, KEY_A, 0));
    source.Refresh();
    EXPECT_EQ(source.State('A'), 0);
    EXPECT_EQ(source.State('S'), kDown);

    // Both Shift keys are virtual key 16: it stays down while either is held.
    ASSERT_TRUE(WriteKey(keyboard, KEY_LEFTSHIFT, 1));
    ASSERT_TRUE(WriteKey(keyboard, KEY_RIGHTSHIFT, 1));
    ASSERT_TRUE(WriteKey(keyboard, KEY_LEFTSHIFT, 0));
    source.Refresh();
    EXPECT_EQ(source.State(kVkShift), kDownAndPressed);
    ASSERT_TRUE(WriteKey(keyboard, KEY_RIGHTSHIFT, 0));
    source.Refresh();
    EXPECT_EQ(source.State(kVkShift), 0);
}

TEST_F(EvdevDecoding, ReleaseThatComesTwiceLetsGoOnlyOnce) {
    ASSERT_TRUE(WriteKey(keyboard, KEY_LEFTSHIFT, 1));
    ASSERT_TRUE(WriteKey(keyboard, KEY_RIGHTSHIFT, 1));
    ASSERT_TRUE(WriteKey(keyboard, KEY_LEFTSHIFT, 0));
    ASSERT_TRUE(WriteKey(keyboard, KEY_LEFTSHIFT, 0));
    source.Refresh();
    EXPECT_EQ(source.State(kVkShift), kDownAndPressed) << "right Shift is still held";

    ASSERT_TRUE(WriteKey(keyboard, KEY_RIGHTSHIFT, 0));
    ASSERT_TRUE(WriteKey(keyboard, KEY_RIGHTSHIFT, 0));
    source.Refresh();
    EXPECT_EQ(source.State(kVkShift), 0);

    // The extra releases left nothing owed: one press is down again.
    ASSERT_TRUE(WriteKey(keyboard, KEY_RIGHTSHIFT, 1));
    source.Refresh();
    EXPECT_EQ(source.State(kVkShift), kDownAndPressed);
}

TEST_F(EvdevDecoding, SameKeyOnTwoDevicesStaysDownUntilBothLetGo) {
    const int second = folder.AddNode("event1");  // found at the next refresh
    ASSERT_GE(second, 0);
    ASSERT_TRUE(WriteKey(keyboard, KEY_A, 1));
    ASSERT_TRUE(WriteKey(second, KEY_A, 1));
    ASSERT_TRUE(WriteKey(keyboard, KEY_A, 0));
    source.Refresh();
    EXPECT_EQ(source.State('A'), kDownAndPressed);
    ASSERT_TRUE(WriteKey(second, KEY_A, 0));
    source.Refresh();
    EXPECT_EQ(source.State('A'), 0);
}

TEST_F(EvdevDecoding, MouseButtons) {
    ASSERT_TRUE(WriteEvents(keyboard, {Event(EV_KEY, BTN_LEFT, 1), Event(EV_KEY, BTN_MIDDLE, 1),
                                       Event(EV_KEY, BTN_SIDE, 1), Sync()}));
    source.Refresh();
    EXPECT_EQ(source.State(1), kDownAndPressed);
    EXPECT_EQ(source.State(4), kDownAndPressed);
    EXPECT_EQ(source.State(5), kDownAndPressed);
    EXPECT_EQ(source.State(2), 0);
}

TEST_F(EvdevDecoding, OtherEventsAndUnknownCodesChangeNothing) {
    ASSERT_TRUE(WriteEvents(
        keyboard,
        {Event(EV_REL, REL_X, 5), Event(EV_REL, REL_WHEEL, -1), Event(EV_MSC, MSC_SCAN, 30),
         Event(EV_ABS, ABS_X, 65), Event(EV_KEY, KEY_POWER, 1), Event(EV_KEY, KEY_MAX, 1),
         Event(EV_KEY, 0xffff, 1), Event(EV_LED, LED_CAPSL, 1), Sync()}));
    source.Refresh();
    for (int code = -1; code <= 256; ++code) EXPECT_EQ(source.State(code), 0) << code;
    EXPECT_EQ(ReadersOf(folder.Node("event0")), 1);
}

TEST_F(EvdevDecoding, OverrunSkipsToTheNextReport) {
    ASSERT_TRUE(WriteKey(keyboard, KEY_A, 1));
    // After SYN_DROPPED the rest of the frame is incomplete and must not count.
    ASSERT_TRUE(WriteEvents(keyboard, {Event(EV_SYN, SYN_DROPPED, 0), Event(EV_KEY, KEY_B, 1),
                                       Sync(), Event(EV_KEY, KEY_C, 1), Sync()}));
    source.Refresh();
    EXPECT_EQ(source.State('B'), 0);
    EXPECT_EQ(source.State('C'), kDownAndPressed);
    // A FIFO has no kernel state to read afresh, so what was held stays held.
    EXPECT_EQ(source.State('A'), kDownAndPressed);
}

TEST_F(EvdevDecoding, ClosedDeviceIsDroppedSilentlyAndLetsGoOfItsKeys) {
    ASSERT_TRUE(WriteKey(keyboard, KEY_A, 1));
    source.Refresh();
    ASSERT_EQ(source.State('A'), kDownAndPressed);

    folder.Unplug(keyboard);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    source.Refresh();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(ReadersOf(folder.Node("event0")), 0);
    EXPECT_EQ(source.State('A'), 0);
    source.Refresh();
}

TEST_F(EvdevDecoding, RecordsSplitAcrossReads) {
    const int second = folder.AddNode("event1");
    ASSERT_GE(second, 0);
    const std::string bytes = evdev_test::Bytes({Event(EV_KEY, KEY_Z, 1), Sync()});
    ASSERT_TRUE(evdev_test::WriteBytes(second, bytes.substr(0, 10)));
    source.Refresh();
    EXPECT_EQ(source.State('Z'), 0);
    ASSERT_TRUE(evdev_test::WriteBytes(second, bytes.substr(10)));
    source.Refresh();
    EXPECT_EQ(source.State('Z'), kDownAndPressed);

    // The writer going away drops the node like an unplugged device.
    folder.Unplug(second);
    source.Refresh();
    EXPECT_EQ(ReadersOf(folder.Node("event1")), 0);
    EXPECT_EQ(ReadersOf(folder.Node("event0")), 1);
    EXPECT_EQ(source.State('Z'), 0);
}

}  // namespace
