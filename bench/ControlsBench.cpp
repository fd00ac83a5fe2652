// The colour spectrum's painting against the cheapest possible paint of the same area (one
// colour), both rendered through the widget machinery onto the same image.

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include "controls/ColourSpectrum.h"

using namespace vellum;

namespace {

// The same widget path as the spectrum, painting one colour over its whole area.
class TFillControl : public QWidget {
protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), QColor(10, 200, 30));
    }
};

void SpectrumPaint(benchmark::State& state)
{
    const QSize size(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    TColourSpectrum spectrum;
    spectrum.resize(size);
    spectrum.SetSelectedColour(0x0000FF);
    QImage device(size, QImage::Format_RGB32);
    spectrum.render(&device); // the size change: rebuilt once here
    for (auto _ : state) {
        spectrum.render(&device);
        benchmark::DoNotOptimize(device.constBits());
    }
}

void FillPaint(benchmark::State& state)
{
    const QSize size(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    TFillControl fill;
    fill.resize(size);
    QImage device(size, QImage::Format_RGB32);
    for (auto _ : state) {
        fill.render(&device);
        benchmark::DoNotOptimize(device.constBits());
    }
}

// A paint after each size change: the field is rebuilt every time.
void SpectrumRebuild(benchmark::State& state)
{
    const QSize size(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    TColourSpectrum spectrum;
    QImage device(size + QSize(1, 1), QImage::Format_RGB32);
    bool wide = false;
    for (auto _ : state) {
        wide = !wide;
        spectrum.resize(size + (wide ? QSize(1, 1) : QSize(0, 0)));
        spectrum.render(&device);
        benchmark::DoNotOptimize(device.constBits());
    }
}

} // namespace

BENCHMARK(SpectrumPaint)->Args({105, 105})->Args({89, 400});
BENCHMARK(FillPaint)->Args({105, 105})->Args({89, 400});
BENCHMARK(SpectrumRebuild)->Args({105, 105})->Args({89, 400});

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
