// The X11 key source's share of a tick: RefreshKeyState draining N raw key events that have
// already arrived from a private Xvfb (typed with XTest), and the 125 queries after it. Each
// iteration types its events untimed, gives the server a moment to deliver them, then times the
// refresh and the queries.
#include <benchmark/benchmark.h>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>

#include "platform/key_state.h"
#include "tests/linux/keys/xvfb_server.h"

namespace {

struct Desktop {
    XvfbServer server;
    Display* input = nullptr;
    KeyCode keyA = 0;
};

Desktop* Shared() {
    static std::unique_ptr<Desktop> desktop = [] {
        auto made = std::make_unique<Desktop>();
        if (!made->server.Running()) return made;
        setenv("DISPLAY", made->server.Name().c_str(), 1);
        made->input = XOpenDisplay(made->server.Name().c_str());
        if (made->input != nullptr) made->keyA = XKeysymToKeycode(made->input, XK_a);
        return made;
    }();
    return desktop.get();
}

void BM_RefreshKeyState(benchmark::State& state) {
    Desktop* desktop = Shared();
    if (desktop->input == nullptr || !platform::OpenKeySource().empty()) {
        state.SkipWithError("no Xvfb with XInput 2.2");
        return;
    }
    const auto events = static_cast<int>(state.range(0));
    long complete = 0;
    for (auto _ : state) {
        for (int i = 0; i < events / 2; ++i) {
            XTestFakeKeyEvent(desktop->input, desktop->keyA, True, CurrentTime);
            XTestFakeKeyEvent(desktop->input, desktop->keyA, False, CurrentTime);
        }
        XSync(desktop->input, False);
        std::this_thread::sleep_for(std::chrono::milliseconds(3));

        const auto start = std::chrono::steady_clock::now();
        platform::RefreshKeyState();
        int nonzero = 0;
        for (int code = 3; code <= 127; ++code) nonzero += platform::GetAsyncKeyState(code) != 0;
        const auto stop = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(stop - start).count());
        complete += (events == 0) == (nonzero == 0);
    }
    // The share of iterations in which every typed event had arrived before the timed refresh.
    state.counters["arrived"] =
        static_cast<double>(complete) / static_cast<double>(state.iterations());
    platform::CloseKeySource();
}
BENCHMARK(BM_RefreshKeyState)
    ->Arg(0)
    ->Arg(2)
    ->Arg(20)
    ->Arg(200)
    ->ArgName("queued_events")
    ->UseManualTime()
    ->Iterations(200)
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
