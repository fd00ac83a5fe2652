#include "app/AddTextDlg.h"

#include <QApplication>
#include <QFontComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>

#include <gtest/gtest.h>

namespace vellum {
namespace {

// The rightmost column of a grabbed label that differs from its background.
int inkRight(const QImage& image)
{
    const QRgb background = image.pixel(image.width() - 1, 0);
    for (int x = image.width() - 1; x >= 0; --x)
        for (int y = 0; y < image.height(); ++y)
            if (image.pixel(x, y) != background)
                return x;
    return -1;
}

TEST(AddTextDialog, EveryAccessKeyLeadsToItsFieldAndNoAmpersandShows)
{
    TAddTextDialog dialog;
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    QLabel* textLabel = nullptr;
    for (QLabel* label : dialog.findChildren<QLabel*>()) {
        const QString text = label->text();
        const qsizetype amp = text.indexOf(QLatin1Char('&'));
        if (amp < 0 || amp + 1 >= text.size() || text[amp + 1] == QLatin1Char('&'))
            continue;
        EXPECT_NE(label->buddy(), nullptr) << text.toStdString();
        if (text == QStringLiteral("&Text:"))
            textLabel = label;
    }
    ASSERT_NE(textLabel, nullptr);

    // Alt+T takes the user to the text box.
    dialog.FamilyBox()->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_T, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), dialog.TextBox());

    // On screen the caption reads "Text:", the ampersand is not drawn.
    const QImage shot = textLabel->grab().toImage();
    const int plain = textLabel->fontMetrics().horizontalAdvance(QStringLiteral("Text:"));
    const int withAmpersand = textLabel->fontMetrics().horizontalAdvance(QStringLiteral("&Text:"));
    const int right = inkRight(shot);
    EXPECT_GT(right, plain / 2);
    EXPECT_LT(right, (plain + withAmpersand) / 2);
}

} // namespace
} // namespace vellum
