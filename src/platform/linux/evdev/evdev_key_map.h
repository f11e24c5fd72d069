// Which Windows virtual-key code a kernel input key or button stands for. The kernel reports
// where a key sits on the keyboard, not what it types (evdev has no keysyms), so keys count by
// their place on a US layout: the key right of Tab is "Q" whatever the user's layout says.
#pragma once

namespace platform::evdev {

// The virtual-key code of a KEY_* or BTN_* code from linux/input-event-codes.h, or 0 when the
// code stands for nothing the program knows. Left and right Shift, Ctrl and Alt give the generic
// codes 16, 17 and 18; both Enter keys give 13.
int VirtualKeyOfEvdevCode(unsigned int code);

}  // namespace platform::evdev
