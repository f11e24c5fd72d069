// Finding devices in an input devices folder: a temporary folder holds FIFOs named like event
// nodes, which the source opens and reads as it would kernel devices.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "event_stream.h"
#include "platform/linux/evdev/evdev_key_source.h"

namespace {

using evdev_test::WriteKey;
using linux_::EvdevKeySource;
using linux_::ExplainUnreadableDevices;

class EvdevDiscovery : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "clavitap-evdev-XXXXXX");
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder = pattern;
    }

    void TearDown() override {
        source.Close();
        for (int fd : writers) close(fd);
        std::filesystem::remove_all(folder);
    }

    // A FIFO in the folder with a writer already attached (a FIFO without one reads as ended).
    int AddNode(const std::string& name, mode_t mode = 0600) {
        const std::string path = folder + "/" + name;
        if (mkfifo(path.c_str(), mode) != 0) return -1;
        // Read and write, so that opening does not wait for a reader.
        const int fd = open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0) writers.push_back(fd);
        return fd;
    }

    std::string folder;
    std::vector<int> writers;
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
    EXPECT_EQ(source.DeviceCount(), 2u);

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
    EXPECT_EQ(source.DeviceCount(), 2u);
    EXPECT_EQ(source.State(112), static_cast<std::int16_t>(0x8001));
}

TEST_F(EvdevDiscovery, NodeWhoseAccessChangesIsNotOpenedTwice) {
    const int node = AddNode("event0");
    ASSERT_GE(node, 0);
    ASSERT_EQ(source.Open(folder), "");
    ASSERT_EQ(chmod((folder + "/event0").c_str(), 0660), 0);
    source.Refresh();
    EXPECT_EQ(source.DeviceCount(), 1u);
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
    ASSERT_GE(AddNode("event1"), 0);
    source.Refresh();
    EXPECT_EQ(source.DeviceCount(), 1u);
    EXPECT_EQ(source.Explanation(), "");
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
    const bool explained = explanation == ExplainUnreadableDevices(folder) &&
                           explanation.find("'input' group") != std::string::npos &&
                           explanation.find("log in again") != std::string::npos;
    std::_Exit(explained ? 0 : 1);
}

TEST_F(EvdevDiscovery, UnreadableDevicesAreExplained) {
    ASSERT_GE(AddNode("event0"), 0);
    ASSERT_EQ(chmod((folder + "/event0").c_str(), 0000), 0);  // after the writer is attached
    ASSERT_EQ(chmod(folder.c_str(), 0755), 0);
    EXPECT_EXIT(OpenAsOrdinaryUser(folder), ::testing::ExitedWithCode(0), "");
}

}  // namespace
