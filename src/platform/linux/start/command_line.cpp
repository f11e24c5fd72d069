#include "platform/linux/start/command_line.h"

#include <cstdio>
#include <string_view>

#include "generated/clavitap_version.h"

namespace linux_ {

namespace {

constexpr std::string_view kHelp =
    "Usage: clavitap [--help | --version]\n"
    "\n"
    "Lets your keyboard sing while you type: while Clavitap runs, every key that is\n"
    "down anywhere on the desktop sounds a note on a MIDI output. Started without\n"
    "options, it opens its window, where you pick the output device, the instrument,\n"
    "a tone step and the volume; your choices are saved when you close it.\n"
    "\n"
    "  --help     show this help and exit\n"
    "  --version  show the version and exit\n"
    "\n"
    "The choices live in $XDG_CONFIG_HOME/Clavitap/Clavitap.conf, normally\n"
    "~/.config/Clavitap/Clavitap.conf.\n"
    "On Wayland and the text console keys are read from /dev/input, which needs\n"
    "membership in the input group. See clavitap(1) for more.\n";

constexpr std::string_view kVersion =
    "clavitap " CLAVITAP_VERSION
    "\n"
    "Copyright (c) 2026 The Clavitap developers\n"
    "This is free software under the MIT License: you may change and share it.\n"
    "There is NO WARRANTY, to the extent permitted by law.\n";

// A closed or full standard output (clavitap --help >/dev/full) is a failure, not a success.
int Print(std::string_view text) {
    const bool written = std::fwrite(text.data(), 1, text.size(), stdout) == text.size();
    if (std::fflush(stdout) == 0 && written) return 0;
    std::fputs("clavitap: could not write to standard output\n", stderr);
    return 1;
}

}  // namespace

std::optional<int> AnswerCommandLine(int argc, char** argv) {
    if (argc <= 1) return std::nullopt;
    const std::string_view first = argv[1];
    if (argc == 2 && first == "--help") return Print(kHelp);
    if (argc == 2 && first == "--version") return Print(kVersion);
    if (argc == 3 && first == "-session") return std::nullopt;
    // The first argument that is not one of the two, or the one after them.
    const bool known = first == "--help" || first == "--version";
    std::fprintf(stderr,
                 "clavitap: unexpected argument \"%s\"; it takes only --help or --version, "
                 "alone\n",
                 known ? argv[2] : argv[1]);
    return 2;
}

}  // namespace linux_
