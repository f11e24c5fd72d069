// Decoding of the input_event stream into GetAsyncKeyState words, fed through real pipes and
// sockets that the source reads exactly as it reads a device node.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>

#include "event_stream.h"
#include "platform/linux/evdev/evdev_key_source.h"

namespace {

using evdev_test::Event;
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
    // A device fed through a plain pipe. pipe() gives a blocking read end: a Refresh that did not
    // make it non-blocking would hang here instead of returning.
    int AddPipeDevice(const char* name) {
        int ends[2];
        if (pipe(ends) != 0) return -1;
        EXPECT_TRUE(source.AddDevice(ends[0], name));
        return ends[1];
    }

    void TearDown() override {
        for (int fd : {keyboard, second}) {
            if (fd >= 0) close(fd);
        }
    }

    EvdevKeySource source;
    int keyboard = AddPipeDevice("keyboard");
    int second = -1;
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
    second = AddPipeDevice("second keyboard");
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
    EXPECT_EQ(source.DeviceCount(), 1u);
}

TEST_F(EvdevDecoding, OverrunSkipsToTheNextReport) {
    ASSERT_TRUE(WriteKey(keyboard, KEY_A, 1));
    // After SYN_DROPPED the rest of the frame is incomplete and must not count.
    ASSERT_TRUE(WriteEvents(keyboard, {Event(EV_SYN, SYN_DROPPED, 0), Event(EV_KEY, KEY_B, 1),
                                       Sync(), Event(EV_KEY, KEY_C, 1), Sync()}));
    source.Refresh();
    EXPECT_EQ(source.State('B'), 0);
    EXPECT_EQ(source.State('C'), kDownAndPressed);
    // A pipe has no kernel state to read afresh, so what was held stays held.
    EXPECT_EQ(source.State('A'), kDownAndPressed);
}

TEST_F(EvdevDecoding, ClosedDeviceIsDroppedSilentlyAndLetsGoOfItsKeys) {
    ASSERT_TRUE(WriteKey(keyboard, KEY_A, 1));
    source.Refresh();
    ASSERT_EQ(source.State('A'), kDownAndPressed);

    close(keyboard);
    keyboard = -1;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    source.Refresh();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(source.DeviceCount(), 0u);
    EXPECT_EQ(source.State('A'), 0);
    source.Refresh();
}

TEST_F(EvdevDecoding, RecordsSplitAcrossReadsOnASocket) {
    int ends[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, ends), 0);
    second = ends[1];
    ASSERT_TRUE(source.AddDevice(ends[0], "socket"));

    const std::string bytes = evdev_test::Bytes({Event(EV_KEY, KEY_Z, 1), Sync()});
    ASSERT_TRUE(evdev_test::WriteBytes(second, bytes.substr(0, 10)));
    source.Refresh();
    EXPECT_EQ(source.State('Z'), 0);
    ASSERT_TRUE(evdev_test::WriteBytes(second, bytes.substr(10)));
    source.Refresh();
    EXPECT_EQ(source.State('Z'), kDownAndPressed);

    // The peer going away drops the socket like an unplugged device.
    close(second);
    second = -1;
    source.Refresh();
    EXPECT_EQ(source.DeviceCount(), 1u);
    EXPECT_EQ(source.State('Z'), 0);
}

TEST(EvdevAddDevice, RefusesWhatIsNoInputDeviceAndClosesIt) {
    EvdevKeySource source;
    testing::internal::CaptureStderr();
    // /dev/null is a character device but answers no input ioctls.
    const int null = open("/dev/null", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(null, 0);
    EXPECT_FALSE(source.AddDevice(null, "/dev/null"));
    EXPECT_EQ(fcntl(null, F_GETFD), -1) << "the refused descriptor is closed";

    char path[] = "/tmp/clavitap-evdev-regular-XXXXXX";
    const int regular = mkstemp(path);
    ASSERT_GE(regular, 0);
    unlink(path);
    EXPECT_FALSE(source.AddDevice(regular, "regular file"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(source.DeviceCount(), 0u);
}

}  // namespace
