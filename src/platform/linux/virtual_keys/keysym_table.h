// Which Windows virtual-key code a keysym or an X pointer button stands for. The key scan asks by
// virtual-key code; the X server reports keycodes (read through their keysyms) and button numbers,
// and the input devices' keys are read through the keysyms of the keyboard layout.
#pragma once

namespace linux_ {

// The virtual-key code of a keysym, or 0 when the keysym names no key the program knows. Left and
// right Shift, Ctrl and Alt give the generic codes 16, 17 and 18; a keypad key gives its keypad
// code whether its keysym is the NumLock-on or the NumLock-off one.
int VirtualKeyOfKeysym(unsigned long keysym);

// The virtual-key code of a pointer button: left 1, right 2, middle 4, the two side buttons 5 and
// 6; 0 for the wheel (buttons 4 to 7) and anything else.
int VirtualKeyOfButton(int button);

}  // namespace linux_
