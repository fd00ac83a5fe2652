#include <functional>

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

using test::GradientPicture;
using test::RunBatchInProcess;
using test::SamePixels;
using test::TempPath;

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

} // namespace
} // namespace vellum
