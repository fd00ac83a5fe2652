// The document area as it shows: a maximised browser fills it, new picture windows are placed
// where they fit whole.

#include "app/VLMain.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include "BrowserTestHelpers.h"
#include "app/StartUp.h"
#include "app/VLBrwsrChildWn.h"
#include "app/VLGlobal.h"
#include "app/XMLRegFile.h"
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

} // namespace
} // namespace vellum
