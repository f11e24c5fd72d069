// The virtual-key code of every X keycode under the keyboard mapping the X server has now.
#pragma once

#include <X11/Xlib.h>

#include <array>
#include <cstdint>

namespace linux_ {

// Index: X keycode; value: virtual-key code, 0 for keys the program does not know.
using KeycodeMap = std::array<std::uint8_t, 256>;

// Reads the whole keyboard mapping in one request. Each keycode counts by its unshifted keysym of
// the first group; where that one names nothing known, its shifted keysym is tried, so that a
// digit key on a layout whose unshifted row is punctuation still counts as its digit.
KeycodeMap ReadKeycodeMap(Display* display);

}  // namespace linux_
