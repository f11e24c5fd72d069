#include "platform/linux/midi/quiet_logs.h"

#include <alsa/asoundlib.h>
#include <fluidsynth.h>
#include <glib.h>

#include <mutex>

namespace linux_ {

namespace {

void DropFluidMessage(int, const char*, void*) {}

void DropAlsaMessage(const char*, int, const char*, int, const char*, ...) {}

void DropGlibMessage(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}

}  // namespace

void SilenceLibraryLogs() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (int level = FLUID_PANIC; level < LAST_LOG_LEVEL; ++level) {
            fluid_set_log_function(level, DropFluidMessage, nullptr);
        }
        snd_lib_error_set_handler(DropAlsaMessage);
        // FluidSynth's sample library (libinstpatch) reports a damaged SoundFont through GLib's
        // log, in the domain of no name.
        g_log_set_handler(nullptr, static_cast<GLogLevelFlags>(G_LOG_LEVEL_MASK), DropGlibMessage,
                          nullptr);
    });
}

}  // namespace linux_
