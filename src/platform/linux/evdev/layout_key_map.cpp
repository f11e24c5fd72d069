#include "platform/linux/evdev/layout_key_map.h"

#include <xkbcommon/xkbcommon.h>

#include <cstdarg>
#include <cstdint>
#include <memory>
#include <utility>

#include "platform/linux/virtual_keys/keysym_table.h"

namespace linux_ {

namespace {

// Kernel code, virtual-key code: where the keys sit on a US keyboard.
using Pair = std::pair<unsigned int, std::uint8_t>;

// clang-format off
constexpr Pair kPairs[] = {
    // The letter rows, by position.
    {KEY_Q, 'Q'}, {KEY_W, 'W'}, {KEY_E, 'E'}, {KEY_R, 'R'}, {KEY_T, 'T'}, {KEY_Y, 'Y'},
    {KEY_U, 'U'}, {KEY_I, 'I'}, {KEY_O, 'O'}, {KEY_P, 'P'},
    {KEY_A, 'A'}, {KEY_S, 'S'}, {KEY_D, 'D'}, {KEY_F, 'F'}, {KEY_G, 'G'}, {KEY_H, 'H'},
    {KEY_J, 'J'}, {KEY_K, 'K'}, {KEY_L, 'L'},
    {KEY_Z, 'Z'}, {KEY_X, 'X'}, {KEY_C, 'C'}, {KEY_V, 'V'}, {KEY_B, 'B'}, {KEY_N, 'N'},
    {KEY_M, 'M'},
    // The digit row.
    {KEY_1, '1'}, {KEY_2, '2'}, {KEY_3, '3'}, {KEY_4, '4'}, {KEY_5, '5'}, {KEY_6, '6'},
    {KEY_7, '7'}, {KEY_8, '8'}, {KEY_9, '9'}, {KEY_0, '0'},
    // Function keys: the kernel numbers F11 and up apart from F1 to F10.
    {KEY_F1, 112}, {KEY_F2, 113}, {KEY_F3, 114}, {KEY_F4, 115}, {KEY_F5, 116}, {KEY_F6, 117},
    {KEY_F7, 118}, {KEY_F8, 119}, {KEY_F9, 120}, {KEY_F10, 121}, {KEY_F11, 122}, {KEY_F12, 123},
    {KEY_F13, 124}, {KEY_F14, 125}, {KEY_F15, 126}, {KEY_F16, 127}, {KEY_F17, 128},
    {KEY_F18, 129}, {KEY_F19, 130}, {KEY_F20, 131}, {KEY_F21, 132}, {KEY_F22, 133},
    {KEY_F23, 134}, {KEY_F24, 135},
    // The numeric keypad, by its NumLock-on meaning.
    {KEY_KP0, 96}, {KEY_KP1, 97}, {KEY_KP2, 98}, {KEY_KP3, 99}, {KEY_KP4, 100},
    {KEY_KP5, 101}, {KEY_KP6, 102}, {KEY_KP7, 103}, {KEY_KP8, 104}, {KEY_KP9, 105},
    {KEY_KPASTERISK, 106}, {KEY_KPPLUS, 107}, {KEY_KPCOMMA, 108}, {KEY_KPMINUS, 109},
    {KEY_KPDOT, 110}, {KEY_KPSLASH, 111}, {KEY_KPENTER, 13},
    // Editing, navigation and the locks.
    {KEY_BACKSPACE, 8}, {KEY_TAB, 9}, {KEY_CLEAR, 12}, {KEY_ENTER, 13}, {KEY_PAUSE, 19},
    {KEY_CAPSLOCK, 20}, {KEY_ESC, 27}, {KEY_SPACE, 32}, {KEY_PAGEUP, 33}, {KEY_PAGEDOWN, 34},
    {KEY_END, 35}, {KEY_HOME, 36}, {KEY_LEFT, 37}, {KEY_UP, 38}, {KEY_RIGHT, 39},
    {KEY_DOWN, 40}, {KEY_SELECT, 41}, {KEY_SYSRQ, 44}, {KEY_INSERT, 45}, {KEY_DELETE, 46},
    {KEY_HELP, 47}, {KEY_NUMLOCK, 144}, {KEY_SCROLLLOCK, 145},
    // Modifiers and the Windows keys.
    {KEY_LEFTSHIFT, 16}, {KEY_RIGHTSHIFT, 16}, {KEY_LEFTCTRL, 17}, {KEY_RIGHTCTRL, 17},
    {KEY_LEFTALT, 18}, {KEY_RIGHTALT, 18}, {KEY_LEFTMETA, 91}, {KEY_RIGHTMETA, 92},
    {KEY_COMPOSE, 93}, {KEY_SLEEP, 95},
    // The input-method keys of Japanese and Korean keyboards.
    {KEY_KATAKANAHIRAGANA, 21}, {KEY_HANGEUL, 21}, {KEY_HANJA, 25}, {KEY_HENKAN, 28},
    {KEY_MUHENKAN, 29},
    // Punctuation, by its place on a US keyboard.
    {KEY_SEMICOLON, 186}, {KEY_EQUAL, 187}, {KEY_COMMA, 188}, {KEY_MINUS, 189},
    {KEY_DOT, 190}, {KEY_SLASH, 191}, {KEY_GRAVE, 192}, {KEY_LEFTBRACE, 219},
    {KEY_BACKSLASH, 220}, {KEY_RIGHTBRACE, 221}, {KEY_APOSTROPHE, 222}, {KEY_102ND, 226},
    // Mouse buttons.
    {BTN_LEFT, 1}, {BTN_RIGHT, 2}, {BTN_MIDDLE, 4}, {BTN_SIDE, 5}, {BTN_EXTRA, 6},
};
// clang-format on

// XKB numbers keys as the kernel does, plus 8 (the X keycode of the same key).
constexpr unsigned int kXkbKeycodeOffset = 8;

struct ContextDeleter {
    void operator()(xkb_context* context) const { xkb_context_unref(context); }
};
struct KeymapDeleter {
    void operator()(xkb_keymap* keymap) const { xkb_keymap_unref(keymap); }
};
using Keymap = std::unique_ptr<xkb_keymap, KeymapDeleter>;

// A layout that does not compile is handled here; libxkbcommon's own account of it is for
// developers, not for the user's terminal.
void IgnoreXkbLog(xkb_context*, xkb_log_level, const char*, va_list) {}

const char* NullIfEmpty(const std::string& text) {
    return text.empty() ? nullptr : text.c_str();
}

Keymap Compile(xkb_context* context, const KeyboardLayout& layout) {
    const xkb_rule_names names{NullIfEmpty(layout.rules), NullIfEmpty(layout.model),
                               NullIfEmpty(layout.layout), NullIfEmpty(layout.variant),
                               NullIfEmpty(layout.options)};
    return Keymap(xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS));
}

// What X does with the same keymap: the unshifted symbol of the first layout, or the shifted one
// where the unshifted one names nothing known (a digit under punctuation, as on French keyboards).
// -1 when the layout gives the key no symbol at all.
int VirtualKeyOfKey(xkb_keymap* keymap, xkb_keycode_t key) {
    bool hasSymbol = false;
    for (xkb_level_index_t level = 0; level < 2; ++level) {
        const xkb_keysym_t* syms = nullptr;
        const int count = xkb_keymap_key_get_syms_by_level(keymap, key, 0, level, &syms);
        if (count <= 0) continue;
        hasSymbol = true;
        if (const int virtualKey = VirtualKeyOfKeysym(syms[0]); virtualKey != 0) {
            return virtualKey;
        }
    }
    return hasSymbol ? 0 : -1;
}

}  // namespace

LayoutKeyMap::LayoutKeyMap() {
    for (const auto& [code, virtualKey] : kPairs) table_[code] = virtualKey;
}

LayoutKeyMap LayoutKeyMap::For(const KeyboardLayout& layout) {
    LayoutKeyMap map;
    const std::unique_ptr<xkb_context, ContextDeleter> context(
        xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES));
    if (!context) return map;
    xkb_context_set_log_fn(context.get(), IgnoreXkbLog);
    Keymap keymap = Compile(context.get(), layout);
    if (!keymap) keymap = Compile(context.get(), KeyboardLayout{});
    if (!keymap) return map;
    // Keys the layout leaves without symbols, and the mouse buttons, which lie beyond the
    // keyboard's codes, keep their meaning by position.
    for (unsigned int code = 0; code < map.table_.size(); ++code) {
        const int virtualKey = VirtualKeyOfKey(keymap.get(), code + kXkbKeycodeOffset);
        if (virtualKey >= 0) map.table_[code] = static_cast<std::uint8_t>(virtualKey);
    }
    return map;
}

}  // namespace linux_
