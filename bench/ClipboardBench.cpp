// The clipboard store with a full history: copying a 3000 x 2000 picture onto a clipboard that
// already holds nine such pictures, and enumerating ten. The offscreen platform's clipboard
// stands in for the system's (no transfer between processes is timed). peak_rss_MB is the
// process's peak memory after the benchmark.
#include <sys/resource.h>

#include <benchmark/benchmark.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include "BenchPhoto.h"
#include "clipboard/VLClipbrd.h"

using namespace vellum;

namespace {

TXBitmap picture(int shade)
{
    TXBitmap p = vellum::bench::SyntheticPhoto(3000, 2000);
    p.ScanLine(0)[0] = static_cast<std::uint8_t>(shade);
    return p;
}

double peakRssMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// Nine pictures on the clipboard, as the private stream's bytes.
const QByteArray& nineItems(TVLClipboard& store)
{
    static const QByteArray bytes = [&] {
        for (int i = 0; i < 9; ++i) {
            const TXBitmap p = picture(i);
            store.CopyPlainPicture(&p);
        }
        return QGuiApplication::clipboard()->mimeData()->data(QLatin1String(TVLClipboard::PrivateFormatName));
    }();
    return bytes;
}

void restoreNine(TVLClipboard& store)
{
    auto* data = new QMimeData;
    data->setData(QLatin1String(TVLClipboard::PrivateFormatName), nineItems(store));
    QGuiApplication::clipboard()->setMimeData(data);
}

void CopyOntoNine(benchmark::State& state)
{
    TVLClipboard store(ClipboardChangedMessage);
    const TXBitmap tenth = picture(99);
    for (auto _ : state) {
        state.PauseTiming();
        restoreNine(store);
        state.ResumeTiming();
        store.CopyPlainPicture(&tenth);
    }
    state.counters["peak_rss_MB"] = peakRssMegabytes();
}
BENCHMARK(CopyOntoNine)->Unit(benchmark::kMillisecond)->UseRealTime();

void EnumerateTen(benchmark::State& state)
{
    TVLClipboard store(ClipboardChangedMessage);
    restoreNine(store);
    const TXBitmap tenth = picture(99);
    store.CopyPlainPicture(&tenth);
    for (auto _ : state) {
        int count = 0;
        store.EnumItems([&](std::int32_t, const TXBitmap& p, std::int32_t, bool&) {
            benchmark::DoNotOptimize(p.ScanLine(0));
            ++count;
        });
        if (count != 10)
            state.SkipWithError("the clipboard does not hold ten pictures");
    }
    state.counters["peak_rss_MB"] = peakRssMegabytes();
}
BENCHMARK(EnumerateTen)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
