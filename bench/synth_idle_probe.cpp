// Opens the built-in synthesizer through the platform calls, sends nothing for a while and prints
// the CPU use of this process and of the sound server, and this process's memory.
// Usage: synth_idle_probe idle|sound|closed [seconds]
//   idle    the synthesizer open, nothing sent
//   sound   an organ note held the whole time, to show what a running stream costs
//   closed  the synthesizer never opened: the baseline of the sound server
// Run by bench/synth_idle_cpu.sh.
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
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

// CPU seconds of the sound server's processes (a space-separated list of ids, as
// with_null_sink.sh gives them), from /proc/<pid>/stat; 0 when unknown.
double ServerCpuSeconds(const char* pids) {
    if (pids == nullptr) return 0;
    std::istringstream list(pids);
    std::string pid;
    unsigned long long ticks = 0;
    while (list >> pid) {
        std::ifstream stat("/proc/" + pid + "/stat");
        std::string field;
        for (int i = 1; i <= 15 && stat >> field; ++i) {
            if (i == 14 || i == 15) ticks += std::stoull(field);  // utime, stime
        }
    }
    return static_cast<double>(ticks) / static_cast<double>(sysconf(_SC_CLK_TCK));
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
    const char* mode = argc > 1 ? argv[1] : "idle";
    const bool sound = std::strcmp(mode, "sound") == 0;
    const bool open = std::strcmp(mode, "closed") != 0;
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 20;
    Long handle = 0;
    const Long opened = open ? platform::midiOutOpen(&handle, -1, 0, 0, 0) : 0;
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
    const char* server = std::getenv("CLAVITAP_TEST_SINK_SERVER_PID");
    const double serverStart = ServerCpuSeconds(server);
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const double cpu = CpuSeconds() - cpuStart;
    const double serverCpu = ServerCpuSeconds(server) - serverStart;
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    std::printf("%s: %.3f %% of one core over %.0f s (sound server %.2f %%); %s; %s\n",
                sound  ? "holding a note"
                : open ? "idle, synth open"
                       : "synth never opened",
                100.0 * cpu / wall, wall, 100.0 * serverCpu / wall, StatusLine("VmRSS").c_str(),
                StatusLine("VmHWM").c_str());
    if (open) platform::midiOutClose(handle);
    return 0;
}
