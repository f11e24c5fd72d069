// One timer tick of the key scan: 125 key-state queries, the note mapping and the note-on sends,
// with the key state in memory and a MIDI output that only takes the messages. Target: under
// 10 microseconds per tick.
#include <benchmark/benchmark.h>

#include "bench/in_memory_services.h"
#include "engine/key_scan.h"
#include "midi/mdlPubSelf.h"

namespace {

// Holds `count` letter keys (A, B, ...) for the benchmark's duration.
class HeldKeys {
  public:
    explicit HeldKeys(int count) : count_(count) {
        for (int i = 0; i < count_; ++i) bench::HoldKey('A' + i, true);
    }
    ~HeldKeys() {
        for (int i = 0; i < count_; ++i) bench::HoldKey('A' + i, false);
    }

  private:
    int count_;
};

void BM_Tick(benchmark::State& state) {
    mdlPubSelf::OpenMidiOut(-1);
    bench::FixedList diao(0);  // tone "C"
    bench::FixedScrollBar vol(100);
    Rnd rnd;
    const HeldKeys held(static_cast<int>(state.range(0)));
    const long sentBefore = bench::SentMessages();
    for (auto _ : state) engine::ScanKeys(diao, vol, rnd);
    state.counters["notes_per_tick"] = static_cast<double>(bench::SentMessages() - sentBefore) /
                                       static_cast<double>(state.iterations());
    mdlPubSelf::CloseMidiOut();
}
BENCHMARK(BM_Tick)->Arg(0)->Arg(1)->Arg(10)->ArgName("keys_down")->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
