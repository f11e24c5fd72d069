// What to say when there is no desktop to show the window on: DISPLAY unset or naming an X server
// that cannot be reached, and no Wayland display either.
#pragma once

#include <string>

namespace app {

// One plain line naming what is missing, for standard error.
std::string MissingDesktopLine();

}  // namespace app
