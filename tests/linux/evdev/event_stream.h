// An input devices folder for the tests: FIFOs named like event nodes, into which the tests write
// `struct input_event` records the way the kernel hands them to a reader of an input device.
#pragma once

#include <fcntl.h>
#include <linux/input.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace evdev_test {

inline input_event Event(unsigned short type, unsigned short code, int value) {
    input_event event{};
    event.type = type;
    event.code = code;
    event.value = value;
    return event;
}

inline input_event Sync() {
    return Event(EV_SYN, SYN_REPORT, 0);
}

inline std::string Bytes(const std::vector<input_event>& events) {
    std::string bytes(events.size() * sizeof(input_event), '\0');
    if (!events.empty()) std::memcpy(bytes.data(), events.data(), bytes.size());
    return bytes;
}

inline bool WriteBytes(int fd, const std::string& bytes) {
    return write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
}

inline bool WriteEvents(int fd, const std::vector<input_event>& events) {
    return WriteBytes(fd, Bytes(events));
}

// A key going down (1), repeating (2) or up (0), with the report that closes the frame.
inline bool WriteKey(int fd, unsigned short code, int value) {
    return WriteEvents(fd, {Event(EV_KEY, code, value), Sync()});
}

// How many descriptors of this process only read `path` (the key source's; the tests' own
// writers also write). A node deleted while open still counts.
inline int ReadersOf(const std::string& path) {
    int readers = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        const std::string target = std::filesystem::read_symlink(entry.path(), error);
        if (target != path && target != path + " (deleted)") continue;
        const int fd = std::atoi(entry.path().filename().c_str());
        if ((fcntl(fd, F_GETFL) & O_ACCMODE) == O_RDONLY) ++readers;
    }
    return readers;
}

// A temporary input devices folder, removed with everything in it at the end.
class DeviceFolder {
  public:
    DeviceFolder() {
        std::string pattern = std::filesystem::temp_directory_path() / "clavitap-evdev-XXXXXX";
        if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    }
    DeviceFolder(const DeviceFolder&) = delete;
    DeviceFolder& operator=(const DeviceFolder&) = delete;
    ~DeviceFolder() {
        for (int fd : writers_) close(fd);
        if (!path_.empty()) std::filesystem::remove_all(path_);
    }

    const std::string& Path() const { return path_; }
    std::string Node(const std::string& name) const { return path_ + "/" + name; }

    // A FIFO named `name` with a writer already attached (a FIFO without one reads as ended).
    // Returns the writing end, or -1.
    int AddNode(const std::string& name, mode_t mode = 0600) {
        if (mkfifo(Node(name).c_str(), mode) != 0) return -1;
        // Read and write, so that opening does not wait for a reader.
        const int fd = open(Node(name).c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0) writers_.push_back(fd);
        return fd;
    }

    // Closes the writing end `fd`: its node then reads as ended, like an unplugged device.
    void Unplug(int fd) {
        std::erase(writers_, fd);
        close(fd);
    }

  private:
    std::string path_;
    std::vector<int> writers_;
};

}  // namespace evdev_test
