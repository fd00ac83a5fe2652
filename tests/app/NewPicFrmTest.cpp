#include "app/NewPicFrm.h"

#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace vellum {
namespace {

TEST(NewPicForm, OpensWithTheDefaultsAndTheBackgroundColour)
{
    TNewPicForm form(0, -5, RGBColor(1, 2, 3), RGBColor(9, 8, 7));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("New Picture"));
    EXPECT_EQ(form.PicWidth(), 600);
    EXPECT_EQ(form.PicHeight(), 400);
    EXPECT_EQ(form.WidthEdit()->text(), QStringLiteral("600"));
    EXPECT_EQ(form.ColourCombo()->currentText(), QStringLiteral("Background Colour"));
    EXPECT_EQ(form.Colour(), RGBColor(9, 8, 7));
    form.ColourCombo()->setCurrentIndex(form.ColourCombo()->findText(QStringLiteral("Red")));
    EXPECT_EQ(form.Colour(), 255);
    form.ColourCombo()->setCurrentIndex(form.ColourCombo()->findText(QStringLiteral("Foreground Colour")));
    EXPECT_EQ(form.Colour(), RGBColor(1, 2, 3));
    EXPECT_EQ(TNewPicForm(320, 200, 0, 0).PicHeight(), 200);
}

TEST(NewPicForm, LeavingABoxTakesPositiveWholeNumbersOnly)
{
    TNewPicForm form(0, 0, clBlack, clWhite);
    struct Case {
        const char* typed;
        int stored;
        const char* shown;
    };
    for (const Case& c : {Case{" 320 ", 320, "320"}, Case{"0", 320, "320"}, Case{"-4", 320, "320"},
                          Case{"12x", 320, "12x"}, Case{"77", 77, "77"}}) {
        form.WidthEdit()->setText(QString::fromLatin1(c.typed));
        emit form.WidthEdit()->editingFinished();
        EXPECT_EQ(form.PicWidth(), c.stored) << c.typed;
        EXPECT_EQ(form.WidthEdit()->text(), QString::fromLatin1(c.shown)) << c.typed;
    }
}

TEST(NewPicForm, OkTakesWhatIsTypedAndRefusesInvalidText)
{
    TNewPicForm form(0, 0, clBlack, clWhite);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));

    // Typed and confirmed at once, without leaving the box.
    form.WidthEdit()->setFocus();
    form.WidthEdit()->setText(QStringLiteral("123"));
    form.accept();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(form.PicWidth(), 123);

    form.setResult(QDialog::Rejected);
    form.show();
    form.HeightEdit()->setText(QStringLiteral("tall"));
    QString message;
    QTimer::singleShot(0, [&message] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            message = box->text();
            box->accept();
        }
    });
    form.accept();
    EXPECT_EQ(message, QStringLiteral("At least one of the new picture dimensions is invalid"));
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.result(), QDialog::Rejected);
}

} // namespace
} // namespace vellum
