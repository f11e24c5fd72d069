#include "platform/linux/evdev/input_device.h"

#include <libevdev/libevdev.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstring>

namespace linux_ {

namespace {

constexpr std::size_t kBitsPerLong = sizeof(unsigned long) * CHAR_BIT;

// The kernel's bit arrays are arrays of unsigned long, whatever the byte order.
template <std::size_t Bits>
using KernelBits = std::array<unsigned long, (Bits + kBitsPerLong - 1) / kBitsPerLong>;

template <std::size_t Bits>
bool TestBit(const KernelBits<Bits>& bits, std::size_t bit) {
    return ((bits[bit / kBitsPerLong] >> (bit % kBitsPerLong)) & 1u) != 0;
}

template <std::size_t Bits>
void SetBit(KernelBits<Bits>& bits, std::size_t bit) {
    bits[bit / kBitsPerLong] |= 1ul << (bit % kBitsPerLong);
}

void IgnoreLibevdevLog(const libevdev*, libevdev_log_priority, void*, const char*, int, const char*,
                       const char*, va_list) {}

// Whether a kernel input device has at least one key or button that maps to a virtual key. A
// power button or a joystick does not count; a touchpad counts by its buttons.
bool HasKnownKeys(int fd, const LayoutKeyMap& keys) {
    libevdev* device = libevdev_new();
    if (device == nullptr) return false;
    libevdev_set_device_log_function(device, IgnoreLibevdevLog, LIBEVDEV_LOG_ERROR, nullptr);
    bool found = false;
    if (libevdev_set_fd(device, fd) == 0 && libevdev_has_event_type(device, EV_KEY)) {
        for (unsigned int code = 0; code < KEY_CNT && !found; ++code) {
            found = keys.VirtualKey(code) != 0 && libevdev_has_event_code(device, EV_KEY, code);
        }
    }
    libevdev_free(device);
    return found;
}

// Asks the kernel to queue only key and sync events for this reader, so that a moving mouse
// neither fills the queue between two refreshes nor costs reads. Older kernels refuse; then the
// other events are read and skipped.
void PassOnlyKeyEvents(int fd) {
    KernelBits<EV_CNT> types{};
    SetBit<EV_CNT>(types, EV_SYN);
    SetBit<EV_CNT>(types, EV_KEY);
    input_mask mask{};
    mask.type = 0;  // type 0 selects the mask of event types
    mask.codes_size = sizeof(types);
    mask.codes_ptr = reinterpret_cast<std::uintptr_t>(types.data());
    (void)ioctl(fd, EVIOCSMASK, &mask);
}

}  // namespace

std::unique_ptr<InputDevice> InputDevice::Adopt(UniqueFd fd, std::string path,
                                                const LayoutKeyMap& keys,
                                                VirtualKeyStates& states) {
    struct stat status {};
    if (fstat(fd.Get(), &status) != 0) return nullptr;
    const bool isKernelDevice = S_ISCHR(status.st_mode);
    if (isKernelDevice && !HasKnownKeys(fd.Get(), keys)) return nullptr;
    if (!isKernelDevice && !S_ISFIFO(status.st_mode)) return nullptr;
    if (isKernelDevice) PassOnlyKeyEvents(fd.Get());
    std::unique_ptr<InputDevice> device(
        new InputDevice(std::move(fd), std::move(path), keys, isKernelDevice));
    device->Resync(states, false);
    return device;
}

InputDevice::InputDevice(UniqueFd fd, std::string path, const LayoutKeyMap& keys,
                         bool isKernelDevice)
    : fd_(std::move(fd)), path_(std::move(path)), keys_(keys), isKernelDevice_(isKernelDevice) {}

bool InputDevice::Drain(VirtualKeyStates& states) {
    constexpr std::size_t kRecord = sizeof(input_event);
    // A device that keeps sending is left for the next refresh after this many reads; the
    // kernel keeps the rest queued.
    constexpr int kMaxReads = 64;
    std::array<unsigned char, 64 * kRecord> buffer;
    for (int reads = 0; reads < kMaxReads; ++reads) {
        std::memcpy(buffer.data(), partial_.data(), partialSize_);
        const ssize_t count =
            read(fd_.Get(), buffer.data() + partialSize_, buffer.size() - partialSize_);
        if (count < 0) {
            if (errno == EINTR) continue;
            return errno == EAGAIN || errno == EWOULDBLOCK;
        }
        if (count == 0) return false;
        const std::size_t total = partialSize_ + static_cast<std::size_t>(count);
        const std::size_t whole = total - total % kRecord;
        for (std::size_t offset = 0; offset < whole; offset += kRecord) {
            input_event event;
            std::memcpy(&event, buffer.data() + offset, kRecord);
            Apply(event, states);
        }
        partialSize_ = total - whole;
        std::memcpy(partial_.data(), buffer.data() + whole, partialSize_);
    }
    return true;
}

void InputDevice::Apply(const input_event& event, VirtualKeyStates& states) {
    if (event.type == EV_SYN) {
        if (event.code == SYN_DROPPED) {
            skippingToReport_ = true;
        } else if (event.code == SYN_REPORT && skippingToReport_) {
            skippingToReport_ = false;
            Resync(states, true);
        }
        return;
    }
    if (skippingToReport_ || event.type != EV_KEY) return;
    // 0 release, 1 press, 2 autorepeat: a repeat counts as a press.
    SetKey(event.code, event.value != 0, event.value != 0, states);
}

void InputDevice::SetKey(unsigned int code, bool down, bool countAsPress,
                         VirtualKeyStates& states) {
    if (down) {
        held_.Press(code, keys_.VirtualKey(code), countAsPress, states);
    } else {
        held_.Release(code, states);
    }
}

void InputDevice::Resync(VirtualKeyStates& states, bool countAsPress) {
    // A FIFO has no kernel state to ask; its keys stay as they were.
    if (!isKernelDevice_) return;
    KernelBits<KEY_CNT> down{};
    if (ioctl(fd_.Get(), EVIOCGKEY(sizeof(down)), down.data()) < 0) return;
    for (unsigned int code = 0; code < KEY_CNT; ++code) {
        const bool isDown = TestBit<KEY_CNT>(down, code);
        if (held_.IsDown(code) != isDown) SetKey(code, isDown, countAsPress, states);
    }
}

void InputDevice::ReleaseAll(VirtualKeyStates& states) {
    held_.ReleaseAll(states);
}

}  // namespace linux_
