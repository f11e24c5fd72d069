// Which keyboard layout the system has chosen, in the names the XKB rules take. The input devices
// report where a key sits; the layout says what it types there.
#pragma once

#include <string>

namespace linux_ {

struct KeyboardLayout {
    std::string rules = "evdev";
    std::string model;
    std::string layout = "us";
    std::string variant;
    std::string options;
};

// The session's XKB_DEFAULT_* variables when XKB_DEFAULT_LAYOUT is set (as Wayland compositors
// and the console's keyboard setup read them), else the system's keyboard configuration in
// `defaultsFile` (XKBMODEL, XKBLAYOUT, XKBVARIANT, XKBOPTIONS), else a US keyboard.
KeyboardLayout SystemKeyboardLayout(const std::string& defaultsFile = "/etc/default/keyboard");

}  // namespace linux_
