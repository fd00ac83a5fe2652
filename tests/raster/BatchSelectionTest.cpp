#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EffectsTestSupport.h"
#include "PictureTestSupport.h"

using namespace vellum;
using vellum::test::RunBatchInProcess;
using vellum::test::TempPath;

namespace {

TColor colourOf(char c)
{
    switch (c) {
    case 'K': return clBlack;
    case 'R': return RGBColor(255, 0, 0);
    case 'C': return RGBColor(0, 255, 255); // negative of R
    case 'G': return RGBColor(0, 255, 0);
    case 'B': return RGBColor(0, 0, 255);
    default: return clWhite;
    }
}

TXBitmap picture(const std::vector<std::string>& rows)
{
    TXBitmap p(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()));
    for (int y = 0; y < p.Height(); ++y)
        for (int x = 0; x < p.Width(); ++x)
            StorePixel(p.ScanLine(y) + 3 * x, colourOf(rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)]));
    return p;
}

std::vector<std::string> rowsOf(const TXBitmap& p)
{
    const std::string letters = "KRCGBW";
    std::vector<std::string> rows;
    for (int y = 0; y < p.Height(); ++y) {
        std::string row;
        for (int x = 0; x < p.Width(); ++x) {
            char c = '?';
            for (const char l : letters)
                if (colourOf(l) == p.PixelColour(x, y))
                    c = l;
            row += c;
        }
        rows.push_back(row);
    }
    return rows;
}

const std::vector<std::string> Start{"WWWWWW", "WRRWWW", "WRRWGW", "WWWWWW"};

} // namespace

TEST(BatchSelection, OperationsActOnOneFloatingSelectionAsADocumentDoes)
{
    struct Case {
        std::vector<QString> steps;
        std::vector<std::string> out;
    };
    const Case cases[] = {
        {{"selrect=1,1,3,3,-1,0", "selmove=2,0"}, {"WWWWWW", "WKKRRW", "WKKRRW", "WWWWWW"}},
        {{"selrect=1,1,3,3,-1,0", "discard"}, {"WWWWWW", "WKKWWW", "WKKWGW", "WWWWWW"}},
        {{"selrect=1,1,3,3,-1,0", "commit", "selmove=3,0", "discard"}, Start},
        // Only the pixels that are not white float; the white around them stays.
        {{"selrect=0,0,6,4,16777215,0", "selmove=0,1"}, {"WWWWWW", "WKKWWW", "WRRWKW", "WRRWGW"}},
        {{"selrect=1,1,3,3,-1,0", "negative", "selmove=0,-1"}, {"WCCWWW", "WCCWWW", "WKKWGW", "WWWWWW"}},
        {{"selrect=1,1,3,3,-1,0", "mirror", "flip", "grey", "negative", "commit"},
         {"WWWWWW", "W??WWW", "W??WGW", "WWWWWW"}},
        // A new selection commits the old one where it lies.
        {{"selrect=1,1,3,3,-1,0", "selmove=3,-1", "selrect=4,2,5,3,-1,#0000FF", "discard"},
         {"WWWWRR", "WKKWRR", "WKKWBW", "WWWWWW"}},
        {{"selwand=1,1,0,0", "crop=#0000FF"}, {"RR", "RR"}},
        {{"selwand=0,0,0,0", "crop=#0000FF"}, {"WWWWWW", "WBBWWW", "WBBWBW", "WWWWWW"}},
        {{"selfree=-1,0,1,1,3,1,3,3,1,3", "selmove=-1,-1"}, {"RRWWWW", "RRKWWW", "WKKWGW", "WWWWWW"}},
        // Enlarge leaves it floating, a size change commits it first.
        {{"selrect=1,1,3,3,-1,0", "enlarge=7,4,0,#0000FF", "selmove=4,0"},
         {"WWWWWWB", "WKKWWRR", "WKKWGRR", "WWWWWWB"}},
        {{"selrect=1,1,3,3,-1,0", "selmove=1,0", "resize=6,4"}, {"WWWWWW", "WKRRWW", "WKRRGW", "WWWWWW"}},
        {{"commit", "discard", "selmove=5,5", "crop=0"}, Start}, // nothing without a selection
    };
    const QString input = TempPath(QStringLiteral("batch-sel-in.bmp"));
    const QString output = TempPath(QStringLiteral("batch-sel-out.bmp"));
    picture(Start).SavePicture(input);
    for (const Case& c : cases) {
        QStringList arguments{input, output};
        for (const QString& step : c.steps)
            arguments << step;
        QString errors;
        ASSERT_EQ(RunBatchInProcess(arguments, &errors), 0) << errors.toStdString();
        TXBitmap result;
        result.LoadPicture(output);
        std::vector<std::string> rows = rowsOf(result);
        // '?' in the expectation: any colour but the untouched one.
        for (std::size_t y = 0; y < c.out.size() && y < rows.size(); ++y)
            for (std::size_t x = 0; x < c.out[y].size() && x < rows[y].size(); ++x)
                if (c.out[y][x] == '?' && rows[y][x] != 'R')
                    rows[y][x] = '?';
        EXPECT_EQ(rows, c.out) << arguments.join(u' ').toStdString();
    }
}

TEST(BatchSelection, MalformedStepsAreUsageErrorsAndImpossibleSelectionsFail)
{
    const QString input = TempPath(QStringLiteral("batch-sel-in2.bmp"));
    const QString output = TempPath(QStringLiteral("batch-sel-out2.bmp"));
    picture(Start).SavePicture(input);
    struct Case {
        const char* step;
        int status;
    };
    const Case cases[] = {
        {"selrect=1,1,3", 2},          {"selrect=1,1,3,3,red,0", 2}, {"selmove=1000001,0", 2},
        {"selfree=-1,0,1,1,3", 2},     {"selwand=1,1,256,0", 2},     {"crop", 2},
        {"selrect=1,1,1,3,-1,0", 1},   {"selrect=9,9,12,12,-1,0", 1}, {"selwand=6,0,0,0", 1},
        {"selfree=-1,0,1,1,4,1,6,1", 1},
    };
    for (const Case& c : cases) {
        QString errors;
        EXPECT_EQ(RunBatchInProcess({input, output, QString::fromLatin1(c.step)}, &errors), c.status) << c.step;
    }
}
