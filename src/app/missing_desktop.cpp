#include "app/missing_desktop.h"

#include <cstdlib>

namespace app {

namespace {

std::string Variable(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? std::string() : std::string(value);
}

}  // namespace

std::string MissingDesktopLine() {
    const std::string x = Variable("DISPLAY");
    const std::string wayland = Variable("WAYLAND_DISPLAY");
    std::string why = x.empty() ? "DISPLAY is not set"
                                : "the X display \"" + x + "\" named by DISPLAY cannot be reached";
    why += wayland.empty() ? ", and WAYLAND_DISPLAY is not set"
                           : ", and the Wayland display \"" + wayland + "\" cannot be reached";
    return "Clavitap cannot start: there is no desktop to show its window on (" + why + ").";
}

}  // namespace app
