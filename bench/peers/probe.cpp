// Measuring probe for bench/peers/measure.sh. One process does both ends of a measurement, so that
// every time it compares comes from the same monotonic clock:
//
//   probe window NAME TIMEOUT_MS -- COMMAND [ARGS...]
//       starts COMMAND and prints "pid=<pid> ms=<start to a viewable window named NAME>".
//   probe latency SINK_MONITOR KEYSYM PRESSES [PAUSE_MS]
//       records SINK_MONITOR and, PRESSES times, sends a key press by XTest, then prints the time
//       from the key going down to the first sample of sound, one figure per line ("ms=<x>").
//       Each press waits for 200 ms of silence, then PAUSE_MS more (a key after a pause) and a
//       random part of 50 ms.
//   probe reference SINK SINK_MONITOR PRESSES
//       checks the method: writes a beep to SINK at a known time and measures it the same way;
//       prints "ms=<detected onset - write time> stream_ms=<the beep stream's own latency>".
//
// Sound onset is the first recorded sample whose magnitude passes a threshold after the trigger.
// Each sample's time is its frame number on the recording's clock, placed by MonitorClock.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <fcntl.h>
#include <poll.h>
#include <pulse/simple.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "bench/monitor_clock.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRate = 44100;
constexpr int kChunkFrames = 128;
constexpr double kOnsetLevel = 0.01;  // of full scale
constexpr double kSilenceLevel = 0.003;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// ---- start to visible window ------------------------------------------------------------------

bool HasViewableWindowNamed(Display* display, Window window, const std::string& name) {
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable) {
        char* title = nullptr;
        if (XFetchName(display, window, &title) && title) {
            const bool match = name == title;
            XFree(title);
            if (match) return true;
        }
    }
    Window root, parent, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count)) return false;
    bool found = false;
    for (unsigned i = 0; i < count && !found; ++i) {
        found = HasViewableWindowNamed(display, children[i], name);
    }
    if (children) XFree(children);
    return found;
}

int WaitForWindow(const std::string& name, int timeoutMs, char** command) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "probe: no X display\n");
        return 2;
    }
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });  // windows vanish while we look
    // Woken by the X server when windows are created or mapped, rather than asking it every
    // millisecond: a polling probe took a third of a core (and the X server's time to answer) from
    // the program whose start it times.
    const Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, False);
    const auto start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        // The program must not hold our output open (the caller reads it to its end) nor share
        // our X connection.
        setsid();
        const int null = open("/dev/null", O_RDWR);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        close(ConnectionNumber(display));
        execvp(command[0], command);
        _exit(127);
    }
    bool look = true;
    while (Ms(Clock::now() - start) < timeoutMs) {
        if (look && HasViewableWindowNamed(display, root, name)) {
            std::printf("pid=%d ms=%.1f\n", pid, Ms(Clock::now() - start));
            return 0;
        }
        look = false;
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            // A window manager's frame: its client is mapped inside it, so watch it too.
            if (event.type == CreateNotify && event.xcreatewindow.parent == root) {
                XSelectInput(display, event.xcreatewindow.window, SubstructureNotifyMask);
            }
            look = true;
        }
        if (!look) {
            pollfd ready{ConnectionNumber(display), POLLIN, 0};
            look = poll(&ready, 1, 20) == 0;  // and a look now and then, whatever happens
        }
    }
    std::printf("pid=%d ms=timeout\n", pid);
    return 1;
}

// ---- sound onset ------------------------------------------------------------------------------

struct Chunk {
    long firstFrame;  // the recording's frame count before this chunk
    std::vector<float> samples;
};

class Recorder {
  public:
    explicit Recorder(const char* source) {
        pa_sample_spec format{PA_SAMPLE_FLOAT32LE, kRate, 1};
        pa_buffer_attr attr{};
        attr.maxlength = static_cast<uint32_t>(-1);
        attr.fragsize = kChunkFrames * sizeof(float);
        int error = 0;
        stream_ = pa_simple_new(nullptr, "clavitap-probe", PA_STREAM_RECORD, source, "onset",
                                &format, nullptr, &attr, &error);
        if (!stream_) {
            std::fprintf(stderr, "probe: cannot record %s\n", source);
            std::exit(2);
        }
        thread_ = std::thread([this] { Run(); });
    }
    ~Recorder() {
        stop_ = true;
        thread_.join();
        pa_simple_free(stream_);
    }

    // Waits until the monitor delivers sound data at all (it is silent for a while at first).
    void WaitUntilFlowing() {
        while (chunks_seen_ < kRate / kChunkFrames)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }

    // Waits until the level has stayed below kSilenceLevel for 200 ms (at most 8 s).
    void WaitForSilence() {
        const auto give_up = Clock::now() + std::chrono::seconds(8);
        while (Clock::now() < give_up) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            std::lock_guard lock(mutex_);
            const auto since = Clock::now() - std::chrono::milliseconds(200);
            bool quiet = !chunks_.empty();
            for (const Chunk& chunk : chunks_) {
                if (FrameAt(chunk.firstFrame) < since) continue;
                for (float s : chunk.samples) quiet = quiet && std::fabs(s) < kSilenceLevel;
            }
            if (quiet) return;
        }
    }

    // The time of the first loud sample at or after `from`, waiting up to `timeout`.
    std::optional<Clock::time_point> Onset(Clock::time_point from,
                                           std::chrono::milliseconds timeout) {
        const auto give_up = Clock::now() + timeout;
        while (Clock::now() < give_up) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            std::lock_guard lock(mutex_);
            for (const Chunk& chunk : chunks_) {
                for (std::size_t i = 0; i < chunk.samples.size(); ++i) {
                    const auto at = FrameAt(chunk.firstFrame + static_cast<long>(i));
                    if (at >= from && std::fabs(chunk.samples[i]) >= kOnsetLevel) return at;
                }
            }
        }
        return std::nullopt;
    }

  private:
    void Run() {
        std::vector<float> buffer(kChunkFrames);
        while (!stop_) {
            int error = 0;
            if (pa_simple_read(stream_, buffer.data(), buffer.size() * sizeof(float), &error) < 0)
                break;
            const auto arrived = Clock::now();
            std::lock_guard lock(mutex_);
            Chunk chunk{framesRecorded_, buffer};
            framesRecorded_ += kChunkFrames;
            clock_.Arrived(arrived, framesRecorded_);
            chunks_.push_back(std::move(chunk));
            while (chunks_.size() > 20u * kRate / kChunkFrames) chunks_.pop_front();  // 20 s
            ++chunks_seen_;
        }
    }

    pa_simple* stream_ = nullptr;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<long> chunks_seen_{0};
    long framesRecorded_ = 0;  // guarded by mutex_, as the two below
    MonitorClock clock_{kRate};

    Clock::time_point FrameAt(long frame) const { return clock_.FrameAt(frame); }
    std::mutex mutex_;
    std::deque<Chunk> chunks_;
};

int MeasureKeys(const char* monitor, const char* keysym, int presses, int pauseMs) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return 2;
    const KeyCode code = XKeysymToKeycode(display, XStringToKeysym(keysym));
    Recorder recorder(monitor);
    recorder.WaitUntilFlowing();
    // WaitForSilence() looks every 50 ms, so without a random wait the presses would keep one
    // phase against any program that works on a 50 ms tick, and each run would measure one point
    // of that tick rather than what a typist meets: keys that land anywhere in it.
    std::mt19937 random{std::random_device{}()};
    std::uniform_int_distribution<int> phaseUs(0, 49'999);
    for (int i = 0; i < presses; ++i) {
        recorder.WaitForSilence();
        std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs) +
                                    std::chrono::microseconds(phaseUs(random)));
        const auto down = Clock::now();
        XTestFakeKeyEvent(display, code, True, CurrentTime);
        XSync(display, False);
        std::this_thread::sleep_for(std::chrono::milliseconds(120));
        XTestFakeKeyEvent(display, code, False, CurrentTime);
        XSync(display, False);
        const auto onset = recorder.Onset(down, std::chrono::milliseconds(1500));
        if (onset) {
            std::printf("ms=%.1f\n", Ms(*onset - down));
        } else {
            std::printf("ms=none\n");
        }
        std::fflush(stdout);
    }
    XCloseDisplay(display);
    return 0;
}

int MeasureReference(const char* sink, const char* monitor, int presses) {
    Recorder recorder(monitor);
    recorder.WaitUntilFlowing();
    pa_sample_spec format{PA_SAMPLE_FLOAT32LE, kRate, 1};
    pa_buffer_attr attr{};
    attr.maxlength = static_cast<uint32_t>(-1);
    attr.tlength = kChunkFrames * sizeof(float) * 2;
    attr.prebuf = static_cast<uint32_t>(-1);
    attr.minreq = static_cast<uint32_t>(-1);
    int error = 0;
    pa_simple* out = pa_simple_new(nullptr, "clavitap-probe", PA_STREAM_PLAYBACK, sink, "reference",
                                   &format, nullptr, &attr, &error);
    if (!out) return 2;
    std::vector<float> silence(kChunkFrames, 0.0f), beep(kChunkFrames * 40);
    for (std::size_t i = 0; i < beep.size(); ++i)
        beep[i] = static_cast<float>(0.5 * std::sin(2 * M_PI * 1000.0 * double(i) / kRate));
    for (int i = 0; i < presses; ++i) {
        for (int k = 0; k < 20; ++k)
            pa_simple_write(out, silence.data(), silence.size() * sizeof(float), &error);
        recorder.WaitForSilence();
        const pa_usec_t streamLatency = pa_simple_get_latency(out, &error);
        const auto written = Clock::now();
        pa_simple_write(out, beep.data(), beep.size() * sizeof(float), &error);
        const auto onset = recorder.Onset(written, std::chrono::milliseconds(1500));
        std::printf("ms=%s stream_ms=%.1f\n",
                    onset ? std::to_string(Ms(*onset - written)).c_str() : "none",
                    static_cast<double>(streamLatency) / 1000.0);
        std::fflush(stdout);
        pa_simple_drain(out, &error);
    }
    pa_simple_free(out);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "window" && argc > 5 && std::strcmp(argv[4], "--") == 0) {
        return WaitForWindow(argv[2], std::atoi(argv[3]), argv + 5);
    }
    if (mode == "latency" && (argc == 5 || argc == 6)) {
        return MeasureKeys(argv[2], argv[3], std::atoi(argv[4]),
                           argc == 6 ? std::atoi(argv[5]) : 0);
    }
    if (mode == "reference" && argc == 5)
        return MeasureReference(argv[2], argv[3], std::atoi(argv[4]));
    std::fprintf(stderr,
                 "usage: probe window NAME TIMEOUT_MS -- COMMAND...\n"
                 "       probe latency SINK_MONITOR KEYSYM PRESSES [PAUSE_MS]\n"
                 "       probe reference SINK SINK_MONITOR PRESSES\n");
    return 2;
}
