#include "browser/PicBrowserFile.h"

#include <unistd.h>

#include <cstring>

#include <gtest/gtest.h>

#include "BrowserTestSupport.h"
#include "browser/Thumbnail.h"

namespace vellum {
namespace {

using test::ReadAll;
using test::WriteAll;

std::int32_t Int32At(const QByteArray& bytes, qsizetype at)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | std::uint8_t(bytes[at + i]);
    return std::int32_t(value);
}

void PutInt32(QByteArray& bytes, qsizetype at, std::int32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = char((std::uint32_t(value) >> (8 * i)) & 0xFF);
}

// A folder with two pictures and its database file written by the database.
class DatabaseFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::WritePicture(Path("b.bmp"), 120, 60, 1);
        test::WritePicture(Path("a.jpg"), 40, 30, 2);
        test::SetFileTime(Path("b.bmp"), 2020, 5, 6, 7, 8, 10);
        {
            auto database = test::BrowserDatabase();
            database->OpenDirectory(m_dir.path());
            m_thumbA = test::Thumbnail(*database, 0);
            m_thumbB = test::Thumbnail(*database, 1);
        }
        m_file = ReadAll(DatabasePath());
        ASSERT_FALSE(m_file.isEmpty());
    }

    [[nodiscard]] QString Path(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }
    [[nodiscard]] QString DatabasePath() const { return Path("PicBrowser.pbf"); }

    // Opens the folder with the given database file and leaves it; the listing afterwards.
    TOpenReport OpenWith(const QByteArray& file, QStringList* names = nullptr)
    {
        WriteAll(DatabasePath(), file);
        auto database = test::BrowserDatabase();
        database->OpenDirectory(m_dir.path());
        if (names)
            *names = test::Names(*database);
        return database->LastOpen();
    }

    QTemporaryDir m_dir;
    QByteArray m_file;
    QByteArray m_thumbA;
    QByteArray m_thumbB;
};

TEST_F(DatabaseFile, IsWrittenByteForByte)
{
    const QByteArray& f = m_file;
    ASSERT_EQ(f.size(), 24 + 2 * 275 + m_thumbA.size() + m_thumbB.size());
    EXPECT_EQ(f.left(16), QByteArray("\x0FPicture Browser"));
    EXPECT_EQ(Int32At(f, 16), 1);
    EXPECT_EQ(Int32At(f, 20), 2);
    struct Record {
        QByteArray name;
        std::int32_t width, height, offset, size;
    };
    const Record records[] = {{"a.jpg", 40, 30, 0, std::int32_t(m_thumbA.size())},
                              {"b.bmp", 120, 60, std::int32_t(m_thumbA.size()), std::int32_t(m_thumbB.size())}};
    for (int i = 0; i < 2; ++i) {
        const qsizetype at = 24 + 275 * i;
        const Record& r = records[i];
        EXPECT_EQ(int(std::uint8_t(f[at])), r.name.size());
        EXPECT_EQ(f.mid(at + 1, r.name.size()), r.name);
        EXPECT_EQ(f.mid(at + 1 + r.name.size(), 254 - r.name.size()), QByteArray(254 - r.name.size(), '\0'));
        EXPECT_EQ(Int32At(f, at + 259), r.width);
        EXPECT_EQ(Int32At(f, at + 263), r.height);
        EXPECT_EQ(Int32At(f, at + 267), r.offset);
        EXPECT_EQ(Int32At(f, at + 271), r.size);
    }
    // The date comes before the size: 2020-05-06 07:08:10 local.
    EXPECT_EQ(std::uint32_t(Int32At(f, 24 + 275 + 255)), (40u << 25) | (5u << 21) | (6u << 16) | (7u << 11) | (8u << 5) | 5u);
    EXPECT_EQ(f.mid(24 + 2 * 275), m_thumbA + m_thumbB);
}

TEST_F(DatabaseFile, UnchangedFolderReusesEverythingAndWritesNothing)
{
    const TOpenReport report = OpenWith(m_file);
    EXPECT_EQ(report.OldFile, TDatabaseFileState::Current);
    EXPECT_EQ(report.Reused, 2);
    EXPECT_EQ(report.Made, 0);
    EXPECT_EQ(ReadAll(DatabasePath()), m_file);
}

TEST_F(DatabaseFile, OlderFormatAndCapitalMagicAreRead)
{
    // The header-less form: count at 0, records from 4, offsets from the start of the file.
    QByteArray old = m_file.mid(20);
    const std::int32_t dataStart = 4 + 2 * 275;
    PutInt32(old, 4 + 267, dataStart);
    PutInt32(old, 4 + 275 + 267, dataStart + std::int32_t(m_thumbA.size()));
    QStringList names;
    TOpenReport report = OpenWith(old, &names);
    EXPECT_EQ(report.OldFile, TDatabaseFileState::OldFormat);
    EXPECT_EQ(report.Reused, 2);
    EXPECT_EQ(names, QStringList({"a.jpg", "b.bmp"}));
    EXPECT_EQ(ReadAll(DatabasePath()), m_file) << "rewritten in the current form on leaving";

    QByteArray capital = m_file;
    capital.replace(1, 15, "PICTURE BROWSER");
    report = OpenWith(capital);
    EXPECT_EQ(report.OldFile, TDatabaseFileState::Current);
    EXPECT_EQ(report.Reused, 2);
}

TEST_F(DatabaseFile, DamagedFilesAreRebuiltNeverTrusted)
{
    const qsizetype r0 = 24;      // first record
    const qsizetype r1 = 24 + 275; // second record
    const qsizetype data = 24 + 2 * 275;
    struct Case {
        const char* damage;
        std::function<void(QByteArray&)> apply;
    };
    const std::vector<Case> cases{
        {"version 0 after the magic", [](QByteArray& f) { PutInt32(f, 16, 0); }},
        {"negative version", [](QByteArray& f) { PutInt32(f, 16, -3); }},
        {"negative count", [](QByteArray& f) { PutInt32(f, 20, -1); }},
        {"records past the end", [](QByteArray& f) { PutInt32(f, 20, std::int32_t((f.size() - 24) / 275 + 1)); }},
        {"count overflowing 32 bits", [](QByteArray& f) { PutInt32(f, 20, 0x7FFFFFFF); }},
        {"name length 255", [&](QByteArray& f) { f[r0] = char(255); }},
        {"empty name", [&](QByteArray& f) { f[r0] = 0; }},
        {"name \".\"", [&](QByteArray& f) { f[r0] = 1; f[r0 + 1] = '.'; }},
        {"name \"..\"", [&](QByteArray& f) { f[r0] = 2; f[r0 + 1] = '.'; f[r0 + 2] = '.'; }},
        {"name with a slash", [&](QByteArray& f) { f[r0 + 2] = '/'; }},
        {"name with NUL", [&](QByteArray& f) { f[r0 + 2] = '\0'; }},
        {"thumbnail past the data", [&](QByteArray& f) { PutInt32(f, r1 + 271, Int32At(f, r1 + 271) + 1); }},
        {"negative offset", [&](QByteArray& f) { PutInt32(f, r0 + 267, -1); }},
        {"huge offset", [&](QByteArray& f) { PutInt32(f, r1 + 267, 0x7FFFFFF0); }},
        {"empty thumbnail", [&](QByteArray& f) { PutInt32(f, r0 + 271, 0); }},
        {"bad JPEG header", [&](QByteArray& f) { f[data + 1] = 0x00; }},
        {"thumbnail wider than the box", [&](QByteArray& f) {
             const qsizetype sof = f.indexOf(QByteArray("\xFF\xC0", 2), data);
             f[sof + 7] = 0;
             f[sof + 8] = char(95);
         }},
        {"truncated header", [](QByteArray& f) { f.truncate(20); }},
        {"longer than its entries could need", [](QByteArray& f) {
             f.resize(TPicBrowserFile::MaxFileSize(2, 24, 94, 98) + 1, '\0');
         }},
    };
    for (const Case& c : cases) {
        QByteArray damaged = m_file;
        c.apply(damaged);
        QStringList names;
        const TOpenReport report = OpenWith(damaged, &names);
        EXPECT_EQ(report.OldFile, TDatabaseFileState::Damaged) << c.damage;
        EXPECT_EQ(report.Made, 2) << c.damage;
        EXPECT_EQ(names, QStringList({"a.jpg", "b.bmp"})) << c.damage;
        EXPECT_EQ(ReadAll(DatabasePath()), m_file) << c.damage << ": rebuilt and rewritten";
    }
}

TEST_F(DatabaseFile, SlackWithinWhatTheEntriesCouldNeedIsAccepted)
{
    QByteArray padded = m_file;
    padded.resize(TPicBrowserFile::MaxFileSize(2, 24, 94, 98), '\0');
    const TOpenReport report = OpenWith(padded);
    EXPECT_EQ(report.OldFile, TDatabaseFileState::Current);
    EXPECT_EQ(report.Reused, 2);
}

TEST_F(DatabaseFile, OversizedFileIsNotReadAtAll)
{
    // Sparse: a file far longer than two entries could need, loaded without being read.
    ASSERT_EQ(::truncate(QFile::encodeName(DatabasePath()).constData(), 64LL << 20), 0);
    TPicBrowserFile file;
    EXPECT_EQ(file.Load(DatabasePath(), 94, 98), TDatabaseFileState::Damaged);
    std::vector<TStoredRecord> records;
    QByteArray thumbnails;
    int dropped = 0;
    EXPECT_EQ(file.Decode(94, 98, records, thumbnails, dropped), TDatabaseFileState::Damaged);
}

TEST_F(DatabaseFile, DecodedThumbnailDataIsTheLoadedBlockItself)
{
    QByteArray bytes = m_file;
    bytes.detach();
    const char* data = bytes.constData() + 24 + 2 * 275;
    TPicBrowserFile file;
    file.SetBytes(std::move(bytes));
    std::vector<TStoredRecord> records;
    QByteArray thumbnails;
    int dropped = 0;
    ASSERT_EQ(file.Decode(94, 98, records, thumbnails, dropped), TDatabaseFileState::Current);
    EXPECT_EQ(thumbnails, m_thumbA + m_thumbB);
    EXPECT_EQ(thumbnails.constData(), data) << "the thumbnail data was copied";
}

TEST_F(DatabaseFile, LaterDuplicateNameIsDropped)
{
    QByteArray twice = m_file;
    twice.replace(24 + 275 + 1, 5, "a.jpg");
    QStringList names;
    const TOpenReport report = OpenWith(twice, &names);
    EXPECT_EQ(report.OldFile, TDatabaseFileState::Current);
    EXPECT_EQ(report.Dropped, 1);
    // b.bmp is then a new file.
    EXPECT_EQ(names, QStringList({"a.jpg", "b.bmp"}));
}

TEST_F(DatabaseFile, FileBeyondTheOffsetsReachIsNotRead)
{
    ASSERT_EQ(::truncate(QFile::encodeName(DatabasePath()).constData(), 0x80000000LL), 0); // sparse
    TPicBrowserFile file;
    EXPECT_EQ(file.Load(DatabasePath(), 94, 98), TDatabaseFileState::Damaged);
}

TEST_F(DatabaseFile, LinkOrSpecialFileIsNeverReadWrittenOrDeleted)
{
    const QString target = Path("target.dat");
    WriteAll(target, m_file);
    ASSERT_TRUE(QFile::remove(DatabasePath()));
    ASSERT_TRUE(QFile::link(target, DatabasePath()));
    {
        auto database = test::BrowserDatabase();
        database->OpenDirectory(m_dir.path());
        EXPECT_EQ(database->LastOpen().OldFile, TDatabaseFileState::Refused);
        EXPECT_EQ(database->Count(), 2);
        database->SaveIfModified();
        EXPECT_EQ(database->LastSave(), TSaveOutcome::Refused);
        EXPECT_TRUE(database->Modified()) << "stays in memory";
        database->Clear(true);
        EXPECT_TRUE(QFileInfo(DatabasePath()).isSymLink());
    }
    EXPECT_EQ(ReadAll(target), m_file);
    EXPECT_TRUE(QFileInfo(DatabasePath()).isSymLink());

    // A folder in its place.
    ASSERT_TRUE(QFile::remove(DatabasePath()));
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("PicBrowser.pbf")));
    auto database = test::BrowserDatabase();
    database->OpenDirectory(m_dir.path());
    EXPECT_EQ(database->LastOpen().OldFile, TDatabaseFileState::Refused);
    database->Clear(false);
    EXPECT_EQ(database->LastSave(), TSaveOutcome::Refused);
    EXPECT_TRUE(QFileInfo(DatabasePath()).isDir());
}

TEST(PicBrowserFile, VersionSetsTheHeaderSize)
{
    TPicBrowserFile file;
    EXPECT_EQ(file.Version(), 0);
    EXPECT_EQ(file.HeaderSize(), 4);
    for (const auto& [version, header] : {std::pair{1, 24}, {7, 24}, {0, 4}, {-2, 4}}) {
        file.SetVersion(version);
        EXPECT_EQ(file.HeaderSize(), header) << version;
    }
}

} // namespace
} // namespace vellum
