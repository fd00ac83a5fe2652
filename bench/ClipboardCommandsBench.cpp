// The clipboard commands on the 6000 x 4000 picture and the Clipboard Viewer over ten
// 3000 x 2000 pictures, each beside its yardstick: one memcpy pass over the same bytes, and the
// decoding of the clipboard's first item alone. Offscreen; the offscreen platform's clipboard
// stands in for the system's.
#include <cstring>
#include <vector>

#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QPainter>
#include <QScrollArea>
#include <QTemporaryDir>

#include "BenchPhoto.h"
#include "app/VLClipbrdViewer.h"
#include "app/VLGlobal.h"
#include "app/VLMain.h"
#include "clipboard/VLClipbrd.h"
#include "document/VLPicChildWn.h"

using namespace vellum;

namespace {

TVLClipboard* g_store = nullptr;
TVellumMain* g_main = nullptr;

// One memcpy pass over bytes the size of the photograph's pixels.
void MemcpyPhoto(benchmark::State& state)
{
    std::vector<std::uint8_t> from(bench::PhotoBytes(), 1);
    std::vector<std::uint8_t> to(bench::PhotoBytes());
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), from.size());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(MemcpyPhoto)->Unit(benchmark::kMillisecond)->UseRealTime();

// The photograph alone on the clipboard, as this program puts it there.
void putPhoto()
{
    QGuiApplication::clipboard()->clear();
    g_store->CopyPlainPicture(&bench::Photo());
}

void GetFirstItemOfPhoto(benchmark::State& state)
{
    putPhoto();
    const QByteArray bytes =
        QGuiApplication::clipboard()->mimeData()->data(QLatin1String(TVLClipboard::PrivateFormatName));
    for (auto _ : state) {
        TVLClipboardStream stream(bytes);
        TXBitmap picture;
        std::int32_t tag = 0;
        stream.GetFirstItem(picture, tag);
        benchmark::DoNotOptimize(picture.ScanLine(0));
    }
}
BENCHMARK(GetFirstItemOfPhoto)->Unit(benchmark::kMillisecond)->UseRealTime();

void closeDocuments()
{
    for (QMdiSubWindow* window : g_main->ClientArea()->subWindowList()) {
        if (auto* doc = qobject_cast<TVLPicChildWin*>(window))
            doc->SetModified(false);
        window->close();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void PasteAsNewPhoto(benchmark::State& state)
{
    putPhoto();
    for (auto _ : state) {
        g_main->ActPasteAsNew()->trigger();
        state.PauseTiming();
        if (g_main->ClientArea()->subWindowList().size() != 1)
            state.SkipWithError("no new picture");
        closeDocuments();
        state.ResumeTiming();
    }
}
BENCHMARK(PasteAsNewPhoto)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// Into a small picture: the photograph becomes its floating selection. Between rounds the
// selection is undone away, so that no round commits the one before.
void PasteIntoPicturePhoto(benchmark::State& state)
{
    putPhoto();
    TVLPicChildWin* doc = g_main->NewPicture(64, 48, clWhite);
    for (auto _ : state) {
        g_main->ActPasteIntoPic()->trigger();
        state.PauseTiming();
        if (doc->Selection() == nullptr || doc->Selection()->Image.Width() != 6000)
            state.SkipWithError("no pasted selection");
        doc->UndoLast();
        state.ResumeTiming();
    }
    closeDocuments();
}
BENCHMARK(PasteIntoPicturePhoto)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void CopyPhotoOntoEmptyClipboard(benchmark::State& state)
{
    TVLPicChildWin* doc = g_main->NewPicture(16, 16, clWhite);
    doc->Picture().Assign(bench::Photo());
    for (auto _ : state) {
        state.PauseTiming();
        QGuiApplication::clipboard()->clear();
        state.ResumeTiming();
        g_main->ActCopyPic()->trigger();
    }
    closeDocuments();
}
BENCHMARK(CopyPhotoOntoEmptyClipboard)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// Ten 3000 x 2000 pictures, and one memcpy pass over all of them.
void putTen()
{
    QGuiApplication::clipboard()->clear();
    TXBitmap picture = bench::SyntheticPhoto(3000, 2000);
    for (int i = 0; i < 10; ++i) {
        picture.ScanLine(0)[0] = static_cast<std::uint8_t>(i);
        g_store->CopyPlainPicture(&picture);
    }
}

void MemcpyTen(benchmark::State& state)
{
    const std::size_t bytes = std::size_t(10) * 3000 * 2000 * 3;
    std::vector<std::uint8_t> from(bytes, 1);
    std::vector<std::uint8_t> to(bytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(MemcpyTen)->Unit(benchmark::kMillisecond)->UseRealTime();

void ViewerRefreshTen(benchmark::State& state)
{
    putTen();
    TCbViewerForm* viewer = g_main->CbViewer();
    viewer->show();
    for (auto _ : state) {
        viewer->Refresh();
        if (viewer->Items().Count() != 10)
            state.SkipWithError("the viewer does not hold ten pictures");
    }
    viewer->hide();
}
BENCHMARK(ViewerRefreshTen)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// A scroll step of a large tab exposes a strip; painting it beside copying its pixels.
constexpr QRect ExposedStrip(0, 0, 32, 400);

void PaintExposedStrip(benchmark::State& state)
{
    putPhoto();
    TCbViewerForm* viewer = g_main->CbViewer();
    viewer->resize(300, 460);
    viewer->show();
    QImage target(ExposedStrip.size(), QImage::Format_RGB32);
    for (auto _ : state) {
        viewer->CbItemImage()->render(&target, QPoint(), QRegion(ExposedStrip));
        benchmark::DoNotOptimize(target.constBits());
    }
    viewer->hide();
}
BENCHMARK(PaintExposedStrip)->Unit(benchmark::kMicrosecond)->UseRealTime();

void CopyExposedStrip(benchmark::State& state)
{
    const QImage source(6000, 4000, QImage::Format_RGB32);
    QImage target(ExposedStrip.size(), QImage::Format_RGB32);
    for (auto _ : state) {
        for (int y = 0; y < ExposedStrip.height(); ++y)
            std::memcpy(target.scanLine(y), source.constScanLine(y), std::size_t(ExposedStrip.width()) * 4);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(CopyExposedStrip)->Unit(benchmark::kMicrosecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    TVLGlobal global(dir.path());
    TVLClipboard store(ClipboardChangedMessage);
    g_store = &store;
    TVellumMain mainWindow;
    mainWindow.show();
    g_main = &mainWindow;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    closeDocuments();
    QGuiApplication::clipboard()->clear();
    return 0;
}
