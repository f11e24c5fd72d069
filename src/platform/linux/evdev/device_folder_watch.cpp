#include "platform/linux/evdev/device_folder_watch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace linux_ {

bool IsEventNodeName(const std::string& name) {
    return name.starts_with("event");
}

bool DeviceFolderWatch::Start(const std::string& folder) {
    Stop();
    UniqueFd fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    if (!fd.IsOpen()) return false;
    if (inotify_add_watch(fd.Get(), folder.c_str(), IN_CREATE | IN_ATTRIB | IN_MOVED_TO) < 0) {
        return false;
    }
    fd_ = std::move(fd);
    return true;
}

void DeviceFolderWatch::Stop() {
    fd_.Reset();
}

DeviceFolderWatch::Changes DeviceFolderWatch::TakeChanges() {
    Changes changes;
    if (!fd_.IsOpen()) return changes;
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t count = read(fd_.Get(), buffer, sizeof(buffer));
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) break;
        for (ssize_t offset = 0; offset < count;) {
            inotify_event header;
            std::memcpy(&header, buffer + offset, sizeof(header));
            if ((header.mask & IN_Q_OVERFLOW) != 0) changes.overflowed = true;
            if (header.len > 0) {
                // The name is NUL-padded to the record's length.
                const std::string name(buffer + offset + sizeof(header));
                if (IsEventNodeName(name)) changes.names.push_back(name);
            }
            offset += static_cast<ssize_t>(sizeof(header) + header.len);
        }
    }
    return changes;
}

}  // namespace linux_
