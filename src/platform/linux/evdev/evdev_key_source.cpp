#include "platform/linux/evdev/evdev_key_source.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/linux/evdev/input_device.h"

namespace linux_ {

namespace {

bool IsAccessError(int error) {
    return error == EACCES || error == EPERM;
}

// Event nodes (event0, event1, ...) are the only kind in the folder that speaks the input_event
// protocol.
bool IsEventNodeName(const std::string& name) {
    return name.starts_with("event");
}

}  // namespace

EvdevKeySource::EvdevKeySource() : keys_(LayoutKeyMap::For(SystemKeyboardLayout())) {}

EvdevKeySource::~EvdevKeySource() {
    Close();
}

std::string EvdevKeySource::Open(const std::string& inputDir) {
    Close();
    inputDir_ = inputDir;
    // Watch first, so that a device plugged in during the scan is not missed. Nodes appear (a
    // keyboard plugged in) or their access changes (the device manager hands a new node to the
    // 'input' group only after creating it).
    watch_.Reset(inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    if (watch_.IsOpen() && inotify_add_watch(watch_.Get(), inputDir_.c_str(),
                                             IN_CREATE | IN_ATTRIB | IN_MOVED_TO) < 0) {
        watch_.Reset();
    }
    ScanFolder();
    return Explanation();
}

void EvdevKeySource::ScanFolder() {
    DIR* folder = opendir(inputDir_.c_str());
    if (folder == nullptr) {
        const int error = errno;
        folderMissing_ = error == ENOENT || error == ENOTDIR;
        accessDenied_ = accessDenied_ || IsAccessError(error);
        return;
    }
    folderMissing_ = false;
    while (const dirent* entry = readdir(folder)) {
        const std::string name = entry->d_name;
        if (IsEventNodeName(name)) OpenNode(name);
    }
    closedir(folder);
}

void EvdevKeySource::OpenNode(const std::string& nodeName) {
    const std::string path = inputDir_ + "/" + nodeName;
    if (IsReading(path)) return;
    UniqueFd fd(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.IsOpen()) {
        // A node the device manager has not handed to the 'input' group yet is tried again
        // when its access changes.
        accessDenied_ = accessDenied_ || IsAccessError(errno);
        return;
    }
    auto device = InputDevice::Adopt(std::move(fd), path, keys_, states_);
    if (device) devices_.push_back(std::move(device));
}

bool EvdevKeySource::IsReading(const std::string& path) const {
    return std::any_of(devices_.begin(), devices_.end(),
                       [&](const auto& device) { return device->Path() == path; });
}

void EvdevKeySource::Refresh() {
    // One poll tells which devices have anything to read, so that an idle tick costs one call
    // however many devices there are. poll skips the entry of -1 while the folder is not watched.
    pollFds_.clear();
    pollFds_.push_back({watch_.Get(), POLLIN, 0});
    for (const auto& device : devices_) pollFds_.push_back({device->Fd(), POLLIN, 0});
    const int readyCount = poll(pollFds_.data(), pollFds_.size(), 0);
    if (readyCount == 0) return;
    // A failed poll (interrupted, out of memory) reads everything, as if all were ready.
    const auto isReady = [&](std::size_t entry) {
        return readyCount < 0 || pollFds_[entry].revents != 0;
    };

    const std::size_t polledDevices = devices_.size();
    if (isReady(0)) TakeFolderChanges();
    // Devices found just now were not polled; they are read at once.
    for (std::size_t index = 0; index < devices_.size(); ++index) {
        if (index < polledDevices && !isReady(index + 1)) continue;
        if (devices_[index]->Drain(states_)) continue;
        devices_[index]->ReleaseAll(states_);
        devices_[index].reset();
    }
    std::erase(devices_, nullptr);
}

void EvdevKeySource::TakeFolderChanges() {
    alignas(inotify_event) char buffer[4096];
    bool overflowed = false;
    for (;;) {
        const ssize_t count = read(watch_.Get(), buffer, sizeof(buffer));
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) break;
        for (ssize_t offset = 0; offset < count;) {
            inotify_event header;
            std::memcpy(&header, buffer + offset, sizeof(header));
            overflowed = overflowed || (header.mask & IN_Q_OVERFLOW) != 0;
            if (header.len > 0) {
                // The name is NUL-padded to the record's length.
                const std::string name(buffer + offset + sizeof(header));
                if (IsEventNodeName(name)) OpenNode(name);
            }
            offset += static_cast<ssize_t>(sizeof(header) + header.len);
        }
    }
    // The kernel's queue of changes overflowed: the whole folder needs a fresh look.
    if (overflowed) ScanFolder();
}

void EvdevKeySource::Forget() {
    Refresh();
    states_.Forget();
}

void EvdevKeySource::Close() {
    devices_.clear();
    watch_.Reset();
    states_.Clear();
    folderMissing_ = false;
    accessDenied_ = false;
}

std::string EvdevKeySource::Explanation() const {
    if (!devices_.empty()) return {};
    if (folderMissing_) {
        return "Clavitap cannot find the input devices folder " + inputDir_ +
               ", so keys typed in other programs cannot sound.";
    }
    if (accessDenied_) {
        return "Clavitap cannot read the keyboard devices in " + inputDir_ +
               ". Add your user to the 'input' group (sudo usermod -aG input $USER) and log in "
               "again, so keys typed in other programs can sound.";
    }
    return "Clavitap finds no keyboard or mouse in " + inputDir_ +
           ", so keys typed in other programs cannot sound.";
}

}  // namespace linux_
