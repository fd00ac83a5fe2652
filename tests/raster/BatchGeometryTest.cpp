#include <csignal>
#include <cstring>
#include <functional>

#include <sys/resource.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include <gtest/gtest.h>

#include "BatchCommand.h"
#include "EffectsTestSupport.h"
#include "PictureTestSupport.h"
#include "raster/Canvas.h"
#include "raster/EffectsBitmap.h"
#include "raster/ScaleDown.h"

namespace vellum {
namespace {

using test::BmpHeaders;
using test::Bytes;
using test::GradientPicture;
using test::ReadFile;
using test::RunBatchInProcess;
using test::SamePixels;
using test::TempPath;
using test::WriteFile;

// The picture's pen readied as the batch operations ready it.
void pen(TEffectsBitmap& e, int shapeKind, int width, TColor colour)
{
    TXBitmap shape;
    BuildPenShape(shape, shapeKind, width);
    e.Canvas().Pen.Width = width;
    e.SetPenShape(&shape);
    e.SetPenColour(colour);
}

TEST(BatchGeometry, EachOperationDoesWhatTheCallDoes)
{
    const QString input = TempPath(QStringLiteral("geometry-in.bmp"));
    const TXBitmap original = GradientPicture(23, 11);
    original.SavePicture(input);
    struct Case {
        const char* operation;
        std::function<void(TEffectsBitmap&)> apply;
    };
    const std::vector<Case> cases{
        {"flip", [](TEffectsBitmap& e) { e.Flip(); }},
        {"mirror", [](TEffectsBitmap& e) { e.Mirror(); }},
        {"rotate=100,#102030", [](TEffectsBitmap& e) { e.Rotate(100, RGBColor(0x10, 0x20, 0x30)); }},
        {"resize=40,7", [](TEffectsBitmap& e) { e.Resize(40, 7); }},
        {"resample=17,30", [](TEffectsBitmap& e) { e.Resample(17, 30); }},
        {"enlarge=30,20,1,255", [](TEffectsBitmap& e) { e.EnlargeCanvas(30, 20, true, RGBColor(255, 0, 0)); }},
        {"scaledown=5,4", [](TEffectsBitmap& e) { ScaleDown(e, 5, 4); }},
        {"pen=0,7,#00FF00,-2,3,20,8",
         [](TEffectsBitmap& e) {
             pen(e, PenShapeRound, 7, RGBColor(0, 255, 0));
             e.PenStroke(-2, 3, 20, 8);
         }},
        {"replacepen=1,5,#0B0C0B,#FFFFFF,60,0,0,22,10",
         [](TEffectsBitmap& e) {
             pen(e, PenShapeSquare, 5, RGBColor(11, 12, 11));
             e.SetSecondColour(clWhite);
             e.ReplaceStroke(0, 0, 22, 10, 60);
         }},
        {"smudge=3,6,70,2,9,20,1",
         [](TEffectsBitmap& e) {
             pen(e, PenShapeLeftSlash, 6, clBlack);
             e.SmudgeStroke(2, 9, 20, 1, 70);
         }},
    };
    const QString output = TempPath(QStringLiteral("geometry-out.bmp"));
    for (const Case& c : cases) {
        QString err;
        ASSERT_EQ(RunBatchInProcess({input, output, QString::fromLatin1(c.operation)}, &err), 0)
            << c.operation << ": " << err.toStdString();
        TXBitmap result;
        result.LoadPicture(output);
        TEffectsBitmap expected{TXBitmap(original)};
        c.apply(expected);
        EXPECT_TRUE(SamePixels(result, expected)) << c.operation;
        EXPECT_FALSE(SamePixels(result, original)) << c.operation << " changed nothing";
    }
}

TEST(BatchGeometry, BadArgumentsAreUsageErrorsAndRefusalsFailures)
{
    const QString input = TempPath(QStringLiteral("geometry-bad.bmp"));
    GradientPicture(5, 4).SavePicture(input);
    const QString output = TempPath(QStringLiteral("geometry-bad-out.bmp"));
    for (const char* bad : {"flip=1", "rotate=90", "rotate=x,0", "resize=0,4", "resample=5,40000", "enlarge=9,9,2,0",
                            "scaledown=-1,2", "pen=5,3,0,0,0,1,1", "pen=0,0,0,0,0,1,1", "replacepen=0,3,0,0,256,0,0,1,1",
                            "smudge=0,3,101,0,0,1,1", "smudge=0,3,50,0,0,1"}) {
        EXPECT_EQ(RunBatchInProcess({input, output, QString::fromLatin1(bad)}), 2) << bad;
    }
    QString err;
    EXPECT_EQ(RunBatchInProcess({input, output, QStringLiteral("scaledown=6,4")}, &err), 1);
    EXPECT_TRUE(err.contains(QStringLiteral("down to 6 x 4"))) << err.toStdString();
    EXPECT_EQ(RunBatchInProcess({input, output, QStringLiteral("resize=30000,30000")}, &err), 1);
    EXPECT_TRUE(err.contains(QStringLiteral("Resizing Error. "))) << err.toStdString();
}

// An uncompressed BMP of the given depth (1, 4, 8, 16, 24 or 32 bits; palette formats with a
// full palette), rows stored top-down or bottom-up, pixels and palette from a fixed sequence.
// Given masks (16 or 32 bits), the file stores them as bit fields.
QByteArray bmpFile(int width, int height, int bitCount, bool topDown, std::vector<std::uint32_t> masks = {})
{
    std::uint32_t state = 12345u + std::uint32_t(width * 31 + height * 7 + bitCount);
    auto next = [&] {
        state = state * 1664525u + 1013904223u;
        return int(state >> 24);
    };
    const int paletteEntries = bitCount <= 8 ? 1 << bitCount : 0;
    Bytes b = BmpHeaders(width, topDown ? -height : height, bitCount, masks.empty() ? 0 : 3, paletteEntries,
                         4 * int(masks.size()));
    for (const std::uint32_t mask : masks)
        b.u32(mask);
    for (int i = 0; i < paletteEntries; ++i)
        b.u8(next()).u8(next()).u8(next()).u8(0);
    const int stride = (width * bitCount + 31) / 32 * 4;
    for (int y = 0; y < height; ++y)
        for (int i = 0; i < stride; ++i)
            b.u8(next());
    return b.data();
}

// The BMP bytes of the picture loaded as vellum-batch loads it, resized in memory and saved.
QByteArray resizedInMemory(const QString& input, int width, int height)
{
    TEffectsBitmap picture;
    picture.LoadPicture(input);
    picture.SetPixelFormat(TPixelFormat::pf24bit);
    picture.Resize(width, height);
    const QString path = TempPath(QStringLiteral("resized-in-memory.bmp"));
    picture.SavePicture(path);
    return ReadFile(path);
}

TEST(BatchGeometry, StreamedResizeWritesTheSameFileAsResizeInMemory)
{
    struct Case {
        int width, height, bitCount;
        bool topDown;
        int newWidth, newHeight;
    };
    const std::vector<Case> cases{
        {7, 5, 24, false, 14, 10},     // twice the size
        {7, 5, 24, true, 3, 2},        // smaller
        {1, 1, 24, false, 5, 3},       // from a single pixel
        {9, 4, 24, false, 1, 1},       // to a single pixel
        {13, 11, 8, true, 1, 17},      // one column
        {5, 3, 1, false, 33, 1},       // one row
        {6, 7, 4, true, 11, 13},       // odd scales
        {10, 9, 16, false, 19, 5},
        {4, 6, 32, true, 8, 12},
        {5, 3000, 24, false, 701, 4501}, // bands of rows: several, the last one short
        {640, 3, 24, true, 2999, 1500},  // one source row repeated across band boundaries
    };
    const QString input = TempPath(QStringLiteral("streamed-in.bmp"));
    const QString output = TempPath(QStringLiteral("streamed-out.bmp"));
    for (const Case& c : cases) {
        const std::string name = std::to_string(c.width) + " x " + std::to_string(c.height) + ", " +
            std::to_string(c.bitCount) + " bits" + (c.topDown ? " top-down" : "") + " to " +
            std::to_string(c.newWidth) + " x " + std::to_string(c.newHeight);
        WriteFile(input, bmpFile(c.width, c.height, c.bitCount, c.topDown));
        const QByteArray expected = resizedInMemory(input, c.newWidth, c.newHeight);

        TXBitmap loaded;
        loaded.LoadPicture(input);
        loaded.SetPixelFormat(TPixelFormat::pf24bit);
        const QStringList arguments{input, output, QStringLiteral("resize=%1,%2").arg(c.newWidth).arg(c.newHeight)};
        EXPECT_TRUE(batch::StreamsToOutput(batch::ParseCommandLine(arguments), loaded)) << name;
        QString err;
        ASSERT_EQ(RunBatchInProcess(arguments, &err), 0) << name << ": " << err.toStdString();
        EXPECT_TRUE(ReadFile(output) == expected) << name;
    }
}

TEST(BatchGeometry, OnlyALoneResizeToABmpFileIsStreamed)
{
    const TXBitmap picture = GradientPicture(4, 3);
    const TXBitmap palette(4, 3, TPixelFormat::pf8bit);
    struct Case {
        QStringList arguments;
        const TXBitmap* picture;
        bool streamed;
    };
    const std::vector<Case> cases{
        {{"in.bmp", "out.bmp", "resize=8,6"}, &picture, true},
        {{"in.gif", "out", "resize=8,6"}, &picture, true},
        {{"in.bmp", "out.jpg", "resize=8,6"}, &picture, false},
        {{"in.bmp", "out.gif", "resize=8,6"}, &picture, false},
        {{"in.bmp", "out.bmp", "resize=8,6", "flip"}, &picture, false},
        {{"in.bmp", "out.bmp", "flip"}, &picture, false},
        {{"in.bmp", "out.bmp", "resample=8,6"}, &picture, false},
        {{"in.bmp", "out.bmp"}, &picture, false},
        {{"in.bmp", "out.bmp", "resize=8,6"}, &palette, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(batch::StreamsToOutput(batch::ParseCommandLine(c.arguments), *c.picture), c.streamed)
            << c.arguments.join(u' ').toStdString();
}

// The message of loading path as vellum-batch loads it; empty when it loads.
QString loadMessage(const QString& path)
{
    try {
        TXBitmap picture;
        picture.LoadPicture(path);
    } catch (const VellumException& e) {
        return e.message();
    }
    return QString();
}

TEST(BatchGeometry, ABmpReadByRowsGivesTheRowsOfTheLoadedPicture)
{
    const QString input = TempPath(QStringLiteral("rows-in.bmp"));
    for (int width = 1; width <= 9; ++width) {
        for (int bitCount : {1, 4, 8, 24, 32}) {
            for (bool topDown : {false, true}) {
                const int height = 5;
                const std::string name = std::to_string(width) + " x " + std::to_string(height) + ", " +
                    std::to_string(bitCount) + " bits" + (topDown ? " top-down" : "");
                WriteFile(input, bmpFile(width, height, bitCount, topDown));
                TXBitmap loaded;
                loaded.LoadPicture(input);
                loaded.SetPixelFormat(TPixelFormat::pf24bit);
                const std::unique_ptr<TBmpRowReader> reader = TBmpRowReader::Open(input);
                ASSERT_TRUE(reader) << name;
                ASSERT_EQ(reader->Width(), width);
                ASSERT_EQ(reader->Height(), height);
                const std::size_t bytes = 3 * std::size_t(width);
                // Every range, so both ends and every row inside a read are covered.
                for (int first = 0; first < height; ++first) {
                    for (int count = 1; first + count <= std::min(height, first + reader->MaxRows()); ++count) {
                        const TXBitmap& rows = reader->Read(first, count);
                        ASSERT_EQ(rows.PixelFormat(), TPixelFormat::pf24bit);
                        for (int k = 0; k < count; ++k)
                            ASSERT_EQ(std::memcmp(rows.ScanLine(k), loaded.ScanLine(first + k), bytes), 0)
                                << name << ", rows " << first << " + " << count << ", row " << k;
                    }
                }
            }
        }
    }
}

TEST(BatchGeometry, AResizeStreamedFromTheFileWritesTheSameFileAsResizeInMemory)
{
    struct Case {
        int width, height, bitCount;
        bool topDown;
        int newWidth, newHeight;
        std::vector<std::uint32_t> masks = {};
    };
    std::vector<Case> cases;
    // Every row padding, enlarged and reduced.
    for (int width = 1; width <= 9; ++width)
        for (int bitCount : {8, 24, 32})
            for (bool topDown : {false, true}) {
                cases.push_back({width, 7, bitCount, topDown, 2 * width, 14});
                cases.push_back({width, 7, bitCount, topDown, width / 2 + 3, 4});
            }
    cases.push_back({6, 5, 32, false, 13, 9, {0xFF0000, 0xFF00, 0xFF}});
    // Bands of the 200 % resize: several, the last one short.
    cases.push_back({700, 601, 24, false, 1400, 1202});
    cases.push_back({700, 601, 24, true, 1400, 1202});
    // More source rows in one band than one read gives: several reads per band.
    cases.push_back({2000, 1500, 24, false, 3, 1500});
    cases.push_back({2000, 1500, 24, true, 5, 1499});

    const QString input = TempPath(QStringLiteral("from-file-in.bmp"));
    const QString output = TempPath(QStringLiteral("from-file-out.bmp"));
    for (const Case& c : cases) {
        const std::string name = std::to_string(c.width) + " x " + std::to_string(c.height) + ", " +
            std::to_string(c.bitCount) + " bits" + (c.topDown ? " top-down" : "") + (c.masks.empty() ? "" : " bit fields") +
            " to " + std::to_string(c.newWidth) + " x " + std::to_string(c.newHeight);
        WriteFile(input, bmpFile(c.width, c.height, c.bitCount, c.topDown, c.masks));
        const QByteArray expected = resizedInMemory(input, c.newWidth, c.newHeight);
        const std::unique_ptr<TBmpRowReader> reader = TBmpRowReader::Open(input);
        ASSERT_TRUE(reader) << name;
        SaveResizedBmp(*reader, c.newWidth, c.newHeight, output);
        EXPECT_TRUE(ReadFile(output) == expected) << name;
    }
    // The whole command takes this way.
    WriteFile(input, bmpFile(9, 4, 24, true));
    const QByteArray expected = resizedInMemory(input, 17, 9);
    const QStringList arguments{input, output, QStringLiteral("resize=17,9")};
    EXPECT_TRUE(batch::StreamsFromInput(batch::ParseCommandLine(arguments)));
    ASSERT_EQ(RunBatchInProcess(arguments), 0);
    EXPECT_TRUE(ReadFile(output) == expected);
}

TEST(BatchGeometry, FilesNotReadByRowsAreLoadedWholeWithTheLoadsResultOrMessage)
{
    const QString input = TempPath(QStringLiteral("not-by-rows"));
    QDir().mkpath(input);
    const QString output = TempPath(QStringLiteral("not-by-rows-out.bmp"));
    auto rle8 = [] {
        Bytes b = BmpHeaders(4, 2, 8, 1, 256);
        for (int i = 0; i < 256; ++i)
            b.u8(i).u8(255 - i).u8(i / 2).u8(0);
        b.raw({4, 7, 0, 0, 2, 200, 2, 9, 0, 0, 0, 1});
        return b.data();
    };
    const QByteArray full = bmpFile(5, 4, 24, false);
    struct Case {
        const char* name;
        QByteArray file; // none: the folder itself
    };
    const std::vector<Case> cases{
        {"16 bits", bmpFile(5, 4, 16, false)},
        {"run-length", rle8()},
        {"other bit fields", bmpFile(5, 4, 32, true, {0xFF, 0xFF00, 0xFF0000})},
        {"rows cut short", full.left(full.size() - 1)},
        {"rows past the end", full.left(60)},
        {"no rows", bmpFile(5, 0, 24, false)},
        {"not a BMP", QByteArray("GIF89a\x01\x00\x01\x00\x00\x00\x00;", 14)},
        {"a folder", QByteArray()},
    };
    for (const Case& c : cases) {
        const QString path = c.file.isNull() ? input : input + QStringLiteral("/in.bmp");
        if (!c.file.isNull())
            WriteFile(path, c.file);
        EXPECT_FALSE(TBmpRowReader::Open(path)) << c.name;
        const QString message = loadMessage(path);
        QString err;
        const int status = RunBatchInProcess({path, output, QStringLiteral("resize=7,3")}, &err);
        if (message.isEmpty()) {
            EXPECT_EQ(status, 0) << c.name << ": " << err.toStdString();
            EXPECT_TRUE(ReadFile(output) == resizedInMemory(path, 7, 3)) << c.name;
        } else {
            EXPECT_EQ(status, 1) << c.name;
            EXPECT_EQ(err, QStringLiteral("vellum-batch: %1\n").arg(message)) << c.name;
        }
    }
    EXPECT_FALSE(TBmpRowReader::Open(TempPath(QStringLiteral("not-by-rows/missing.bmp"))));
}

TEST(BatchGeometry, AFileThatLosesItsRowsWhileReadFailsTheSaveAndKeepsTheOldFile)
{
    const QString input = TempPath(QStringLiteral("shrinking-in.bmp"));
    WriteFile(input, bmpFile(300, 200, 24, false));
    QDir().mkpath(TempPath(QStringLiteral("shrinking")));
    const QString output = TempPath(QStringLiteral("shrinking/out.bmp"));
    GradientPicture(3, 2).SavePicture(output);
    const QByteArray before = ReadFile(output);
    const std::unique_ptr<TBmpRowReader> reader = TBmpRowReader::Open(input);
    ASSERT_TRUE(reader);
    // Half the rows go after the file was looked at.
    QFile(input).resize(QFileInfo(input).size() / 2);
    EXPECT_THROW(SaveResizedBmp(*reader, 600, 400, output), EReadError);
    EXPECT_EQ(ReadFile(output), before);
    EXPECT_EQ(QDir(TempPath(QStringLiteral("shrinking"))).entryList(QDir::Files), QStringList{QStringLiteral("out.bmp")});
}

// Limits the size of files this process writes while it lives (a disk that fills up).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = m_saved;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_handler);
    }

private:
    rlimit m_saved{};
    void (*m_handler)(int) = nullptr;
};

TEST(BatchGeometry, AStreamedResizeThatCannotBeWrittenLeavesTheOldFileAndSaysWhy)
{
    const QString input = TempPath(QStringLiteral("streamed-fail-in.bmp"));
    GradientPicture(50, 40).SavePicture(input);
    QDir().mkpath(TempPath(QStringLiteral("streamed-fail")));
    const QString output = TempPath(QStringLiteral("streamed-fail/out.bmp"));
    GradientPicture(3, 2).SavePicture(output);
    const QByteArray before = ReadFile(output);

    QString streamedErr;
    QString inMemoryMessage;
    {
        // The result (about 12 MB) cannot be written whole; the old file is far below the limit.
        const FileSizeLimit limit(5 << 20);
        EXPECT_EQ(RunBatchInProcess({input, output, QStringLiteral("resize=2000,2000")}, &streamedErr), 1);
        TEffectsBitmap picture;
        picture.LoadPicture(input);
        picture.Resize(2000, 2000);
        try {
            picture.SavePicture(output);
        } catch (const VellumException& e) {
            inMemoryMessage = e.message();
        }
    }
    EXPECT_FALSE(inMemoryMessage.isEmpty());
    EXPECT_EQ(streamedErr, QStringLiteral("vellum-batch: %1\n").arg(inMemoryMessage));
    EXPECT_EQ(ReadFile(output), before);
    EXPECT_EQ(QDir(TempPath(QStringLiteral("streamed-fail"))).entryList(QDir::Files), QStringList{QStringLiteral("out.bmp")});

    // A folder where the file should be: the message of any save.
    const QString folder = TempPath(QStringLiteral("streamed-fail/folder.bmp"));
    QDir().mkpath(folder);
    EXPECT_EQ(RunBatchInProcess({input, folder, QStringLiteral("resize=20,20")}, &streamedErr), 1);
    EXPECT_TRUE(streamedErr.startsWith(QStringLiteral("vellum-batch: Cannot create file \"%1\"").arg(folder)))
        << streamedErr.toStdString();
}

TEST(BatchGeometry, ASaveOverALargeFileReplacesItOnlyWhenWrittenWhole)
{
    // Large enough that the save releases the old file's cached pages while it writes.
    QDir().mkpath(TempPath(QStringLiteral("large-old")));
    const QString output = TempPath(QStringLiteral("large-old/out.bmp"));
    const TXBitmap old = GradientPicture(4000, 3000);
    old.SavePicture(output);
    const QByteArray before = ReadFile(output);
    ASSERT_GT(before.size(), 32 << 20);
    const QString input = TempPath(QStringLiteral("large-old-in.bmp"));
    GradientPicture(50, 40).SavePicture(input);
    {
        const FileSizeLimit limit(5 << 20);
        EXPECT_EQ(RunBatchInProcess({input, output, QStringLiteral("resize=2000,2000")}), 1);
    }
    EXPECT_TRUE(ReadFile(output) == before);
    EXPECT_EQ(QDir(TempPath(QStringLiteral("large-old"))).entryList(QDir::Files), QStringList{QStringLiteral("out.bmp")});

    ASSERT_EQ(RunBatchInProcess({input, output, QStringLiteral("resize=2000,2000")}), 0);
    EXPECT_TRUE(ReadFile(output) == resizedInMemory(input, 2000, 2000));
}

} // namespace
} // namespace vellum
