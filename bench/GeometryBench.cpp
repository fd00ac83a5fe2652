// The geometry operations, the box reduction and long pen strokes on the 6000 x 4000 picture,
// beside one read-and-write pass and one read pass over the same bytes (the memory floors that
// flip, mirror, the quarter turn and the thumbnail reduction are measured against).
#include <cstring>
#include <functional>
#include <numeric>
#include <vector>

#include <benchmark/benchmark.h>

#include "BenchPhoto.h"
#include "raster/Canvas.h"
#include "raster/EffectsBitmap.h"
#include "raster/ScaleDown.h"

using namespace vellum;
using vellum::bench::Photo;

namespace {

BENCHMARK(vellum::bench::ReadWritePass)->Name("ReadWritePass")->Unit(benchmark::kMillisecond)->UseRealTime();

void ReadPass(benchmark::State& state)
{
    const std::size_t words = vellum::bench::PhotoBytes() / 8;
    std::vector<std::uint64_t> from(words, 1);
    for (auto _ : state) {
        std::uint64_t sum = std::accumulate(from.begin(), from.end(), std::uint64_t{0});
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * words * 8));
}
BENCHMARK(ReadPass)->Unit(benchmark::kMillisecond)->UseRealTime();

const int W = 6000;
const int H = 4000;

VELLUM_PHOTO_BENCHMARK(Flip, p.Flip());
VELLUM_PHOTO_BENCHMARK(Mirror, p.Mirror());
VELLUM_PHOTO_BENCHMARK(Rotate90, p.Rotate(90, clWhite));
VELLUM_PHOTO_BENCHMARK(Rotate30, p.Rotate(30, clWhite));
VELLUM_PHOTO_BENCHMARK(Resize50, p.Resize(W / 2, H / 2));
VELLUM_PHOTO_BENCHMARK(Resize200, p.Resize(W * 2, H * 2));
VELLUM_PHOTO_BENCHMARK(Resample50, p.Resample(W / 2, H / 2));
VELLUM_PHOTO_BENCHMARK(Resample150, p.Resample(W * 3 / 2, H * 3 / 2));
VELLUM_PHOTO_BENCHMARK(EnlargeCanvas, p.EnlargeCanvas(W + 400, H + 300, true, clWhite));
VELLUM_PHOTO_BENCHMARK(ScaleDownThumbnail, ScaleDown(p, 94, 63));

// A pen of the given shape and width, as the painting tools set it up.
void readyPen(TEffectsBitmap& p, int width)
{
    TXBitmap shape;
    BuildPenShape(shape, PenShapeRound, width);
    p.Canvas().Pen.Width = width;
    p.SetPenShape(&shape);
    p.SetPenColour(RGBColor(200, 30, 60));
}

VELLUM_PHOTO_BENCHMARK(PenStrokeWidth60, readyPen(p, 60); p.PenStroke(0, 0, W - 1, H - 1));
VELLUM_PHOTO_BENCHMARK(SmudgeStrokeWidth30, readyPen(p, 30); p.SmudgeStroke(0, H - 1, W - 1, 0, 80));

} // namespace

BENCHMARK_MAIN();
