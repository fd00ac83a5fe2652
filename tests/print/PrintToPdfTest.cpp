// Printing one page to a PDF file and reading it back with poppler's tools: the file holds the
// picture's exact pixels, at the place and size the layout gives.
#include "print/PrintPreviewDlg.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinterInfo>
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

// Prints through the dialog with the print dialog step (by default one that confirms at once);
// returns the text of the message box if one was shown.
QString printWithOk(TPrintPreviewDialog& dialog, TPrintPreviewDialog::TPrinterStep step = {})
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
    dialog.SetPrintDialogStep(step ? step : [](QPrinter&, QWidget*) { return true; });
    dialog.OkButton()->click();
    return boxText;
}

// The inked part of the PDF's page rendered at dpi, in the rendering's pixels from the paper's
// corner.
QRect inkedRect(const QString& pdf, const QTemporaryDir& folder, int dpi)
{
    run(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-png"),
                                     QStringLiteral("-singlefile"), pdf, folder.filePath(QStringLiteral("raster"))});
    const QImage raster = QImage(folder.filePath(QStringLiteral("raster.png"))).convertToFormat(QImage::Format_RGB32);
    QRect inked;
    for (int y = 0; y < raster.height(); ++y)
        for (int x = 0; x < raster.width(); ++x)
            if (qGray(raster.pixel(x, y)) < 230)
                inked |= QRect(x, y, 1, 1);
    return inked;
}

// The picture by hand at 3 x 2 inches, its corner (x, y) pixels of 300 dpi from the paper's.
void placeByHand(TPageLayout& layout, int x, int y, int width = 900)
{
    layout.SetFitToPage(false);
    layout.SetPrintWidth(width);
    layout.SetPrintX(x);
    layout.SetPrintY(y);
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
        if (c.byHand)
            placeByHand(layout, 700, 1100);
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
        const QRect inked = inkedRect(pdf, folder, 50);
        ASSERT_FALSE(inked.isEmpty());
        const double k = 50.0 / 300.0;
        EXPECT_NEAR(inked.left(), layout.PrintX() * k, 1.0);
        EXPECT_NEAR(inked.top(), layout.PrintY() * k, 1.0);
        EXPECT_NEAR(inked.left() + inked.width(), (layout.PrintX() + layout.PrintWidth()) * k, 1.0);
        EXPECT_NEAR(inked.top() + inked.height(), (layout.PrintY() + layout.PrintHeight()) * k, 1.0);
    }
}

TEST_F(PdfFixture, AnotherPageChosenInThePrintDialogKeepsThePicturesPlaceOnPaper)
{
    TPrintPreviewDialog dialog(nullptr, QString(), &picture, pdfPrinter(pdf));
    placeByHand(dialog.Layout(), 700, 1100);
    const QString boxText = printWithOk(dialog, [](QPrinter& printer, QWidget*) {
        printer.setResolution(600);
        printer.setPageSize(QPageSize(QPageSize::Letter));
        return true;
    });
    EXPECT_EQ(boxText, QString());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    const QString info = run(QStringLiteral("pdfinfo"), {pdf});
    EXPECT_TRUE(info.contains(QStringLiteral("612 x 792 pts"))) << info.toStdString();
    // 3 x 2 inches at (700, 1100) / 300 inches, rendered at 60 dpi.
    const QRect inked = inkedRect(pdf, folder, 60);
    EXPECT_NEAR(inked.left(), 140, 1.0);
    EXPECT_NEAR(inked.top(), 220, 1.0);
    EXPECT_NEAR(inked.width(), 180, 1.0);
    EXPECT_NEAR(inked.height(), 120, 1.0);
}

TEST_F(PdfFixture, APageThePictureNoLongerFitsReturnsToThePreviewAndSaysWhy)
{
    struct Case {
        const char* what;
        int x, width;
        const char* because;
    };
    // A5 at 300 dpi: the printable area ends 1630 pixels from the paper's left edge.
    const Case cases[] = {
        {"off the printable area", 1000, 900, "moved inside"},
        {"larger than it", 300, 1800, "fitted to that area"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(pdf);
        TPrintPreviewDialog dialog(nullptr, QString(), &picture, pdfPrinter(pdf));
        const TPageLayout& layout = dialog.Layout();
        placeByHand(dialog.Layout(), c.x, 300, c.width);
        const QString boxText = printWithOk(dialog, [](QPrinter& printer, QWidget*) {
            printer.setPageSize(QPageSize(QPageSize::A5));
            return true;
        });
        EXPECT_TRUE(boxText.contains(QLatin1String(c.because))) << boxText.toStdString();
        EXPECT_TRUE(boxText.contains(QStringLiteral("printable area"))) << boxText.toStdString();
        EXPECT_NE(dialog.result(), QDialog::Accepted);
        EXPECT_FALSE(QFileInfo::exists(pdf));
        // The preview shows the new page with the picture on its printable area.
        EXPECT_EQ(layout.Metrics(), ReadPrinterMetrics(dialog.Printer()));
        EXPECT_EQ(dialog.PageImage().Width(), layout.PageImageSize().width());
        EXPECT_EQ(dialog.PageImage().Height(), layout.PageImageSize().height());
        EXPECT_LE(layout.PrintX() + layout.PrintWidth(), layout.Metrics().PrintRight());

        // Seen and confirmed, it prints.
        EXPECT_EQ(printWithOk(dialog), QString());
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_TRUE(QFileInfo::exists(pdf));
    }
}

TEST(PrintDialog, PrintingToAFileProposesThePicturesNameBesideIt)
{
    if (!QPrinterInfo::availablePrinters().isEmpty())
        GTEST_SKIP() << "a printer is installed: the dialog would not start on printing to a file";
    QTemporaryDir folder;
    const QString destination = PrintPdfDestination(folder.filePath(QStringLiteral("holiday.jpg")));
    QPrinter printer(QPrinter::HighResolution);
    ASSERT_TRUE(printer.outputFileName().isEmpty());
    QTimer confirm;
    confirm.setInterval(10);
    QObject::connect(&confirm, &QTimer::timeout, [] {
        if (auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget()))
            dialog->accept();
    });
    confirm.start();
    ASSERT_TRUE(RunPrintDialog(printer, nullptr, destination));
    EXPECT_EQ(printer.outputFileName(), destination);
    EXPECT_EQ(printer.outputFormat(), QPrinter::PdfFormat);
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
