// The key-state service for real: XInput2 raw events from a private Xvfb, with XTest input typed
// while another window of another client has the focus.
// gtest first: Xlib defines macros (None, Bool, Status) that its templates would trip over.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>

#include "platform/key_state.h"
#include "tests/linux/keys/xvfb_server.h"

namespace {

constexpr std::int16_t kDownAndPressed = static_cast<std::int16_t>(0x8001);
constexpr std::int16_t kDown = static_cast<std::int16_t>(0x8000);
constexpr std::int16_t kPressedOnly = 1;
constexpr int kSentinelCode = 123;  // F12, typed to know that earlier input has been taken in

class XKeySourceTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        server_ = std::make_unique<XvfbServer>();
        if (server_->Running()) setenv("DISPLAY", server_->Name().c_str(), 1);
    }
    static void TearDownTestSuite() { server_.reset(); }

    void SetUp() override {
        ASSERT_TRUE(server_->Running()) << "Xvfb did not start";
        input_ = XOpenDisplay(server_->Name().c_str());
        ASSERT_NE(input_, nullptr);
        int event = 0, error = 0, major = 0, minor = 0;
        ASSERT_TRUE(XTestQueryExtension(input_, &event, &error, &major, &minor));
        // Another program's window holds the focus, as when the user types elsewhere.
        focus_ = XCreateSimpleWindow(input_, DefaultRootWindow(input_), 0, 0, 200, 100, 0, 0, 0);
        XMapRaised(input_, focus_);
        XSync(input_, False);
        XSetInputFocus(input_, focus_, RevertToParent, CurrentTime);
        XSync(input_, False);
        ASSERT_EQ(platform::OpenKeySource(), "");
    }

    void TearDown() override {
        platform::CloseKeySource();
        if (input_ != nullptr) {
            XDestroyWindow(input_, focus_);
            XCloseDisplay(input_);
        }
    }

    KeyCode Keycode(KeySym keysym) const { return XKeysymToKeycode(input_, keysym); }

    void Key(KeySym keysym, bool down) {
        const KeyCode keycode = Keycode(keysym);
        ASSERT_NE(keycode, 0) << "no keycode for keysym 0x" << std::hex << keysym;
        XTestFakeKeyEvent(input_, keycode, down ? True : False, CurrentTime);
        XSync(input_, False);
    }
    void Button(unsigned button, bool down) {
        XTestFakeButtonEvent(input_, button, down ? True : False, CurrentTime);
        XSync(input_, False);
    }

    // Types the sentinel key and refreshes until it has been seen pressed and let go. The server
    // delivers events in order, so everything sent earlier has then been taken in, and no other
    // code has been queried meanwhile.
    void Barrier() {
        Key(XK_F12, true);
        Key(XK_F12, false);
        bool seen = false;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (std::chrono::steady_clock::now() < deadline) {
            platform::RefreshKeyState();
            const std::int16_t word = platform::GetAsyncKeyState(kSentinelCode);
            seen = seen || word != 0;
            if (seen && (word & 0x8000) == 0) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        FAIL() << "the key source heard nothing within 5 s";
    }

    // Every scanned code that answers nonzero now, as text for readable failures.
    static std::string NonzeroCodes() {
        std::string codes;
        for (int code = 3; code <= 127; ++code) {
            if (code != kSentinelCode && platform::GetAsyncKeyState(code) != 0) {
                codes += std::to_string(code) + " ";
            }
        }
        return codes;
    }

    static std::unique_ptr<XvfbServer> server_;
    Display* input_ = nullptr;
    Window focus_ = 0;
};

std::unique_ptr<XvfbServer> XKeySourceTest::server_;

TEST_F(XKeySourceTest, HeldKeyReadsDownOnEveryRefreshUntilReleased) {
    Key(XK_a, true);
    Barrier();
    EXPECT_EQ(platform::GetAsyncKeyState('A'), kDownAndPressed);
    for (int tick = 0; tick < 3; ++tick) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        platform::RefreshKeyState();
        EXPECT_EQ(platform::GetAsyncKeyState('A'), kDown) << "tick " << tick;
    }
    Key(XK_a, false);
    Barrier();
    EXPECT_EQ(platform::GetAsyncKeyState('A'), 0);
}

TEST_F(XKeySourceTest, TapBetweenTwoRefreshesSoundsExactlyOnce) {
    platform::RefreshKeyState();
    Key(XK_a, true);
    Key(XK_a, false);
    Barrier();
    EXPECT_EQ(platform::GetAsyncKeyState('A'), kPressedOnly);
    EXPECT_EQ(platform::GetAsyncKeyState('A'), 0);
    platform::RefreshKeyState();
    EXPECT_EQ(platform::GetAsyncKeyState('A'), 0);
}

TEST_F(XKeySourceTest, TwoKeysAtOnceAndNothingElse) {
    Key(XK_a, true);
    Key(XK_s, true);
    Barrier();
    EXPECT_EQ(NonzeroCodes(), "65 83 ");
    EXPECT_EQ(platform::GetAsyncKeyState('A'), kDown);
    EXPECT_EQ(platform::GetAsyncKeyState('S'), kDown);
    Key(XK_a, false);
    Barrier();
    EXPECT_EQ(platform::GetAsyncKeyState('A'), 0);
    EXPECT_EQ(platform::GetAsyncKeyState('S'), kDown);
    Key(XK_s, false);
    Barrier();
    EXPECT_EQ(NonzeroCodes(), "");
}

TEST_F(XKeySourceTest, LeftAndRightModifiersGiveTheGenericCodes) {
    const std::pair<KeySym, int> modifiers[] = {
        {XK_Shift_L, 16}, {XK_Shift_R, 16}, {XK_Control_L, 17}, {XK_Control_R, 17}, {XK_Alt_L, 18},
    };
    for (const auto& [keysym, code] : modifiers) {
        Key(keysym, true);
        Barrier();
        EXPECT_EQ(platform::GetAsyncKeyState(code), kDownAndPressed)
            << "keysym 0x" << std::hex << keysym;
        Key(keysym, false);
        Barrier();
        EXPECT_EQ(platform::GetAsyncKeyState(code), 0) << "keysym 0x" << std::hex << keysym;
    }
    // Shift stays down while either Shift key is held.
    Key(XK_Shift_L, true);
    Key(XK_Shift_R, true);
    Key(XK_Shift_L, false);
    Barrier();
    EXPECT_EQ(platform::GetAsyncKeyState(16), kDownAndPressed);
    Key(XK_Shift_R, false);
    Barrier();
    EXPECT_EQ(platform::GetAsyncKeyState(16), 0);
}

TEST_F(XKeySourceTest, MiddleAndSideButtonsSoundAndTheWheelDoesNot) {
    Button(2, true);
    Barrier();
    EXPECT_EQ(platform::GetAsyncKeyState(4), kDownAndPressed);
    Button(2, false);
    Barrier();
    EXPECT_EQ(platform::GetAsyncKeyState(4), 0);

    Button(8, true);
    Button(8, false);
    Button(9, true);
    Button(9, false);
    for (unsigned wheel = 4; wheel <= 7; ++wheel) {
        Button(wheel, true);
        Button(wheel, false);
    }
    Barrier();
    EXPECT_EQ(NonzeroCodes(), "5 6 ");
}

TEST_F(XKeySourceTest, RepeatedPressesAndDoubledReleasesKeepTheStateRight) {
    Key(XK_a, true);
    Key(XK_a, true);  // the server turns this into a repeat
    Key(XK_a, false);
    Key(XK_a, false);  // a release for a key that is already up
    Barrier();
    EXPECT_EQ(platform::GetAsyncKeyState('A'), kPressedOnly);
    Key(XK_a, true);
    Barrier();
    EXPECT_EQ(platform::GetAsyncKeyState('A'), kDownAndPressed);
    Key(XK_a, false);
    Barrier();
    EXPECT_EQ(platform::GetAsyncKeyState('A'), 0);
}

TEST_F(XKeySourceTest, KeysStillArriveWhileAnotherProgramGrabsTheKeyboard) {
    ASSERT_EQ(XGrabKeyboard(input_, focus_, False, GrabModeAsync, GrabModeAsync, CurrentTime),
              GrabSuccess);
    Key(XK_a, true);
    Key(XK_a, false);
    Barrier();
    EXPECT_EQ(platform::GetAsyncKeyState('A'), kPressedOnly);
    XUngrabKeyboard(input_, CurrentTime);
    XSync(input_, False);
}

TEST_F(XKeySourceTest, FollowsAChangeOfTheKeyboardMapping) {
    const KeyCode keycode = Keycode(XK_a);
    ASSERT_NE(keycode, 0);
    int symsPerKeycode = 0;
    KeySym* saved = XGetKeyboardMapping(input_, keycode, 1, &symsPerKeycode);
    ASSERT_NE(saved, nullptr);
    KeySym q[] = {XK_q, XK_Q};
    XChangeKeyboardMapping(input_, keycode, 2, q, 1);
    XSync(input_, False);
    Barrier();  // takes in the mapping change before the key arrives

    XTestFakeKeyEvent(input_, keycode, True, CurrentTime);
    XTestFakeKeyEvent(input_, keycode, False, CurrentTime);
    XSync(input_, False);
    Barrier();
    EXPECT_EQ(platform::GetAsyncKeyState('Q'), kPressedOnly);
    EXPECT_EQ(platform::GetAsyncKeyState('A'), 0);

    XChangeKeyboardMapping(input_, keycode, symsPerKeycode, saved, 1);
    XFree(saved);
    XSync(input_, False);
}

// A new layout loaded as a whole (as a layout switch does): on the French layout the key right
// of Tab is "a", and the first digit key gives "&" unshifted and "1" shifted, which still counts
// as the digit.
TEST_F(XKeySourceTest, FollowsANewKeyboardLayout) {
    constexpr int kKeyRightOfTab = 24;
    constexpr int kFirstDigitKey = 10;
    ASSERT_EQ(Keycode(XK_q), kKeyRightOfTab);
    ASSERT_EQ(Keycode(XK_1), kFirstDigitKey);
    const std::string setLayout = "timeout 10 setxkbmap -display " + server_->Name() + " ";
    ASSERT_EQ(std::system((setLayout + "fr").c_str()), 0);
    Barrier();

    for (const int keycode : {kKeyRightOfTab, kFirstDigitKey}) {
        XTestFakeKeyEvent(input_, static_cast<unsigned>(keycode), True, CurrentTime);
        XTestFakeKeyEvent(input_, static_cast<unsigned>(keycode), False, CurrentTime);
    }
    XSync(input_, False);
    Barrier();
    EXPECT_EQ(NonzeroCodes(), "49 65 ");
    EXPECT_EQ(std::system((setLayout + "us").c_str()), 0);
}

TEST_F(XKeySourceTest, ClosedSourceAnswersZeroAndReopens) {
    Key(XK_a, true);
    Barrier();
    platform::CloseKeySource();
    platform::RefreshKeyState();
    EXPECT_EQ(platform::GetAsyncKeyState('A'), 0);
    ASSERT_EQ(platform::OpenKeySource(), "");
    Key(XK_a, false);
    Key(XK_b, true);
    Key(XK_b, false);
    Barrier();
    EXPECT_EQ(NonzeroCodes(), "66 ");
}

}  // namespace
