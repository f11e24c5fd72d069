// Keeps FluidSynth's and ALSA's own diagnostics off the terminal. Failures reach the user as MIDI
// error codes with readable texts instead.
#pragma once

namespace linux_ {

// Installs do-nothing handlers for FluidSynth's log and ALSA's error output. Safe to call from any
// thread, any number of times; only the first call does the work.
void SilenceLibraryLogs();

}  // namespace linux_
