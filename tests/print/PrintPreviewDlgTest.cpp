#include "print/PrintPreviewDlg.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include "PrintTestSupport.h"
#include "raster/ScaleDown.h"

namespace vellum {
namespace {

using printtest::mouse;
using printtest::noisePicture;
using printtest::pdfPrinter;

struct DialogFixture : testing::Test {
    QTemporaryDir folder;
    QString pdf = folder.filePath(QStringLiteral("page.pdf"));
    TXBitmap picture = noisePicture(60, 40);
};

TEST(PrintPreviewDialog, RefusesAMissingPicture)
{
    try {
        TPrintPreviewDialog dialog(nullptr, QStringLiteral("a.bmp"), nullptr, pdfPrinter(QStringLiteral("x.pdf")));
        FAIL() << "no exception";
    } catch (const EPrintError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Unable to print - invalid picture"));
    }
}

TEST_F(DialogFixture, OpensWithThePictureFittedOnThePage)
{
    TPrintPreviewDialog dialog(nullptr, QStringLiteral("/pics/a.bmp"), &picture, pdfPrinter(pdf));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Print Picture"));
    EXPECT_TRUE(dialog.FitToPageBox()->isChecked());
    EXPECT_FALSE(dialog.CentreBox()->isChecked());
    EXPECT_TRUE(dialog.KeepAspectBox()->isChecked());
    EXPECT_TRUE(dialog.InchesButton()->isChecked());
    EXPECT_EQ(dialog.SetupButton()->text(), QStringLiteral("Se&tup..."));
    // A4 at 300 dpi (595 x 842 points) with 10 mm side margins.
    const TPageLayout& layout = dialog.Layout();
    EXPECT_EQ(layout.Metrics().PhysWidth, 2479);
    EXPECT_NEAR(layout.Metrics().OffsetX, 118, 1); // 10 mm, which Qt keeps in points
    EXPECT_EQ(layout.PrintX(), layout.Metrics().OffsetX);
    EXPECT_EQ(layout.PrintWidth(), layout.Metrics().PageWidth);
    EXPECT_EQ(dialog.Field(TLayoutField::Width)->text(), layout.FieldText(TLayoutField::Width));

    // The page image is white with the scaled picture where the layout puts it.
    const QRect p = layout.PictureRectP();
    EXPECT_EQ(dialog.PageImage().Width(), layout.PageImageSize().width());
    EXPECT_EQ(dialog.PageImage().PixelColour(p.left() - 1, p.top()), clWhite);
    EXPECT_EQ(dialog.PageImage().PixelColour(p.left(), p.top()), dialog.ScaledCopy().PixelColour(0, 0));
    EXPECT_EQ(dialog.PageImage().PixelColour(p.right(), p.bottom()),
              dialog.ScaledCopy().PixelColour(p.width() - 1, p.height() - 1));
}

TEST_F(DialogFixture, FieldsAreEnabledByTheBoxes)
{
    struct Case {
        bool fit, centre, keep;
        bool offsets, sizes;
    };
    const Case cases[] = {
        {true, false, true, true, false},   {true, false, false, false, false}, {true, true, false, false, false},
        {false, false, true, true, true},   {false, true, true, false, true},   {false, false, false, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.fit << c.centre << c.keep);
        TPrintPreviewDialog dialog(nullptr, QString(), &picture, pdfPrinter(pdf));
        for (auto [box, on] : {std::pair{dialog.FitToPageBox(), c.fit}, std::pair{dialog.CentreBox(), c.centre},
                               std::pair{dialog.KeepAspectBox(), c.keep}})
            if (box->isChecked() != on)
                box->click();
        EXPECT_EQ(dialog.Field(TLayoutField::FromLeft)->isEnabled(), c.offsets);
        EXPECT_EQ(dialog.Field(TLayoutField::FromTop)->isEnabled(), c.offsets);
        EXPECT_EQ(dialog.Field(TLayoutField::Width)->isEnabled(), c.sizes);
        EXPECT_EQ(dialog.Field(TLayoutField::Height)->isEnabled(), c.sizes);
        EXPECT_EQ(dialog.Layout().FitToPage(), c.fit);
        EXPECT_EQ(dialog.Layout().CentrePicture(), c.centre);
        EXPECT_EQ(dialog.Layout().KeepAspect(), c.keep);
    }
}

TEST_F(DialogFixture, MillimetresRewriteTheFields)
{
    TPrintPreviewDialog dialog(nullptr, QString(), &picture, pdfPrinter(pdf));
    dialog.FitToPageBox()->click();
    dialog.KeepAspectBox()->click();
    dialog.MmButton()->click();
    QLineEdit* width = dialog.Field(TLayoutField::Width);
    width->setText(QStringLiteral("50"));
    emit width->editingFinished();
    EXPECT_EQ(dialog.Layout().PrintWidth(), 591); // 300 x 50 / 25.4
    EXPECT_EQ(width->text(), QStringLiteral("50.04"));
    width->setText(QStringLiteral("fifty"));
    emit width->editingFinished();
    EXPECT_EQ(width->text(), QStringLiteral("50.04"));
}

TEST_F(DialogFixture, DraggingACornerPlacesThePictureByHand)
{
    TPrintPreviewDialog dialog(nullptr, QString(), &picture, pdfPrinter(pdf));
    dialog.CentreBox()->click();
    dialog.show();
    QWidget* surface = dialog.Surface();
    const TPageLayout& layout = dialog.Layout();
    const QRect before = layout.PictureRectP();
    const QPoint handle(before.left() + before.width() - 2, before.top() + before.height() - 2);
    ASSERT_EQ(dialog.PageImage().HitTest(handle.x(), handle.y()), 8);

    mouse(surface, QEvent::MouseButtonPress, handle, Qt::LeftButton, Qt::LeftButton);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::SizeFDiagCursor);
    mouse(surface, QEvent::MouseMove, handle - QPoint(40, 10), Qt::NoButton, Qt::LeftButton);
    // Only the frame moves while dragging; its proportions stay the picture's.
    const TFrameEdges dragged = dialog.PageImage().FrameRect();
    EXPECT_EQ(dragged.Left, before.left());
    EXPECT_EQ(dragged.Top, before.top());
    EXPECT_NEAR(dragged.Width(), dragged.Height() * 1.5, 1.0);
    EXPECT_EQ(layout.PictureRectP(), before);
    mouse(surface, QEvent::MouseButtonRelease, handle - QPoint(40, 10), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    EXPECT_FALSE(dialog.FitToPageBox()->isChecked());
    EXPECT_FALSE(dialog.CentreBox()->isChecked());
    const double s = layout.PreviewScale();
    EXPECT_EQ(layout.PrintWidth(), RoundHalfUp(dragged.Width() / s));
    EXPECT_NEAR(layout.PrintX(), dragged.Left / s, 0.5 / s + 1);
    EXPECT_NEAR(layout.PrintY(), dragged.Top / s, 0.5 / s + 1);
    EXPECT_EQ(dialog.Field(TLayoutField::Width)->text(), layout.FieldText(TLayoutField::Width));
    EXPECT_EQ(dialog.Field(TLayoutField::FromTop)->text(), layout.FieldValue(TLayoutField::FromTop, layout.PrintY()));
    EXPECT_TRUE(dialog.Field(TLayoutField::Width)->isEnabled());
    EXPECT_EQ(dialog.PageImage().FrameRect().Rect(), layout.PictureRectP());
}

TEST_F(DialogFixture, APressOutsideTheFrameHidesIt)
{
    TPrintPreviewDialog dialog(nullptr, QString(), &picture, pdfPrinter(pdf));
    const QRect p = dialog.Layout().PictureRectP();
    mouse(dialog.Surface(), QEvent::MouseButtonPress, p.center(), Qt::LeftButton, Qt::LeftButton);
    mouse(dialog.Surface(), QEvent::MouseButtonRelease, p.center(), Qt::LeftButton, Qt::NoButton);
    EXPECT_TRUE(dialog.PageImage().FrameShown());
    EXPECT_TRUE(dialog.FitToPageBox()->isChecked()); // a click without a move changes nothing
    mouse(dialog.Surface(), QEvent::MouseButtonPress, QPoint(1, 1), Qt::LeftButton, Qt::LeftButton);
    mouse(dialog.Surface(), QEvent::MouseButtonRelease, QPoint(1, 1), Qt::LeftButton, Qt::NoButton);
    EXPECT_FALSE(dialog.PageImage().FrameShown());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(DialogFixture, OkAppliesAHalfTypedValueFirst)
{
    TPrintPreviewDialog dialog(nullptr, QString(), &picture, pdfPrinter(pdf));
    dialog.show();
    dialog.FitToPageBox()->click();
    QLineEdit* width = dialog.Field(TLayoutField::Width);
    width->setFocus();
    width->selectAll();
    QTest::keyClicks(width, QStringLiteral("2"));
    int widthWhenAsked = 0;
    dialog.SetPrintDialogStep([&](QPrinter&, QWidget*) {
        widthWhenAsked = dialog.Layout().PrintWidth();
        return false;
    });
    dialog.OkButton()->click();
    EXPECT_EQ(widthWhenAsked, 600);
    // Cancelled: the preview closes and nothing is written.
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(QFileInfo::exists(pdf));
}

TEST_F(DialogFixture, TheScaledCopyIsMadeAgainOnlyWhenItsSizeChanges)
{
    TPrintPreviewDialog dialog(nullptr, QString(), &picture, pdfPrinter(pdf));
    const std::uint8_t* first = dialog.ScaledCopy().ScanLine(0);
    dialog.CentreBox()->click();
    EXPECT_EQ(dialog.ScaledCopy().ScanLine(0), first);
    dialog.FitToPageBox()->click();
    QLineEdit* width = dialog.Field(TLayoutField::Width);
    width->setText(QStringLiteral("3"));
    emit width->editingFinished();
    EXPECT_EQ(dialog.ScaledCopy().Width(), dialog.Layout().PictureRectP().width());
}

TEST_F(DialogFixture, SetupWithAnotherPaperLaysThePictureOutAgain)
{
    TPrintPreviewDialog dialog(nullptr, QString(), &picture, pdfPrinter(pdf));
    dialog.FitToPageBox()->click();
    dialog.SetSetupStep([](QPrinter& printer, QWidget*) {
        printer.setPageOrientation(QPageLayout::Landscape);
        return true;
    });
    dialog.SetupButton()->click();
    const TPageLayout& layout = dialog.Layout();
    EXPECT_EQ(layout.Metrics().PhysWidth, 3508);
    EXPECT_EQ(layout.PrintY(), layout.Metrics().OffsetY);
    EXPECT_EQ(layout.PrintHeight(), layout.Metrics().PageHeight); // 3:2 on a wider printable area
    EXPECT_EQ(dialog.PageImage().Width(), 283);
    EXPECT_EQ(dialog.Surface()->width(), 283 + 2);
}

TEST(ScalePreviewCopy, AveragesShrinkingSidesAndRepeatsGrowingOnes)
{
    TXBitmap picture(4, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            for (int k = 0; k < 3; ++k)
                picture.ScanLine(y)[3 * x + k] = std::uint8_t(40 * x + 100 * y + k);
    TXBitmap reduced;
    ScaleDownTo(picture, reduced, 2, 1);
    TXBitmap copy;
    ScalePreviewCopy(picture, copy, 2, 1);
    ASSERT_EQ(copy.Width(), 2);
    EXPECT_EQ(std::vector<std::uint8_t>(copy.ScanLine(0), copy.ScanLine(0) + 6),
              std::vector<std::uint8_t>(reduced.ScanLine(0), reduced.ScanLine(0) + 6));

    // Width shrinks 4 -> 2, height grows 2 -> 5: rows of the reduction repeat whole.
    ScalePreviewCopy(picture, copy, 2, 5);
    TXBitmap narrow;
    ScaleDownTo(picture, narrow, 2, 2);
    const int fromRow[] = {0, 0, 0, 1, 1};
    for (int y = 0; y < 5; ++y)
        EXPECT_EQ(std::vector<std::uint8_t>(copy.ScanLine(y), copy.ScanLine(y) + 6),
                  std::vector<std::uint8_t>(narrow.ScanLine(fromRow[y]), narrow.ScanLine(fromRow[y]) + 6))
            << y;

    // Both grow: every pixel becomes a block.
    ScalePreviewCopy(picture, copy, 8, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x)
            ASSERT_EQ(copy.PixelColour(x, y), picture.PixelColour(x / 2, y / 2)) << x << ", " << y;

    ScalePreviewCopy(picture, copy, 0, 3);
    EXPECT_TRUE(copy.Empty());
}

} // namespace
} // namespace vellum
