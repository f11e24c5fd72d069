// Finding devices in an input devices folder: a temporary folder holds FIFOs named like event
// nodes, which the source opens and reads as it would kernel devices.
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/linux/evdev/evdev_key_source.h"
#include "tests/linux/evdev/event_stream.h"

namespace {

using evdev_test::ReadersOf;
using evdev_test::WriteKey;
using linux_::EvdevKeySource;

class EvdevDiscovery : public ::testing::Test {
  protected:
    int AddNode(const std::string& name, mode_t mode = 0600) { return devices.AddNode(name, mode); }
    int Readers(const std::string& name) const { return ReadersOf(devices.Node(name)); }

    evdev_test::DeviceFolder devices;
    const std::string& folder = devices.Path();
    EvdevKeySource source;
};

TEST_F(EvdevDiscovery, OpensEventNodesOnlyAndReadsEachOfThem) {
    const int first = AddNode("event0");
    const int second = AddNode("event7");
    const int notAnEventNode = AddNode("mouse0");
    ASSERT_GE(first, 0);
    ASSERT_GE(second, 0);
    ASSERT_GE(notAnEventNode, 0);
    std::ofstream(folder + "/event9") << "a plain file, not a device";
    std::filesystem::create_directory(folder + "/by-id");

    ASSERT_EQ(source.Open(folder), "");
    EXPECT_EQ(Readers("event0") + Readers("event7") + Readers("mouse0") + Readers("event9"), 2);

    ASSERT_TRUE(WriteKey(first, KEY_A, 1));
    ASSERT_TRUE(WriteKey(second, KEY_B, 1));
    ASSERT_TRUE(WriteKey(notAnEventNode, KEY_C, 1));
    source.Refresh();
    EXPECT_NE(source.State('A'), 0);
    EXPECT_NE(source.State('B'), 0);
    EXPECT_EQ(source.State('C'), 0);
}

TEST_F(EvdevDiscovery, DevicePluggedInLaterIsFoundAtTheNextRefresh) {
    ASSERT_GE(AddNode("event0"), 0);
    ASSERT_EQ(source.Open(folder), "");

    const int later = AddNode("event1");
    ASSERT_GE(later, 0);
    ASSERT_TRUE(WriteKey(later, KEY_F1, 1));
    source.Refresh();
    EXPECT_EQ(Readers("event0") + Readers("event1"), 2);
    EXPECT_EQ(source.State(112), static_cast<std::int16_t>(0x8001));
}

TEST_F(EvdevDiscovery, NodeWhoseAccessChangesIsNotOpenedTwice) {
    const int node = AddNode("event0");
    ASSERT_GE(node, 0);
    ASSERT_EQ(source.Open(folder), "");
    ASSERT_EQ(chmod((folder + "/event0").c_str(), 0660), 0);
    source.Refresh();
    EXPECT_EQ(Readers("event0"), 1);
    // A second reader of the same node would steal half of its events.
    ASSERT_TRUE(WriteKey(node, KEY_A, 1));
    ASSERT_TRUE(WriteKey(node, KEY_A, 0));
    source.Refresh();
    EXPECT_EQ(source.State('A'), 1);
}

TEST_F(EvdevDiscovery, FolderWithoutDevicesIsExplained) {
    std::ofstream(folder + "/event0") << "not a device";
    EXPECT_EQ(source.Open(folder), "Clavitap finds no keyboard or mouse in " + folder +
                                       ", so keys typed in other programs cannot sound.");

    // The folder is still watched: a keyboard plugged in afterwards is heard.
    const int later = AddNode("event1");
    ASSERT_GE(later, 0);
    ASSERT_TRUE(WriteKey(later, KEY_A, 1));
    source.Refresh();
    EXPECT_EQ(Readers("event1"), 1);
    EXPECT_NE(source.State('A'), 0);
}

TEST_F(EvdevDiscovery, RefusesWhatIsNoInputDeviceAndClosesIt) {
    // /dev/null is a character device but answers no input ioctls.
    const int nullReaders = ReadersOf("/dev/null");
    std::filesystem::create_symlink("/dev/null", folder + "/event0");
    std::ofstream(folder + "/event1") << "a regular file";
    testing::internal::CaptureStderr();
    EXPECT_EQ(source.Open(folder), "Clavitap finds no keyboard or mouse in " + folder +
                                       ", so keys typed in other programs cannot sound.");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(ReadersOf("/dev/null"), nullReaders) << "the refused descriptor is closed";
    EXPECT_EQ(Readers("event1"), 0);
}

TEST_F(EvdevDiscovery, MissingFolderIsExplained) {
    EXPECT_EQ(source.Open(folder + "/no-such-folder"),
              "Clavitap cannot find the input devices folder " + folder +
                  "/no-such-folder, so keys typed in other programs "
                  "cannot sound.");
    source.Refresh();
}

// Run in a child process: as root it first becomes an ordinary user, for whom a node of mode 000
// is unreadable as it is for a user outside the 'input' group.
void OpenAsOrdinaryUser(const std::string& folder) {
    if (geteuid() == 0) {
        const uid_t nobody = 65534;
        if (setgroups(0, nullptr) != 0 || setresgid(nobody, nobody, nobody) != 0 ||
            setresuid(nobody, nobody, nobody) != 0) {
            std::_Exit(2);
        }
    }
    EvdevKeySource source;
    const std::string explanation = source.Open(folder);
    const bool explained =
        explanation == "Clavitap cannot read the keyboard devices in " + folder +
                           ". Add your user to the 'input' group (sudo usermod -aG input $USER) "
                           "and log in again, so keys typed in other programs can sound.";
    std::_Exit(explained ? 0 : 1);
}

TEST_F(EvdevDiscovery, UnreadableDevicesAreExplained) {
    ASSERT_GE(AddNode("event0"), 0);
    ASSERT_EQ(chmod((folder + "/event0").c_str(), 0000), 0);  // after the writer is attached
    ASSERT_EQ(chmod(folder.c_str(), 0755), 0);
    EXPECT_EXIT(OpenAsOrdinaryUser(folder), ::testing::ExitedWithCode(0), "");
}

}  // namespace
