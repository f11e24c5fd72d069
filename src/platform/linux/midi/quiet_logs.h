// Keeps FluidSynth's (and its sample library's) and ALSA's own diagnostics off the terminal.
// Failures reach the user as MIDI error codes with readable texts instead.
#pragma once

namespace linux_ {

// Installs do-nothing handlers for FluidSynth's log, GLib's unnamed log domain and ALSA's error
// output. Safe to call from any thread, any number of times; only the first call does the work.
void SilenceLibraryLogs();

}  // namespace linux_
