// Which Windows virtual-key code a kernel input key or button stands for by its place on a US
// keyboard: the meaning of the mouse buttons, and of every key when no keyboard layout can be
// compiled (see layout_key_map.h).
#pragma once

namespace linux_ {

// The virtual-key code of a KEY_* or BTN_* code from linux/input-event-codes.h, or 0 when the
// code stands for nothing the program knows. Left and right Shift, Ctrl and Alt give the generic
// codes 16, 17 and 18; both Enter keys give 13.
int VirtualKeyOfEvdevCode(unsigned int code);

}  // namespace linux_
