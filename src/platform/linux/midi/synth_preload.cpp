#include "platform/linux/midi/synth_preload.h"

#include <future>
#include <system_error>

#include "platform/linux/midi/soundfont_search.h"

namespace linux_ {

namespace {

// Used from the user-interface thread only; the future hands the synthesizer over between the
// loading thread and that one.
struct Preload {
    std::string soundFontPath;
    std::future<std::unique_ptr<BuiltinSynth>> synth;
};

Preload& Pending() {
    static Preload preload;
    return preload;
}

}  // namespace

void PreloadBuiltinSynth() {
    Preload& preload = Pending();
    if (preload.synth.valid()) return;
    auto soundFont = FindSoundFont();
    if (!soundFont) return;
    try {
        preload.synth = std::async(std::launch::async, BuiltinSynth::Create, *soundFont);
        preload.soundFontPath = std::move(*soundFont);
    } catch (const std::system_error&) {
        // No thread to spare: the synthesizer loads when it is opened.
    }
}

std::optional<std::unique_ptr<BuiltinSynth>> TakePreloadedSynth(const std::string& soundFontPath) {
    Preload& preload = Pending();
    if (!preload.synth.valid()) return std::nullopt;
    auto synth = preload.synth.get();
    if (preload.soundFontPath != soundFontPath) return std::nullopt;
    return synth;
}

void DropPreloadedSynth() {
    Preload& preload = Pending();
    if (preload.synth.valid()) preload.synth.get();
}

}  // namespace linux_
