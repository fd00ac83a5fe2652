// The print preview on the 6000 x 4000 photograph, each against its yardstick:
// - a redraw that rescales, against one box reduction of the photograph to the preview frame's
//   size; a redraw at the same size, a paint of the surface and one drag step against the same
//   reduction (they must not pass over the picture);
// - opening the dialog on the photograph less opening it on a 60 x 40 picture, against that
//   reduction;
// - printing to a PDF file, against a bare QPainter drawing the same image with the same hints.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QPrinter>
#include <QTemporaryDir>

#include "BenchPhoto.h"
#include "print/PrintPreviewDlg.h"
#include "raster/ScaleDown.h"

using namespace vellum;

namespace {

std::unique_ptr<QPrinter> a4Printer(const QString& file)
{
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(file);
    printer->setResolution(600);
    printer->setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(10, 10, 10, 10),
                                       QPageLayout::Millimeter));
    return printer;
}

QString scratch(const char* name)
{
    static QTemporaryDir folder;
    return folder.filePath(QString::fromLatin1(name));
}

void ReduceToPreview(benchmark::State& state)
{
    TPrintPreviewDialog dialog(nullptr, QString(), &bench::Photo(), a4Printer(scratch("a.pdf")));
    const QSize size = dialog.Layout().PictureRectP().size();
    TXBitmap reduced;
    for (auto _ : state) {
        ScaleDownTo(bench::Photo(), reduced, size.width(), size.height());
        benchmark::DoNotOptimize(reduced.ScanLine(0));
    }
    state.counters["width"] = size.width();
}
BENCHMARK(ReduceToPreview)->Unit(benchmark::kMillisecond)->UseRealTime();

void RedrawWithRescale(benchmark::State& state)
{
    TPrintPreviewDialog dialog(nullptr, QString(), &bench::Photo(), a4Printer(scratch("a.pdf")));
    TPageLayout& layout = dialog.Layout();
    layout.SetFitToPage(false);
    const int widths[2] = {layout.PrintWidth(), layout.PrintWidth() - 200};
    int i = 0;
    for (auto _ : state)
        layout.SetPrintWidth(widths[++i % 2]); // the scaled size changes every time
}
BENCHMARK(RedrawWithRescale)->Unit(benchmark::kMillisecond)->UseRealTime();

void RedrawSameSize(benchmark::State& state)
{
    TPrintPreviewDialog dialog(nullptr, QString(), &bench::Photo(), a4Printer(scratch("a.pdf")));
    TPageLayout& layout = dialog.Layout();
    layout.SetFitToPage(false);
    layout.SetPrintWidth(layout.PrintWidth() / 2);
    const int xs[2] = {layout.Metrics().OffsetX, layout.Metrics().OffsetX + 300};
    int i = 0;
    for (auto _ : state)
        layout.SetPrintX(xs[++i % 2]);
}
BENCHMARK(RedrawSameSize)->Unit(benchmark::kMillisecond)->UseRealTime();

void PaintSurface(benchmark::State& state)
{
    TPrintPreviewDialog dialog(nullptr, QString(), &bench::Photo(), a4Printer(scratch("a.pdf")));
    QWidget* surface = dialog.Surface();
    // Rendering runs the surface's paint handler whether or not a screen shows it.
    QImage target(surface->size(), QImage::Format_RGB32);
    for (auto _ : state)
        surface->render(&target);
}
BENCHMARK(PaintSurface)->Unit(benchmark::kMillisecond)->UseRealTime();

void DragStep(benchmark::State& state)
{
    TPrintPreviewDialog dialog(nullptr, QString(), &bench::Photo(), a4Printer(scratch("a.pdf")));
    dialog.Layout().SetFitToPage(false);
    dialog.Layout().SetPrintWidth(dialog.Layout().PrintWidth() / 2);
    QWidget* surface = dialog.Surface();
    const QPoint start = dialog.Layout().PictureRectP().center() + QPoint(1, 1);
    auto send = [surface](QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons) {
        QMouseEvent event(type, QPointF(at), surface->mapToGlobal(QPointF(at)), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(surface, &event);
    };
    send(QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
    int i = 0;
    for (auto _ : state)
        send(QEvent::MouseMove, start + QPoint(++i % 2 ? 20 : 0, 0), Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, start, Qt::LeftButton, Qt::NoButton);
}
BENCHMARK(DragStep)->Unit(benchmark::kMillisecond)->UseRealTime();

void OpenDialog(benchmark::State& state)
{
    static const TXBitmap small = bench::SyntheticPhoto(60, 40);
    const TXBitmap& picture = state.range(0) == 0 ? small : bench::Photo();
    for (auto _ : state) {
        TPrintPreviewDialog dialog(nullptr, QString(), &picture, a4Printer(scratch("a.pdf")));
        benchmark::DoNotOptimize(dialog.ScaledCopy().ScanLine(0));
    }
}
BENCHMARK(OpenDialog)->Arg(0)->Arg(1)->ArgNames({"photo"})->Unit(benchmark::kMillisecond)->UseRealTime();

void PrintPageToPdf(benchmark::State& state)
{
    TPrintPreviewDialog dialog(nullptr, QString(), &bench::Photo(), a4Printer(scratch("print.pdf")));
    for (auto _ : state)
        dialog.PrintPage();
}
BENCHMARK(PrintPageToPdf)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BarePainterToPdf(benchmark::State& state)
{
    const TXBitmap& photo = bench::Photo();
    const QImage image(photo.ScanLine(0), photo.Width(), photo.Height(), photo.BytesPerLine(), QImage::Format_BGR888);
    auto printer = a4Printer(scratch("bare.pdf"));
    // The rectangle the dialog prints the photograph into.
    TPrintPreviewDialog dialog(nullptr, QString(), &photo, a4Printer(scratch("a.pdf")));
    const TPageLayout& layout = dialog.Layout();
    const QRect target(layout.PrintX() - layout.Metrics().OffsetX, layout.PrintY() - layout.Metrics().OffsetY,
                       layout.PrintWidth(), layout.PrintHeight());
    for (auto _ : state) {
        QPainter painter(printer.get());
        painter.setRenderHint(QPainter::LosslessImageRendering, true);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        painter.drawImage(target, image);
        painter.end();
    }
}
BENCHMARK(BarePainterToPdf)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

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
