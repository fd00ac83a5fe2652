#include "app/VLMain.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "app/VLGlobal.h"
#include "app/XMLRegFile.h"
#include "browser/RFPicPopupMenu.h"
#include "browser/XExtDlgs.h"
#include "document/VLPicChildWn.h"

namespace vellum {
namespace {

class MainRecentFilesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_global = std::make_unique<TVLGlobal>(m_dir.path());
        start();
    }
    void TearDown() override { m_main.reset(); }

    void start()
    {
        m_main = std::make_unique<TVellumMain>();
        m_main->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_main.get()));
        QCoreApplication::processEvents(); // first show
    }
    void restart()
    {
        m_main->close();
        m_main.reset();
        start();
    }

    QString picture(const QString& name, int width = 40, int height = 20) const
    {
        const QString path = m_dir.filePath(name);
        TXBitmap(width, height).SavePicture(path);
        return path;
    }

    QStringList recent() const
    {
        QStringList paths;
        TRecentFilesPicPopupMenu* menu = m_main->RecentFilesPopupMenu();
        for (int i = 0; i < menu->EntryCount(); ++i)
            paths << TRecentFilesPopupMenu::EntryPath(menu->Entry(i));
        return paths;
    }

    QTemporaryDir m_dir;
    std::unique_ptr<TVLGlobal> m_global;
    std::unique_ptr<TVellumMain> m_main;
};

TEST_F(MainRecentFilesTest, OpenedFilesComeFirstAndSurviveARestart)
{
    const QString a = picture(QStringLiteral("a.bmp"));
    const QString b = picture(QStringLiteral("b.bmp"), 20, 40);
    ASSERT_TRUE(m_main->OpenPictureFile(a));
    ASSERT_TRUE(m_main->OpenPictureFile(b));
    EXPECT_EQ(recent(), (QStringList{b, a}));

    // Third in the File menu, after New and Open.
    const QList<QAction*> file = m_main->menuBar()->actions().first()->menu()->actions();
    ASSERT_GE(file.size(), 3);
    EXPECT_EQ(file[2]->menu(), m_main->RecentFilesPopupMenu());
    EXPECT_EQ(file[2]->text(), QStringLiteral("Recent Files"));

    restart();
    EXPECT_TRUE(QFile::exists(m_dir.filePath(QStringLiteral("Vellum.rfp"))));
    EXPECT_EQ(recent(), (QStringList{b, a}));
    TRecentFilesPicPopupMenu* menu = m_main->RecentFilesPopupMenu();
    EXPECT_EQ(QSize(menu->PicEntry(0)->Thumbnail().Width(), menu->PicEntry(0)->Thumbnail().Height()), QSize(20, 40));

    // Choosing an entry opens its file.
    menu->Entry(1)->trigger();
    ASSERT_NE(m_main->ActivePicture(), nullptr);
    EXPECT_EQ(m_main->ActivePicture()->FileName(), a);
    EXPECT_EQ(recent(), (QStringList{a, b}));
}

TEST_F(MainRecentFilesTest, AFailedOpenTakesTheFileOut)
{
    const QString a = picture(QStringLiteral("a.bmp"));
    ASSERT_TRUE(m_main->OpenPictureFile(a));
    m_main->ClientArea()->closeAllSubWindows();
    QFile::resize(a, 10);
    QTimer::singleShot(50, [] {
        if (QWidget* box = QApplication::activeModalWidget())
            box->close();
    });
    EXPECT_FALSE(m_main->OpenPictureFile(a));
    EXPECT_TRUE(recent().isEmpty());
}

TEST_F(MainRecentFilesTest, NamesThatDifferInCaseAreTwoPictures)
{
    const QString lower = picture(QStringLiteral("one.bmp"));
    const QString upper = picture(QStringLiteral("ONE.BMP"));
    ASSERT_TRUE(m_main->OpenPictureFile(lower));
    ASSERT_TRUE(m_main->OpenPictureFile(upper));
    EXPECT_EQ(m_main->ClientArea()->subWindowList().size(), 2);
    EXPECT_EQ(recent(), (QStringList{upper, lower}));
}

TEST_F(MainRecentFilesTest, TheListLengthComesFromTheSettingsModulo256)
{
    // Written while no window runs: closing one saves its own value.
    m_main->close();
    m_main.reset();
    {
        TXMLRegistryFile reg(m_dir.filePath(QStringLiteral("Vellum.xml")));
        ASSERT_TRUE(reg.OpenKey(QStringLiteral("Vellum\\Main\\Recent_Files"), true));
        reg.WriteInteger(QStringLiteral("MaxFileList"), 258);
    }
    start();
    EXPECT_EQ(m_main->RecentFilesPopupMenu()->MaxFileList(), 2);
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"})
        m_main->OpenPictureFile(picture(QString::fromLatin1(name)));
    EXPECT_EQ(recent().size(), 2);
}

TEST_F(MainRecentFilesTest, AStoredLengthAboveFiveKeepsEveryEntryAcrossARestart)
{
    m_main->close();
    m_main.reset();
    {
        TXMLRegistryFile reg(m_dir.filePath(QStringLiteral("Vellum.xml")));
        ASSERT_TRUE(reg.OpenKey(QStringLiteral("Vellum\\Main\\Recent_Files"), true));
        reg.WriteInteger(QStringLiteral("MaxFileList"), 8);
    }
    start();
    QStringList opened;
    for (int i = 0; i < 7; ++i) {
        opened.prepend(picture(QStringLiteral("p%1.bmp").arg(i)));
        ASSERT_TRUE(m_main->OpenPictureFile(opened.first()));
    }
    m_main->RecentFilesPopupMenu()->FinishThumbnails();
    restart();
    EXPECT_EQ(m_main->RecentFilesPopupMenu()->MaxFileList(), 8);
    EXPECT_EQ(recent(), opened);
}

TEST_F(MainRecentFilesTest, TheDialogsAreKeptForTheRun)
{
    EXPECT_EQ(m_main->OpenPictureDialog()->windowTitle(), QStringLiteral("Open Picture"));
    EXPECT_EQ(m_main->SavePictureDialog()->windowTitle(), QStringLiteral("Save Picture"));
    EXPECT_EQ(m_main->OpenPictureDialog()->FilterIndex(), 5);
}

} // namespace
} // namespace vellum
