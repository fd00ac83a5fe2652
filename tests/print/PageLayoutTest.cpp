#include "print/PageLayout.h"

#include <cmath>
#include <random>

#include <QLocale>

#include <gtest/gtest.h>

namespace vellum {
namespace {

// A page of paper width x height device pixels with margins left, top, right, bottom.
TPageMetrics page(int width, int height, int left, int top, int right, int bottom, double dpi)
{
    return {width, height, left, top, width - left - right, height - top - bottom, dpi, dpi};
}

// An A4 sheet at 600 dpi with 100-pixel margins, portrait.
const TPageMetrics A4 = page(4960, 7016, 100, 100, 100, 100, 600);

struct Placement {
    int x, y, w, h;
    bool operator==(const Placement&) const = default;
};

void PrintTo(const Placement& p, std::ostream* os)
{
    *os << "(" << p.x << ", " << p.y << ", " << p.w << " x " << p.h << ")";
}

Placement placement(const TPageLayout& layout)
{
    return {layout.PrintX(), layout.PrintY(), layout.PrintWidth(), layout.PrintHeight()};
}

TEST(PageLayout, OpeningFitsThePictureToThePrintableArea)
{
    struct Case {
        const char* what;
        TPageMetrics metrics;
        int pictureWidth, pictureHeight;
        bool keepAspect, centre;
        Placement expected;
    };
    const Case cases[] = {
        // The printable area's proportions choose the side to fill: 4760 / 6816 < 0.703.
        {"tall picture, margins", A4, 703, 1000, true, false, {100, 100, 4760, 6771}},
        {"3:2 fills the printable width", A4, 600, 400, true, false, {100, 100, 4760, 3173}},
        {"3:2 centred", A4, 600, 400, true, true, {100, 1921, 4760, 3173}},
        {"aspect off stretches", A4, 600, 400, false, false, {100, 100, 4760, 6816}},
        {"aspect off centred", A4, 600, 400, false, true, {100, 100, 4760, 6816}},
        {"paper wider than 3:2 fills the height", page(6000, 3000, 0, 0, 0, 0, 300), 600, 400, true, false,
         {0, 0, 4500, 3000}},
        {"landscape A4 at 300 dpi, no margins", page(3508, 2480, 0, 0, 0, 0, 300), 600, 400, true, true,
         {0, 70, 3508, 2339}},
        {"1200 dpi letter, large uneven margins", page(10200, 13200, 2400, 1200, 1200, 2400, 1200), 1000, 1000,
         true, true, {2400, 3300, 6600, 6600}},
        {"square picture on a wide printable area", page(7016, 4960, 300, 0, 300, 0, 600), 500, 500, true, false,
         {300, 0, 4960, 4960}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TPageLayout layout;
        layout.Open(c.metrics, c.pictureWidth, c.pictureHeight);
        if (!c.keepAspect)
            layout.SetKeepAspect(false);
        if (c.centre)
            layout.SetCentrePicture(true);
        EXPECT_EQ(placement(layout), c.expected);
        EXPECT_TRUE(layout.FitToPage());
    }
}

TEST(PageLayout, SizesThatLeaveThePrintableAreaAreRefused)
{
    struct Case {
        const char* what;
        bool centre;
        int pictureWidth, pictureHeight;
        // Not centred: a width set first (0: none) and the picture moved down to y.
        int firstWidth, y;
        bool setWidth;
        int size;
        Placement expected;
    };
    // Start: fit off, aspect kept, the picture where opening put it.
    const Case cases[] = {
        {"width past the right edge", false, 703, 1000, 0, 100, true, 4761, {100, 100, 4760, 6771}},
        {"zero width", false, 703, 1000, 0, 100, true, 0, {100, 100, 4760, 6771}},
        {"negative height", false, 703, 1000, 0, 100, false, -5, {100, 100, 4760, 6771}},
        // The height that follows would pass the printable bottom from where the picture is
        // (though not the paper's height).
        {"follower past the bottom", false, 703, 1000, 3000, 2500, true, 4700, {100, 2500, 3000, 4267}},
        {"follower fits", false, 703, 1000, 0, 100, true, 4700, {100, 100, 4700, 6686}},
        // Centred: the width that follows would be wider than the printable area (not the paper).
        {"centred follower too wide", true, 2000, 1000, 0, 0, false, 2450, {100, 2318, 4760, 2380}},
        {"centred width clamps to the page", true, 2000, 1000, 0, 0, true, 9000, {100, 2318, 4760, 2380}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TPageLayout layout;
        layout.Open(A4, c.pictureWidth, c.pictureHeight);
        layout.SetFitToPage(false);
        if (c.centre) {
            layout.SetCentrePicture(true);
        } else {
            if (c.firstWidth > 0)
                layout.SetPrintWidth(c.firstWidth);
            layout.SetPrintY(c.y);
        }
        if (c.setWidth)
            layout.SetPrintWidth(c.size);
        else
            layout.SetPrintHeight(c.size);
        EXPECT_EQ(placement(layout), c.expected);
        EXPECT_EQ(layout.FieldText(c.setWidth ? TLayoutField::Width : TLayoutField::Height),
                  layout.FieldValue(c.setWidth ? TLayoutField::Width : TLayoutField::Height,
                                    c.setWidth ? c.expected.w : c.expected.h));
    }
}

TEST(PageLayout, TickingMaintainAspectMovesThePictureInsideInsteadOfRefusing)
{
    TPageLayout layout;
    layout.Open(A4, 1000, 1000);
    layout.SetFitToPage(false);
    layout.SetKeepAspect(false);
    layout.SetPrintHeight(1000);
    layout.SetPrintY(5000);
    ASSERT_EQ(placement(layout), (Placement{100, 5000, 4760, 1000}));
    layout.SetKeepAspect(true); // 4760 high does not fit below y = 5000: the picture moves up
    EXPECT_EQ(placement(layout), (Placement{100, 2156, 4760, 4760}));

    // The height that would follow is taller than the printable area: the width follows the
    // height instead.
    TPageLayout wide;
    wide.Open(page(4000, 1000, 0, 0, 0, 0, 300), 100, 100);
    wide.SetFitToPage(false);
    wide.SetKeepAspect(false);
    wide.SetPrintWidth(4000);
    ASSERT_EQ(placement(wide), (Placement{0, 0, 4000, 1000}));
    wide.SetKeepAspect(true);
    EXPECT_EQ(placement(wide), (Placement{0, 0, 1000, 1000}));
}

TEST(PageLayout, FieldsShowAndTakeInchesAndMillimetres)
{
    TPageLayout layout;
    layout.Open(A4, 600, 400);
    EXPECT_EQ(layout.FieldText(TLayoutField::FromLeft), QStringLiteral("0.17"));
    EXPECT_EQ(layout.FieldText(TLayoutField::Width), QStringLiteral("7.93"));
    layout.SetUnits(TPrintUnits::Millimetres);
    EXPECT_EQ(layout.FieldText(TLayoutField::Width), QStringLiteral("201.51")); // 4760 / 600 * 25.4
    layout.SetFitToPage(false);
    layout.SetKeepAspect(false);
    layout.LeaveField(TLayoutField::Width, QStringLiteral(" 50 "));
    EXPECT_EQ(layout.PrintWidth(), 1181);
    EXPECT_EQ(layout.FieldText(TLayoutField::Width), QStringLiteral("50.00"));
    layout.SetUnits(TPrintUnits::Inches);
    EXPECT_EQ(layout.FieldText(TLayoutField::Width), QStringLiteral("1.97"));
    layout.LeaveField(TLayoutField::Height, QStringLiteral("1.5"));
    EXPECT_EQ(layout.PrintHeight(), 900);
}

TEST(PageLayout, AFieldWithoutAUsableNumberShowsItsValueAgain)
{
    struct Case {
        TLayoutField field;
        const char* text;
        Placement expected;
        const char* shown;
    };
    const Placement start{100, 100, 1000, 800};
    const Case cases[] = {
        {TLayoutField::Width, "abc", start, "1.67"},
        {TLayoutField::Width, "", start, "1.67"},
        {TLayoutField::Width, "12abc", start, "1.67"},
        {TLayoutField::Width, "nan", start, "1.67"},
        {TLayoutField::Width, "inf", start, "1.67"},
        {TLayoutField::Width, "1e300", start, "1.67"},
        {TLayoutField::Width, "4000000", start, "1.67"}, // 2.4e9 pixels: beyond a 32-bit integer
        {TLayoutField::Width, "0", start, "1.67"},
        {TLayoutField::Height, "-2", start, "1.33"},
        // Offsets are clamped into the printable area.
        {TLayoutField::FromLeft, "-1", start, "0.17"},
        {TLayoutField::FromLeft, "1000", {3860, 100, 1000, 800}, "6.43"},
        {TLayoutField::FromTop, "100", {100, 6116, 1000, 800}, "10.19"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        TPageLayout layout;
        layout.Open(A4, 500, 400);
        layout.SetFitToPage(false);
        layout.SetKeepAspect(false);
        layout.SetPrintWidth(1000);
        layout.SetPrintHeight(800);
        layout.LeaveField(c.field, QString::fromLatin1(c.text));
        EXPECT_EQ(placement(layout), c.expected);
        EXPECT_EQ(layout.FieldText(c.field), QString::fromLatin1(c.shown));
    }
}

TEST(PageLayout, NumbersFollowTheUserLocaleAndAlwaysAcceptAPoint)
{
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    TPageLayout layout;
    layout.Open(A4, 500, 400);
    layout.SetFitToPage(false);
    layout.SetKeepAspect(false);
    layout.LeaveField(TLayoutField::Width, QStringLiteral("1,5"));
    EXPECT_EQ(layout.PrintWidth(), 900);
    EXPECT_EQ(layout.FieldText(TLayoutField::Width), QStringLiteral("1,50"));
    layout.LeaveField(TLayoutField::Width, QStringLiteral("2.25"));
    EXPECT_EQ(layout.PrintWidth(), 1350);
    QLocale::setDefault(before);
}

TEST(PageLayout, EnabledFieldsFollowTheBoxes)
{
    struct Case {
        bool fit, centre, keep;
        bool offsets, sizes;
    };
    const Case cases[] = {
        {true, false, true, true, false},   {true, false, false, false, false}, {true, true, true, false, false},
        {false, false, true, true, true},   {false, false, false, true, true},  {false, true, false, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.fit << c.centre << c.keep);
        TPageLayout layout;
        layout.Open(A4, 500, 400);
        layout.SetKeepAspect(c.keep);
        layout.SetCentrePicture(c.centre);
        layout.SetFitToPage(c.fit);
        EXPECT_EQ(layout.FieldEnabled(TLayoutField::FromLeft), c.offsets);
        EXPECT_EQ(layout.FieldEnabled(TLayoutField::FromTop), c.offsets);
        EXPECT_EQ(layout.FieldEnabled(TLayoutField::Width), c.sizes);
        EXPECT_EQ(layout.FieldEnabled(TLayoutField::Height), c.sizes);
    }
}

TEST(PageLayout, ThePreviewHoldsTheWholePageWhateverItsProportions)
{
    struct Case {
        TPageMetrics metrics;
        double scale;
        QSize image;
    };
    const Case cases[] = {
        {A4, 258.0 / 7016, {182, 258}},
        {page(7016, 4960, 0, 0, 0, 0, 600), 283.0 / 7016, {283, 200}},
        {page(5100, 6600, 0, 0, 0, 0, 600), 258.0 / 6600, {199, 258}},
        // Nearly square landscape: the width's ratio would make it 277 high.
        {page(5000, 4900, 0, 0, 0, 0, 600), 258.0 / 4900, {263, 258}},
    };
    for (const Case& c : cases) {
        TPageLayout layout;
        layout.Open(c.metrics, 10, 10);
        EXPECT_DOUBLE_EQ(layout.PreviewScale(), c.scale);
        EXPECT_EQ(layout.PageImageSize(), c.image);
    }
}

TEST(PageLayout, AFrameAsWideAsThePrintableAreaIsNeverRefused)
{
    // The printable rectangle's preview edges are truncated: 3.90 and 178.06 give 175 preview
    // pixels, 4759 device pixels on a printable width of 4736.
    const TPageMetrics metrics = page(4960, 7016, 106, 100, 118, 100, 600);
    TPageLayout layout;
    layout.Open(metrics, 500, 400);
    layout.SetKeepAspect(false);
    layout.SetFitToPage(false);
    layout.SetPrintWidth(1000);
    const QRect printable = layout.PrintableRectP();
    ASSERT_GT(RoundHalfUp(printable.width() / layout.PreviewScale()), metrics.PageWidth);
    layout.ApplyPreviewFrame(QRect(printable.left(), 20, printable.width(), 100));
    EXPECT_EQ(layout.PrintWidth(), metrics.PageWidth);
    EXPECT_EQ(layout.PrintX(), metrics.OffsetX);
    EXPECT_FALSE(layout.FitToPage());
    EXPECT_FALSE(layout.CentrePicture());
}

TEST(PageLayout, RedrawsAreSuspendedWhileLayingOut)
{
    TPageLayout layout;
    int full = 0, moves = 0;
    layout.OnRedraw = [&](bool rescale) { ++(rescale ? full : moves); };
    layout.Open(A4, 600, 400);
    EXPECT_EQ(full, 1);
    EXPECT_EQ(moves, 0);
    full = 0;
    layout.SetCentrePicture(true);
    EXPECT_EQ(full + moves, 1);
    full = moves = 0;
    layout.ApplyPreviewFrame(QRect(10, 10, 50, 30));
    EXPECT_EQ(full, 1);
    EXPECT_EQ(moves, 0);
}

// The page chosen for printing may bring another paper, margins or resolution.
TEST(PageLayout, AnotherPageKeepsThePicturesPlaceOnPaperWhereItFits)
{
    const TPageMetrics a4 = page(2480, 3508, 118, 177, 118, 177, 300); // printable right 2362
    const TPageMetrics a4At600 = page(4960, 7016, 236, 354, 236, 354, 600);
    const TPageMetrics letter = page(2550, 3300, 75, 75, 75, 75, 300);
    const TPageMetrics a5 = page(1748, 2480, 118, 177, 118, 177, 300); // printable right 1630
    // Printable right 4723: the 600-dpi picture below ends a pixel beyond it.
    const TPageMetrics narrowerAt600 = page(4960, 7016, 236, 354, 237, 354, 600);
    struct Case {
        const char* what;
        bool fit, centre;
        int x, y, width; // by hand on A4 at 300 dpi; the 3:2 picture's height follows
        TPageMetrics next;
        TPageChange change;
        Placement expected;
    };
    const Case cases[] = {
        {"twice the resolution", false, false, 700, 1100, 900, a4At600, TPageChange::Kept, {1400, 2200, 1800, 1200}},
        {"other paper, place still printable", false, false, 700, 1100, 900, letter, TPageChange::Kept,
         {700, 1100, 900, 600}},
        {"a pixel over the edge after rounding", false, false, 1462, 1100, 900, narrowerAt600, TPageChange::Kept,
         {2923, 2200, 1800, 1200}},
        {"place off the smaller paper's printable area", false, false, 1000, 1100, 900, a5, TPageChange::Moved,
         {730, 1100, 900, 600}},
        {"larger than the smaller printable area", false, false, 300, 300, 1800, a5, TPageChange::Fitted,
         {118, 177, 1512, 1008}},
        {"fitted stays fitted", true, false, 0, 0, 0, a5, TPageChange::Kept, {118, 177, 1512, 1008}},
        {"centred stays centred", false, true, 0, 0, 900, letter, TPageChange::Kept, {825, 1350, 900, 600}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TPageLayout layout;
        layout.Open(a4, 600, 400);
        if (!c.fit) {
            layout.SetFitToPage(false);
            layout.SetCentrePicture(c.centre);
            layout.SetPrintWidth(c.width);
            if (!c.centre) {
                layout.SetPrintX(c.x);
                layout.SetPrintY(c.y);
                ASSERT_EQ(placement(layout), (Placement{c.x, c.y, c.width, c.width * 2 / 3}));
            }
        }
        std::array<QString, 4> inches;
        for (int f = 0; f < 4; ++f)
            inches[std::size_t(f)] = layout.FieldText(TLayoutField(f));
        int redraws = 0;
        layout.OnRedraw = [&](bool) { ++redraws; };

        EXPECT_EQ(layout.ChangePage(c.next), c.change);
        EXPECT_EQ(layout.Metrics(), c.next);
        EXPECT_EQ(placement(layout), c.expected);
        EXPECT_EQ(layout.FitToPage(), c.fit);
        EXPECT_EQ(layout.CentrePicture(), c.centre);
        EXPECT_EQ(redraws, 1);
        for (int f = 0; f < 4; ++f) {
            const auto field = TLayoutField(f);
            EXPECT_EQ(layout.FieldText(field), layout.FieldValue(field, std::array{c.expected.x, c.expected.y, c.expected.w,
                                                                                   c.expected.h}[std::size_t(f)]));
            // Kept by hand: the same inches.
            if (c.change == TPageChange::Kept && !c.fit && !c.centre) {
                EXPECT_EQ(layout.FieldText(field), inches[std::size_t(f)]) << f;
            }
        }
    }
}

// Random operations in random order never put the picture outside the printable area, never
// distort it while the aspect is kept, and never leave a field showing a stale value.
TEST(PageLayout, RandomOperationsKeepThePictureInsideAndInProportion)
{
    std::mt19937 random(20261210);
    auto between = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    auto randomPage = [&] {
        const double dpi = std::array{300.0, 600.0, 720.0, 1200.0}[std::size_t(between(0, 3))];
        int w = int(dpi * between(40, 120) / 10), h = int(dpi * between(40, 120) / 10);
        const int m = int(dpi * between(0, 15) / 10);
        return page(w, h, between(0, m), between(0, m), between(0, m), between(0, m), dpi);
    };
    const QStringList texts{QStringLiteral("abc"), QStringLiteral("-3"), QStringLiteral("0"), QStringLiteral("2.5"),
                            QStringLiteral("7"),   QStringLiteral("1e12"), QStringLiteral("0.01")};
    for (int run = 0; run < 200; ++run) {
        TPageLayout layout;
        const int pw = between(1, 4000), ph = between(std::max(1, pw / 10), std::min(40000, pw * 10));
        layout.Open(randomPage(), pw, ph);
        for (int step = 0; step < 40; ++step) {
            const TPageMetrics& m = layout.Metrics();
            switch (between(0, 11)) {
            case 0: layout.SetPrintX(between(-m.PhysWidth, 2 * m.PhysWidth)); break;
            case 1: layout.SetPrintY(between(-m.PhysHeight, 2 * m.PhysHeight)); break;
            case 2: layout.SetPrintWidth(between(-10, 2 * m.PhysWidth)); break;
            case 3: layout.SetPrintHeight(between(-10, 2 * m.PhysHeight)); break;
            case 4: layout.SetFitToPage(between(0, 1) == 1); break;
            case 5: layout.SetCentrePicture(between(0, 1) == 1); break;
            case 6: layout.SetKeepAspect(between(0, 1) == 1); break;
            case 7: layout.SetUnits(between(0, 1) == 1 ? TPrintUnits::Millimetres : TPrintUnits::Inches); break;
            case 8:
                layout.LeaveField(TLayoutField(between(0, 3)), texts[between(0, int(texts.size()) - 1)]);
                break;
            case 9: {
                const QRect p = layout.PrintableRectP();
                const int l = between(p.left(), p.left() + p.width()), t = between(p.top(), p.top() + p.height());
                layout.ApplyPreviewFrame(
                    QRect(l, t, between(0, p.left() + p.width() - l), between(0, p.top() + p.height() - t)));
                break;
            }
            case 10: (void)layout.ChangePage(randomPage()); break;
            default: layout.Setup(randomPage()); break;
            }
            const TPageMetrics& now = layout.Metrics();
            ASSERT_GE(layout.PrintX(), now.OffsetX) << "run " << run << " step " << step;
            ASSERT_GE(layout.PrintY(), now.OffsetY) << "run " << run << " step " << step;
            ASSERT_LE(layout.PrintX() + layout.PrintWidth(), now.PrintRight()) << "run " << run << " step " << step;
            ASSERT_LE(layout.PrintY() + layout.PrintHeight(), now.PrintBottom()) << "run " << run << " step " << step;
            ASSERT_GE(layout.PrintWidth(), 1);
            ASSERT_GE(layout.PrintHeight(), 1);
            // A side that would round to 0 pixels is held at 1: only then may the kept aspect
            // slip.
            if (layout.KeepAspect() && std::min(layout.PrintWidth(), layout.PrintHeight()) > 1) {
                const double a = layout.PictureAspect();
                ASSERT_LE(std::abs(layout.PrintWidth() - layout.PrintHeight() * a), 0.5 * std::max(1.0, a) + 1e-9)
                    << "run " << run << " step " << step;
            }
            ASSERT_EQ(layout.FieldText(TLayoutField::FromLeft), layout.FieldValue(TLayoutField::FromLeft, layout.PrintX()));
            ASSERT_EQ(layout.FieldText(TLayoutField::FromTop), layout.FieldValue(TLayoutField::FromTop, layout.PrintY()));
            ASSERT_EQ(layout.FieldText(TLayoutField::Width), layout.FieldValue(TLayoutField::Width, layout.PrintWidth()));
            ASSERT_EQ(layout.FieldText(TLayoutField::Height),
                      layout.FieldValue(TLayoutField::Height, layout.PrintHeight()));
        }
    }
}

} // namespace
} // namespace vellum
