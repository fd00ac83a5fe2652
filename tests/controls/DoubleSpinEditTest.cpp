#include <QFocusEvent>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include "controls/DoubleSpinEdit.h"

using namespace vellum;

namespace {

struct Box {
    TDoubleSpinEdit box;
    explicit Box(double value)
    {
        box.setRange(0.0, 4.99);
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
};

} // namespace

TEST(DoubleSpinEdit, ShowsTwoDecimalsAndClampsWhatIsSet)
{
    struct Case { double set; const char* shown; };
    for (const Case c : {Case{1.0, "1.00"}, Case{2.5, "2.50"}, Case{7.0, "4.99"}, Case{-3.0, "0.00"}, Case{0.125, "0.13"}}) {
        Box b(0.5);
        b.box.setValue(c.set);
        EXPECT_EQ(b.box.text(), QLatin1String(c.shown)) << c.set;
    }
}

TEST(DoubleSpinEdit, TypingTakesOnlyNumberCharactersAndFiniteNumbers)
{
    struct Case { const char* typed; const char* text; bool number; double value; };
    const Case cases[] = {
        {"2.25", "2.25", true, 2.25},
        {"7", "7", true, 4.99},         // stands as typed, reads clamped
        {"abc", "1.00", true, 1.0},     // letters never get in
        {"1e3", "13", true, 4.99},      // nor an exponent
        {"-", "-", false, 0},
        {"", "", false, 0},
        {"1.2.3", "1.2.3", false, 0},   // may stand, but is no number
        {"+0.5", "+0.5", true, 0.5},
        {"1.005", "1.005", true, 1.0},  // reads as the box will show it
        {"2.999", "2.999", true, 3.0},
    };
    for (const Case& c : cases) {
        Box b(1.0);
        b.Type(QLatin1String(c.typed));
        EXPECT_EQ(b.box.text(), QLatin1String(c.text)) << c.typed;
        double value = -1;
        EXPECT_EQ(b.box.NumberOfText(b.box.text(), value), c.number) << c.typed;
        if (c.number) {
            EXPECT_DOUBLE_EQ(value, c.value) << c.typed;
        }
    }
}

TEST(DoubleSpinEdit, PastedOrSetTextThatIsNoFiniteNumberReadsAsNothing)
{
    Box b(1.0);
    for (const char* text : {"inf", "nan", "-inf", "1e400", "  ", "--1"}) {
        double value = -1;
        EXPECT_FALSE(b.box.NumberOfText(QLatin1String(text), value)) << text;
    }
    // Unfinished text changes nothing while typing.
    b.Type(QStringLiteral("-"));
    EXPECT_DOUBLE_EQ(b.box.value(), 1.0);
}

TEST(DoubleSpinEdit, ArrowKeysStepByTheSingleStep)
{
    Box b(1.0);
    QTest::keyClick(&b.box, Qt::Key_Up);
    EXPECT_EQ(b.box.text(), QStringLiteral("1.01"));
    QTest::keyClick(&b.box, Qt::Key_Down);
    QTest::keyClick(&b.box, Qt::Key_Down);
    EXPECT_EQ(b.box.text(), QStringLiteral("0.99"));
    b.box.setValue(4.99);
    QTest::keyClick(&b.box, Qt::Key_Up);
    EXPECT_EQ(b.box.text(), QStringLiteral("4.99"));
}

TEST(DoubleSpinEdit, LeavingTheBoxFormatsANumberAndKeepsOrReplacesOtherText)
{
    struct Case { TInvalidText mode; const char* typed; const char* shown; };
    const Case cases[] = {
        {TInvalidText::ShowValue, "2.5", "2.50"}, {TInvalidText::Keep, "2.5", "2.50"},
        {TInvalidText::ShowValue, "-", "1.00"},   {TInvalidText::Keep, "-", "-"},
        {TInvalidText::ShowValue, "", "1.00"},    {TInvalidText::Keep, "", ""},
    };
    for (const Case& c : cases) {
        Box b(1.0);
        b.box.SetInvalidText(c.mode);
        b.Type(QLatin1String(c.typed));
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QCoreApplication::sendEvent(&b.box, &out);
        EXPECT_EQ(b.box.text(), QLatin1String(c.shown)) << c.typed;
    }
}
