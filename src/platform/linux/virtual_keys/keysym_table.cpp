#include "platform/linux/virtual_keys/keysym_table.h"

#include <X11/keysym.h>

#include <array>

namespace linux_ {

namespace {

// A run of consecutive keysyms that map onto consecutive virtual-key codes.
struct KeysymRun {
    unsigned long first;
    unsigned long last;
    int firstVirtualKey;
};

constexpr KeysymRun Key(unsigned long keysym, int virtualKey) {
    return {keysym, keysym, virtualKey};
}

constexpr std::array kKeysymRuns{
    KeysymRun{XK_a, XK_z, 'A'},
    KeysymRun{XK_A, XK_Z, 'A'},
    KeysymRun{XK_0, XK_9, '0'},
    KeysymRun{XK_F1, XK_F24, 112},
    KeysymRun{XK_KP_0, XK_KP_9, 96},
    Key(XK_BackSpace, 8),
    Key(XK_Tab, 9),
    Key(XK_ISO_Left_Tab, 9),
    Key(XK_Clear, 12),
    Key(XK_Return, 13),
    Key(XK_KP_Enter, 13),
    Key(XK_Shift_L, 16),
    Key(XK_Shift_R, 16),
    Key(XK_Control_L, 17),
    Key(XK_Control_R, 17),
    Key(XK_Alt_L, 18),
    Key(XK_Alt_R, 18),
    Key(XK_Meta_L, 18),
    Key(XK_Meta_R, 18),
    Key(XK_ISO_Level3_Shift, 18),  // AltGr, which Windows reports as the right Alt
    Key(XK_Pause, 19),
    Key(XK_Caps_Lock, 20),
    Key(XK_Escape, 27),
    Key(XK_space, 32),
    Key(XK_Prior, 33),
    Key(XK_Next, 34),
    Key(XK_End, 35),
    Key(XK_Home, 36),
    Key(XK_Left, 37),
    Key(XK_Up, 38),
    Key(XK_Right, 39),
    Key(XK_Down, 40),
    Key(XK_Select, 41),
    Key(XK_Execute, 43),
    Key(XK_Print, 44),
    Key(XK_Insert, 45),
    Key(XK_Delete, 46),
    Key(XK_Help, 47),
    Key(XK_Super_L, 91),
    Key(XK_Super_R, 92),
    Key(XK_Menu, 93),
    Key(XK_KP_Multiply, 106),
    Key(XK_KP_Add, 107),
    Key(XK_KP_Separator, 108),
    Key(XK_KP_Subtract, 109),
    Key(XK_KP_Decimal, 110),
    Key(XK_KP_Divide, 111),
    // The keypad's NumLock-off keysyms, which X lists first for those keys.
    Key(XK_KP_Insert, 96),
    Key(XK_KP_End, 97),
    Key(XK_KP_Down, 98),
    Key(XK_KP_Next, 99),
    Key(XK_KP_Left, 100),
    Key(XK_KP_Begin, 101),
    Key(XK_KP_Right, 102),
    Key(XK_KP_Home, 103),
    Key(XK_KP_Up, 104),
    Key(XK_KP_Prior, 105),
    Key(XK_KP_Delete, 110),
    Key(XK_Num_Lock, 144),
    Key(XK_Scroll_Lock, 145),
};

// Pointer buttons 1 to 9 as X numbers them: left, middle, right, four wheel directions, back,
// forward.
constexpr std::array kButtonVirtualKeys{0, 1, 4, 2, 0, 0, 0, 0, 5, 6};

}  // namespace

int VirtualKeyOfKeysym(unsigned long keysym) {
    for (const KeysymRun& run : kKeysymRuns) {
        if (keysym >= run.first && keysym <= run.last) {
            return run.firstVirtualKey + static_cast<int>(keysym - run.first);
        }
    }
    return 0;
}

int VirtualKeyOfButton(int button) {
    if (button < 0 || button >= static_cast<int>(kButtonVirtualKeys.size())) return 0;
    return kButtonVirtualKeys[static_cast<std::size_t>(button)];
}

}  // namespace linux_
