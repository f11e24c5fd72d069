// Opens the built-in synthesizer through the platform calls, sends nothing for a while and prints
// the process's CPU use and memory. With an argument "sound" it holds an organ note instead, to
// show what a running stream costs. Run by bench/synth_idle_cpu.sh.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

#include "platform/midi_out.h"

namespace {

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

std::string StatusLine(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(key, 0) == 0) return line;
    }
    return key;
}

}  // namespace

int main(int argc, char** argv) {
    const bool sound = argc > 1 && std::strcmp(argv[1], "sound") == 0;
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 20;
    Long handle = 0;
    const Long opened = platform::midiOutOpen(&handle, -1, 0, 0, 0);
    if (opened != 0) {
        char text[128] = "";
        platform::midiOutGetErrorTextA(opened, text, sizeof(text));
        std::fprintf(stderr, "%s\n", text);
        return 1;
    }
    if (sound) {
        platform::midiOutShortMsg(handle, 0xC0 | 16 << 8);  // drawbar organ: it never fades
        platform::midiOutShortMsg(handle, 0x90 | 60 << 8 | 100 << 16);
    }
    std::this_thread::sleep_for(std::chrono::seconds(2));  // settle after opening
    const auto wallStart = std::chrono::steady_clock::now();
    const double cpuStart = CpuSeconds();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const double cpu = CpuSeconds() - cpuStart;
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    std::printf("%s: %.3f %% of one core over %.0f s; %s; %s\n",
                sound ? "holding a note" : "idle, synth open", 100.0 * cpu / wall, wall,
                StatusLine("VmRSS").c_str(), StatusLine("VmHWM").c_str());
    platform::midiOutClose(handle);
    return 0;
}
