// The document area as it shows: a maximised browser fills it, new picture windows are placed
// where they fit whole.

#include "app/VLMain.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include "BrowserTestHelpers.h"
#include "app/StartUp.h"
#include "app/VLBrwsrChildWn.h"
#include "app/VLGlobal.h"
#include "app/XMLRegFile.h"
#include "document/PictureScrollBx.h"
#include "document/VLPicChildWn.h"

namespace vellum {
namespace {

class DocumentAreaTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_global = std::make_unique<TVLGlobal>(m_dir.path());
    }
    void TearDown() override
    {
        if (m_main)
            for (QMdiSubWindow* w : m_main->ClientArea()->subWindowList())
                if (auto* doc = qobject_cast<TVLPicChildWin*>(w))
                    doc->SetModified(false);
        m_main.reset();
        AppParams() = TAppParams();
    }

    // Share of the area's pixels that show its own empty background.
    [[nodiscard]] double emptyShare() const
    {
        QWidget* viewport = m_main->ClientArea()->viewport();
        const QImage shot = viewport->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QRgb empty = m_main->ClientArea()->background().color().rgb();
        qint64 count = 0;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x)
                count += shot.pixel(x, y) == empty ? 1 : 0;
        return double(count) / double(shot.width() * shot.height());
    }

    QTemporaryDir m_dir;
    std::unique_ptr<TVLGlobal> m_global;
    std::unique_ptr<TVellumMain> m_main;
};

// A folder alone on the command line: the browser comes maximised and covers the whole area,
// whether the main window starts at its designed size or maximised.
TEST_F(DocumentAreaTest, AFolderAloneOnTheCommandLineFillsTheArea)
{
    for (const bool mainMaximised : {false, true}) {
        SCOPED_TRACE(mainMaximised ? "main window maximised" : "main window at its designed size");
        {
            TXMLRegistryFile reg(ProgramPath() + QStringLiteral("Vellum.xml"));
            ASSERT_TRUE(reg.OpenKey(QStringLiteral("Vellum\\Main"), true));
            reg.WriteBool(QStringLiteral("WinMaximized"), mainMaximised);
        }
        const QString folder = testing::PictureFolder(m_dir.filePath(QStringLiteral("pics")), testing::NumberedNames(3));
        AppParams() = TAppParams(QStringList{folder});
        ASSERT_TRUE(AppParams().Has(TAppParams::apBrowseDir));
        m_main = std::make_unique<TVellumMain>();
        m_main->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_main.get()));
        QTRY_VERIFY(m_main->ActiveBrowser() != nullptr);
        TVLBrowserChildWn* browser = m_main->ActiveBrowser();
        ASSERT_TRUE(testing::WaitForBrowser(*browser));
        QCoreApplication::processEvents();
        EXPECT_TRUE(browser->isMaximized());
        const QRect area = m_main->ClientArea()->viewport()->rect();
        EXPECT_EQ(browser->geometry(), area);
        EXPECT_LT(emptyShare(), 0.01);
        m_main.reset();
    }
}

// Pixels of the colour in a grab of the document's view: the part of its picture that shows.
int shownPixels(TVLPicChildWin& document, TColor colour)
{
    const QImage shot = document.PictureScrollBox().viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRgb wanted = qRgb(GetRValue(colour), GetGValue(colour), GetBValue(colour));
    int count = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            count += shot.pixel(x, y) == wanted ? 1 : 0;
    return count;
}

// Each new picture window goes where it fits whole, the next one step further down the cascade
// from the top left, and shows its whole picture without scroll bars; one too big for the
// area starts at the top left, where it has the most room.
TEST_F(DocumentAreaTest, NewPictureWindowsArePlacedWhereTheyFitWhole)
{
    m_main = std::make_unique<TVellumMain>();
    m_main->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_main.get()));
    QCoreApplication::processEvents();
    const QRect area = m_main->ClientArea()->viewport()->rect();
    ASSERT_GT(area.width(), 360);
    ASSERT_GT(area.height(), 260);
    struct Picture {
        int width, height;
        TColor colour;
    };
    QList<QPoint> corners;
    for (const Picture p : {Picture{333, 222, RGBColor(250, 0, 0)}, Picture{120, 90, RGBColor(0, 250, 0)},
                            Picture{200, 150, RGBColor(0, 0, 250)}}) {
        SCOPED_TRACE(std::to_string(p.width) + " x " + std::to_string(p.height));
        TVLPicChildWin* doc = m_main->NewPicture(p.width, p.height, p.colour);
        ASSERT_NE(doc, nullptr);
        QCoreApplication::processEvents();
        EXPECT_TRUE(area.contains(doc->geometry())) << doc->geometry().x() << "," << doc->geometry().y();
        EXPECT_FALSE(corners.contains(doc->pos()));
        if (!corners.isEmpty()) {
            EXPECT_GT(doc->x(), corners.last().x());
            EXPECT_GT(doc->y(), corners.last().y());
        } else {
            EXPECT_EQ(doc->pos(), QPoint(0, 0));
        }
        corners << doc->pos();
        EXPECT_FALSE(doc->PictureScrollBox().horizontalScrollBar()->isVisible());
        EXPECT_FALSE(doc->PictureScrollBox().verticalScrollBar()->isVisible());
        EXPECT_EQ(shownPixels(*doc, p.colour), p.width * p.height);
    }
    TVLPicChildWin* big = m_main->NewPicture(area.width() * 2, 50, RGBColor(9, 9, 9));
    ASSERT_NE(big, nullptr);
    QCoreApplication::processEvents();
    EXPECT_EQ(big->pos(), QPoint(0, 0));
    EXPECT_TRUE(area.contains(big->geometry()));
}

} // namespace
} // namespace vellum
