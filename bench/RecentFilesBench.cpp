// The recent-files menu and the open dialog's preview against their floors: the 6000 x 4000
// photograph stored as a quality 90 JPEG, decoded by libjpeg-turbo at 1/8 into a buffer; and a
// plain QMenu with the same captions and icons.
#include <csetjmp>
#include <cmath>
#include <cstdio>

#include <jpeglib.h>

#include <QApplication>
#include <QMenu>
#include <QPainter>
#include <QTemporaryDir>

#include "BenchPhoto.h"
#include "browser/RFPicPopupMenu.h"
#include "browser/RecentThumbnail.h"
#include "browser/XExtDlgs.h"
#include "raster/ScaleDown.h"

namespace {

using namespace vellum;

QTemporaryDir& folder()
{
    static QTemporaryDir dir;
    return dir;
}

const QString& photoJpeg()
{
    static const QString path = [] {
        const QString file = folder().filePath(QStringLiteral("photo.jpg"));
        bench::Photo().SavePicture(file);
        return file;
    }();
    return path;
}

// libjpeg-turbo alone: the file decoded at 1/8, every scanline into one buffer.
void DecodeEighth(benchmark::State& state)
{
    const QByteArray path = photoJpeg().toLocal8Bit();
    for (auto _ : state) {
        FILE* file = std::fopen(path.constData(), "rb");
        jpeg_decompress_struct info{};
        jpeg_error_mgr errors{};
        info.err = jpeg_std_error(&errors);
        jpeg_create_decompress(&info);
        jpeg_stdio_src(&info, file);
        jpeg_read_header(&info, TRUE);
        info.scale_num = 1;
        info.scale_denom = 8;
        jpeg_start_decompress(&info);
        std::vector<JSAMPLE> pixels(std::size_t(info.output_width) * info.output_components * info.output_height);
        while (info.output_scanline < info.output_height) {
            JSAMPROW row = pixels.data() + std::size_t(info.output_scanline) * info.output_width * info.output_components;
            jpeg_read_scanlines(&info, &row, 1);
        }
        jpeg_finish_decompress(&info);
        jpeg_destroy_decompress(&info);
        std::fclose(file);
        benchmark::DoNotOptimize(pixels.data());
    }
}
BENCHMARK(DecodeEighth)->Unit(benchmark::kMillisecond)->UseRealTime();

void MakeRecentThumbnailJpeg(benchmark::State& state)
{
    const QString path = photoJpeg();
    TXBitmap thumbnail;
    for (auto _ : state)
        benchmark::DoNotOptimize(MakeRecentThumbnail(path, thumbnail));

    // How close the reduced decode comes to the thumbnail of the full decode.
    TXBitmap full;
    full.LoadPicture(path);
    TXBitmap exact;
    ScaleDownTo(full, exact, thumbnail.Width(), thumbnail.Height());
    double squares = 0;
    for (int y = 0; y < exact.Height(); ++y)
        for (int x = 0; x < 3 * exact.Width(); ++x) {
            const double d = double(exact.ScanLine(y)[x]) - double(thumbnail.ScanLine(y)[x]);
            squares += d * d;
        }
    const double mse = squares / (3.0 * exact.Width() * exact.Height());
    state.counters["psnr_db"] = mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}
BENCHMARK(MakeRecentThumbnailJpeg)->Unit(benchmark::kMillisecond)->UseRealTime();

void LoadPictureJpeg(benchmark::State& state)
{
    const QString path = photoJpeg();
    for (auto _ : state) {
        TXBitmap picture;
        picture.LoadPicture(path);
        benchmark::DoNotOptimize(picture.ScanLine(0));
    }
}
BENCHMARK(LoadPictureJpeg)->Unit(benchmark::kMillisecond)->UseRealTime();

void OpenDialogPreview(benchmark::State& state)
{
    const QString path = photoJpeg();
    const QSize panel(164, 338);
    for (auto _ : state)
        benchmark::DoNotOptimize(TXCustomOpenPictureDialog::MakePreview(path, panel, false));
}
BENCHMARK(OpenDialogPreview)->Unit(benchmark::kMillisecond)->UseRealTime();

// Ten small pictures with their thumbnails made.
QStringList tenPictures()
{
    QStringList files;
    for (int i = 0; i < 10; ++i) {
        const QString file = folder().filePath(QStringLiteral("recent-%1.bmp").arg(i));
        bench::SyntheticPhoto(200 + 10 * i, 150).SavePicture(file);
        files << file;
    }
    return files;
}

void PaintMenu(QMenu& menu)
{
    menu.ensurePolished();
    menu.adjustSize();
    QImage surface(menu.sizeHint(), QImage::Format_RGB32);
    menu.render(&surface);
    benchmark::DoNotOptimize(surface.bits());
}

void RecentFilesPopup(benchmark::State& state)
{
    TRecentFilesPicPopupMenu menu;
    menu.SetMaxFileList(10);
    for (const QString& file : tenPictures())
        menu.AddRecentFile(file);
    menu.FinishThumbnails();
    for (auto _ : state) {
        menu.UpdateEntries();
        PaintMenu(menu);
    }
}
BENCHMARK(RecentFilesPopup)->Unit(benchmark::kMicrosecond)->UseRealTime();

void PlainMenuWithIcons(benchmark::State& state)
{
    QMenu menu;
    const QPixmap icon(80, 70);
    for (const QString& file : tenPictures())
        menu.addAction(QIcon(icon), file);
    for (auto _ : state)
        PaintMenu(menu);
}
BENCHMARK(PlainMenuWithIcons)->Unit(benchmark::kMicrosecond)->UseRealTime();

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
