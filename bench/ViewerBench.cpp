// The Viewer following a scroll of a zoomed-in document, on the 6000 x 4000 photograph and on a
// 600 x 400 picture, beside one memcpy of the Viewer's buffer: what the Viewer does is drawn at
// 1:1, so it must not grow with the picture. Offscreen.
#include <cstring>
#include <vector>

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMainWindow>
#include <QTemporaryDir>
#include <QToolButton>

#include "BenchPhoto.h"
#include "app/VLGlobal.h"
#include "app/ViewerFrm.h"
#include "selection/PicSelection.h"

using namespace vellum;

namespace {

TViewerForm* g_viewer = nullptr;

std::size_t bufferBytes()
{
    return static_cast<std::size_t>(g_viewer->Buffer().BytesPerLine()) * g_viewer->Buffer().Height();
}

void MemcpyViewerBuffer(benchmark::State& state)
{
    g_viewer->SetPicture(&bench::Photo());
    g_viewer->SetViewRect(QRect(3000, 2000, 50, 40));
    std::vector<std::uint8_t> from(bufferBytes(), 1);
    std::vector<std::uint8_t> to(bufferBytes());
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), from.size());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(MemcpyViewerBuffer)->Unit(benchmark::kMicrosecond)->UseRealTime();

// A document at 8:1 scrolled by a step each time, as a drag in it reports; the frame shows.
void scrolling(benchmark::State& state, const TXBitmap& picture)
{
    g_viewer->Detach(false);
    g_viewer->SetPicture(&picture);
    const int cx = picture.Width() / 2;
    const int cy = picture.Height() / 2;
    int step = 0;
    for (auto _ : state) {
        step = (step + 1) % 16;
        g_viewer->SetViewRect(QRect(cx - 25 + step, cy - 20 + step, 50, 40));
        benchmark::DoNotOptimize(g_viewer->Buffer().ScanLine(0));
    }
}

void ViewRectOnPhoto(benchmark::State& state)
{
    scrolling(state, bench::Photo());
}
BENCHMARK(ViewRectOnPhoto)->Unit(benchmark::kMicrosecond)->UseRealTime();

void ViewRectOnSmallPicture(benchmark::State& state)
{
    static const TXBitmap small = bench::SyntheticPhoto(600, 400);
    scrolling(state, small);
}
BENCHMARK(ViewRectOnSmallPicture)->Unit(benchmark::kMicrosecond)->UseRealTime();

// A pen step on the photograph: the picture changed, the view did not.
void PictureChangeOnPhoto(benchmark::State& state)
{
    g_viewer->Detach(false);
    g_viewer->SetPicture(&bench::Photo());
    g_viewer->SetViewRect(QRect(3000, 2000, 50, 40));
    for (auto _ : state) {
        g_viewer->Redraw();
        benchmark::DoNotOptimize(g_viewer->Buffer().ScanLine(0));
    }
}
BENCHMARK(PictureChangeOnPhoto)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The same pen step with a floating selection of 200 x 150 pixels in view, drawn over the
// picture.
void PictureChangeWithSelection(benchmark::State& state)
{
    static TEffectsBitmap picture = [] {
        TEffectsBitmap p;
        p.Assign(bench::SyntheticPhoto(600, 400));
        return p;
    }();
    static const TXBitmap piece = bench::SyntheticPhoto(200, 150);
    TBitmapPictureSelection selection(&picture, -1, QPoint(200, 120), &piece);
    g_viewer->Detach(false);
    g_viewer->SetPicture(&picture);
    g_viewer->SetSelection(&selection);
    g_viewer->SetViewRect(QRect(280, 180, 50, 40));
    for (auto _ : state) {
        g_viewer->Redraw();
        benchmark::DoNotOptimize(g_viewer->Buffer().ScanLine(0));
    }
    g_viewer->Detach(false);
}
BENCHMARK(PictureChangeWithSelection)->Unit(benchmark::kMicrosecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    TVLGlobal global(dir.path());
    QMainWindow mainWindow;
    mainWindow.resize(700, 500);
    mainWindow.show();
    TViewerForm viewer(&mainWindow, QString());
    viewer.FrameSB()->click();
    viewer.show();
    QCoreApplication::processEvents();
    g_viewer = &viewer;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    viewer.Detach(false);
    return 0;
}
