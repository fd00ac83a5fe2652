// The colour effects, the flood fill and the unused-colour search on the 6000 x 4000 picture,
// beside one read-and-write pass over the same bytes (the memory-bandwidth floor the point
// effects are measured against).
#include <cstring>
#include <functional>
#include <vector>

#include <benchmark/benchmark.h>

#include "BenchPhoto.h"
#include "raster/ColourMatch.h"
#include "raster/EffectsBitmap.h"

using namespace vellum;
using vellum::bench::Photo;

namespace {

void ReadWritePass(benchmark::State& state)
{
    const std::size_t bytes = 3 * static_cast<std::size_t>(Photo().Width()) * Photo().Height();
    std::vector<std::uint8_t> from(bytes, 1);
    std::vector<std::uint8_t> to(bytes, 2);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}
BENCHMARK(ReadWritePass)->Unit(benchmark::kMillisecond)->UseRealTime();

// Times the effect on a fresh copy of the picture each time; the copy is not timed.
void RunEffect(benchmark::State& state, const std::function<void(TEffectsBitmap&)>& effect)
{
    for (auto _ : state) {
        state.PauseTiming();
        TEffectsBitmap picture{TXBitmap(Photo())};
        state.ResumeTiming();
        effect(picture);
        benchmark::DoNotOptimize(picture.ScanLine(0));
    }
}

#define EFFECT(name, body)                                                                                            \
    void name(benchmark::State& state) { RunEffect(state, [](TEffectsBitmap& p) { body; }); }                           \
    BENCHMARK(name)->Unit(benchmark::kMillisecond)->UseRealTime()

EFFECT(Negative, p.Negative());
EFFECT(Brighten, p.Brighten(30));
EFFECT(AdjustRGB, p.AdjustRGB(20, -10, 5));
EFFECT(GreyScale, p.GreyScale());
EFFECT(GammaCorrect, p.GammaCorrect(1.6));
EFFECT(ReplaceColour, p.ReplaceColour(RGBColor(60, 60, 60), clWhite, 20));
EFFECT(BlurRadius5, p.Blur(5.0));
EFFECT(BlurRadius20, p.Blur(20.0));
EFFECT(FloodFillTolerance40, p.FloodFill(3000, 2000, 40, RGBColor(255, 0, 255)));

void FindUnusedColourBench(benchmark::State& state)
{
    for (auto _ : state) {
        TColor colour = 0;
        benchmark::DoNotOptimize(FindUnusedColour(Photo(), nullptr, colour));
    }
}
BENCHMARK(FindUnusedColourBench)->Name("FindUnusedColour")->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
