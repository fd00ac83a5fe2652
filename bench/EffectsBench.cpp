// The colour effects, the flood fill and the unused-colour search on the 6000 x 4000 picture,
// beside one read-and-write pass over the same bytes (the memory-bandwidth floor the point
// effects are measured against).
#include <benchmark/benchmark.h>

#include "BenchPhoto.h"
#include "raster/ColourMatch.h"
#include "raster/EffectsBitmap.h"

using namespace vellum;
using vellum::bench::Photo;

namespace {

BENCHMARK(vellum::bench::ReadWritePass)->Name("ReadWritePass")->Unit(benchmark::kMillisecond)->UseRealTime();

VELLUM_PHOTO_BENCHMARK(Negative, p.Negative());
VELLUM_PHOTO_BENCHMARK(Brighten, p.Brighten(30));
VELLUM_PHOTO_BENCHMARK(AdjustRGB, p.AdjustRGB(20, -10, 5));
VELLUM_PHOTO_BENCHMARK(GreyScale, p.GreyScale());
VELLUM_PHOTO_BENCHMARK(GammaCorrect, p.GammaCorrect(1.6));
VELLUM_PHOTO_BENCHMARK(ReplaceColour, p.ReplaceColour(RGBColor(60, 60, 60), clWhite, 20));
VELLUM_PHOTO_BENCHMARK(BlurRadius5, p.Blur(5.0));
VELLUM_PHOTO_BENCHMARK(BlurRadius20, p.Blur(20.0));
VELLUM_PHOTO_BENCHMARK(FloodFillTolerance40, p.FloodFill(3000, 2000, 40, RGBColor(255, 0, 255)));

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
