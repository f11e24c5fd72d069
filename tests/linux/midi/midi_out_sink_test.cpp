// The platform calls against a real PulseAudio server with a null sink: run by with_null_sink.sh,
// which names the sink in CLAVITAP_TEST_SINK. The sink's monitor is recorded with parec.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/midi_out.h"

extern char** environ;

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;

// parec writing the sink's monitor as 16-bit stereo to a pipe this test reads.
class MonitorRecording {
  public:
    explicit MonitorRecording(const std::string& sink) {
        int fds[2];
        if (pipe(fds) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        const std::string device = "--device=" + sink + ".monitor";
        std::vector<std::string> args = {"parec",        device,         "--format=s16le",
                                         "--rate=44100", "--channels=2", "--latency-msec=20"};
        std::vector<char*> argv;
        for (auto& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        if (posix_spawnp(&pid_, "parec", &actions, nullptr, argv.data(), environ) != 0) pid_ = 0;
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        fd_ = fds[0];
        fcntl(fd_, F_SETFL, O_NONBLOCK);
    }
    ~MonitorRecording() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        if (fd_ >= 0) close(fd_);
    }

    // Reads for `duration` (or until `stopAbove` is exceeded); the largest absolute sample seen,
    // and how many bytes came.
    struct Result {
        int peak = 0;
        std::size_t bytes = 0;
    };
    Result Read(std::chrono::milliseconds duration, int stopAbove = 1 << 16) {
        Result result;
        const auto deadline = Clock::now() + duration;
        std::vector<std::int16_t> samples(4096);
        while (Clock::now() < deadline && result.peak <= stopAbove) {
            pollfd poller{fd_, POLLIN, 0};
            poll(&poller, 1, 20);
            const ssize_t got = read(fd_, samples.data(), samples.size() * 2);
            if (got <= 0) continue;
            result.bytes += static_cast<std::size_t>(got);
            for (ssize_t i = 0; i < got / 2; ++i) {
                result.peak =
                    std::max(result.peak, std::abs(int{samples[static_cast<std::size_t>(i)]}));
            }
        }
        return result;
    }

    // The monitor delivers nothing for a second or two after it is opened.
    bool WaitUntilFlowing() {
        const auto deadline = Clock::now() + std::chrono::seconds(10);
        while (Clock::now() < deadline) {
            if (Read(std::chrono::milliseconds(100)).bytes > 0) return true;
        }
        return false;
    }

  private:
    pid_t pid_ = 0;
    int fd_ = -1;
};

std::string ErrorText(Long code) {
    char buffer[128] = "";
    midiOutGetErrorTextA(code, buffer, sizeof(buffer));
    return buffer;
}

class MidiOutOnNullSink : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* sink = std::getenv("CLAVITAP_TEST_SINK");
        ASSERT_NE(sink, nullptr) << "run me through with_null_sink.sh";
        sink_ = sink;
    }
    std::string sink_;
};

TEST_F(MidiOutOnNullSink, BuiltinSynthIsListedOpensSoundsAndCloses) {
    MidiOutCapsA caps{};
    ASSERT_EQ(midiOutGetDevCapsA(-1, &caps, sizeof(caps)), 0);
    EXPECT_STREQ(caps.szPname, "Built-in Synthesizer");

    MonitorRecording monitor(sink_);
    ASSERT_TRUE(monitor.WaitUntilFlowing()) << "parec delivered nothing";

    Long handle = 0;
    const Long opened = midiOutOpen(&handle, -1, 0, 0, 0);
    ASSERT_EQ(opened, 0) << ErrorText(opened);
    EXPECT_GT(handle, 0);
    EXPECT_EQ(midiOutShortMsg(handle, 0xB0 | 0 << 8 | 0 << 16), 0);  // bank 0
    EXPECT_EQ(midiOutShortMsg(handle, 0xC0 | 0 << 8), 0);            // program 0
    EXPECT_LT(monitor.Read(std::chrono::milliseconds(300)).peak, 64) << "silent before the note";

    EXPECT_EQ(midiOutShortMsg(handle, 0x90 | 70 << 8 | 100 << 16), 0);
    const auto sounded = monitor.Read(std::chrono::seconds(3), 2000);
    EXPECT_GT(sounded.peak, 2000) << "the note-on made no sound on the sink";

    EXPECT_EQ(midiOutShortMsg(handle, 0x90 | 200 << 8 | 100 << 16), MidiError::kInvalidParam);
    EXPECT_EQ(midiOutClose(handle), 0);

    EXPECT_EQ(midiOutShortMsg(handle, 0x90 | 70 << 8 | 100 << 16), MidiError::kInvalidHandle);
    EXPECT_EQ(midiOutClose(handle), MidiError::kInvalidHandle);
    EXPECT_EQ(midiOutShortMsg(0, 0x90 | 70 << 8 | 100 << 16), MidiError::kInvalidHandle);
    EXPECT_EQ(ErrorText(MidiError::kInvalidHandle),
              "No MIDI output device is open (the handle is not valid).");
}

TEST_F(MidiOutOnNullSink, SynthIsOpenOnceAtATimeAndReopensAfterClose) {
    Long first = 0, second = 0;
    ASSERT_EQ(midiOutOpen(&first, -1, 0, 0, 0), 0);
    EXPECT_EQ(midiOutOpen(&second, -1, 0, 0, 0), MidiError::kAllocated);
    EXPECT_EQ(second, 0);
    EXPECT_EQ(midiOutShortMsg(first, 0x90 | 60 << 8 | 100 << 16), 0) << "the first stays usable";
    ASSERT_EQ(midiOutClose(first), 0);

    ASSERT_EQ(midiOutOpen(&second, -1, 0, 0, 0), 0);
    EXPECT_NE(second, first) << "a closed handle is never handed out again";
    EXPECT_EQ(midiOutShortMsg(first, 0x90 | 60 << 8 | 100 << 16), MidiError::kInvalidHandle);
    EXPECT_EQ(midiOutShortMsg(second, 0x90 | 60 << 8 | 100 << 16), 0);
    EXPECT_EQ(midiOutClose(second), 0);
}

}  // namespace
}  // namespace platform
