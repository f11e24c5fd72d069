// Times the built-in synthesizer end to end on a PulseAudio sink: from midiOutShortMsg to the
// note's first audible sample arriving from the sink's monitor. The figure includes the monitor's
// own recording latency (one 64-frame fragment), so it is an upper bound of what reaches a speaker.
// Two rounds: notes after a pause, when the stream has stopped, and notes while another sound
// keeps it going; a key after a pause should be no slower than the others.
// Usage (with_null_sink.sh sets CLAVITAP_TEST_SINK): synth_sink_latency [notes per round]
#include <pulse/simple.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/midi_out.h"

namespace {

using Clock = std::chrono::steady_clock;

std::atomic<bool> stop{false};
std::atomic<Clock::rep> heardAt{0};

// Reads the monitor in 64-frame fragments and notes when a loud one arrives.
void Listen(pa_simple* recording) {
    std::vector<std::int16_t> fragment(64 * 2);
    int error = 0;
    while (!stop) {
        if (pa_simple_read(recording, fragment.data(), fragment.size() * 2, &error) < 0) return;
        const auto now = Clock::now().time_since_epoch().count();
        for (std::int16_t sample : fragment) {
            if (std::abs(int{sample}) > 300) {
                Clock::rep expected = 0;
                heardAt.compare_exchange_strong(expected, now);
                break;
            }
        }
    }
}

// Sends `notes` note-ons on channel 1, each followed by all sound off on that channel and `gap`;
// returns the milliseconds from each send to its sound on the monitor, sorted.
std::vector<double> TimeNotes(Long handle, int notes, std::chrono::milliseconds gap) {
    std::vector<double> figures;
    for (int i = 0; i < notes; ++i) {
        heardAt = 0;
        const auto sent = Clock::now();
        platform::midiOutShortMsg(handle, 0x90 | 70 << 8 | 100 << 16);
        for (int wait = 0; wait < 1000 && heardAt == 0; ++wait) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        if (heardAt != 0) {
            const Clock::time_point heard{Clock::duration{heardAt.load()}};
            figures.push_back(std::chrono::duration<double, std::milli>(heard - sent).count());
        }
        platform::midiOutShortMsg(handle, 0xB0 | 120 << 8);  // all sound off
        std::this_thread::sleep_for(gap);
    }
    std::sort(figures.begin(), figures.end());
    return figures;
}

void Print(const char* label, const std::vector<double>& figures) {
    if (figures.empty()) {
        std::printf("%s: nothing was heard\n", label);
        return;
    }
    std::printf(
        "midiOutShortMsg to sound on the sink monitor, %s: n=%zu median %.1f ms  p90 %.1f ms  "
        "max %.1f ms\n",
        label, figures.size(), figures[figures.size() / 2], figures[figures.size() * 9 / 10],
        figures.back());
}

}  // namespace

int main(int argc, char** argv) {
    const int notes = argc > 1 ? std::atoi(argv[1]) : 20;
    const char* sink = std::getenv("CLAVITAP_TEST_SINK");
    const std::string monitor = std::string(sink != nullptr ? sink : "ci") + ".monitor";
    const pa_sample_spec format{PA_SAMPLE_S16LE, 44100, 2};
    pa_buffer_attr attr{};
    attr.maxlength = static_cast<std::uint32_t>(-1);
    attr.fragsize = 64 * 4;
    int error = 0;
    pa_simple* recording =
        pa_simple_new(nullptr, "synth_sink_latency", PA_STREAM_RECORD, monitor.c_str(), "monitor",
                      &format, nullptr, &attr, &error);
    if (recording == nullptr) {
        std::fprintf(stderr, "cannot record %s\n", monitor.c_str());
        return 1;
    }
    std::thread listener(Listen, recording);

    Long handle = 0;
    if (platform::midiOutOpen(&handle, -1, 0, 0, 0) != 0) {
        std::fprintf(stderr, "cannot open the built-in synthesizer\n");
        return 1;
    }
    platform::midiOutShortMsg(handle, 0xC0);
    std::this_thread::sleep_for(std::chrono::seconds(3));  // an idle null sink wakes every 2 s

    // After a pause: the stream has stopped (the reverb tail takes over a second to die away).
    const auto afterPause = TimeNotes(handle, notes, std::chrono::milliseconds(2500));
    // While sounding: an organ note on channel 2, at volume 0 but never ending, keeps it going.
    for (Long message : {0xB1 | 7 << 8, 0xC1 | 16 << 8, 0x91 | 40 << 8 | 100 << 16}) {
        platform::midiOutShortMsg(handle, message);
    }
    const auto whileSounding = TimeNotes(handle, notes, std::chrono::milliseconds(300));
    platform::midiOutClose(handle);
    stop = true;
    listener.join();
    pa_simple_free(recording);
    Print("after a pause", afterPause);
    Print("while sounding", whileSounding);
    return 0;
}
