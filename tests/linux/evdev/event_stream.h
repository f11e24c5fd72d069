// Writes `struct input_event` records into the sending end of a pipe or socket, the way the
// kernel hands them to a reader of an input device.
#pragma once

#include <linux/input.h>
#include <unistd.h>

#include <cstring>
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

}  // namespace evdev_test
