#include <functional>

#include <gtest/gtest.h>

#include "BatchCommand.h"
#include "EffectsTestSupport.h"
#include "PictureTestSupport.h"
#include "raster/EffectsBitmap.h"

namespace vellum {
namespace {

using test::GradientPicture;
using test::RunBatchInProcess;
using test::SamePixels;
using test::TempPath;

TEST(BatchEffects, EachOperationDoesWhatTheEffectDoes)
{
    const QString input = TempPath(QStringLiteral("effects-in.bmp"));
    const TXBitmap original = GradientPicture(19, 7);
    original.SavePicture(input);
    struct Case {
        const char* operation;
        std::function<void(TEffectsBitmap&)> effect;
    };
    const std::vector<Case> cases{
        {"grey", [](TEffectsBitmap& e) { e.GreyScale(); }},
        {"negative", [](TEffectsBitmap& e) { e.Negative(); }},
        {"brighten=-35", [](TEffectsBitmap& e) { e.Brighten(-35); }},
        {"rgb=10,-20,30", [](TEffectsBitmap& e) { e.AdjustRGB(10, -20, 30); }},
        {"gamma=1.7", [](TEffectsBitmap& e) { e.GammaCorrect(1.7); }},
        {"blur=2.5", [](TEffectsBitmap& e) { e.Blur(2.5); }},
        {"replace=#0B0C0B,#FFFFFF,40", [](TEffectsBitmap& e) { e.ReplaceColour(RGBColor(11, 12, 11), clWhite, 40); }},
        {"fill=3,2,30,255", [](TEffectsBitmap& e) { e.FloodFill(3, 2, 30, RGBColor(255, 0, 0)); }},
    };
    const QString output = TempPath(QStringLiteral("effects-out.bmp"));
    for (const Case& c : cases) {
        QString errors;
        ASSERT_EQ(RunBatchInProcess({input, output, QString::fromLatin1(c.operation)}, &errors), 0)
            << c.operation << ": " << errors.toStdString();
        TXBitmap result;
        result.LoadPicture(output);
        TEffectsBitmap expected{TXBitmap(original)};
        c.effect(expected);
        EXPECT_TRUE(SamePixels(result, expected)) << c.operation;
    }
}

TEST(BatchEffects, BadArgumentsAreUsageErrorsAndBadSeedsFailures)
{
    const QString input = TempPath(QStringLiteral("effects-bad.bmp"));
    GradientPicture(5, 4).SavePicture(input);
    const QString output = TempPath(QStringLiteral("effects-bad-out.bmp"));
    for (const char* bad : {"brighten", "brighten=x", "rgb=1,2", "gamma=abc", "blur=nan", "replace=1,2,256",
                            "fill=1,1,10", "fill=a,1,10,0", "grey=1"}) {
        QString errors;
        EXPECT_EQ(RunBatchInProcess({input, output, QString::fromLatin1(bad)}, &errors), 2)
            << bad << ": " << errors.toStdString();
    }
    for (const char* outside : {"fill=5,0,0,0", "fill=0,-1,0,0"}) {
        QString errors;
        EXPECT_EQ(RunBatchInProcess({input, output, QString::fromLatin1(outside)}, &errors), 1) << outside;
        EXPECT_TRUE(errors.contains(QStringLiteral("outside the 5 x 4 picture"))) << errors.toStdString();
    }
}

} // namespace
} // namespace vellum
