// One open source of key events: a kernel input device (a keyboard, mouse or touchpad node in
// /dev/input), or a FIFO in its place that carries the same stream of `struct input_event`
// records. The FIFO is what the tests feed: the machines that run them cannot make input devices
// (their kernels have no uinput).
//
// Events are read raw rather than through libevdev: only EV_KEY and the SYN_DROPPED marker
// matter, and the same reader then serves FIFOs, which libevdev refuses. libevdev is used only to
// ask a kernel device whether it has any key or button the program knows.
#pragma once

#include <linux/input.h>

#include <array>
#include <cstddef>
#include <memory>
#include <string>

#include "platform/linux/evdev/layout_key_map.h"
#include "platform/linux/evdev/unique_fd.h"
#include "platform/linux/virtual_keys/key_states.h"

namespace linux_ {

class InputDevice {
  public:
    // Takes over `fd`, opened non-blocking from `path`. Returns null (and closes `fd`) when it is
    // neither a kernel input device with keys or buttons nor a FIFO. Keys of a kernel device that
    // are down already count as held, not as pressed. `keys` names the virtual key of each code;
    // it must outlive the device.
    static std::unique_ptr<InputDevice> Adopt(UniqueFd fd, std::string path,
                                              const LayoutKeyMap& keys, VirtualKeyStates& states);

    // Reads every pending event without blocking and applies the key changes to `states`.
    // Returns false when the device is gone (unplugged, end of stream or a read error).
    bool Drain(VirtualKeyStates& states);

    // Lets go of every key this device holds, before it is dropped.
    void ReleaseAll(VirtualKeyStates& states);

    const std::string& Path() const { return path_; }
    int Fd() const { return fd_.Get(); }

  private:
    InputDevice(UniqueFd fd, std::string path, const LayoutKeyMap& keys, bool isKernelDevice);

    void Apply(const input_event& event, VirtualKeyStates& states);
    void SetKey(unsigned int code, bool down, bool countAsPress, VirtualKeyStates& states);
    // Asks the kernel which keys are down and applies the differences; after an overrun the
    // lost presses are counted as presses.
    void Resync(VirtualKeyStates& states, bool countAsPress);

    UniqueFd fd_;
    std::string path_;
    const LayoutKeyMap& keys_;
    bool isKernelDevice_;
    HeldKeys<KEY_CNT> held_;
    // After SYN_DROPPED the kernel's queue overflowed: everything up to the next SYN_REPORT is
    // an incomplete picture and is skipped; the state is then read afresh.
    bool skippingToReport_ = false;
    // The start of a record that a FIFO delivered only in part.
    std::array<unsigned char, sizeof(input_event)> partial_{};
    std::size_t partialSize_ = 0;
};

}  // namespace linux_
