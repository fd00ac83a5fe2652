#include "browser/PicDB.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QGuiApplication>

#include <gtest/gtest.h>

#include "BrowserTestSupport.h"
#include "browser/FileAge.h"
#include "browser/Thumbnail.h"
#include "raster/VellumError.h"

namespace vellum {
namespace {

using test::Names;
using test::ReadAll;

class PictureDB : public ::testing::Test {
protected:
    [[nodiscard]] QString Path(const QString& name) const { return m_dir.filePath(name); }
    [[nodiscard]] QString DatabasePath() const { return Path(QStringLiteral("PicBrowser.pbf")); }
    void Picture(const QString& name, int width = 30, int height = 20, int seed = 0)
    {
        test::WritePicture(Path(name), width, height, seed);
    }

    QTemporaryDir m_dir;
};

TEST_F(PictureDB, BuildsInNameOrderIgnoringCaseAndSkipsWhatIsNoPicture)
{
    Picture("b.JPG");
    Picture("A.bmp");
    Picture("c.gif");
    Picture("a.jpeg");
    Picture(".hidden.bmp");
    test::WriteAll(Path("skip.png"), "not listed");
    test::WriteAll(Path("broken.jpg"), "broken");
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("folder.jpg")));
    ASSERT_EQ(::mkfifo(QFile::encodeName(Path("pipe.bmp")).constData(), 0600), 0);

    auto database = test::BrowserDatabase();
    int begun = -1;
    int steps = 0;
    int ended = 0;
    database->OnProgressBegin = [&](TCustomPictureDB*, int count) { begun = count; };
    database->OnProgressStep = [&](TCustomPictureDB*) { ++steps; };
    database->OnProgressEnd = [&](TCustomPictureDB*) { ++ended; };
    database->OpenDirectory(m_dir.path());
    EXPECT_EQ(Names(*database), QStringList({".hidden.bmp", "A.bmp", "a.jpeg", "b.JPG", "c.gif"}));
    EXPECT_EQ(begun, 6);
    EXPECT_EQ(steps, 6);
    EXPECT_EQ(ended, 1);
    ASSERT_EQ(database->LastOpen().Skipped.size(), 1u);
    EXPECT_EQ(database->LastOpen().Skipped[0].first, QByteArray("broken.jpg"));
    EXPECT_TRUE(database->Modified());
    EXPECT_EQ(database->Directory(), m_dir.path() + u'/');
}

TEST_F(PictureDB, FolderWithoutPicturesEndsWithoutFile)
{
    test::WriteAll(DatabasePath(), "whatever was there");
    auto database = test::BrowserDatabase();
    database->OpenDirectory(m_dir.path());
    EXPECT_EQ(database->Count(), 0);
    database->Clear(false);
    EXPECT_EQ(database->LastSave(), TSaveOutcome::Deleted);
    EXPECT_FALSE(QFile::exists(DatabasePath()));
}

TEST_F(PictureDB, RefreshRemakesChangedDropsDeletedAppendsNewByExtension)
{
    for (const char* name : {"d.bmp", "c.jpg", "b.gif", "a.jpg"})
        Picture(QString::fromLatin1(name));
    for (const char* name : {"d.bmp", "c.jpg", "b.gif", "a.jpg"})
        test::SetFileTime(Path(QString::fromLatin1(name)), 2021, 1, 2);
    QByteArray before;
    {
        auto database = test::BrowserDatabase();
        database->OpenDirectory(m_dir.path());
        ASSERT_TRUE(database->Sort(TCustomPictureDB::skName, false)); // d, c, b, a
        before = test::Thumbnail(*database, 0);
    }
    Picture(QStringLiteral("c.jpg"), 60, 20, 9);           // changed
    test::SetFileTime(Path(QStringLiteral("c.jpg")), 2022, 3, 4);
    ASSERT_TRUE(QFile::remove(Path(QStringLiteral("b.gif")))); // deleted
    Picture(QStringLiteral("z.gif"));                       // new, three extensions
    Picture(QStringLiteral("y.bmp"));
    Picture(QStringLiteral("X.jpg"));
    Picture(QStringLiteral("A.JPG"));                       // differs from a.jpg only in case

    auto database = test::BrowserDatabase();
    int begun = -1;
    database->OnProgressBegin = [&](TCustomPictureDB*, int count) { begun = count; };
    database->OpenDirectory(m_dir.path());
    EXPECT_EQ(Names(*database), QStringList({"d.bmp", "c.jpg", "a.jpg", "y.bmp", "A.JPG", "X.jpg", "z.gif"}));
    EXPECT_EQ(begun, 4);
    EXPECT_EQ(database->GetSizeText(1), QStringLiteral("60 x 20"));
    EXPECT_EQ(database->Record(1).FileDate, FileAge(Path(QStringLiteral("c.jpg"))));
    EXPECT_EQ(test::Thumbnail(*database, 0), before) << "reused byte for byte";
    const TOpenReport& report = database->LastOpen();
    EXPECT_EQ(report.Reused, 2);
    EXPECT_EQ(report.Made, 5);
    EXPECT_EQ(report.Dropped, 1);
    EXPECT_TRUE(database->Modified());
    // The data holds exactly the entries' thumbnails.
    qsizetype total = 0;
    for (int i = 0; i < database->Count(); ++i)
        total += database->Record(i).ThumbSize;
    EXPECT_EQ(total, database->ThumbnailData().size());
}

TEST_F(PictureDB, OneAndTwoWorkersWriteIdenticalFiles)
{
    for (int i = 0; i < 9; ++i)
        Picture(QStringLiteral("p%1.%2").arg(i).arg(i % 3 == 0 ? "bmp" : (i % 3 == 1 ? "jpg" : "gif")), 150 + 37 * i, 90 + 11 * i, i);
    QByteArray files[2];
    for (int threads : {1, 2}) {
        QFile::remove(DatabasePath());
        auto database = test::BrowserDatabase(threads);
        database->OpenDirectory(m_dir.path());
        database->Clear(false);
        files[threads - 1] = ReadAll(DatabasePath());
    }
    EXPECT_FALSE(files[0].isEmpty());
    EXPECT_EQ(files[0], files[1]);
}

TEST_F(PictureDB, SortsWithTiesAndDescendingIsTheExactReverse)
{
    // Equal pixel counts, equal dates and equal extensions fall back to the names.
    Picture(QStringLiteral("b.bmp"), 20, 10);
    Picture(QStringLiteral("a.jpg"), 10, 20);
    Picture(QStringLiteral("C.bmp"), 5, 5);
    Picture(QStringLiteral("d.gif"), 40, 40);
    test::SetFileTime(Path(QStringLiteral("b.bmp")), 2045, 1, 1); // a negative packed value
    test::SetFileTime(Path(QStringLiteral("a.jpg")), 2001, 1, 1);
    test::SetFileTime(Path(QStringLiteral("C.bmp")), 2001, 1, 1);
    test::SetFileTime(Path(QStringLiteral("d.gif")), 1975, 1, 1); // no packed form: -1
    auto database = test::BrowserDatabase();
    database->OpenDirectory(m_dir.path());
    struct Case {
        int kind;
        QStringList ascending;
    };
    const Case cases[] = {
        {TCustomPictureDB::skName, {"a.jpg", "b.bmp", "C.bmp", "d.gif"}},
        {TCustomPictureDB::skDate, {"a.jpg", "C.bmp", "b.bmp", "d.gif"}},
        {TCustomPictureDB::skType, {"b.bmp", "C.bmp", "d.gif", "a.jpg"}},
        {TCustomPictureDB::skSize, {"C.bmp", "a.jpg", "b.bmp", "d.gif"}},
        {17, {"a.jpg", "b.bmp", "C.bmp", "d.gif"}},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(database->Sort(c.kind, true));
        EXPECT_EQ(Names(*database), c.ascending) << c.kind;
        EXPECT_EQ(database->SortKind(), c.kind);
        ASSERT_TRUE(database->Sort(c.kind, false));
        QStringList reversed(c.ascending.rbegin(), c.ascending.rend());
        EXPECT_EQ(Names(*database), reversed) << c.kind;
    }
    EXPECT_EQ(database->GetDateText(database->IndexOfName(QStringLiteral("d.gif"))), QStringLiteral("????"));
}

TEST_F(PictureDB, InvalidIndexesGiveNeutralResults)
{
    Picture(QStringLiteral("a.bmp"));
    auto database = test::BrowserDatabase();
    database->OpenDirectory(m_dir.path());
    database->SaveIfModified();
    const QByteArray cellBefore = QByteArray(reinterpret_cast<const char*>(database->GetCellImage(0, false).ScanLine(0)), 30);
    for (int index : {-1, 1, 1000}) {
        EXPECT_EQ(database->GetName(index), QString());
        EXPECT_EQ(database->GetSizeText(index), QStringLiteral("????"));
        EXPECT_EQ(database->GetDateText(index), QStringLiteral("????"));
        EXPECT_FALSE(database->RefreshEntry(index));
        EXPECT_FALSE(database->DeleteEntry(index));
        EXPECT_FALSE(database->RenameEntry(index, QStringLiteral("x.bmp")));
        EXPECT_FALSE(database->MoveEntry(index, 0));
        EXPECT_FALSE(database->MoveEntry(0, index));
        (void)database->GetCellImage(index, true);
    }
    EXPECT_FALSE(database->MoveEntry(0, 0));
    EXPECT_FALSE(database->Modified());
    EXPECT_EQ(database->Count(), 1);
    EXPECT_EQ(database->IndexOfName(QStringLiteral("A.bmp")), -1);
    EXPECT_EQ(database->IndexOfName(QStringLiteral("a.bmp")), 0);
}

TEST_F(PictureDB, EntryOperationsKeepTheDataConsistent)
{
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"})
        Picture(QString::fromLatin1(name), 40, 30, name[0]);
    auto database = test::BrowserDatabase();
    database->OpenDirectory(m_dir.path());
    const QByteArray c = test::Thumbnail(*database, 2);

    ASSERT_TRUE(database->DeleteEntry(0));
    EXPECT_EQ(Names(*database), QStringList({"b.bmp", "c.bmp"}));
    EXPECT_EQ(test::Thumbnail(*database, 1), c);

    ASSERT_TRUE(database->MoveEntry(1, 0));
    EXPECT_EQ(Names(*database), QStringList({"c.bmp", "b.bmp"}));

    // A refresh re-makes the thumbnail at the end of the data; the position stays.
    Picture(QStringLiteral("c.bmp"), 80, 10, 5);
    ASSERT_TRUE(database->RefreshEntry(0));
    EXPECT_EQ(database->GetSizeText(0), QStringLiteral("80 x 10"));
    EXPECT_EQ(database->Record(0).ThumbOffset + database->Record(0).ThumbSize, database->ThumbnailData().size());
    EXPECT_EQ(database->Record(1).ThumbOffset, 0);

    // A refresh that fails leaves the entry as it was.
    const TFileRecord kept = database->Record(0);
    const QByteArray keptThumbnail = test::Thumbnail(*database, 0);
    test::WriteAll(Path(QStringLiteral("c.bmp")), "no longer a picture");
    EXPECT_FALSE(database->RefreshEntry(0));
    EXPECT_EQ(database->Record(0).FileDate, kept.FileDate);
    EXPECT_EQ(database->Record(0).Width, kept.Width);
    EXPECT_EQ(test::Thumbnail(*database, 0), keptThumbnail);

    // Names that cannot be files of this folder are refused.
    for (const QString& bad : {QString(), QStringLiteral("."), QStringLiteral(".."), QStringLiteral("x/y.bmp"), QString(255, u'n')})
        EXPECT_FALSE(database->RenameEntry(0, bad)) << bad.size();
    ASSERT_TRUE(database->RenameEntry(0, QStringLiteral("renamed.bmp")));
    EXPECT_EQ(database->GetName(0), QStringLiteral("renamed.bmp"));

    Picture(QStringLiteral("new.bmp"));
    ASSERT_TRUE(database->AddFile(QStringLiteral("new.bmp")));
    EXPECT_FALSE(database->AddFile(QStringLiteral("missing.bmp")));
    EXPECT_EQ(database->Count(), 3);
    ASSERT_TRUE(database->DeleteEntry(0));
    ASSERT_TRUE(database->DeleteEntry(0));
    ASSERT_TRUE(database->DeleteEntry(0));
    EXPECT_TRUE(database->ThumbnailData().isEmpty());
}

TEST_F(PictureDB, LongCaptionsEndInDotsWithinTheCaptionWidth)
{
    const QString longName = QStringLiteral("a very long picture name that never fits.bmp");
    Picture(longName);
    Picture(QStringLiteral("s.bmp"));
    auto database = test::BrowserDatabase();
    database->OpenDirectory(m_dir.path());
    const QFontMetrics metrics(QGuiApplication::font());
    const TFileRecord& shortEntry = database->Record(database->IndexOfName(QStringLiteral("s.bmp")));
    EXPECT_EQ(shortEntry.Caption, QStringLiteral("s.bmp"));
    EXPECT_EQ(shortEntry.CaptionX, (94 - metrics.horizontalAdvance(QStringLiteral("s.bmp"))) / 2 + 8);
    const TFileRecord& longEntry = database->Record(database->IndexOfName(longName));
    ASSERT_TRUE(longEntry.Caption.endsWith(QStringLiteral("...")));
    const QString kept = longEntry.Caption.chopped(3);
    EXPECT_TRUE(longName.startsWith(kept));
    const int width = metrics.horizontalAdvance(longEntry.Caption);
    EXPECT_LE(metrics.horizontalAdvance(kept) + metrics.horizontalAdvance(QStringLiteral("...")), 94);
    EXPECT_GT(metrics.horizontalAdvance(longName.left(kept.size() + 1)) + metrics.horizontalAdvance(QStringLiteral("...")), 94)
        << "the longest part that fits";
    EXPECT_GE(longEntry.CaptionX, 8);
    EXPECT_LE(longEntry.CaptionX + width, 8 + 94 + 1);
    // The thumbnail is centred in the 94 x 98 box.
    EXPECT_EQ(shortEntry.ThumbX, (94 - 30) / 2 + 8);
    EXPECT_EQ(shortEntry.ThumbY, (98 - 20) / 2 + 8);
}

TEST_F(PictureDB, CellImageDrawsFrameThumbnailAndKeepsTheOuterFrame)
{
    Picture(QStringLiteral("a.bmp"), 30, 20);
    auto database = test::BrowserDatabase();
    database->OpenDirectory(m_dir.path());
    for (bool selected : {false, true}) {
        const TXBitmap& cell = database->GetCellImage(0, selected);
        ASSERT_EQ(cell.Width(), 110);
        ASSERT_EQ(cell.Height(), 130);
        for (int x = 0; x < 110; ++x) {
            EXPECT_EQ(cell.PixelColour(x, 0), RGBColor(240, 240, 240));
            EXPECT_EQ(cell.PixelColour(x, 129), RGBColor(240, 240, 240));
        }
        EXPECT_EQ(cell.PixelColour(1, 1), RGBColor(255, 255, 255)) << "raised edge";
        EXPECT_EQ(cell.PixelColour(108, 128), RGBColor(105, 105, 105));
        EXPECT_EQ(cell.PixelColour(10, 20), selected ? RGBColor(0, 120, 215) : RGBColor(240, 240, 240));
        // The thumbnail's top-left pixel (the picture's is red 0, green 0, blue 0, lossy).
        const TColor corner = cell.PixelColour(database->Record(0).ThumbX, database->Record(0).ThumbY);
        EXPECT_LT(GetRValue(corner) + GetGValue(corner) + GetBValue(corner), 60);
    }
}

TEST_F(PictureDB, WriteFailureLeavesModifiedSet)
{
    QTemporaryDir parent;
    const QString folder = parent.filePath(QStringLiteral("gone"));
    ASSERT_TRUE(QDir().mkpath(folder));
    test::WritePicture(folder + QStringLiteral("/a.bmp"), 10, 10);
    auto database = test::BrowserDatabase();
    database->OpenDirectory(folder);
    ASSERT_TRUE(QDir(folder).removeRecursively());
    database->SaveIfModified();
    EXPECT_EQ(database->LastSave(), TSaveOutcome::Unwritable);
    EXPECT_TRUE(database->Modified());
}

TEST_F(PictureDB, AsynchronousOpeningHandsOverInOrderAndMatchesTheSynchronousOne)
{
    for (int i = 0; i < 8; ++i)
        Picture(QStringLiteral("p%1.jpg").arg(i), 400 + 10 * i, 300, i);
    QByteArray synchronous;
    {
        auto database = test::BrowserDatabase();
        database->OpenDirectory(m_dir.path());
        database->Clear(false);
        synchronous = ReadAll(DatabasePath());
        QFile::remove(DatabasePath());
    }
    auto database = test::BrowserDatabase(2);
    std::vector<int> counts;
    bool opened = false;
    database->OnEntriesAdded = [&](TCustomPictureDB* sender) { counts.push_back(sender->Count()); };
    database->OnOpened = [&](TCustomPictureDB*) { opened = true; };
    database->BeginOpenDirectory(m_dir.path());
    EXPECT_TRUE(database->IsOpening());
    while (!opened)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    EXPECT_TRUE(std::is_sorted(counts.begin(), counts.end()));
    EXPECT_EQ(counts.back(), 8);
    database->Clear(false);
    EXPECT_EQ(ReadAll(DatabasePath()), synchronous);
}

TEST_F(PictureDB, CancelledOpeningKeepsAndSavesTheFinishedEntries)
{
    for (int i = 0; i < 6; ++i)
        Picture(QStringLiteral("p%1.bmp").arg(i), 200, 100, i);
    auto database = test::BrowserDatabase(1);
    int ended = 0;
    database->OnProgressEnd = [&](TCustomPictureDB*) { ++ended; };
    database->BeginOpenDirectory(m_dir.path());
    database->CancelOpening();
    EXPECT_FALSE(database->IsOpening());
    EXPECT_EQ(ended, 1);
    const int kept = database->Count();
    EXPECT_LE(kept, 6);
    for (int i = 0; i < kept; ++i)
        EXPECT_EQ(database->GetName(i), QStringLiteral("p%1.bmp").arg(i)) << "a prefix of the order";
    database->Clear(false);
    if (kept > 0) {
        EXPECT_EQ(database->LastSave(), TSaveOutcome::Written);
    }
    // The next opening completes the folder.
    database->OpenDirectory(m_dir.path());
    EXPECT_EQ(database->Count(), 6);
}

TEST_F(PictureDB, PicturesDatedOutsideThePackedRangeAreRemadeWhenReplaced)
{
    for (const int year : {1975, 1970}) {
        const QString name = QStringLiteral("old%1.bmp").arg(year);
        Picture(name, 30, 20);
        test::SetFileTime(Path(name), year, 6, 1);
        {
            auto database = test::BrowserDatabase();
            database->OpenDirectory(m_dir.path());
            ASSERT_EQ(database->GetSizeText(database->IndexOfName(name)), QStringLiteral("30 x 20"));
        }
        // Replaced by another picture of the same (unpackable) time.
        Picture(name, 50, 40);
        test::SetFileTime(Path(name), year, 6, 1);
        auto database = test::BrowserDatabase();
        database->OpenDirectory(m_dir.path());
        EXPECT_EQ(database->GetSizeText(database->IndexOfName(name)), QStringLiteral("50 x 40")) << year;
    }
}

TEST_F(PictureDB, ADamagedThumbnailIsReportedWhenItsCellIsDrawn)
{
    Picture(QStringLiteral("a.bmp"));
    Picture(QStringLiteral("b.bmp"), 40, 30, 1);
    {
        auto database = test::BrowserDatabase();
        database->OpenDirectory(m_dir.path());
    }
    QByteArray file = ReadAll(DatabasePath());
    // The first scan names a Huffman table no thumbnail defines: the header stays sound.
    const qsizetype scan = file.indexOf(QByteArray("\xFF\xDA", 2), 24 + 2 * 275);
    ASSERT_GT(scan, 0);
    file[scan + 6] = char(0x33);
    auto database = test::BrowserDatabase();
    ASSERT_EQ(database->LoadStoredEntries(file), TDatabaseFileState::Current);
    ASSERT_EQ(database->Count(), 2);
    const TXBitmap& cell = database->GetCellImage(1, false);
    const QByteArray sound(reinterpret_cast<const char*>(cell.ScanLine(20)), cell.Width() * 3);
    EXPECT_THROW((void)database->GetCellImage(0, true), EInvalidGraphic);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(cell.ScanLine(20)), cell.Width() * 3), sound)
        << "the cell image stays as it was";
}

// Opens the folder in the background with one worker held at the large-picture budget by a
// file that is no picture, cancels the opening, and lets the worker go.
void OpenAndInterrupt(TCustomPictureDB& database, const QString& folder)
{
    std::unique_lock<std::mutex> budget(LargePictureBudget());
    database.SetThreadCount(1);
    database.BeginOpenDirectory(folder);
    ASSERT_TRUE(database.IsOpening());
    database.CancelOpening();
    EXPECT_FALSE(database.IsOpening());
}

TEST_F(PictureDB, InterruptedRefreshKeepsEveryEntryItHasNotReplaced)
{
    for (int i = 0; i < 6; ++i)
        Picture(QStringLiteral("p%1.bmp").arg(i), 40, 30, i);
    const QStringList stored{"p5.bmp", "p4.bmp", "p3.bmp", "p2.bmp", "p1.bmp", "p0.bmp"};
    {
        auto database = test::BrowserDatabase();
        database->OpenDirectory(m_dir.path());
        ASSERT_TRUE(database->Sort(TCustomPictureDB::skName, false));
    }
    const QByteArray file = ReadAll(DatabasePath());
    // Every file changed since (a copy without its times); the first one remade waits.
    test::WriteAll(Path(QStringLiteral("p5.bmp")), "no picture");
    for (int i = 0; i < 6; ++i)
        test::SetFileTime(Path(QStringLiteral("p%1.bmp").arg(i)), 2023, 4, 5);

    auto database = test::BrowserDatabase();
    OpenAndInterrupt(*database, m_dir.path());
    EXPECT_EQ(Names(*database), stored);
    database->Clear(false);
    EXPECT_EQ(ReadAll(DatabasePath()), file) << "nothing was replaced: the file stays as it was";

    // The next opening remakes them, in the stored order.
    database->OpenDirectory(m_dir.path());
    EXPECT_EQ(database->LastOpen().Made, 5);
    EXPECT_EQ(Names(*database), stored.mid(1));
}

TEST_F(PictureDB, BuildInterruptedBeforeAnyPictureNeverDeletesTheFile)
{
    test::WriteAll(DatabasePath(), "damaged");
    test::WriteAll(Path(QStringLiteral("a.bmp")), "no picture");
    Picture(QStringLiteral("b.bmp"));
    auto database = test::BrowserDatabase();
    OpenAndInterrupt(*database, m_dir.path());
    EXPECT_EQ(database->Count(), 0);
    database->Clear(false);
    EXPECT_TRUE(QFile::exists(DatabasePath())) << "the folder has pictures";
    database->OpenDirectory(m_dir.path());
    EXPECT_EQ(Names(*database), QStringList{"b.bmp"});
}

} // namespace
} // namespace vellum
