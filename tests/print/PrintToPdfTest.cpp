// Printing one page to a PDF file and reading it back with poppler's tools: the file holds the
// picture's exact pixels, at the place and size the layout gives.
#include "print/PrintPreviewDlg.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QMessageBox>
#include <QProcess>
#include <QRegularExpression>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include "PrintTestSupport.h"

namespace vellum {
namespace {

using printtest::noisePicture;
using printtest::pdfPrinter;

bool havePoppler()
{
    for (const char* tool : {"pdfinfo", "pdfimages", "pdftoppm"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            return false;
    return true;
}

QString run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

// Prints through the dialog with the print dialog step confirmed; returns the error box's text
// if one was shown.
QString printWithOk(TPrintPreviewDialog& dialog)
{
    // Printing itself lets pending events run: the box is looked for until it comes.
    QString boxText;
    QTimer closer;
    closer.setInterval(10);
    QObject::connect(&closer, &QTimer::timeout, [&boxText, &closer] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            boxText = box->text();
            closer.stop();
            box->accept();
        }
    });
    closer.start();
    dialog.SetPrintDialogStep([](QPrinter&, QWidget*) { return true; });
    dialog.OkButton()->click();
    return boxText;
}

struct PdfFixture : testing::Test {
    void SetUp() override
    {
        if (!havePoppler())
            GTEST_SKIP() << "poppler-utils (pdfinfo, pdfimages, pdftoppm) are not installed";
    }
    QTemporaryDir folder;
    QString pdf = folder.filePath(QStringLiteral("page.pdf"));
    TXBitmap picture = noisePicture(60, 40);
};

TEST_F(PdfFixture, OnePageHoldsThePicturesExactPixelsWhereTheLayoutPutsThem)
{
    struct Case {
        const char* what;
        bool byHand;
    };
    for (const Case& c : {Case{"fitted", false}, Case{"placed by hand", true}}) {
        SCOPED_TRACE(c.what);
        QFile::remove(pdf);
        TPrintPreviewDialog dialog(nullptr, QStringLiteral("/pictures/holiday.bmp"), &picture, pdfPrinter(pdf));
        TPageLayout& layout = dialog.Layout();
        if (c.byHand) {
            layout.SetFitToPage(false);
            layout.SetPrintWidth(900); // 3 inches at 300 dpi, 2 high
            layout.SetPrintX(700);
            layout.SetPrintY(1100);
        }
        EXPECT_EQ(printWithOk(dialog), QString());
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        ASSERT_TRUE(QFileInfo::exists(pdf));

        const QString info = run(QStringLiteral("pdfinfo"), {pdf});
        EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n")))) << info.toStdString();
        EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Title:\\s+/pictures/holiday.bmp\\n"))))
            << info.toStdString();

        // The embedded image is the picture, pixel for pixel.
        run(QStringLiteral("pdfimages"), {QStringLiteral("-png"), pdf, folder.filePath(QStringLiteral("img"))});
        const QStringList images = QDir(folder.path()).entryList({QStringLiteral("img-*.png")});
        ASSERT_EQ(images.size(), 1);
        QImage embedded(folder.filePath(images.first()));
        QFile::remove(folder.filePath(images.first()));
        embedded = embedded.convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(embedded.size(), QSize(60, 40));
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 60; ++x)
                ASSERT_EQ(RGBColor(qRed(embedded.pixel(x, y)), qGreen(embedded.pixel(x, y)), qBlue(embedded.pixel(x, y))),
                          picture.PixelColour(x, y))
                    << x << ", " << y;

        // Rendered at 50 dpi the picture covers the layout's rectangle within a pixel.
        run(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("50"), QStringLiteral("-png"),
                                         QStringLiteral("-singlefile"), pdf, folder.filePath(QStringLiteral("raster"))});
        const QImage raster = QImage(folder.filePath(QStringLiteral("raster.png"))).convertToFormat(QImage::Format_RGB32);
        ASSERT_FALSE(raster.isNull());
        QRect inked;
        for (int y = 0; y < raster.height(); ++y)
            for (int x = 0; x < raster.width(); ++x)
                if (qGray(raster.pixel(x, y)) < 230)
                    inked |= QRect(x, y, 1, 1);
        const double k = 50.0 / 300.0;
        EXPECT_NEAR(inked.left(), layout.PrintX() * k, 1.0);
        EXPECT_NEAR(inked.top(), layout.PrintY() * k, 1.0);
        EXPECT_NEAR(inked.left() + inked.width(), (layout.PrintX() + layout.PrintWidth()) * k, 1.0);
        EXPECT_NEAR(inked.top() + inked.height(), (layout.PrintY() + layout.PrintHeight()) * k, 1.0);
    }
}

TEST_F(PdfFixture, AnUnwritableDestinationIsAnError)
{
    const QString nowhere = folder.filePath(QStringLiteral("missing/folder/page.pdf"));
    TPrintPreviewDialog dialog(nullptr, QString(), &picture, pdfPrinter(nowhere));
    EXPECT_EQ(printWithOk(dialog), QStringLiteral("Error Printing"));
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(QFileInfo::exists(nowhere));
}

TEST_F(PdfFixture, ACancelledPrintDialogWritesNothing)
{
    TPrintPreviewDialog dialog(nullptr, QString(), &picture, pdfPrinter(pdf));
    dialog.SetPrintDialogStep([](QPrinter&, QWidget*) { return false; });
    dialog.OkButton()->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(QFileInfo::exists(pdf));
}

TEST(PrintJob, TitleAndDefaultPdfPlace)
{
    EXPECT_EQ(PrintJobTitle(QStringLiteral("/p/a.bmp")), QStringLiteral("/p/a.bmp"));
    EXPECT_EQ(PrintJobTitle(QStringLiteral("  ")), QStringLiteral("Vellum Picture"));
    EXPECT_EQ(PrintPdfDestination(QStringLiteral("/p/holiday.2020.jpg")), QStringLiteral("/p/holiday.2020.pdf"));
    EXPECT_EQ(PrintPdfDestination(QString()), QDir::home().filePath(QStringLiteral("Vellum Picture.pdf")));
}

} // namespace
} // namespace vellum
