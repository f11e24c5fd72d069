// A test that decides which SoundFonts are installed: its process sees an empty folder of its own
// where the system's fonts are. The view is a private mount namespace of the test's thread and of
// the threads it starts from then on; making one needs root, as the key sources' private views do.
#pragma once

#include <gtest/gtest.h>
#include <sched.h>
#include <stdlib.h>
#include <sys/mount.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace midi_test {

inline const std::filesystem::path kFontFolder = "/usr/share/sounds/sf2";

class PrivateFontFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        if (geteuid() != 0) GTEST_SKIP() << "needs root for a private mount namespace";
        char pattern[] = "/tmp/clavitap-sf2.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = pattern;
        // Private before anything is mounted, so that no other process sees the empty folder.
        ASSERT_EQ(unshare(CLONE_NEWNS), 0);
        ASSERT_EQ(mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr), 0);
        ASSERT_EQ(mount(folder_.c_str(), kFontFolder.c_str(), nullptr, MS_BIND, nullptr), 0);
    }
    void TearDown() override {
        if (folder_.empty()) return;
        umount2(kFontFolder.c_str(), MNT_DETACH);
        std::filesystem::remove_all(folder_);
    }

    // A file of the font folder that is found as a font, but that FluidSynth cannot load.
    static void Touch(const char* name) { std::ofstream(kFontFolder / name) << "sfbk"; }
    static std::string Font(const char* name) { return (kFontFolder / name).string(); }

  private:
    std::filesystem::path folder_;
};

}  // namespace midi_test
