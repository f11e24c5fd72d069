// Lists and opens the MIDI outputs through the platform calls and prints what it got on stdout.
// quiet_failures_test.sh runs it with no sound server and no ALSA devices and checks that the
// failures come back as codes with plain texts while nothing at all reaches stderr.
#include <cstdio>

#include "platform/midi_out.h"

namespace {

void PrintResult(const char* what, Long code) {
    char text[128] = "";
    platform::midiOutGetErrorTextA(code, text, sizeof(text));
    std::printf("%s: %d %s\n", what, static_cast<int>(code), text);
}

}  // namespace

int main() {
    std::printf("devices: %d\n", static_cast<int>(platform::midiOutGetNumDevs()));
    platform::MidiOutCapsA caps{};
    const Long capsResult = platform::midiOutGetDevCapsA(-1, &caps, sizeof(caps));
    std::printf("caps -1: %d %s\n", static_cast<int>(capsResult), caps.szPname);
    Long handle = 0;
    PrintResult("open -1", platform::midiOutOpen(&handle, -1, 0, 0, 0));
    PrintResult("open 0", platform::midiOutOpen(&handle, 0, 0, 0, 0));
    PrintResult("send", platform::midiOutShortMsg(handle, 0x90 | 60 << 8 | 100 << 16));
    return 0;
}
