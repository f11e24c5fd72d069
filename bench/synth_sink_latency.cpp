// Times the built-in synthesizer end to end on a PulseAudio sink: from midiOutShortMsg to the
// moment the sink takes in the note's first audible sample. That moment is read off the sink's
// monitor by frame count rather than by when the recording delivers it: PipeWire hands a monitor
// its frames a whole graph cycle (5 ms) at a time, which would otherwise be counted as the note's.
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

#include "bench/monitor_clock.h"
#include "platform/midi_out.h"

namespace {

using Clock = std::chrono::steady_clock;

std::atomic<bool> stop{false};
std::atomic<Clock::rep> heardAt{0};      // when the sink took the note in
std::atomic<Clock::rep> deliveredAt{0};  // when the monitor's reader got it, for comparison

constexpr int kRate = 44100;
constexpr int kFragmentFrames = 64;

// Reads the monitor in 64-frame fragments and notes when the sink took in the first loud sample,
// its frames placed by MonitorClock. A server that plays a whole graph cycle at once (PipeWire,
// 5 ms) delivers its fragments together: the loud sample counts from the end of its delivery, when
// the sink had it, rather than from its own frame, which would place it up to a cycle early.
void Listen(pa_simple* recording) {
    std::vector<std::int16_t> fragment(kFragmentFrames * 2);
    long frames = 0;
    MonitorClock clock(kRate);
    Clock::time_point lastArrival;
    long loudDeliveryEnd = 0;  // frames up to the end of the delivery with the loud sample
    int error = 0;
    while (!stop) {
        if (pa_simple_read(recording, fragment.data(), fragment.size() * 2, &error) < 0) return;
        const auto arrived = Clock::now();
        const bool sameDelivery =
            frames > 0 && arrived - lastArrival < std::chrono::milliseconds(1);
        lastArrival = arrived;
        frames += kFragmentFrames;
        clock.Arrived(arrived, frames);
        if (loudDeliveryEnd > 0) {
            if (sameDelivery) {
                loudDeliveryEnd = frames;
                continue;
            }
            Clock::rep expected = 0;
            heardAt.compare_exchange_strong(
                expected, clock.FrameAt(loudDeliveryEnd).time_since_epoch().count());
            loudDeliveryEnd = 0;
        }
        if (heardAt != 0) continue;
        for (std::int16_t sample : fragment) {
            if (std::abs(int{sample}) > 300) {
                loudDeliveryEnd = frames;
                deliveredAt = arrived.time_since_epoch().count();
                break;
            }
        }
    }
}

struct Figures {
    std::vector<double> inSink;
    std::vector<double> delivered;
};

double Milliseconds(Clock::time_point from, const std::atomic<Clock::rep>& to) {
    return std::chrono::duration<double, std::milli>(Clock::time_point{Clock::duration{to.load()}} -
                                                     from)
        .count();
}

// Sends `notes` note-ons on channel 1, each followed by all sound off on that channel and `gap`;
// returns the milliseconds from each send to its sound, sorted.
Figures TimeNotes(Long handle, int notes, std::chrono::milliseconds gap) {
    Figures figures;
    for (int i = 0; i < notes; ++i) {
        heardAt = 0;
        const auto sent = Clock::now();
        platform::midiOutShortMsg(handle, 0x90 | 70 << 8 | 100 << 16);
        for (int wait = 0; wait < 1000 && heardAt == 0; ++wait) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        if (heardAt != 0) {
            figures.inSink.push_back(Milliseconds(sent, heardAt));
            figures.delivered.push_back(Milliseconds(sent, deliveredAt));
        }
        platform::midiOutShortMsg(handle, 0xB0 | 120 << 8);  // all sound off
        std::this_thread::sleep_for(gap);
    }
    std::sort(figures.inSink.begin(), figures.inSink.end());
    std::sort(figures.delivered.begin(), figures.delivered.end());
    return figures;
}

void Print(const char* label, const Figures& figures) {
    const auto& sink = figures.inSink;
    if (sink.empty()) {
        std::printf("%s: nothing was heard\n", label);
        return;
    }
    std::printf(
        "midiOutShortMsg to sound in the sink, %s: n=%zu median %.1f ms  p90 %.1f ms  max %.1f ms"
        "  (read from its monitor: median %.1f ms  p90 %.1f ms)\n",
        label, sink.size(), sink[sink.size() / 2], sink[sink.size() * 9 / 10], sink.back(),
        figures.delivered[sink.size() / 2], figures.delivered[sink.size() * 9 / 10]);
}

}  // namespace

int main(int argc, char** argv) {
    const int notes = argc > 1 ? std::atoi(argv[1]) : 20;
    const char* sink = std::getenv("CLAVITAP_TEST_SINK");
    const std::string monitor = std::string(sink != nullptr ? sink : "ci") + ".monitor";
    const pa_sample_spec format{PA_SAMPLE_S16LE, kRate, 2};
    pa_buffer_attr attr{};
    attr.maxlength = static_cast<std::uint32_t>(-1);
    attr.fragsize = kFragmentFrames * 4;
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
