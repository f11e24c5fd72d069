// A held key's sound, rendered offline: note 70 struck on every 50 ms tick, as the key scan sends
// it. Prints, per instrument, the largest step between two neighbouring samples in a fresh note's
// first tick and in any later tick: a voice cut off without a fade would show as a much larger step
// (a click) than the instrument's own attack makes.
//   synth_retrigger_steps [SoundFont]   (default: the SoundFont the program would choose)
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/midi/builtin_synth.h"
#include "platform/linux/midi/soundfont_search.h"

namespace {

using linux_::BuiltinSynth;
using linux_::DecodeShortMessage;

double LargestStep(const std::vector<float>& left, const std::vector<float>& right) {
    double step = 0;
    for (std::size_t i = 1; i < left.size(); ++i) {
        step = std::max({step, double{std::fabs(left[i] - left[i - 1])},
                         double{std::fabs(right[i] - right[i - 1])}});
    }
    return step;
}

}  // namespace

int main(int argc, char** argv) {
    const auto font = argc > 1 ? std::optional<std::string>(argv[1]) : linux_::FindSoundFont();
    if (!font) {
        std::fprintf(stderr, "no General MIDI SoundFont installed\n");
        return 2;
    }
    std::printf("%s\nprogram  fresh note  retriggered (largest step, full scale 1)\n",
                font->c_str());
    constexpr int kTickFrames = 2205;  // 50 ms at 44.1 kHz
    for (int program : {0, 11, 19, 24, 48, 56, 73, 80}) {
        auto synth = BuiltinSynth::Create(*font);
        if (!synth) return 2;
        synth->Play(*DecodeShortMessage(0xC0 | program << 8));
        std::vector<float> left(kTickFrames), right(kTickFrames);
        double fresh = 0, retriggered = 0;
        for (int tick = 0; tick < 40; ++tick) {
            synth->Play(*DecodeShortMessage(0x90 | 70 << 8 | 100 << 16));
            synth->Render(left.data(), right.data(), kTickFrames);
            (tick == 0 ? fresh : retriggered) =
                std::max(tick == 0 ? fresh : retriggered, LargestStep(left, right));
        }
        std::printf("%7d  %10.4f  %11.4f\n", program, fresh, retriggered);
    }
    return 0;
}
