// The source against real kernel input devices, made with uinput. Machines without /dev/uinput
// (containers, most CI runners) skip these with a message.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <libevdev/libevdev-uinput.h>
#include <libevdev/libevdev.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/linux/evdev/evdev_key_source.h"
#include "tests/linux/evdev/event_stream.h"

namespace {

using linux_::EvdevKeySource;

constexpr std::int16_t kDown = static_cast<std::int16_t>(0x8000);

// A virtual device made through /dev/uinput, with a folder that holds only its node, so the test
// neither reads nor disturbs the machine's own keyboards.
class UinputDevice {
  public:
    // Keys and buttons to offer, or none for a device with only relative axes.
    explicit UinputDevice(std::initializer_list<unsigned int> keys) {
        uinputFd_ = open("/dev/uinput", O_RDWR | O_CLOEXEC);
        if (uinputFd_ < 0) return;
        libevdev* description = libevdev_new();
        libevdev_set_name(description, "Clavitap test device");
        for (unsigned int key : keys) libevdev_enable_event_code(description, EV_KEY, key, nullptr);
        if (keys.size() == 0) {
            libevdev_enable_event_code(description, EV_REL, REL_X, nullptr);
            libevdev_enable_event_code(description, EV_REL, REL_Y, nullptr);
        }
        const int rc = libevdev_uinput_create_from_device(description, uinputFd_, &device_);
        libevdev_free(description);
        if (rc != 0) device_ = nullptr;
    }
    ~UinputDevice() {
        Destroy();
        if (uinputFd_ >= 0) close(uinputFd_);
        if (!folder_.empty()) std::filesystem::remove_all(folder_);
    }

    bool Made() const { return device_ != nullptr; }
    const char* Node() const { return libevdev_uinput_get_devnode(device_); }

    // A folder whose only entry, event0, leads to this device's node.
    std::string Folder() {
        std::string pattern = std::filesystem::temp_directory_path() / "clavitap-uinput-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) return {};
        folder_ = pattern;
        std::filesystem::create_symlink(Node(), folder_ + "/event0");
        return folder_;
    }

    void Key(unsigned int code, int value) {
        libevdev_uinput_write_event(device_, EV_KEY, code, value);
        libevdev_uinput_write_event(device_, EV_SYN, SYN_REPORT, 0);
    }

    void Destroy() {
        if (device_ != nullptr) libevdev_uinput_destroy(device_);
        device_ = nullptr;
    }

  private:
    int uinputFd_ = -1;
    libevdev_uinput* device_ = nullptr;
    std::string folder_;
};

#define SKIP_WITHOUT(device)                                                                    \
    if (!(device).Made())                                                                       \
    GTEST_SKIP() << "no usable /dev/uinput on this machine (load the uinput module and run as " \
                    "a user who may write it to run this test)"

// Refreshes until `done` holds, for at most two seconds: the kernel delivers at once, but a busy
// machine may not schedule the writer's events before the first look.
template <typename Condition>
bool RefreshUntil(EvdevKeySource& source, Condition done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    for (;;) {
        source.Refresh();
        if (done()) return true;
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

TEST(EvdevUinput, KeyboardPressesAndReleasesAreHeard) {
    UinputDevice keyboard({KEY_A, KEY_S, KEY_LEFTSHIFT});
    SKIP_WITHOUT(keyboard);
    // A key already down when the device is opened counts as down, not as pressed.
    keyboard.Key(KEY_S, 1);
    EvdevKeySource source;
    ASSERT_EQ(source.Open(keyboard.Folder()), "");
    EXPECT_EQ(source.State('S'), kDown);

    keyboard.Key(KEY_A, 1);
    std::int16_t state = 0;
    ASSERT_TRUE(RefreshUntil(source, [&] { return (state = source.State('A')) != 0; }));
    EXPECT_EQ(state, static_cast<std::int16_t>(0x8001));

    keyboard.Key(KEY_A, 0);
    keyboard.Key(KEY_S, 0);
    EXPECT_TRUE(RefreshUntil(source, [&] { return source.State('A') == 0; }));
    EXPECT_TRUE(RefreshUntil(source, [&] { return source.State('S') == 0; }));
}

TEST(EvdevUinput, ReleaseLostInAnOverrunIsRecoveredFromTheKernel) {
    UinputDevice keyboard({KEY_A, KEY_S});
    SKIP_WITHOUT(keyboard);
    EvdevKeySource source;
    ASSERT_EQ(source.Open(keyboard.Folder()), "");
    keyboard.Key(KEY_S, 1);
    ASSERT_TRUE(RefreshUntil(source, [&] { return source.State('S') != 0; }));

    // Far more events than a reader's queue holds, with the release of S in the middle: the
    // queue overflows and the release is lost, so only asking the kernel can tell.
    for (int i = 0; i < 2000; ++i) {
        keyboard.Key(KEY_A, 1);
        keyboard.Key(KEY_A, 0);
    }
    keyboard.Key(KEY_S, 0);
    for (int i = 0; i < 2000; ++i) {
        keyboard.Key(KEY_A, 1);
        keyboard.Key(KEY_A, 0);
    }
    EXPECT_TRUE(RefreshUntil(source, [&] {
        return (source.State('S') & kDown) == 0 && (source.State('A') & kDown) == 0;
    }));
}

TEST(EvdevUinput, UnpluggedDeviceIsDropped) {
    UinputDevice keyboard({KEY_A});
    SKIP_WITHOUT(keyboard);
    EvdevKeySource source;
    ASSERT_EQ(source.Open(keyboard.Folder()), "");
    keyboard.Key(KEY_A, 1);
    ASSERT_TRUE(RefreshUntil(source, [&] { return source.State('A') != 0; }));
    const std::string node = keyboard.Node();
    keyboard.Destroy();
    EXPECT_TRUE(RefreshUntil(source, [&] { return evdev_test::ReadersOf(node) == 0; }));
    EXPECT_EQ(source.State('A'), 0);
}

TEST(EvdevUinput, DeviceWithoutKeysIsNotRead) {
    UinputDevice pointer({});
    SKIP_WITHOUT(pointer);
    EvdevKeySource source;
    EXPECT_NE(source.Open(pointer.Folder()), "");
}

}  // namespace
