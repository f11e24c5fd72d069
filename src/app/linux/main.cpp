// Clavitap for Linux: answers --help and --version, or starts the toolkit, creates the main window,
// loads it, shows it and runs its events until it is closed.
#include "platform/linux/start/command_line.h"
#include "platform/linux/start/start_program.h"

int main(int argc, char** argv) {
    // --help and --version are answered before any window, sound or key source is touched.
    if (const auto status = linux_::AnswerCommandLine(argc, argv)) return *status;
    return linux_::StartProgram(argc, argv);
}
