// Which Windows virtual-key code each kernel key code stands for under a keyboard layout. The
// kernel reports where a key sits; the layout, compiled with libxkbcommon, says what it types
// there, and the key counts by that unshifted symbol exactly as on X (the same keysym table), so
// a key sounds the same on X, on Wayland and on the console.
#pragma once

#include <linux/input-event-codes.h>

#include <array>
#include <cstdint>

#include "platform/linux/evdev/keyboard_layout.h"

namespace linux_ {

class LayoutKeyMap {
  public:
    // The map by key positions on a US keyboard: the meaning of the mouse buttons, and of every
    // key when no keyboard layout can be compiled.
    LayoutKeyMap();

    // The map for `layout`. A layout that cannot be compiled (an unknown name, no XKB data on
    // the system) gives the US layout; with no XKB data at all, the US positions.
    static LayoutKeyMap For(const KeyboardLayout& layout);

    // The virtual-key code of a KEY_* or BTN_* code, or 0 for one the program does not know.
    int VirtualKey(unsigned int code) const { return code < table_.size() ? table_[code] : 0; }

  private:
    std::array<std::uint8_t, KEY_CNT> table_{};
};

}  // namespace linux_
