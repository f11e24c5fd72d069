#include "platform/linux/x11/x_key_source.h"

#include <X11/XKBlib.h>
#include <X11/extensions/XInput2.h>
#include <fcntl.h>
#include <unistd.h>

#include "platform/linux/session/environment.h"
#include "platform/linux/virtual_keys/keysym_table.h"

namespace linux_ {

namespace {

// XInput 2.2: from 2.1 on, raw events reach the root window even during another client's grab.
constexpr int kNeededMajor = 2;
constexpr int kNeededMinor = 2;

std::string CannotHear(const std::string& reason) {
    return "Clavitap cannot hear the keyboard: " + reason +
           ", so keys typed in other programs will not sound.";
}

// Xlib and XCB write the server's reason to stderr when an X server refuses a connection (for
// want of an authorisation cookie, say); the user is told in the key source's own words instead.
// Pointing stderr at /dev/null is process-wide, so it lasts only for this one call.
Display* OpenDisplayQuietly() {
    const int devNull = open("/dev/null", O_WRONLY | O_CLOEXEC);
    const int saved = devNull < 0 ? -1 : fcntl(2, F_DUPFD_CLOEXEC, 3);
    if (saved >= 0) dup2(devNull, 2);
    if (devNull >= 0) close(devNull);
    Display* display = XOpenDisplay(nullptr);
    if (saved >= 0) {
        dup2(saved, 2);
        close(saved);
    }
    return display;
}

}  // namespace

std::string XKeySource::Open() {
    Close();
    const std::string name = EnvironmentValue("DISPLAY");
    if (name.empty()) {
        return CannotHear("no X display is available (DISPLAY is not set)");
    }
    display_ = OpenDisplayQuietly();
    if (display_ == nullptr) {
        return CannotHear("the X display \"" + name +
                          "\" cannot be reached or does not let Clavitap in");
    }
    std::string problem = ListenOrExplain();
    if (!problem.empty()) Close();
    return problem;
}

std::string XKeySource::ListenOrExplain() {
    int firstEvent = 0;
    int firstError = 0;
    if (!XQueryExtension(display_, "XInputExtension", &xinputOpcode_, &firstEvent, &firstError)) {
        return CannotHear("the X display does not offer the XInput extension");
    }
    // XInput 2 events travel as generic events; without that extension none would ever arrive.
    int unused = 0;
    if (!XQueryExtension(display_, "Generic Event Extension", &unused, &unused, &unused)) {
        return CannotHear("the X display does not deliver XInput 2 events");
    }
    int major = kNeededMajor;
    int minor = kNeededMinor;
    if (XIQueryVersion(display_, &major, &minor) != Success) {
        return CannotHear("the X display does not offer XInput 2");
    }
    if (major * 100 + minor < kNeededMajor * 100 + kNeededMinor) {
        return CannotHear("the X display offers XInput " + std::to_string(major) + "." +
                          std::to_string(minor) + ", and version 2.2 or later is needed");
    }

    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(bits, XI_RawKeyPress);
    XISetMask(bits, XI_RawKeyRelease);
    XISetMask(bits, XI_RawButtonPress);
    XISetMask(bits, XI_RawButtonRelease);
    XIEventMask mask{};
    mask.deviceid = XIAllMasterDevices;
    mask.mask_len = sizeof(bits);
    mask.mask = bits;
    XISelectEvents(display_, DefaultRootWindow(display_), &mask, 1);

    SelectMappingChanges();
    keycodes_ = ReadKeycodeMap(display_);  // its reply also confirms the selections above
    return {};
}

// A connection that uses XKB (Xlib turns it on at open) hears of keyboard remapping through XKB
// events rather than the core MappingNotify; ask for the two that change keysyms.
void XKeySource::SelectMappingChanges() {
    int opcode = 0;
    int firstError = 0;
    int major = XkbMajorVersion;
    int minor = XkbMinorVersion;
    if (!XkbQueryExtension(display_, &opcode, &xkbEventBase_, &firstError, &major, &minor)) {
        xkbEventBase_ = -1;
        return;
    }
    XkbSelectEventDetails(display_, XkbUseCoreKbd, XkbMapNotify, XkbKeySymsMask, XkbKeySymsMask);
    XkbSelectEventDetails(display_, XkbUseCoreKbd, XkbNewKeyboardNotify, XkbNKN_KeycodesMask,
                          XkbNKN_KeycodesMask);
}

void XKeySource::Refresh() {
    if (display_ == nullptr) return;
    // One read of what the server has sent so far, then only what that read queued.
    for (int queued = XEventsQueued(display_, QueuedAfterReading); queued > 0;
         queued = XEventsQueued(display_, QueuedAlready)) {
        XkbEvent event;
        XNextEvent(display_, &event.core);
        XGenericEventCookie& cookie = event.core.xcookie;
        if (event.type == GenericEvent && cookie.extension == xinputOpcode_) {
            if (XGetEventData(display_, &cookie)) {
                const auto* raw = static_cast<const XIRawEvent*>(cookie.data);
                TakeRawEvent(cookie.evtype, raw->detail);
                XFreeEventData(display_, &cookie);
            }
        } else if (IsMappingChange(event)) {
            if (event.type == MappingNotify) XRefreshKeyboardMapping(&event.core.xmapping);
            // At once, so that keys queued behind the change (the first key typed on another
            // keyboard with its own layout) count under the new mapping.
            keycodes_ = ReadKeycodeMap(display_);
        }
    }
}

bool XKeySource::IsMappingChange(const XkbEvent& event) const {
    if (event.type == MappingNotify) return event.core.xmapping.request == MappingKeyboard;
    return event.type == xkbEventBase_ &&
           (event.any.xkb_type == XkbMapNotify || event.any.xkb_type == XkbNewKeyboardNotify);
}

void XKeySource::TakeRawEvent(int type, int detail) {
    if (detail < 0) return;
    const auto code = static_cast<std::size_t>(detail);
    const bool isKeycode = code < keycodes_.size();
    if (type == XI_RawKeyPress && isKeycode) {
        held_.Press(code, keycodes_[code], true, states_);
    } else if (type == XI_RawKeyRelease && isKeycode) {
        held_.Release(code, states_);
    } else if (type == XI_RawButtonPress) {
        held_.Press(kFirstButton + code, VirtualKeyOfButton(detail), true, states_);
    } else if (type == XI_RawButtonRelease) {
        held_.Release(kFirstButton + code, states_);
    }
}

void XKeySource::Forget() {
    Refresh();
    states_.Forget();
}

void XKeySource::Close() {
    if (display_ != nullptr) XCloseDisplay(display_);
    display_ = nullptr;
    xinputOpcode_ = -1;
    xkbEventBase_ = -1;
    keycodes_ = {};
    held_.Clear();
    states_.Clear();
}

}  // namespace linux_
