#include "tests/linux/midi/monitor_recording.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

extern char** environ;

namespace midi_test {

using Clock = std::chrono::steady_clock;

MonitorRecording::MonitorRecording(const std::string& sink) {
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

MonitorRecording::~MonitorRecording() {
    // Closing the pipe first: parec blocked on a full pipe would otherwise never see the signal.
    if (fd_ >= 0) close(fd_);
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
}

MonitorRecording::Result MonitorRecording::Read(std::chrono::milliseconds duration, int stopAbove) {
    Result result;
    const auto deadline = Clock::now() + duration;
    std::vector<std::int16_t> samples(4096);
    while (Clock::now() < deadline && result.peak <= stopAbove) {
        pollfd poller{fd_, POLLIN, 0};
        poll(&poller, 1, 20);
        const ssize_t got = read(fd_, samples.data(), samples.size() * 2);
        if (got <= 0) continue;
        result.bytes += static_cast<std::size_t>(got);
        for (std::size_t i = 0; i < static_cast<std::size_t>(got) / 2; ++i) {
            result.peak = std::max(result.peak, std::abs(int{samples[i]}));
        }
    }
    return result;
}

bool MonitorRecording::WaitUntilFlowing() {
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (Clock::now() < deadline) {
        if (Read(std::chrono::milliseconds(100)).bytes > 0) return true;
    }
    return false;
}

std::string TestSink() {
    const char* sink = std::getenv("CLAVITAP_TEST_SINK");
    return sink != nullptr ? sink : "";
}

}  // namespace midi_test
