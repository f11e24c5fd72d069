// Ten keys held for ten minutes, rendered offline: the key scan sends a fresh note-on for every
// held key on every 50 ms tick and never a note-off, so this checks that the synthesizer's voice
// count stays bounded and its memory flat under that load. Prints one line per simulated minute.
//   synth_voice_soak [minutes]   (default 10)
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "platform/linux/midi/builtin_synth.h"
#include "platform/linux/midi/soundfont_search.h"

namespace {

using linux_::BuiltinSynth;
using linux_::DecodeShortMessage;

long ResidentKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    const int minutes = argc > 1 ? std::atoi(argv[1]) : 10;
    const auto font = linux_::FindSoundFont();
    if (!font) {
        std::fprintf(stderr, "no General MIDI SoundFont installed\n");
        return 2;
    }
    auto synth = BuiltinSynth::Create(*font);
    if (!synth) return 2;
    // "A" to "L" and ";" at tone "C", velocity 100..109 as the scan sends them.
    const std::vector<int> notes = {70, 88, 73, 75, 76, 77, 79, 80, 81, 64};
    constexpr int kTickFrames = 2205;  // 50 ms at 44.1 kHz
    std::vector<float> left(kTickFrames), right(kTickFrames);
    std::printf("minute  voices(max)  voices(now)  rss_kB\n");
    int velocityStep = 0;
    for (int minute = 1; minute <= minutes; ++minute) {
        int most = 0;
        for (int tick = 0; tick < 20 * 60; ++tick) {
            const int velocity = 100 + (velocityStep++ % 10);
            for (int note : notes) {
                synth->Play(*DecodeShortMessage(0x90 | note << 8 | velocity << 16));
            }
            synth->Render(left.data(), right.data(), kTickFrames);
            most = std::max(most, synth->ActiveVoices());
        }
        std::printf("%6d  %11d  %11d  %6ld\n", minute, most, synth->ActiveVoices(),
                    ResidentKilobytes());
        std::fflush(stdout);
    }
    return 0;
}
