// Opens a web or mail address with the user's default handler, without waiting for it.
// Windows: starts "rundll32.exe url.dll,FileProtocolHandler <target>" with show code 2.
// Linux:   the desktop's default handler (xdg-open).
#pragma once

#include <string>

namespace platform {

void OpenLink(const std::string& target);

}  // namespace platform
