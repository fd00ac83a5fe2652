// Decoding and encoding a 6000 x 4000 picture (BenchPhoto.h) in each file format, in memory
// (no disk).
#include <cstdlib>

#include <benchmark/benchmark.h>

#include <QBuffer>

#include "BenchPhoto.h"
#include "raster/ColourQuantizer.h"
#include "raster/PictureCodecs.h"
#include "raster/Random.h"
#include "raster/XBitmap.h"

using namespace vellum;
using vellum::bench::Photo;

namespace {

QByteArray Encoded(void (*write)(QIODevice&, const TXBitmap&))
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    write(buffer, Photo());
    return buffer.data();
}

void WriteJpeg90(QIODevice& device, const TXBitmap& picture)
{
    WriteJpeg(device, picture, 90);
}

void Decode(benchmark::State& state, void (*read)(QIODevice&, TXBitmap&), const QByteArray& file)
{
    for (auto _ : state) {
        QByteArray data = file;
        QBuffer buffer(&data);
        buffer.open(QIODevice::ReadOnly);
        TXBitmap picture;
        read(buffer, picture);
        benchmark::DoNotOptimize(picture.ScanLine(0));
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t(Photo().Width()) * Photo().Height() * 3);
}

void Encode(benchmark::State& state, void (*write)(QIODevice&, const TXBitmap&))
{
    const TXBitmap& photo = Photo();
    // One buffer for every iteration, rewritten from its start: the encoder's work is
    // measured, not the allocation of fresh memory for its output.
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    for (auto _ : state) {
        buffer.seek(0);
        write(buffer, photo);
        benchmark::DoNotOptimize(data.data());
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t(photo.Width()) * photo.Height() * 3);
}

void BM_DecodeBmp(benchmark::State& state) { Decode(state, ReadBmp, Encoded(WriteBmp)); }
void BM_EncodeBmp(benchmark::State& state) { Encode(state, WriteBmp); }
void BM_DecodeJpeg(benchmark::State& state) { Decode(state, ReadJpeg, Encoded(WriteJpeg90)); }
void BM_EncodeJpeg(benchmark::State& state) { Encode(state, WriteJpeg90); }
void BM_DecodeGif(benchmark::State& state) { Decode(state, ReadGif, Encoded(WriteGif)); }
void BM_EncodeGif(benchmark::State& state) { Encode(state, WriteGif); }

// The parts of GIF encoding: choosing the palette and dithering to it.
void BM_OctreePalette(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(BuildOctreePalette(Photo()));
}

void BM_FloydSteinberg(benchmark::State& state)
{
    const TPalette256 palette = BuildOctreePalette(Photo());
    std::vector<std::uint8_t> indices(std::size_t(Photo().Width()));
    for (auto _ : state) {
        TFloydSteinbergDitherer ditherer(palette, Photo().Width());
        for (int y = 0; y < Photo().Height(); ++y)
            ditherer.DitherRow(Photo().ScanLine(y), indices.data());
        benchmark::DoNotOptimize(indices.data());
    }
}

} // namespace

BENCHMARK(BM_DecodeBmp)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EncodeBmp)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DecodeJpeg)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EncodeJpeg)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DecodeGif)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EncodeGif)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OctreePalette)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FloydSteinberg)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
