#include <atomic>
#include <thread>

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include "browser/FileAge.h"
#include "browser/RFPicPopupMenu.h"
#include "browser/RecentThumbnail.h"
#include "raster/PictureTestSupport.h"

namespace vellum {
namespace {

using test::GradientPicture;

class RecentFilesMenuTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        menu.SetFileNamePath(dir.filePath(QStringLiteral("Vellum.rfp")));
        menu.SetFileHeaderName(QStringLiteral("Vellum RFP"));
        menu.ThumbnailMaker = [this](const QString& path, TXBitmap& thumbnail) {
            ++made;
            return MakeRecentThumbnail(path, thumbnail);
        };
    }

    QString picture(const QString& name, int width = 20, int height = 10)
    {
        const QString path = dir.filePath(name);
        GradientPicture(width, height).SavePicture(path);
        return path;
    }

    QStringList paths() const
    {
        QStringList result;
        for (int i = 0; i < menu.EntryCount(); ++i)
            result << TRecentFilesPopupMenu::EntryPath(menu.Entry(i));
        return result;
    }

    QTemporaryDir dir;
    TRecentFilesPicPopupMenu menu;
    std::atomic_int made{0};
};

TEST_F(RecentFilesMenuTest, KeepsTheNewestFirstAndMovesAKnownFileUpWithItsThumbnail)
{
    QStringList files;
    for (int i = 0; i < 6; ++i)
        files << picture(QStringLiteral("p%1.bmp").arg(i));
    for (int i = 0; i < 5; ++i)
        menu.AddRecentFile(files[i]);
    menu.FinishThumbnails();
    EXPECT_EQ(made, 5);
    EXPECT_EQ(paths(), (QStringList{files[4], files[3], files[2], files[1], files[0]}));

    menu.AddRecentFile(files[5]);
    EXPECT_EQ(paths(), (QStringList{files[5], files[4], files[3], files[2], files[1]}));

    menu.FinishThumbnails();
    const int before = made;
    QAction* top = menu.AddRecentFile(files[2]);
    EXPECT_EQ(TRecentFilesPopupMenu::EntryPath(top), files[2]);
    EXPECT_EQ(paths(), (QStringList{files[2], files[5], files[4], files[3], files[1]}));
    EXPECT_FALSE(menu.PicEntry(0)->Thumbnail().Empty());
    menu.FinishThumbnails();
    EXPECT_EQ(made, before);

    menu.SetMaxFileList(258); // held in 8 bits: 2
    EXPECT_EQ(menu.MaxFileList(), 2);
    EXPECT_EQ(paths(), (QStringList{files[2], files[5]}));
    menu.SetMaxFileList(0);
    EXPECT_EQ(menu.AddRecentFile(files[0]), nullptr);
    EXPECT_EQ(menu.EntryCount(), 0);
}

TEST_F(RecentFilesMenuTest, TellsFilesApartByExactPathAndFindsOneFileUnderTwoNames)
{
    const QString lower = picture(QStringLiteral("one.bmp"));
    const QString upper = picture(QStringLiteral("ONE.BMP"));
    menu.AddRecentFile(lower);
    menu.AddRecentFile(upper);
    EXPECT_EQ(menu.EntryCount(), 2);
    const QString link = dir.filePath(QStringLiteral("link.bmp"));
    ASSERT_TRUE(QFile::link(lower, link));
    menu.AddRecentFile(link);
    EXPECT_EQ(paths(), (QStringList{lower, upper}));
    menu.RemoveRecentFile(dir.filePath(QStringLiteral("sub/../ONE.BMP")));
    EXPECT_EQ(paths(), (QStringList{lower}));
}

TEST_F(RecentFilesMenuTest, InvalidIndexesRaiseTheirMessage)
{
    menu.AddRecentFile(picture(QStringLiteral("a.bmp")));
    for (int index : {-1, 1}) {
        try {
            menu.DeleteEntry(index);
            FAIL() << "no error for " << index;
        } catch (const ERecentFilesPopUpMenuError& e) {
            EXPECT_EQ(e.message(), QStringLiteral("Invalid item index %1").arg(index));
        }
        EXPECT_THROW(menu.SetEntryCaption(index, QStringLiteral("x")), ERecentFilesPopUpMenuError);
    }
}

TEST_F(RecentFilesMenuTest, PopupKeepsPendingEntriesAndDropsFailedAndVanishedOnes)
{
    const QString good = picture(QStringLiteral("good.bmp"));
    const QString broken = dir.filePath(QStringLiteral("broken.bmp"));
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("BM garbage");
    file.close();
    const QString gone = picture(QStringLiteral("gone.bmp"));

    // Hold the jobs so that the popup meets pending entries.
    std::atomic_bool release{false};
    menu.ThumbnailMaker = [&](const QString& path, TXBitmap& thumbnail) {
        while (!release)
            std::this_thread::yield();
        ++made;
        return MakeRecentThumbnail(path, thumbnail);
    };
    menu.AddRecentFile(good);
    menu.AddRecentFile(broken);
    menu.UpdateEntries();
    EXPECT_EQ(paths(), (QStringList{broken, good})) << "pending entries stay";

    release = true;
    menu.FinishThumbnails();
    EXPECT_TRUE(menu.PicEntry(0)->Failed);
    menu.AddRecentFile(gone);
    menu.FinishThumbnails();
    ASSERT_TRUE(QFile::remove(gone));
    menu.UpdateEntries();
    EXPECT_EQ(paths(), (QStringList{good}));
}

TEST_F(RecentFilesMenuTest, ALateResultForADeletedEntryChangesNothing)
{
    std::atomic_bool release{false};
    menu.ThumbnailMaker = [&](const QString& path, TXBitmap& thumbnail) {
        while (!release)
            std::this_thread::yield();
        return MakeRecentThumbnail(path, thumbnail);
    };
    const QString a = picture(QStringLiteral("a.bmp"));
    menu.AddRecentFile(a);
    menu.DeleteEntry(0);
    release = true;
    menu.FinishThumbnails();
    EXPECT_EQ(menu.EntryCount(), 0);
    // The same file added again gets its own job; the old one's result is never taken.
    menu.AddRecentFile(a);
    menu.FinishThumbnails();
    EXPECT_FALSE(menu.PicEntry(0)->Thumbnail().Empty());
}

TEST_F(RecentFilesMenuTest, SurvivesARestartAndRemakesOnlyChangedThumbnails)
{
    const QString a = picture(QStringLiteral("a.bmp"), 200, 100);
    const QString b = picture(QStringLiteral("b.bmp"), 100, 200);
    menu.AddRecentFile(a);
    menu.AddRecentFile(b);
    menu.FinishThumbnails();
    ASSERT_TRUE(menu.SaveRecentFiles());

    TRecentFilesPicPopupMenu again;
    again.SetFileNamePath(menu.FileNamePath());
    again.SetFileHeaderName(QStringLiteral("Vellum RFP"));
    std::atomic_int remade{0};
    again.ThumbnailMaker = [&](const QString& path, TXBitmap& thumbnail) {
        ++remade;
        return MakeRecentThumbnail(path, thumbnail);
    };
    ASSERT_TRUE(again.LoadRecentFiles());
    ASSERT_EQ(again.EntryCount(), 2);
    EXPECT_EQ(TRecentFilesPopupMenu::EntryPath(again.Entry(0)), b);
    EXPECT_EQ(QSize(again.PicEntry(0)->Thumbnail().Width(), again.PicEntry(0)->Thumbnail().Height()), QSize(35, 70));
    again.UpdateEntries();
    again.FinishThumbnails();
    EXPECT_EQ(remade, 0) << "nothing decoded when nothing changed";

    // A file changed outside gets a new thumbnail before the menu shows.
    GradientPicture(60, 50).SavePicture(a);
    const QDateTime later = QDateTime::currentDateTime().addSecs(10);
    QFile touched(a);
    ASSERT_TRUE(touched.open(QIODevice::ReadWrite));
    ASSERT_TRUE(touched.setFileTime(later, QFileDevice::FileModificationTime));
    touched.close();
    again.UpdateEntries();
    EXPECT_EQ(remade, 1);
    EXPECT_EQ(QSize(again.PicEntry(1)->Thumbnail().Width(), again.PicEntry(1)->Thumbnail().Height()), QSize(60, 50));
    EXPECT_EQ(again.PicEntry(1)->Tag, FileAge(a));
}

TEST_F(RecentFilesMenuTest, SavingWhereNoFileCanBeWrittenFails)
{
    menu.SetFileNamePath(dir.filePath(QStringLiteral("missing/Vellum.rfp")));
    menu.AddRecentFile(picture(QStringLiteral("a.bmp")));
    menu.FinishThumbnails();
    EXPECT_FALSE(menu.SaveRecentFiles());
    EXPECT_FALSE(menu.LoadRecentFiles());
}

TEST_F(RecentFilesMenuTest, LoadingRefusesOtherVersionsAndFormatsAndKeepsTheMaximum)
{
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"})
        menu.AddRecentFile(picture(QString::fromLatin1(name)));
    menu.FinishThumbnails();
    ASSERT_TRUE(menu.SaveRecentFiles());
    QFile file(menu.FileNamePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray saved = file.readAll();
    file.close();

    auto load = [&](const QByteArray& bytes, int maximum) {
        QFile out(menu.FileNamePath());
        EXPECT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(bytes);
        out.close();
        TRecentFilesPicPopupMenu again;
        again.SetFileNamePath(menu.FileNamePath());
        again.SetFileHeaderName(QStringLiteral("Vellum RFP"));
        again.SetMaxFileList(maximum);
        const bool loaded = again.LoadRecentFiles();
        again.FinishThumbnails();
        return std::make_pair(loaded, again.EntryCount());
    };
    QByteArray version2 = saved;
    version2[16] = 2;
    QByteArray otherName = saved;
    otherName[1] = 'W';
    QByteArray noEntries = saved.left(24);
    noEntries[20] = 0;
    struct Case {
        const char* what;
        QByteArray bytes;
        int maximum;
        bool loaded;
        int entries;
    };
    const Case cases[] = {
        {"own file", saved, 5, true, 3},
        {"more entries than the maximum", saved, 2, true, 2},
        {"own file without entries", noEntries, 5, true, 0},
        {"version 2", version2, 5, false, 0},
        {"another program's name", otherName, 5, false, 0},
        {"shorter than a header", saved.left(10), 5, false, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(load(c.bytes, c.maximum), std::make_pair(c.loaded, c.entries)) << c.what;
}

TEST_F(RecentFilesMenuTest, ChoosingAnEntryRunsTheClickHandlerWithIt)
{
    QString chosen;
    menu.DefaultOnItemClick = [&](QAction* entry) { chosen = TRecentFilesPopupMenu::EntryPath(entry); };
    const QString a = picture(QStringLiteral("a & b\tc.bmp"));
    menu.AddRecentFile(a)->trigger();
    EXPECT_EQ(chosen, a);
    EXPECT_EQ(menu.Entry(0)->text(), a);
}

TEST(PopupPanelTest, ShowsItsPanelInsteadOfEntries)
{
    TPopupPanel popup;
    ASSERT_EQ(popup.actions().size(), 1);
    EXPECT_EQ(popup.actions().first()->text(), QStringLiteral("<<DO NOT REMOVE>>"));
    auto* panel = new QWidget;
    panel->setFixedSize(120, 60);
    popup.SetPanel(panel);
    popup.popup(QPoint(10, 10));
    EXPECT_TRUE(panel->isVisible());
    EXPECT_FALSE(popup.actions().first()->isVisible());
    popup.close();

    TPopupPanel empty;
    empty.popup(QPoint(10, 10));
    QTest::qWait(20);
    EXPECT_FALSE(empty.isVisible());
}

} // namespace
} // namespace vellum
