// A full paint of a 1600 x 1000 picture view of the 6000 x 4000 photograph at zoom 1, 4 and 12
// (grid on), beside one copy of the visible pixels: the view renders only what is in view.
// Opening the photograph's JPEG as a document, beside loading the same file into a picture.
#include <cstring>
#include <vector>

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>

#include "BenchPhoto.h"
#include "document/PictureScrollBx.h"
#include "document/VLPicChildWn.h"

using namespace vellum;

namespace {

constexpr int ViewWidth = 1600;
constexpr int ViewHeight = 1000;

void CopyVisiblePixels(benchmark::State& state)
{
    const TXBitmap& photo = vellum::bench::Photo();
    std::vector<std::uint8_t> out(3 * std::size_t(ViewWidth) * ViewHeight);
    for (auto _ : state) {
        for (int y = 0; y < ViewHeight; ++y)
            std::memcpy(out.data() + 3 * std::size_t(ViewWidth) * y, photo.ScanLine(1000 + y) + 3 * 2000,
                        3 * std::size_t(ViewWidth));
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(CopyVisiblePixels)->Unit(benchmark::kMillisecond)->UseRealTime();

void FullPaint(benchmark::State& state)
{
    TPictureScrollBox view;
    view.setFrameStyle(QFrame::NoFrame);
    view.resize(ViewWidth, ViewHeight);
    view.show();
    view.SetBitmap(&vellum::bench::Photo());
    view.SetZoom(static_cast<int>(state.range(0)), 3000, 2000);
    for (auto _ : state)
        view.Repaint();
    state.counters["visible_pixels"] = double(view.VisibleRect().width()) * view.VisibleRect().height();
}
BENCHMARK(FullPaint)->Arg(1)->Arg(4)->Arg(12)->Unit(benchmark::kMillisecond)->UseRealTime();

QString photoJpeg()
{
    return QDir::homePath() + QStringLiteral("/.cache/vellum-photos/big/photo-6000x4000.jpg");
}

class Area : public TDocumentArea {
public:
    [[nodiscard]] QSize AvailableDocumentArea() const override { return {1600, 1000}; }
};

void LoadJpeg(benchmark::State& state)
{
    if (!QFileInfo::exists(photoJpeg())) {
        state.SkipWithError("the photograph is not built (bench/compare.sh builds it)");
        return;
    }
    for (auto _ : state) {
        TXBitmap picture;
        picture.LoadPicture(photoJpeg());
        benchmark::DoNotOptimize(picture.ScanLine(0));
    }
}
BENCHMARK(LoadJpeg)->Unit(benchmark::kMillisecond)->UseRealTime();

void OpenJpegDocument(benchmark::State& state)
{
    if (!QFileInfo::exists(photoJpeg())) {
        state.SkipWithError("the photograph is not built (bench/compare.sh builds it)");
        return;
    }
    Area area;
    for (auto _ : state) {
        TVLFilePicChildWin document(photoJpeg(), &area);
        benchmark::DoNotOptimize(document.Picture().ScanLine(0));
    }
}
BENCHMARK(OpenJpegDocument)->Unit(benchmark::kMillisecond)->UseRealTime();

long residentKilobytes()
{
    QFile status(QStringLiteral("/proc/self/statm"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = status.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLong() * 4 : 0; // resident pages of 4 KB
}

// Five undo steps of the photograph: the memory the document then holds, in pictures (the
// picture itself and what the five steps added).
void FiveUndoSteps(benchmark::State& state)
{
    if (!QFileInfo::exists(photoJpeg())) {
        state.SkipWithError("the photograph is not built (bench/compare.sh builds it)");
        return;
    }
    Area area;
    double pictures = 0;
    for (auto _ : state) {
        TVLFilePicChildWin document(photoJpeg(), &area);
        const long before = residentKilobytes();
        for (int i = 0; i < 5; ++i)
            document.GreyScale();
        const double pictureKb = 3.0 * document.Picture().Width() * document.Picture().Height() / 1024;
        pictures = 1 + (residentKilobytes() - before) / pictureKb;
    }
    state.counters["held_in_pictures"] = pictures;
}
BENCHMARK(FiveUndoSteps)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

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
