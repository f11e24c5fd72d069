// What to say when Qt cannot start its platform (the part that talks to the desktop): no desktop
// at all, a platform that QT_QPA_PLATFORM asks for while another desktop is there, or a platform
// plug-in that is missing or cannot load although its display is there.
#pragma once

#include <string>
#include <vector>

namespace linux_ {

// One plain line for standard error naming the real cause, from the messages Qt gave while it
// tried (they name the plug-in that failed) and from which displays this process can reach.
std::string QtStartFailureLine(const std::vector<std::string>& qtMessages);

}  // namespace linux_
