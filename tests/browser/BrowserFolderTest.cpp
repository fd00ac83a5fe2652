#include "browser/BrowserFolder.h"

#include <mutex>

#include <QCoreApplication>
#include <QTest>

#include <gtest/gtest.h>

#include "BrowserTestSupport.h"
#include "browser/Thumbnail.h"
#include "browser/ThumbnailWorkers.h"

namespace vellum {
namespace {

using test::Names;

// What the folder told its observer.
struct TOpened {
    QString Directory;
    QStringList Names;
    bool operator==(const TOpened&) const = default;
};

void PrintTo(const TOpened& opened, std::ostream* os)
{
    *os << opened.Directory.toStdString() << " " << opened.Names.join(u',').toStdString();
}

class BrowserFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_folder = std::make_unique<TBrowserFolder>(test::BrowserDatabase(1));
        m_folder->OnOpened = [this] { opened.push_back({m_folder->Directory(), Names(m_folder->Database())}); };
    }

    // A folder of pictures named as given; one named "0-wait.bmp" is no picture and is read
    // first, so while the test holds the large-picture budget its folder stays opening.
    QString Folder(const QString& name, const QStringList& pictures)
    {
        const QString folder = m_dir.filePath(name) + u'/';
        QDir().mkpath(folder);
        int seed = 0;
        for (const QString& picture : pictures) {
            if (picture == QLatin1String("0-wait.bmp"))
                test::WriteAll(folder + picture, "no picture");
            else
                test::WritePicture(folder + picture, 30, 20, ++seed);
        }
        return folder;
    }
    // A folder whose database file is up to date.
    QString KnownFolder(const QString& name, const QStringList& pictures)
    {
        const QString folder = Folder(name, pictures);
        auto database = test::BrowserDatabase();
        database->OpenDirectory(folder);
        return folder;
    }
    bool WaitUntilOpen()
    {
        return QTest::qWaitFor([&] { return !m_folder->IsOpening() && !m_folder->AddsPending(); }, 20000);
    }

    QTemporaryDir m_dir;
    std::unique_ptr<TBrowserFolder> m_folder;
    std::vector<TOpened> opened;
};

TEST_F(BrowserFolder, SwitchingFoldersMidLoadShowsOnlyTheNewFolder)
{
    const QStringList known{"k1.bmp", "k2.bmp", "k3.bmp"};
    const QString k = KnownFolder(QStringLiteral("known"), known);
    const QString l1 = Folder(QStringLiteral("loading1"), {"0-wait.bmp", "a.bmp", "b.bmp"});
    const QString l2 = Folder(QStringLiteral("loading2"), {"0-wait.bmp", "c.bmp"});
    struct Case {
        QString first;
        QString second;
        std::vector<TOpened> expected; // after the first folder's opening was begun
    };
    const Case cases[] = {
        {l1, k, {{k, known}}},
        {l1, l2, {{l2, {"c.bmp"}}}},
        {k, l1, {{l1, {"a.bmp", "b.bmp"}}}},
    };
    for (const Case& c : cases) {
        m_folder->Open(QString());
        {
            std::unique_lock<std::mutex> budget(LargePictureBudget());
            m_folder->Open(c.first);
            opened.clear();
            m_folder->Open(c.second);
        }
        ASSERT_TRUE(WaitUntilOpen());
        EXPECT_EQ(opened, c.expected) << c.first.toStdString() << " -> " << c.second.toStdString();
        EXPECT_EQ(Names(m_folder->Database()), c.expected.back().Names);
    }
}

TEST_F(BrowserFolder, RefreshDuringALoadReportsOneOpening)
{
    const QString l = Folder(QStringLiteral("loading"), {"0-wait.bmp", "a.bmp"});
    {
        std::unique_lock<std::mutex> budget(LargePictureBudget());
        m_folder->Open(l);
        m_folder->Refresh();
    }
    ASSERT_TRUE(WaitUntilOpen());
    EXPECT_EQ(opened, (std::vector<TOpened>{{l, {"a.bmp"}}}));
}

TEST_F(BrowserFolder, FileActionsDuringALoadApplyOnceTheFolderIsOpen)
{
    const QString l = Folder(QStringLiteral("loading"), {"0-wait.bmp", "a.bmp", "b.bmp", "c.bmp"});
    std::vector<int> removed;
    std::vector<int> renamed;
    m_folder->OnEntryRemoved = [&](int index) { removed.push_back(index); };
    m_folder->OnEntryRenamed = [&](int index) { renamed.push_back(index); };
    {
        std::unique_lock<std::mutex> budget(LargePictureBudget());
        m_folder->Open(l);
        // The files are read after these actions came: the actions alone change the entries.
        m_folder->FileRemoved(QStringLiteral("a.bmp"));
        m_folder->FileRenamed(QStringLiteral("c.bmp"), QStringLiteral("z.bmp"));
        test::WritePicture(l + QStringLiteral("d.bmp"), 30, 20, 9);
        m_folder->FileAdded(QStringLiteral("d.bmp"));
        EXPECT_TRUE(m_folder->IsOpening());
    }
    ASSERT_TRUE(WaitUntilOpen());
    EXPECT_EQ(Names(m_folder->Database()), (QStringList{"b.bmp", "z.bmp", "d.bmp"}));
    EXPECT_EQ(removed, std::vector<int>{0});
    EXPECT_EQ(renamed, std::vector<int>{1});

    // Actions for a folder that was left mid-load never reach the next one.
    {
        std::unique_lock<std::mutex> budget(LargePictureBudget());
        m_folder->Refresh();
        m_folder->FileRemoved(QStringLiteral("b.bmp"));
        m_folder->Open(QString());
    }
    EXPECT_EQ(removed, std::vector<int>{0});
}

TEST_F(BrowserFolder, ManyFilesAppearingAtOnceUseAFewWorkers)
{
    const QString folder = Folder(QStringLiteral("many"), {"a.bmp"});
    m_folder->Open(folder);
    ASSERT_TRUE(WaitUntilOpen());
    ASSERT_TRUE(TThumbnailWorkers::WaitForAll(10000));
    // Files that are no picture: each waits for the held budget as long as it is held.
    QStringList waiting;
    for (int i = 0; i < 24; ++i) {
        waiting << QStringLiteral("w%1.bmp").arg(i, 2, 10, QLatin1Char('0'));
        test::WriteAll(folder + waiting.back(), "no picture");
    }
    {
        std::unique_lock<std::mutex> budget(LargePictureBudget());
        for (const QString& name : waiting)
            m_folder->FileAdded(name);
        EXPECT_LE(TThumbnailWorkers::Running(), TThumbnailWorkers::DefaultThreadCount());
    }
    ASSERT_TRUE(WaitUntilOpen());
    EXPECT_EQ(Names(m_folder->Database()), QStringList{"a.bmp"});

    QStringList names{"a.bmp"};
    for (int i = 0; i < 24; ++i) {
        names << QStringLiteral("n%1.bmp").arg(i, 2, 10, QLatin1Char('0'));
        test::WritePicture(folder + names.back(), 30, 20, i);
        m_folder->FileAdded(names.back());
    }
    ASSERT_TRUE(WaitUntilOpen());
    QStringList made = Names(m_folder->Database());
    made.sort();
    EXPECT_EQ(made, names);
}

} // namespace
} // namespace vellum
