#include "platform/linux/x11/keycode_map.h"

#include <X11/Xutil.h>

#include "platform/linux/virtual_keys/keysym_table.h"

namespace linux_ {

KeycodeMap ReadKeycodeMap(Display* display) {
    KeycodeMap map{};
    int minKeycode = 0;
    int maxKeycode = 0;
    XDisplayKeycodes(display, &minKeycode, &maxKeycode);
    if (minKeycode < 0 || maxKeycode > 255 || minKeycode > maxKeycode) return map;

    int symsPerKeycode = 0;
    KeySym* syms = XGetKeyboardMapping(display, static_cast<KeyCode>(minKeycode),
                                       maxKeycode - minKeycode + 1, &symsPerKeycode);
    if (syms == nullptr) return map;
    const int levels = symsPerKeycode < 2 ? symsPerKeycode : 2;
    for (int keycode = minKeycode; keycode <= maxKeycode; ++keycode) {
        const KeySym* row = syms + (keycode - minKeycode) * symsPerKeycode;
        for (int level = 0; level < levels; ++level) {
            const int virtualKey = VirtualKeyOfKeysym(row[level]);
            if (virtualKey != 0) {
                map[static_cast<std::size_t>(keycode)] = static_cast<std::uint8_t>(virtualKey);
                break;
            }
        }
    }
    XFree(syms);
    return map;
}

}  // namespace linux_
