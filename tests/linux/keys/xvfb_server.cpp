#include "tests/linux/keys/xvfb_server.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

extern char** environ;

namespace {

constexpr int kFirstDisplay = 90;
constexpr int kDisplayCount = 110;  // 90..199
constexpr int kStartTimeoutMs = 10000;

bool Exists(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
}

bool DisplayLooksTaken(int number) {
    const std::string n = std::to_string(number);
    return Exists("/tmp/.X" + n + "-lock") || Exists("/tmp/.X11-unix/X" + n);
}

// Waits for the child to end, up to `timeoutMs`; true when it did.
bool Reap(pid_t pid, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) != 0) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

// Reads from `fd` until a newline arrives (true) or the writer goes or time runs out (false).
bool AwaitLine(int fd, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd waitFor{fd, POLLIN, 0};
        if (left.count() <= 0 || poll(&waitFor, 1, static_cast<int>(left.count())) != 1) {
            return false;
        }
        char chunk[16];
        const ssize_t got = read(fd, chunk, sizeof(chunk));
        if (got <= 0) return false;
        if (std::memchr(chunk, '\n', static_cast<std::size_t>(got)) != nullptr) return true;
    }
}

}  // namespace

// Parallel tests must never start two servers on one number: the loser deletes the winner's
// socket on its way out. Each number is reserved first with a lock on /tmp/.clavitap-X<n>.lock
// (tests/support/private_xvfb.sh takes the same locks), held until the server is stopped.
XvfbServer::XvfbServer(const std::vector<std::string>& extraArguments) {
    const int offset = static_cast<int>((getpid() * 37) % kDisplayCount);
    for (int i = 0; i < kDisplayCount && !Running(); ++i) {
        const int number = kFirstDisplay + (offset + i) % kDisplayCount;
        const std::string lockPath = "/tmp/.clavitap-X" + std::to_string(number) + ".lock";
        reservation_ = open(lockPath.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
        if (reservation_ < 0) continue;
        if (flock(reservation_, LOCK_EX | LOCK_NB) != 0 || DisplayLooksTaken(number) ||
            !TryStart(number, extraArguments)) {
            close(reservation_);
            reservation_ = -1;
        }
    }
}

bool XvfbServer::TryStart(int displayNumber, const std::vector<std::string>& extraArguments) {
    int ready[2];
    if (pipe(ready) != 0) return false;
    const std::string name = ":" + std::to_string(displayNumber);
    std::vector<std::string> arguments{
        "Xvfb",      name,  "-screen",  "0",          "640x480x24",
        "-nolisten", "tcp", "-noreset", "-displayfd", std::to_string(ready[1])};
    arguments.insert(arguments.end(), extraArguments.begin(), extraArguments.end());
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclose(&actions, ready[0]);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int spawned = posix_spawnp(&pid, "Xvfb", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(ready[1]);
    if (spawned != 0) {
        close(ready[0]);
        return false;
    }

    // -noreset: a server that resets as its last client leaves refuses whoever connects in that
    // moment. Xvfb writes its display number and a newline to the pipe once it accepts
    // connections; the pipe stays open until the newline, since a write into a closed pipe ends the
    // server.
    const bool isReady = AwaitLine(ready[0], kStartTimeoutMs);
    close(ready[0]);
    if (!isReady) {
        kill(pid, SIGKILL);
        Reap(pid, 5000);
        return false;
    }
    pid_ = pid;
    name_ = name;
    return true;
}

XvfbServer::~XvfbServer() {
    if (!Running()) return;
    kill(pid_, SIGTERM);
    if (!Reap(pid_, 5000)) {
        kill(pid_, SIGKILL);
        Reap(pid_, 5000);
    }
    close(reservation_);  // the number is free for other tests once the server is gone
}

StderrCapture::StderrCapture() {
    std::fflush(stderr);
    char path[] = "/tmp/clavitap-stderr-XXXXXX";
    file_ = mkstemp(path);
    if (file_ < 0) return;
    unlink(path);
    savedStderr_ = dup(2);
    dup2(file_, 2);
}

StderrCapture::~StderrCapture() {
    if (file_ < 0) return;
    std::fflush(stderr);
    dup2(savedStderr_, 2);
    close(savedStderr_);
    close(file_);
}

std::string StderrCapture::Text() const {
    std::fflush(stderr);
    std::string text;
    char buffer[512];
    for (off_t at = 0;;) {
        const ssize_t got = pread(file_, buffer, sizeof(buffer), at);
        if (got <= 0) break;
        text.append(buffer, static_cast<std::size_t>(got));
        at += got;
    }
    return text;
}
