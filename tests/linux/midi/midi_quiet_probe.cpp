// Lists and opens the MIDI outputs through the platform calls and prints what it got on stdout.
// quiet_failures_test.sh runs it with no sound server and no ALSA devices and checks that the
// failures come back as codes with plain texts while nothing at all reaches stderr.
#include <chrono>
#include <cstdio>
#include <thread>

#include "platform/midi_out.h"

namespace {

void PrintResult(const char* what, Long code) {
    char text[128] = "";
    if (code != 0) platform::midiOutGetErrorTextA(code, text, sizeof(text));
    std::printf("%s: %d%s%s\n", what, static_cast<int>(code), code != 0 ? " " : "", text);
}

}  // namespace

int main() {
    std::printf("devices: %d\n", static_cast<int>(platform::midiOutGetNumDevs()));
    platform::MidiOutCapsA caps{};
    const Long capsResult = platform::midiOutGetDevCapsA(-1, &caps, sizeof(caps));
    std::printf("caps -1: %d %s\n", static_cast<int>(capsResult), caps.szPname);
    // The synthesizer opens without an audio output and waits for one: its notes are lost until
    // then, without a word. The second note comes after the interval at which it looks again.
    Long synth = 0;
    PrintResult("open -1", platform::midiOutOpen(&synth, -1, 0, 0, 0));
    PrintResult("send -1", platform::midiOutShortMsg(synth, 0x90 | 60 << 8 | 100 << 16));
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    PrintResult("send -1", platform::midiOutShortMsg(synth, 0x90 | 60 << 8 | 100 << 16));
    Long port = 0;
    PrintResult("open 0", platform::midiOutOpen(&port, 0, 0, 0, 0));
    PrintResult("send", platform::midiOutShortMsg(port, 0x90 | 60 << 8 | 100 << 16));
    PrintResult("close -1", platform::midiOutClose(synth));
    return 0;
}
