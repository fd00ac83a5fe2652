// The adjustment dialogs and the document's preview on the 6000 x 4000 photograph, beside the
// floors they are measured against: one memcpy pass over the picture, one reduction of it to
// the preview size, the engine's blur alone. Offscreen.
#include <memory>

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLineEdit>
#include <QMdiArea>
#include <QTemporaryDir>

#include "BenchPhoto.h"
#include "app/AdjBrightDlg.h"
#include "app/AdjGammaDlg.h"
#include "app/AdjRGBDlg.h"
#include "app/BlurDlg.h"
#include "app/RotateDlg.h"
#include "app/VLGlobal.h"
#include "controls/DoubleSpinEdit.h"
#include "controls/XGraphicCtrls.h"
#include "controls/WholeNumberBox.h"
#include "document/VLPicChildWn.h"
#include "raster/ScaleDown.h"

using namespace vellum;

namespace {

TVLPicChildWin* g_doc = nullptr;

void MemcpyPass(benchmark::State& state)
{
    bench::ReadWritePass(state);
}
BENCHMARK(MemcpyPass)->Unit(benchmark::kMillisecond)->UseRealTime();

void ScaleDownToPreview(benchmark::State& state)
{
    const QSize size = AdjPreviewSize(bench::Photo().Width(), bench::Photo().Height(), TSimpleAdjDialog::PreviewBox);
    for (auto _ : state) {
        TXBitmap preview;
        ScaleDownTo(bench::Photo(), preview, size.width(), size.height());
        benchmark::DoNotOptimize(preview.ScanLine(0));
    }
}
BENCHMARK(ScaleDownToPreview)->Unit(benchmark::kMillisecond)->UseRealTime();

void OpenBrightnessDialog(benchmark::State& state)
{
    for (auto _ : state) {
        TAdjBrightDialog dialog(nullptr, g_doc);
        benchmark::DoNotOptimize(dialog.AdjustedPreview().ScanLine(0));
    }
}
BENCHMARK(OpenBrightnessDialog)->Unit(benchmark::kMillisecond)->UseRealTime();

void OpenRotateDialog(benchmark::State& state)
{
    for (auto _ : state) {
        TRotateDialog dialog(nullptr, clWhite, g_doc);
        benchmark::DoNotOptimize(dialog.AdjustedPreview().ScanLine(0));
    }
}
BENCHMARK(OpenRotateDialog)->Unit(benchmark::kMillisecond)->UseRealTime();

// One value typed into the box, through to the painted preview.
template <typename Dialog>
void valueChange(benchmark::State& state, Dialog& dialog, QLineEdit* editor, const QString& a, const QString& b)
{
    dialog.show();
    int i = 0;
    for (auto _ : state) {
        editor->setText(++i % 2 ? a : b);
        dialog.AdjImage()->repaint();
    }
}

void ValueChangeBrightness(benchmark::State& state)
{
    TAdjBrightDialog dialog(nullptr, g_doc);
    valueChange(state, dialog, dialog.FactorBox()->Editor(), QStringLiteral("20"), QStringLiteral("30"));
}
BENCHMARK(ValueChangeBrightness)->Unit(benchmark::kMicrosecond)->UseRealTime();

void ValueChangeGamma(benchmark::State& state)
{
    TAdjGammaDialog dialog(nullptr, g_doc);
    valueChange(state, dialog, dialog.FactorBox()->Editor(), QStringLiteral("2.5"), QStringLiteral("0.7"));
}
BENCHMARK(ValueChangeGamma)->Unit(benchmark::kMicrosecond)->UseRealTime();

void ValueChangeBlurRadius20(benchmark::State& state)
{
    TBlurDialog dialog(nullptr, g_doc);
    valueChange(state, dialog, dialog.FactorBox()->Editor(), QStringLiteral("20"), QStringLiteral("19.99"));
}
BENCHMARK(ValueChangeBlurRadius20)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The engine's blur alone on a copy of the blur dialog's preview, at radius 20 scaled down.
void PreviewSizeBlur20(benchmark::State& state)
{
    const QSize size = AdjPreviewSize(bench::Photo().Width(), bench::Photo().Height(), TSimpleAdjDialog::PreviewBox);
    TXBitmap preview;
    ScaleDownTo(bench::Photo(), preview, size.width(), size.height());
    TEffectsBitmap copy;
    for (auto _ : state) {
        copy.Assign(preview);
        copy.Blur(20.0 * size.width() / bench::Photo().Width());
        benchmark::DoNotOptimize(copy.ScanLine(0));
    }
}
BENCHMARK(PreviewSizeBlur20)->Unit(benchmark::kMicrosecond)->UseRealTime();

void ValueChangeRGB(benchmark::State& state)
{
    TAdjRGBDialog dialog(nullptr, g_doc);
    valueChange(state, dialog, dialog.Box(TAdjRGBDialog::Red)->Editor(), QStringLiteral("20"), QStringLiteral("-40"));
}
BENCHMARK(ValueChangeRGB)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The engine's rotation alone on a copy of the Rotate dialog's preview.
void PreviewSizeRotate30(benchmark::State& state)
{
    const QSize size = RotatePreviewSize(bench::Photo().Width(), bench::Photo().Height(), TRotateDialog::PreviewSide);
    TXBitmap preview;
    ScaleDownTo(bench::Photo(), preview, size.width(), size.height());
    TEffectsBitmap copy;
    int i = 0;
    for (auto _ : state) {
        copy.Assign(preview);
        copy.Rotate(++i % 2 ? 30 : 45, clWhite);
        benchmark::DoNotOptimize(copy.ScanLine(0));
    }
}
BENCHMARK(PreviewSizeRotate30)->Unit(benchmark::kMicrosecond)->UseRealTime();

void ValueChangeRotate(benchmark::State& state)
{
    TRotateDialog dialog(nullptr, clWhite, g_doc);
    valueChange(state, dialog, dialog.AngleBox()->Editor(), QStringLiteral("30"), QStringLiteral("45"));
}
BENCHMARK(ValueChangeRotate)->Unit(benchmark::kMicrosecond)->UseRealTime();

// Preview with a preview showing: the copy put back, the effect, the view painted.
void PreviewBrightnessAgain(benchmark::State& state)
{
    int i = 0;
    g_doc->Brighten(10, TAdjustMode::Preview);
    for (auto _ : state)
        g_doc->Brighten(++i % 2 ? 20 : 30, TAdjustMode::Preview);
    g_doc->CancelPreview();
}
BENCHMARK(PreviewBrightnessAgain)->Unit(benchmark::kMillisecond)->UseRealTime();

void PreviewBlur5(benchmark::State& state)
{
    for (auto _ : state) {
        g_doc->Blur(5.0, TAdjustMode::Preview);
        state.PauseTiming();
        g_doc->CancelPreview();
        state.ResumeTiming();
    }
}
BENCHMARK(PreviewBlur5)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

VELLUM_PHOTO_BENCHMARK(EngineBlur5, p.Blur(5.0))->Iterations(3);

// The engine alone on the document's own picture, and the preview's copy alone.
void DocumentPictureBlur5(benchmark::State& state)
{
    for (auto _ : state)
        g_doc->Picture().Blur(5.0);
}
BENCHMARK(DocumentPictureBlur5)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// With a preview showing: the copy put back, then the blur.
void PreviewBlur5Again(benchmark::State& state)
{
    int i = 0;
    g_doc->Blur(4.0, TAdjustMode::Preview);
    for (auto _ : state)
        g_doc->Blur(++i % 2 ? 5.0 : 5.000001, TAdjustMode::Preview);
    g_doc->CancelPreview();
}
BENCHMARK(PreviewBlur5Again)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// Fresh memory of the picture's size, written once: what the first copy of a picture costs
// before any byte is copied.
void FreshPictureMemory(benchmark::State& state)
{
    for (auto _ : state) {
        std::vector<std::uint8_t> block(bench::PhotoBytes());
        benchmark::DoNotOptimize(block.data());
    }
}
BENCHMARK(FreshPictureMemory)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void PreviewCopy(benchmark::State& state)
{
    for (auto _ : state) {
        TPictureBytes bytes;
        bytes.Store(&g_doc->Picture());
        benchmark::DoNotOptimize(&bytes);
    }
}
BENCHMARK(PreviewCopy)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// The preview is on the screen before OK can be pressed: its paint, which the program's event
// loop runs meanwhile, belongs to the preview, not to the commit.
void OkAfterPreviewSameValue(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        g_doc->Brighten(20, TAdjustMode::Preview);
        QCoreApplication::processEvents();
        state.ResumeTiming();
        g_doc->Brighten(20, TAdjustMode::Commit);
        state.PauseTiming();
        g_doc->UndoLast();
        state.ResumeTiming();
    }
}
BENCHMARK(OkAfterPreviewSameValue)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void CancelAfterPreview(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        g_doc->Brighten(20, TAdjustMode::Preview);
        state.ResumeTiming();
        g_doc->CancelPreview();
    }
}
BENCHMARK(CancelAfterPreview)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

class Area : public TDocumentArea {
public:
    [[nodiscard]] QSize AvailableDocumentArea() const override { return {1700, 1100}; }
};

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    TVLGlobal global(dir.path());
    Area area;
    QMdiArea mdi;
    mdi.resize(1700, 1100);
    auto* doc = new TVLCopyPicChildWin(&bench::Photo(), QStringLiteral("photo"), &area);
    mdi.addSubWindow(doc);
    mdi.show();
    doc->show();
    // A 1600 x 1000 view of the picture.
    doc->resize(1600 + doc->NonClientWidth(), 1000 + doc->NonClientHeight());
    QCoreApplication::processEvents();
    g_doc = doc;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    doc->SetModified(false);
    return 0;
}
