// The Linux program's start: the toolkit, the one program per session, the main window with the
// boxes that start-up may raise, the key source, and the run until the window is closed.
#pragma once

namespace linux_ {

// Starts the program and runs it until its window is closed. Returns the exit status: 0, or 1 when
// another program holds the session without answering. When Qt cannot start its platform, one
// line on standard error names the cause and the program ends with status 1.
int StartProgram(int argc, char** argv);

}  // namespace linux_
