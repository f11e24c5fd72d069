// Without a usable X display the program still runs: the key source explains once, in plain
// words, why keys in other programs cannot sound, answers 0 for every key and prints nothing.
// The input devices cannot be read in these tests either (there are none, or the test user may
// not read them), so the explanation also says what would let the program hear them.
#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/key_state.h"
#include "tests/linux/keys/xvfb_server.h"

namespace {

// The text names the X display's problem first, then the input devices' one.
void ExpectExplained(const std::string& text, const std::string& xReason) {
    EXPECT_EQ(text.substr(0, xReason.size()), xReason);
    EXPECT_NE(text.find("/dev/input", xReason.size()), std::string::npos) << text;
}

void ExpectSilentForEveryCode() {
    platform::RefreshKeyState();
    for (int code = 0; code < 256; ++code) {
        EXPECT_EQ(platform::GetAsyncKeyState(code), 0) << "code " << code;
    }
}

TEST(KeySourceWithoutDisplay, DisplayNotSet) {
    unsetenv("DISPLAY");
    StderrCapture stderrText;
    ExpectExplained(
        platform::OpenKeySource(),
        "Clavitap cannot hear the keyboard: no X display is available (DISPLAY is not set), "
        "so keys typed in other programs will not sound.");
    ExpectSilentForEveryCode();
    platform::CloseKeySource();
    EXPECT_EQ(stderrText.Text(), "");
}

TEST(KeySourceWithoutDisplay, DisplayUnreachable) {
    setenv("DISPLAY", ":1999", 1);  // no server listens there
    StderrCapture stderrText;
    ExpectExplained(
        platform::OpenKeySource(),
        "Clavitap cannot hear the keyboard: the X display \":1999\" cannot be reached or "
        "does not let Clavitap in, so keys typed in other programs will not sound.");
    ExpectSilentForEveryCode();
    platform::CloseKeySource();
    EXPECT_EQ(stderrText.Text(), "");
}

// A server that wants an authorisation cookie we do not have: Xlib would print the server's
// reason on the terminal.
TEST(KeySourceWithoutDisplay, DisplayRefusesTheConnection) {
    char cookies[] = "/tmp/clavitap-cookies-XXXXXX";
    const int file = mkstemp(cookies);
    ASSERT_GE(file, 0);
    close(file);
    // Any cookie at all turns the server's access control on.
    XvfbServer server({"-auth", cookies});
    ASSERT_TRUE(server.Running());
    const std::string add = "xauth -q -f " + std::string(cookies) + " add " + server.Name() +
                            " . 0123456789abcdef0123456789abcdef";
    ASSERT_EQ(std::system(add.c_str()), 0);
    setenv("DISPLAY", server.Name().c_str(), 1);
    setenv("XAUTHORITY", "/dev/null", 1);
    StderrCapture stderrText;
    ExpectExplained(platform::OpenKeySource(),
                    "Clavitap cannot hear the keyboard: the X display \"" + server.Name() +
                        "\" cannot be reached or does not let Clavitap in, so keys typed in other "
                        "programs will not sound.");
    ExpectSilentForEveryCode();
    platform::CloseKeySource();
    EXPECT_EQ(stderrText.Text(), "");
    unsetenv("XAUTHORITY");
    unlink(cookies);
}

// A server without the Generic Event Extension cannot deliver any XInput 2 event.
TEST(KeySourceWithoutDisplay, DisplayWithoutXInput2) {
    XvfbServer server({"-extension", "Generic Event Extension"});
    ASSERT_TRUE(server.Running());
    setenv("DISPLAY", server.Name().c_str(), 1);
    StderrCapture stderrText;
    ExpectExplained(
        platform::OpenKeySource(),
        "Clavitap cannot hear the keyboard: the X display does not deliver XInput 2 events, "
        "so keys typed in other programs will not sound.");
    ExpectSilentForEveryCode();
    platform::CloseKeySource();
    EXPECT_EQ(stderrText.Text(), "");
}

}  // namespace

namespace {

// On a Wayland desktop X hears only keys typed into X windows: the input devices come first, and
// where they cannot be read the X source still serves, with a word on what the user misses.
TEST(KeySourceChoice, WaylandFallsBackOnXAndSaysWhatIsMissed) {
    XvfbServer server;
    ASSERT_TRUE(server.Running());
    setenv("DISPLAY", server.Name().c_str(), 1);
    setenv("WAYLAND_DISPLAY", "wayland-0", 1);
    StderrCapture stderrText;
    const std::string notice = platform::OpenKeySource();
    unsetenv("WAYLAND_DISPLAY");
    EXPECT_EQ(notice.rfind("Clavitap hears only keys typed into X programs, because this is a "
                           "Wayland session.",
                           0),
              0u)
        << notice;
    EXPECT_NE(notice.find("/dev/input"), std::string::npos);
    platform::CloseKeySource();
    EXPECT_EQ(stderrText.Text(), "");
}

// On an X desktop the X source serves and nothing needs saying.
TEST(KeySourceChoice, XDesktopUsesXSilently) {
    XvfbServer server;
    ASSERT_TRUE(server.Running());
    setenv("DISPLAY", server.Name().c_str(), 1);
    unsetenv("WAYLAND_DISPLAY");
    EXPECT_EQ(platform::OpenKeySource(), "");
    platform::CloseKeySource();
}

}  // namespace

namespace {

// A Wayland start whose input devices can be read hears every key: nothing to tell. The machine
// view of a private mount namespace gets an input devices folder holding one device (a FIFO that
// carries input events, as the source accepts); root only.
TEST(KeySourceChoice, WaylandWithReadableInputDevicesSaysNothing) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root for a private mount namespace";
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const bool viewMade = unshare(CLONE_NEWNS) == 0 &&
                              mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                              mount("none", "/dev", "tmpfs", 0, nullptr) == 0 &&
                              mkdir("/dev/input", 0755) == 0 &&
                              mkfifo("/dev/input/event0", 0600) == 0;
        if (!viewMade) _exit(2);
        unsetenv("DISPLAY");
        setenv("WAYLAND_DISPLAY", "wayland-0", 1);
        _exit(platform::OpenKeySource().empty() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0)
        << (WEXITSTATUS(status) == 2 ? "no private view" : "a notice");
}

}  // namespace
