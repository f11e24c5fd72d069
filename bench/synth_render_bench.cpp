// What one 256-frame block costs the built-in synthesizer to render: silent, and with a chord.
#include <benchmark/benchmark.h>

#include <vector>

#include "platform/linux/midi/builtin_synth.h"
#include "platform/linux/midi/soundfont_search.h"

namespace {

using namespace linux_;

void RenderBlocks(benchmark::State& state) {
    const auto font = FindSoundFont();
    auto synth = font ? BuiltinSynth::Create(*font) : nullptr;
    if (!synth) {
        state.SkipWithError("no SoundFont");
        return;
    }
    for (int note = 0; note < state.range(0); ++note) {
        ShortMessage noteOn;
        noteOn.bytes = {0x90, static_cast<std::uint8_t>(60 + note), 100};
        noteOn.length = 3;
        synth->Play(noteOn);
    }
    std::vector<float> left(256), right(256);
    for (auto _ : state) {
        synth->Render(left.data(), right.data(), 256);
        benchmark::DoNotOptimize(left.data());
    }
}
BENCHMARK(RenderBlocks)->Arg(0)->Arg(1)->Arg(8);

}  // namespace

BENCHMARK_MAIN();
