#include <QFocusEvent>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include "controls/WholeNumberBox.h"

using namespace vellum;

namespace {

struct Box {
    TWholeNumberBox box;
    Box(int min, int max, int value)
    {
        box.setRange(min, max);
        box.setValue(value);
    }
    void Type(const QString& text)
    {
        box.Editor()->selectAll();
        if (text.isEmpty())
            QTest::keyClick(box.Editor(), Qt::Key_Delete);
        else
            QTest::keyClicks(box.Editor(), text);
    }
    void LoseFocus()
    {
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QCoreApplication::sendEvent(&box, &out);
    }
};

} // namespace

TEST(WholeNumberBox, TakesWholeNumbersClampedAndIgnoresEverythingElse)
{
    struct Case { QString typed; int expected; QString shownAfterFocusLoss; };
    const Case cases[] = {
        {"600", 500, "500"}, {"25", 25, "25"}, {"0", 1, "1"}, {"", 7, "7"}, {"abc", 7, "7"},
        {"-", 7, "7"}, {"+", 7, "7"}, {" 9 ", 9, "9"}, {"1e2", 1, "1"} /* "1" taken, the rest ignored */, {"-50", 1, "1"},
        {"12345", 123, "123"}, // the fourth character never gets in
    };
    for (const Case& k : cases) {
        Box b(1, 500, 7);
        b.Type(k.typed);
        EXPECT_EQ(b.box.value(), k.expected) << k.typed.toStdString();
        b.LoseFocus();
        EXPECT_EQ(b.box.Editor()->text(), k.shownAfterFocusLoss) << k.typed.toStdString();
    }
}

TEST(WholeNumberBox, ReportsEachTakenValueOnce)
{
    Box b(0, 255, 0);
    QSignalSpy spy(&b.box, &QSpinBox::valueChanged);
    b.Type("2x0");
    EXPECT_EQ(spy.count(), 1); // "2" taken, "2x" and "2x0" ignored
    EXPECT_EQ(b.box.value(), 2);
}

TEST(WholeNumberBox, ArrowsStepByOneWithinTheRange)
{
    Box b(0, 100, 99);
    b.box.stepUp();
    EXPECT_EQ(b.box.value(), 100);
    b.box.stepUp();
    EXPECT_EQ(b.box.value(), 100);
    QTest::keyClick(&b.box, Qt::Key_Down);
    EXPECT_EQ(b.box.value(), 99);
}

TEST(WholeNumberBox, AValueSetByTheOwnerShowsInFullThoughTypingStopsAtThree)
{
    Box b(-100, 100, 0);
    b.box.setValue(-100); // a track bar reaches what three characters cannot
    EXPECT_EQ(b.box.Editor()->text(), QStringLiteral("-100"));
    b.box.Editor()->end(false);
    QTest::keyClicks(b.box.Editor(), QStringLiteral("5"));
    EXPECT_EQ(b.box.Editor()->text(), QStringLiteral("-100"));
    b.Type(QStringLiteral("-1000"));
    EXPECT_EQ(b.box.Editor()->text(), QStringLiteral("-10"));
    EXPECT_EQ(b.box.value(), -10);
}
