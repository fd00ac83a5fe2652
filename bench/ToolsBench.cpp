// The drawing tools on the 6000 x 4000 photograph in a 1600 x 1000 view: a 30-pixel move of a
// round pen of width 60 with the paint it causes, beside the same PenStroke alone (and, zoomed,
// a memcpy of the zoomed touched rectangle); the same move on a 600 x 400 picture in a 400 x 300
// view; a press beside one memcpy of the picture; the spray can's tick period over 500 real
// ticks and the work of one tick.
#include <chrono>
#include <cstring>
#include <vector>

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>

#include "BenchPhoto.h"
#include "document/SprayCan.h"
#include "document/VLPicChildWn.h"
#include "document/VLToolVars.h"
#include "raster/Canvas.h"

using namespace vellum;
using vellum::bench::Photo;
using vellum::bench::PhotoBytes;

namespace {

BENCHMARK(vellum::bench::ReadWritePass)->Unit(benchmark::kMillisecond)->UseRealTime();

class Area : public TDocumentArea {
public:
    [[nodiscard]] QSize AvailableDocumentArea() const override { return {1600, 1000}; }
};

void setPen()
{
    ResetToolSettings();
    ToolSettings().PenWidth = 60;
    ToolSettings().SprayCan.Width = 60;
    BuildToolShapes(ToolSettings());
}

// A document of the picture whose view surface is the size, at the zoom, centred.
struct ViewFixture {
    ViewFixture(const TXBitmap& picture, QSize view, int zoom)
        : document(&picture, QStringLiteral("photo"), &area)
    {
        document.show();
        document.SetZoom(zoom, picture.Width() / 2, picture.Height() / 2);
        // Zooming fits the window to the picture: the view is sized afterwards.
        document.resize(view.width() + document.NonClientWidth(), view.height() + document.NonClientHeight());
        document.CentreOn(picture.Width() / 2, picture.Height() / 2);
        QCoreApplication::processEvents();
    }
    void send(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held)
    {
        QWidget* surface = document.PictureScrollBox().viewport();
        QMouseEvent event(type, QPointF(at), surface->mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
        QCoreApplication::sendEvent(surface, &event);
    }
    Area area;
    TVLCopyPicChildWin document;
};

const TXBitmap& smallPicture()
{
    static const TXBitmap picture = vellum::bench::SyntheticPhoto(600, 400);
    return picture;
}

// One 30-pixel move of the held pen and the paint it causes, back and forth.
void PenMove(benchmark::State& state)
{
    setPen();
    const int zoom = static_cast<int>(state.range(0));
    // small: 1 the small picture in the small view; 2 the small picture in the large view.
    const bool small = state.range(1) == 1;
    const bool smallPictureOnly = state.range(1) == 2;
    ViewFixture f(small || smallPictureOnly ? smallPicture() : Photo(), small ? QSize(400, 300) : QSize(1600, 1000),
                  zoom);
    const QSize surface = f.document.PictureScrollBox().viewport()->size();
    state.counters["view_width"] = surface.width();
    state.counters["view_height"] = surface.height();
    const TXBitmap& picture = f.document.PictureScrollBox().Bitmap();
    const QPoint centre = f.document.PictureScrollBox().PictureToView(QPoint(picture.Width() / 2, picture.Height() / 2));
    f.send(QEvent::MouseButtonPress, centre, Qt::LeftButton, Qt::LeftButton);
    QCoreApplication::processEvents();
    int step = 30 * zoom;
    QPoint at = centre;
    for (auto _ : state) {
        at.rx() += step;
        step = -step;
        f.send(QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton);
        QCoreApplication::processEvents();
    }
    f.send(QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
}
BENCHMARK(PenMove)->ArgNames({"zoom", "small"})->Args({1, 0})->Args({8, 0})->Args({1, 1})->Args({8, 1})
    ->Args({1, 2})->Args({8, 2})
    ->Unit(benchmark::kMicrosecond)->UseRealTime();

// The same segment's PenStroke alone, plus with zoom > 1 one memcpy of the zoomed touched rectangle.
void PenStrokeAlone(benchmark::State& state)
{
    setPen();
    const int zoom = static_cast<int>(state.range(0));
    TEffectsBitmap picture{TXBitmap(Photo())};
    picture.SetPenShape(&ToolSettings().PenShape);
    picture.Canvas().Pen.Width = 60;
    picture.SetPenColour(clBlack);
    const int x = 3000, y = 2000;
    // The touched rectangle: the segment grown by width div 2 + 1, zoomed.
    const std::size_t bytes = zoom > 1 ? std::size_t(3) * (30 + 62) * zoom * 62 * zoom : 0;
    std::vector<std::uint8_t> from(bytes + 1), to(bytes + 1);
    int step = 30;
    int at = x;
    for (auto _ : state) {
        picture.PenStroke(at, y, at + step, y);
        at += step;
        step = -step;
        if (bytes > 0)
            std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
    }
}
BENCHMARK(PenStrokeAlone)->ArgName("zoom")->Arg(1)->Arg(8)->Unit(benchmark::kMicrosecond)->UseRealTime();

// A pen press (with its undo copy of the picture) and its release.
void PenPress(benchmark::State& state)
{
    setPen();
    ViewFixture f(Photo(), QSize(1600, 1000), 1);
    // A full history first: the steady state of a session.
    for (int i = 0; i < TVLUndoActionFactory::MaxActions; ++i) {
        f.send(QEvent::MouseButtonPress, QPoint(800, 500), Qt::LeftButton, Qt::LeftButton);
        f.send(QEvent::MouseButtonRelease, QPoint(800, 500), Qt::LeftButton, Qt::NoButton);
    }
    for (auto _ : state) {
        f.send(QEvent::MouseButtonPress, QPoint(800, 500), Qt::LeftButton, Qt::LeftButton);
        state.PauseTiming();
        f.send(QEvent::MouseButtonRelease, QPoint(800, 500), Qt::LeftButton, Qt::NoButton);
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(PenPress)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);

// 500 real ticks of a spray can of width 60 held still: the mean period against the interval
// (counter period_ratio) and the mean work of a tick against it (counter work_ratio).
void SprayTicks(benchmark::State& state)
{
    setPen();
    const int zoom = static_cast<int>(state.range(0));
    ToolSettings().Tool = TTool::SprayCan;
    ViewFixture f(Photo(), QSize(1600, 1000), zoom);
    const int interval = ToolSettings().SprayCan.Interval;
    double periodRatio = 0, workRatio = 0;
    for (auto _ : state) {
        f.send(QEvent::MouseButtonPress, QPoint(800, 500), Qt::LeftButton, Qt::LeftButton);
        TSprayCan* can = f.document.SprayCan();
        int ticks = 0;
        qint64 work = 0;
        QElapsedTimer clock;
        QObject::connect(&can->Timer(), &QTimer::timeout, [&] { ++ticks; });
        clock.start();
        while (ticks < 500)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        const qint64 elapsed = clock.nsecsElapsed();
        for (int i = 0; i < 100; ++i) {
            QElapsedTimer one;
            one.start();
            can->Tick();
            QCoreApplication::processEvents();
            work += one.nsecsElapsed();
        }
        f.send(QEvent::MouseButtonRelease, QPoint(800, 500), Qt::LeftButton, Qt::NoButton);
        periodRatio = double(elapsed) / 500 / (interval * 1e6);
        workRatio = double(work) / 100 / (interval * 1e6);
    }
    state.counters["period_ratio"] = periodRatio;
    state.counters["work_ratio"] = workRatio;
}
BENCHMARK(SprayTicks)->ArgName("zoom")->Arg(1)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

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
