#include "platform/linux/evdev/layout_key_map.h"

#include <xkbcommon/xkbcommon.h>

#include <cstdarg>
#include <memory>

#include "platform/linux/evdev/evdev_key_map.h"
#include "platform/linux/keys/virtual_key_table.h"

namespace linux_ {

namespace {

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
    for (unsigned int code = 0; code < table_.size(); ++code) {
        table_[code] = static_cast<std::uint8_t>(VirtualKeyOfEvdevCode(code));
    }
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
