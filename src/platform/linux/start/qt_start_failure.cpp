#include "platform/linux/start/qt_start_failure.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <regex>

#include "platform/linux/session/environment.h"

namespace linux_ {

namespace {

// No desktop to show the window on: DISPLAY unset or naming an X server that cannot be reached,
// and no Wayland display either.
std::string MissingDesktopLine() {
    const std::string x = EnvironmentValue("DISPLAY");
    const std::string wayland = EnvironmentValue("WAYLAND_DISPLAY");
    std::string why = x.empty() ? "DISPLAY is not set"
                                : "the X display \"" + x + "\" named by DISPLAY cannot be reached";
    why += wayland.empty() ? ", and WAYLAND_DISPLAY is not set"
                           : ", and the Wayland display \"" + wayland + "\" cannot be reached";
    return "Clavitap cannot start: there is no desktop to show its window on (" + why + ").";
}

bool XDisplayReachable() {
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const bool reached = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return reached;
}

// The compositor's socket: WAYLAND_DISPLAY as a path, or a name in the runtime folder.
bool WaylandDisplayReachable() {
    const std::string name = EnvironmentValue("WAYLAND_DISPLAY");
    if (name.empty()) return false;
    const std::string path =
        name[0] == '/' ? name : EnvironmentValue("XDG_RUNTIME_DIR") + "/" + name;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof(address.sun_path)) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const bool reached = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return reached;
}

// The plug-in Qt last failed with, and whether it was found at all.
struct PluginFailure {
    std::string name;
    bool installed = false;
};

PluginFailure LastPluginFailure(const std::vector<std::string>& qtMessages) {
    static const std::regex pattern(
        R"re(Could not (find|load) the Qt platform plugin "([^"]*)")re");
    PluginFailure failure;
    for (const std::string& message : qtMessages) {
        std::smatch match;
        if (!std::regex_search(message, match, pattern)) continue;
        failure.name = match[2];
        failure.installed = match[1] == "load";
    }
    return failure;
}

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

std::string FirstLine(const std::string& text) {
    return text.substr(0, text.find('\n'));
}

}  // namespace

std::string QtStartFailureLine(const std::vector<std::string>& qtMessages) {
    const bool x = XDisplayReachable();
    const bool wayland = WaylandDisplayReachable();
    if (!x && !wayland) return MissingDesktopLine();

    const std::string start = "Clavitap cannot start: ";
    const PluginFailure failure = LastPluginFailure(qtMessages);
    if (failure.name.empty()) {
        return start + (qtMessages.empty() ? "Qt could not start." : FirstLine(qtMessages.back()));
    }
    const bool forXPlatform = failure.name == "xcb";
    const bool forWayland = failure.name.starts_with("wayland");
    const std::string package = forWayland ? "qt6-wayland" : "libqt6gui6";
    const std::string chosen = EnvironmentValue("QT_QPA_PLATFORM");
    const std::string chooser =
        chosen.empty() ? "Qt chose" : "QT_QPA_PLATFORM=" + Quoted(chosen) + " chooses";
    if (!failure.installed) {
        return start + chooser + " the platform plug-in " + Quoted(failure.name) +
               ", which is not installed" +
               (forXPlatform || forWayland ? " (it comes with the package " + package + ")" : "") +
               ".";
    }
    // Found but not started: for want of its display while the other desktop is there, or for
    // want of something the plug-in itself needs.
    if ((forXPlatform && !x) || (forWayland && !wayland)) {
        const std::string wanted = forXPlatform ? "an X display" : "a Wayland display";
        const std::string other =
            forXPlatform ? "the Wayland display " + Quoted(EnvironmentValue("WAYLAND_DISPLAY"))
                         : "the X display " + Quoted(EnvironmentValue("DISPLAY"));
        const std::string unset = chosen.empty() ? "" : ": start Clavitap without QT_QPA_PLATFORM";
        return start + chooser + " the platform plug-in " + Quoted(failure.name) +
               ", which needs " + wanted + " that cannot be reached, while " + other + " can be" +
               unset + ".";
    }
    return start + "Qt's platform plug-in " + Quoted(failure.name) +
           " cannot be loaded although its display can be reached; a library it needs may be "
           "missing (reinstalling the package " +
           package + " may help).";
}

}  // namespace linux_
