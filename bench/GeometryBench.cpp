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

std::size_t photoBytes()
{
    return 3 * static_cast<std::size_t>(Photo().Width()) * Photo().Height();
}

void ReadWritePass(benchmark::State& state)
{
    const std::size_t bytes = photoBytes();
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

void ReadPass(benchmark::State& state)
{
    const std::size_t words = photoBytes() / 8;
    std::vector<std::uint64_t> from(words, 1);
    for (auto _ : state) {
        std::uint64_t sum = std::accumulate(from.begin(), from.end(), std::uint64_t{0});
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * words * 8));
}
BENCHMARK(ReadPass)->Unit(benchmark::kMillisecond)->UseRealTime();

// Times the operation on a fresh copy of the picture each time; the copy is not timed.
void RunOperation(benchmark::State& state, const std::function<void(TEffectsBitmap&)>& operation)
{
    for (auto _ : state) {
        state.PauseTiming();
        TEffectsBitmap picture{TXBitmap(Photo())};
        state.ResumeTiming();
        operation(picture);
        benchmark::DoNotOptimize(picture.ScanLine(0));
    }
}

#define OPERATION(name, body)                                                                                         \
    void name(benchmark::State& state) { RunOperation(state, [](TEffectsBitmap& p) { body; }); }                        \
    BENCHMARK(name)->Unit(benchmark::kMillisecond)->UseRealTime()

const int W = 6000;
const int H = 4000;

OPERATION(Flip, p.Flip());
OPERATION(Mirror, p.Mirror());
OPERATION(Rotate90, p.Rotate(90, clWhite));
OPERATION(Rotate30, p.Rotate(30, clWhite));
OPERATION(Resize50, p.Resize(W / 2, H / 2));
OPERATION(Resize200, p.Resize(W * 2, H * 2));
OPERATION(Resample50, p.Resample(W / 2, H / 2));
OPERATION(Resample150, p.Resample(W * 3 / 2, H * 3 / 2));
OPERATION(EnlargeCanvas, p.EnlargeCanvas(W + 400, H + 300, true, clWhite));
OPERATION(ScaleDownThumbnail, ScaleDown(p, 94, 63));

// A pen of the given shape and width, as the painting tools set it up.
void readyPen(TEffectsBitmap& p, int width)
{
    TXBitmap shape;
    BuildPenShape(shape, PenShapeRound, width);
    p.Canvas().Pen.Width = width;
    p.SetPenShape(&shape);
    p.SetPenColour(RGBColor(200, 30, 60));
}

OPERATION(PenStrokeWidth60, readyPen(p, 60); p.PenStroke(0, 0, W - 1, H - 1));
OPERATION(SmudgeStrokeWidth30, readyPen(p, 30); p.SmudgeStroke(0, H - 1, W - 1, 0, 80));

} // namespace

BENCHMARK_MAIN();
