// The Linux program's command line. It takes no options but the two that every program answers
// without a desktop, --help and --version; the window is where everything else is chosen.
#pragma once

#include <optional>

namespace linux_ {

// Answers the command line before anything else is touched: --help or --version on standard
// output, or one plain line on standard error for anything else. Returns the exit status then
// (0, or 2 for an argument it does not take, or 1 when the answer could not be written), and
// nothing when the program should start: no arguments, or the desktop's session manager
// restarting it ("-session ID", which the toolkit reads).
std::optional<int> AnswerCommandLine(int argc, char** argv);

}  // namespace linux_
