// Floating selections on the 6000 x 4000 photograph: lifting the whole picture and committing
// it back (plain and colour-keyed) beside one read-and-write pass; the magic wand beside the
// flood fill of the same region plus the key-colour search over its box; an ant step and a
// one-pixel nudge in a 1600 x 1000 view beside repainting the same rectangles without a
// selection; the memory five Select All commands leave held.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>

#include "BenchPhoto.h"
#include "document/VLPicChildWn.h"
#include "document/VLToolVars.h"
#include "raster/ColourMatch.h"
#include "raster/RegionGrowth.h"
#include "selection/PicSelection.h"

using namespace vellum;
using vellum::bench::Photo;
using vellum::bench::PhotoBytes;

namespace {

BENCHMARK(vellum::bench::ReadWritePass)->Unit(benchmark::kMillisecond)->UseRealTime();

void LiftAndCommitWhole(benchmark::State& state)
{
    // Keyed: the colour of the top-left pixel, so the mask has both kinds of entries.
    const TColor key = state.range(0) != 0 ? Photo().PixelColour(0, 0) : TColor(-1);
    vellum::bench::RunOnPhoto(state, [&](TEffectsBitmap& p) {
        TRectPictureSelection selection(&p, key, clWhite, p.BoundsRect());
        selection.Commit();
    });
}
BENCHMARK(LiftAndCommitWhole)->ArgName("keyed")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void FloodFillAndKeySearch(benchmark::State& state)
{
    const int x = static_cast<int>(state.range(0)), y = static_cast<int>(state.range(1));
    const int tolerance = static_cast<int>(state.range(2));
    // The region's box, found once aside.
    TXBitmap copy = Photo();
    TByte2DArray marks;
    const QRect box = GrowRegion(copy, x, y, tolerance, marks, {});
    marks.Release();
    vellum::bench::RunOnPhoto(state, [&](TEffectsBitmap& p) {
        p.FloodFill(x, y, tolerance, RGBColor(1, 2, 3));
        TColor colour = 0;
        benchmark::DoNotOptimize(FindUnusedColourInRect(p, box.left(), box.top(), box.right() + 1, box.bottom() + 1, colour));
    });
}

void MagicWand(benchmark::State& state)
{
    const int x = static_cast<int>(state.range(0)), y = static_cast<int>(state.range(1));
    const int tolerance = static_cast<int>(state.range(2));
    double held = 0;
    vellum::bench::RunOnPhoto(state, [&](TEffectsBitmap& p) {
        TMagicWandPictureSelection selection(&p, clWhite, tolerance, QPoint(x, y));
        const double pixels = double(selection.Image.Width()) * selection.Image.Height();
        // The selection's image and mask, and the region marks its growth used.
        held = (3 * pixels + pixels + double(p.Width()) * p.Height()) / double(PhotoBytes());
    });
    state.counters["extra_in_pictures"] = held;
}

void WandArgs(benchmark::internal::Benchmark* b)
{
    b->Args({3000, 2000, 40})->Args({4500, 3200, 25})->Unit(benchmark::kMillisecond)->UseRealTime();
}
BENCHMARK(MagicWand)->Apply(WandArgs);
BENCHMARK(FloodFillAndKeySearch)->Apply(WandArgs);

class Area : public TDocumentArea {
public:
    [[nodiscard]] QSize AvailableDocumentArea() const override { return {1600, 1000}; }
};

// A document of the photograph whose view surface is 1600 x 1000, at the zoom, centred on
// the photograph's middle; with a 300 x 200 rectangle selection in view when asked.
struct ViewFixture {
    explicit ViewFixture(int zoom, bool selection)
        : document(&Photo(), QStringLiteral("photo"), &area)
    {
        document.resize(1600 + document.NonClientWidth(), 1000 + document.NonClientHeight());
        document.show();
        document.SetZoom(zoom, 3000, 2000);
        const QRect visible = document.PictureScrollBox().VisibleRect();
        bounds = QRect(visible.topLeft() + QPoint(20, 20), QSize(300 / zoom, 200 / zoom));
        if (selection) {
            document.CreateRectSelection(bounds, -1);
            document.Selection()->StopAnts();
        }
    }
    Area area;
    TVLCopyPicChildWin document;
    QRect bounds;
};

void AntStep(benchmark::State& state)
{
    ViewFixture f(static_cast<int>(state.range(0)), true);
    for (auto _ : state)
        f.document.Selection()->AntStep();
}
BENCHMARK(AntStep)->ArgName("zoom")->Arg(1)->Arg(4)->Unit(benchmark::kMicrosecond)->UseRealTime();

void RepaintBoundsWithoutSelection(benchmark::State& state)
{
    ViewFixture f(static_cast<int>(state.range(0)), false);
    for (auto _ : state)
        f.document.PictureScrollBox().RepaintRect(f.bounds, 0);
}
BENCHMARK(RepaintBoundsWithoutSelection)->ArgName("zoom")->Arg(1)->Arg(4)->Unit(benchmark::kMicrosecond)->UseRealTime();

void Nudge(benchmark::State& state)
{
    ViewFixture f(static_cast<int>(state.range(0)), true);
    int step = 1;
    for (auto _ : state) {
        f.document.MoveSelectionTo(f.document.Selection()->Bounds.topLeft() + QPoint(step, 0));
        step = -step;
    }
}
BENCHMARK(Nudge)->ArgName("zoom")->Arg(1)->Arg(4)->Unit(benchmark::kMicrosecond)->UseRealTime();

void RepaintNudgeUnionWithoutSelection(benchmark::State& state)
{
    ViewFixture f(static_cast<int>(state.range(0)), false);
    const QRect united = f.bounds.united(f.bounds.translated(1, 0));
    for (auto _ : state)
        f.document.PictureScrollBox().RepaintRect(united, 0);
}
BENCHMARK(RepaintNudgeUnionWithoutSelection)->ArgName("zoom")->Arg(1)->Arg(4)->Unit(benchmark::kMicrosecond)->UseRealTime();

long residentKilobytes()
{
    QFile status(QStringLiteral("/proc/self/statm"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = status.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLong() * 4 : 0; // resident pages of 4 KB
}

// Five Select All commands: what the document then holds, in pictures (the picture itself,
// the floating selection and the five undo steps with their snapshots).
void FiveSelectAll(benchmark::State& state)
{
    Area area;
    double pictures = 0;
    for (auto _ : state) {
        const long before = residentKilobytes();
        TVLCopyPicChildWin document(&Photo(), QStringLiteral("photo"), &area);
        for (int i = 0; i < 5; ++i)
            document.SelectAll();
        pictures = (residentKilobytes() - before) / (double(PhotoBytes()) / 1024);
    }
    state.counters["held_in_pictures"] = pictures;
}
BENCHMARK(FiveSelectAll)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
