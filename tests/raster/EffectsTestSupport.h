#pragma once

#include <random>

#include <QString>
#include <QStringList>
#include <QTextStream>

#include "BatchCommand.h"
#include "raster/EffectsBitmap.h"

namespace vellum::test {

// A copy of the picture with the effects' operations.
inline TEffectsBitmap Effects(const TXBitmap& picture)
{
    return TEffectsBitmap(TXBitmap(picture));
}

// A picture of random channels (levels of them, spread over 0 to 255): few levels make large
// regions of one colour.
inline TEffectsBitmap RandomPicture(int width, int height, unsigned seed, int levels = 256)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> channel(0, levels - 1);
    TEffectsBitmap picture(width, height);
    for (int y = 0; y < height; ++y)
        for (int i = 0; i < 3 * width; ++i)
            picture.ScanLine(y)[i] = static_cast<std::uint8_t>(channel(random) * 255 / std::max(1, levels - 1));
    return picture;
}

// The progress notifications of a picture as its document sees them: begin's step count, the
// steps, the ends.
struct ProgressLog {
    int begins = 0;
    int count = -1;
    int steps = 0;
    int ends = 0;

    void attach(TEffectsBitmap& picture)
    {
        picture.OnProgressBegin = [this](TEffectsBitmap*, int n) {
            ++begins;
            count = n;
        };
        picture.OnProgressStep = [this](TEffectsBitmap*) { ++steps; };
        picture.OnProgressEnd = [this](TEffectsBitmap*) { ++ends; };
    }
};

// Runs vellum-batch in this process; its exit status, and what it printed to stderr.
inline int RunBatchInProcess(const QStringList& arguments, QString* errors = nullptr)
{
    QString out;
    QString err;
    QTextStream outStream(&out);
    QTextStream errStream(&err);
    const int status = batch::RunBatch(arguments, outStream, errStream);
    errStream.flush();
    if (errors != nullptr)
        *errors = err;
    return status;
}

} // namespace vellum::test
