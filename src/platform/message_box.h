// Modal message box with one OK button and the title "Clavitap". Returns when the user closes it.
#pragma once

#include <string>

namespace platform {

void MsgBox(const std::string& text);

}  // namespace platform
