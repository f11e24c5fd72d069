// The key-state service on Linux. Two sources can hear keys typed in other programs: XInput2 raw
// events on an X desktop, and the kernel's input devices (evdev) on a Wayland desktop or the text
// console, where X hears only keys typed into X windows or nothing at all. The session decides
// which to try first; the first that opens serves, and the other is the fallback.
#include "platform/key_state.h"

#include <optional>

#include "platform/linux/evdev/evdev_key_source.h"
#include "platform/linux/session/environment.h"
#include "platform/linux/x11/x_key_source.h"

namespace platform {

namespace {

// The source that serves, if any: at most one of the two holds a source. Each is made when it is
// tried, as the input devices' source reads the keyboard layout when it is made.
std::optional<linux_::XKeySource> xKeys;
std::optional<linux_::EvdevKeySource> deviceKeys;

// Makes a source in `slot` and opens it. Returns an empty text when it hears keys; otherwise why
// it does not, and the slot is empty again.
template <class Source>
std::string TryOpen(std::optional<Source>& slot) {
    std::string why = slot.emplace().Open();
    if (!why.empty()) slot.reset();
    return why;
}

template <class Call>
void WithSource(Call call) {
    if (xKeys) call(*xKeys);
    if (deviceKeys) call(*deviceKeys);
}

// What to tell the user, once, when the X source serves a session whose other programs X does not
// see: keys typed there cannot sound. The input devices hear every key; how (the input group,
// keys by their place) the README tells.
std::string OnlyXProgramsNotice(const std::string& devicesWhy) {
    const std::string session = linux_::IsSetInEnvironment("WAYLAND_DISPLAY")
                                    ? "this is a Wayland session"
                                    : "there is no X display";
    return "Clavitap hears only keys typed into X programs, because " + session + ". " + devicesWhy;
}

}  // namespace

std::string OpenKeySource() {
    CloseKeySource();
    // On an X desktop X hears every key, and the input devices are the fallback.
    if (linux_::IsXSession()) {
        const std::string xWhy = TryOpen(xKeys);
        if (xWhy.empty()) return {};
        const std::string devicesWhy = TryOpen(deviceKeys);
        return devicesWhy.empty() ? std::string() : xWhy + "\n\n" + devicesWhy;
    }
    // Elsewhere the input devices come first; X, when it serves, hears only X programs' keys.
    const std::string devicesWhy = TryOpen(deviceKeys);
    if (devicesWhy.empty()) return {};
    const std::string xWhy = TryOpen(xKeys);
    return xWhy.empty() ? OnlyXProgramsNotice(devicesWhy) : xWhy + "\n\n" + devicesWhy;
}

void RefreshKeyState() {
    WithSource([](auto& source) { source.Refresh(); });
}

std::int16_t GetAsyncKeyState(int virtualKey) {
    std::int16_t word = 0;
    WithSource([&](auto& source) { word = source.State(virtualKey); });
    return word;
}

void ForgetKeyPresses() {
    WithSource([](auto& source) { source.Forget(); });
}

void CloseKeySource() {
    xKeys.reset();
    deviceKeys.reset();
}

}  // namespace platform
