#pragma once

// The 6000 x 4000 picture the benchmarks work on: the photograph bench/compare.sh uses when
// VELLUM_BENCH_PHOTO names it (or it lies in the default cache folder); otherwise a synthetic
// one with smooth areas, edges and noise.
#include <cstring>
#include <functional>
#include <random>
#include <vector>

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFileInfo>
#include <QString>

#include "raster/EffectsBitmap.h"
#include "raster/XBitmap.h"

namespace vellum::bench {

inline TXBitmap SyntheticPhoto(int width, int height)
{
    TXBitmap picture(width, height);
    std::mt19937 random(1);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = picture.ScanLine(y);
        for (int x = 0; x < width; ++x) {
            const int noise = int(random() % 16);
            row[3 * x] = std::uint8_t((x * 255 / width + noise) & 0xFF);
            row[3 * x + 1] = std::uint8_t(((x / 200 + y / 200) % 2 ? 180 : 60) + noise);
            row[3 * x + 2] = std::uint8_t((y * 255 / height) ^ (noise >> 2));
        }
    }
    return picture;
}

inline const TXBitmap& Photo()
{
    static const TXBitmap photo = [] {
        QString path = qEnvironmentVariable("VELLUM_BENCH_PHOTO");
        if (path.isEmpty())
            path = QDir::homePath() + QStringLiteral("/.cache/vellum-photos/big/photo-6000x4000.bmp");
        TXBitmap picture;
        if (QFileInfo::exists(path)) {
            picture.LoadPicture(path);
            picture.SetPixelFormat(TPixelFormat::pf24bit);
        } else {
            picture = SyntheticPhoto(6000, 4000);
        }
        return picture;
    }();
    return photo;
}

inline std::size_t PhotoBytes()
{
    return 3 * static_cast<std::size_t>(Photo().Width()) * Photo().Height();
}

// One read-and-write pass over as many bytes as the picture holds: the memory floor that
// whole-picture operations are measured against.
inline void ReadWritePass(benchmark::State& state)
{
    const std::size_t bytes = PhotoBytes();
    std::vector<std::uint8_t> from(bytes, 1);
    std::vector<std::uint8_t> to(bytes, 2);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

// Times the operation on a fresh copy of the picture each time; the copy is not timed.
inline void RunOnPhoto(benchmark::State& state, const std::function<void(TEffectsBitmap&)>& operation)
{
    for (auto _ : state) {
        state.PauseTiming();
        TEffectsBitmap picture{TXBitmap(Photo())};
        state.ResumeTiming();
        operation(picture);
        benchmark::DoNotOptimize(picture.ScanLine(0));
    }
}

} // namespace vellum::bench

// A benchmark of an operation on a fresh copy of the picture p.
#define VELLUM_PHOTO_BENCHMARK(name, body)                                                                             \
    void name(benchmark::State& state) { vellum::bench::RunOnPhoto(state, [](vellum::TEffectsBitmap& p) { body; }); } \
    BENCHMARK(name)->Unit(benchmark::kMillisecond)->UseRealTime()
