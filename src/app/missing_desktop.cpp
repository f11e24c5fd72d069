#include "app/missing_desktop.h"

#include "platform/linux/session/environment.h"

namespace app {

std::string MissingDesktopLine() {
    const std::string x = linux_::EnvironmentValue("DISPLAY");
    const std::string wayland = linux_::EnvironmentValue("WAYLAND_DISPLAY");
    std::string why = x.empty() ? "DISPLAY is not set"
                                : "the X display \"" + x + "\" named by DISPLAY cannot be reached";
    why += wayland.empty() ? ", and WAYLAND_DISPLAY is not set"
                           : ", and the Wayland display \"" + wayland + "\" cannot be reached";
    return "Clavitap cannot start: there is no desktop to show its window on (" + why + ").";
}

}  // namespace app
