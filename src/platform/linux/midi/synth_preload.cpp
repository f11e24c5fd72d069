#include "platform/linux/midi/synth_preload.h"

#include <future>
#include <system_error>

#include "platform/linux/midi/soundfont_search.h"

namespace linux_ {

namespace {

// Used from the user-interface thread only; the future hands the synthesizer over between the
// loading thread and that one.
std::string preloadedFont;
std::future<std::unique_ptr<BuiltinSynth>> preloaded;

}  // namespace

void PreloadBuiltinSynth() {
    if (preloaded.valid()) return;
    auto soundFont = FindSoundFont();
    if (!soundFont) return;
    try {
        preloaded = std::async(std::launch::async, BuiltinSynth::Create, *soundFont);
        preloadedFont = std::move(*soundFont);
    } catch (const std::system_error&) {
        // No thread to spare: the synthesizer loads when it is opened.
    }
}

std::optional<std::unique_ptr<BuiltinSynth>> TakePreloadedSynth(const std::string& soundFontPath) {
    if (!preloaded.valid()) return std::nullopt;
    auto synth = preloaded.get();
    if (preloadedFont != soundFontPath) return std::nullopt;
    return synth;
}

void DropPreloadedSynth() {
    if (preloaded.valid()) preloaded.get();
}

}  // namespace linux_
