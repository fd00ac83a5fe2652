#include "browser/FileAdmin.h"

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "BrowserTestSupport.h"
#include "FileSystemTestSupport.h"

namespace vellum {
namespace {

using test::ModeOf;
using test::ReadAll;
using test::WriteAll;

// Two folders with files of known content; every question answered by Answer, every message
// recorded.
class FileAdminTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_root.isValid());
        ASSERT_TRUE(QDir(m_root.path()).mkpath(QStringLiteral("a")));
        ASSERT_TRUE(QDir(m_root.path()).mkpath(QStringLiteral("b")));
        m_a = m_root.filePath(QStringLiteral("a/"));
        m_b = m_root.filePath(QStringLiteral("b/"));
        TFileAdminPrompts prompts;
        prompts.Ask = [this](const QString& question) {
            questions << question;
            return Answer;
        };
        prompts.Error = [this](const QString& message) { messages << message; };
        SetFileAdminPrompts(prompts);
        // A folder on a file system of its own, when the machine has one.
        m_otherRoot = test::FolderOnAnotherFileSystem(m_root.path());
        if (m_otherRoot)
            m_other = m_otherRoot->path() + QLatin1Char('/');
    }
    void TearDown() override { ResetFileAdminPrompts(); }

    QStringList entries(const QString& folder) const
    {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }

    QTemporaryDir m_root;
    QString m_a;
    QString m_b;
    std::unique_ptr<QTemporaryDir> m_otherRoot;
    QString m_other; // empty without a second file system
    bool Answer = true;
    QStringList questions;
    QStringList messages;
};

TEST_F(FileAdminTest, CopyAndMoveOntoTheSameFileAreRefused)
{
    WriteAll(m_a + QStringLiteral("one.jpg"), "only copy");
    ASSERT_EQ(::link(QFile::encodeName(m_a + QStringLiteral("one.jpg")).constData(),
                     QFile::encodeName(m_b + QStringLiteral("one.jpg")).constData()),
              0);
    struct Case {
        bool copy;
        QString to;
        const char* message;
    };
    const Case cases[] = {
        {true, m_a, "Could not copy one.jpg: it is the same file."},
        {false, m_a, "Could not move one.jpg: it is the same file."},
        {true, m_b, "Could not copy one.jpg: it is the same file."}, // a second name of the file
        {false, m_b, "Could not move one.jpg: it is the same file."},
    };
    for (const Case& c : cases) {
        messages.clear();
        const bool done = c.copy ? ShellCopy(QStringLiteral("one.jpg"), m_a, c.to, true)
                                 : ShellMove(QStringLiteral("one.jpg"), m_a, c.to, true);
        EXPECT_FALSE(done);
        EXPECT_EQ(messages, QStringList{QString::fromUtf8(c.message)});
        EXPECT_TRUE(questions.isEmpty()) << "never offered as a replacement";
        EXPECT_EQ(ReadAll(m_a + QStringLiteral("one.jpg")), "only copy");
    }
}

TEST_F(FileAdminTest, ReplacingAsksAndNeverLosesBothFiles)
{
    WriteAll(m_a + QStringLiteral("p.jpg"), "new");
    WriteAll(m_b + QStringLiteral("p.jpg"), "old");
    Answer = false;
    EXPECT_FALSE(ShellCopy(QStringLiteral("p.jpg"), m_a, m_b, true));
    EXPECT_EQ(questions, QStringList{QStringLiteral("p.jpg already exists in %1. Replace it?").arg(m_b)});
    EXPECT_EQ(ReadAll(m_b + QStringLiteral("p.jpg")), "old");
    Answer = true;
    EXPECT_TRUE(ShellCopy(QStringLiteral("p.jpg"), m_a, m_b, true));
    EXPECT_EQ(ReadAll(m_b + QStringLiteral("p.jpg")), "new");
    EXPECT_EQ(entries(m_b), QStringList{QStringLiteral("p.jpg")}) << "no temporary file left";

    WriteAll(m_a + QStringLiteral("p.jpg"), "newer");
    EXPECT_TRUE(ShellMove(QStringLiteral("p.jpg"), m_a, m_b, true));
    EXPECT_EQ(ReadAll(m_b + QStringLiteral("p.jpg")), "newer");
    EXPECT_TRUE(entries(m_a).isEmpty());
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(FileAdminTest, AFailedCopyLeavesNoPartialFile)
{
    WriteAll(m_a + QStringLiteral("q.jpg"), "content");
    // The target name is a folder: the copy cannot be put there.
    ASSERT_TRUE(QDir(m_b).mkdir(QStringLiteral("q.jpg")));
    EXPECT_FALSE(ShellCopy(QStringLiteral("q.jpg"), m_a, m_b, true));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.first().startsWith(QStringLiteral("Could not copy q.jpg: "))) << messages.first().toStdString();
    EXPECT_TRUE(entries(m_b).isEmpty());
    // A file that vanished before the copy.
    messages.clear();
    EXPECT_FALSE(ShellCopy(QStringLiteral("gone.jpg"), m_a, m_b, true));
    EXPECT_EQ(messages.size(), 1);
    EXPECT_EQ(ReadAll(m_a + QStringLiteral("q.jpg")), "content");
}

TEST_F(FileAdminTest, ACopyFailingHalfWayLeavesTheOldFileAndNoPartOfTheNew)
{
    WriteAll(m_a + QStringLiteral("big.jpg"), QByteArray(3 << 20, 'n'));
    WriteAll(m_b + QStringLiteral("big.jpg"), "old");
    // Writing stops after 64 KiB, as on a full disk.
    struct sigaction ignore {};
    struct sigaction previous {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGXFSZ, &ignore, &previous);
    rlimit limit {};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit small{64 << 10, limit.rlim_max};
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool copied = ShellCopy(QStringLiteral("big.jpg"), m_a, m_b, true);
    ::setrlimit(RLIMIT_FSIZE, &limit);
    ::sigaction(SIGXFSZ, &previous, nullptr);

    EXPECT_FALSE(copied);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages.first(), QStringLiteral("Could not copy big.jpg: File too large"));
    EXPECT_EQ(ReadAll(m_b + QStringLiteral("big.jpg")), "old");
    EXPECT_EQ(entries(m_b), QStringList{QStringLiteral("big.jpg")}) << "no temporary file left";
}

TEST_F(FileAdminTest, ALinkAtTheDestinationIsReplacedItselfNeverWrittenThrough)
{
    ASSERT_TRUE(QDir(m_root.path()).mkpath(QStringLiteral("elsewhere")));
    const QString secret = m_root.filePath(QStringLiteral("elsewhere/secret.jpg"));
    struct Case {
        const char* what;
        bool copy;
        QString to;
    };
    const Case cases[] = {
        {"copy", true, m_b},
        {"move", false, m_b},
        {"copy to another file system", true, m_other},
        {"move to another file system", false, m_other},
    };
    for (const Case& c : cases) {
        if (c.to.isEmpty())
            continue; // no second file system here
        WriteAll(secret, "secret");
        WriteAll(m_a + QStringLiteral("p.jpg"), "picture");
        QFile::remove(c.to + QStringLiteral("p.jpg"));
        ASSERT_TRUE(QFile::link(secret, c.to + QStringLiteral("p.jpg")));
        questions.clear();
        const bool done = c.copy ? ShellCopy(QStringLiteral("p.jpg"), m_a, c.to, true)
                                 : ShellMove(QStringLiteral("p.jpg"), m_a, c.to, true);
        EXPECT_TRUE(done) << c.what;
        EXPECT_EQ(questions, QStringList{QStringLiteral("p.jpg already exists in %1 as a link to %2. Replace the link?")
                                             .arg(c.to, secret)})
            << c.what;
        EXPECT_EQ(ReadAll(secret), "secret") << c.what;
        EXPECT_TRUE(S_ISREG(ModeOf(c.to + QStringLiteral("p.jpg")))) << c.what;
        EXPECT_EQ(ReadAll(c.to + QStringLiteral("p.jpg")), "picture") << c.what;
        EXPECT_EQ(QFile::exists(m_a + QStringLiteral("p.jpg")), c.copy) << c.what;
    }
    // A link to the source itself is no second copy of it: replacing it loses nothing.
    WriteAll(m_a + QStringLiteral("q.jpg"), "only");
    ASSERT_TRUE(QFile::link(m_a + QStringLiteral("q.jpg"), m_b + QStringLiteral("q.jpg")));
    EXPECT_TRUE(ShellCopy(QStringLiteral("q.jpg"), m_a, m_b, true));
    EXPECT_TRUE(S_ISREG(ModeOf(m_b + QStringLiteral("q.jpg"))));
    EXPECT_EQ(ReadAll(m_a + QStringLiteral("q.jpg")), "only");
    EXPECT_TRUE(messages.isEmpty()) << messages.join(u'\n').toStdString();
}

TEST_F(FileAdminTest, CopiesKeepTheSourcesPermissionBits)
{
    struct Case {
        mode_t mode;
        bool copy;
        QString to;
    };
    const Case cases[] = {
        {0600, true, m_b}, {0644, true, m_b}, {0640, true, m_other}, {0600, false, m_other},
    };
    for (const Case& c : cases) {
        if (c.to.isEmpty())
            continue;
        WriteAll(m_a + QStringLiteral("m.jpg"), "private");
        ASSERT_EQ(::chmod(QFile::encodeName(m_a + QStringLiteral("m.jpg")).constData(), c.mode), 0);
        // A target readable by everyone is replaced, not kept with its own bits.
        WriteAll(c.to + QStringLiteral("m.jpg"), "old");
        ASSERT_EQ(::chmod(QFile::encodeName(c.to + QStringLiteral("m.jpg")).constData(), 0666), 0);
        const bool done = c.copy ? ShellCopy(QStringLiteral("m.jpg"), m_a, c.to, true)
                                 : ShellMove(QStringLiteral("m.jpg"), m_a, c.to, true);
        EXPECT_TRUE(done);
        EXPECT_EQ(ModeOf(c.to + QStringLiteral("m.jpg")) & 0777, c.mode) << std::oct << c.mode;
        EXPECT_EQ(ReadAll(c.to + QStringLiteral("m.jpg")), "private");
    }
}

TEST_F(FileAdminTest, AMoveAcrossFileSystemsWhoseSourceStaysSaysSoAndKeepsBoth)
{
    if (m_other.isEmpty())
        GTEST_SKIP() << "no second file system";
    const QString source = m_a + QStringLiteral("s.jpg");
    WriteAll(source, "both");
    bool copied = false;
    bool moved = false;
    {
        const test::TUnremovableFile unremovable(m_a, QStringLiteral("s.jpg"));
        if (!unremovable.Valid())
            GTEST_SKIP() << "no way to make a file unremovable here";
        moved = ShellMove(QStringLiteral("s.jpg"), m_a, m_other, true, &copied);
    }
    EXPECT_FALSE(moved);
    EXPECT_TRUE(copied);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.first().startsWith(QStringLiteral("Could not move s.jpg: it was copied to %1, but the original in %2 cannot be removed: ")
                                                .arg(m_other, m_a)))
        << messages.first().toStdString();
    EXPECT_EQ(ReadAll(source), "both");
    EXPECT_EQ(ReadAll(m_other + QStringLiteral("s.jpg")), "both");
}

TEST_F(FileAdminTest, RenameKeepsNamesThatExistAndNamesWithSlashes)
{
    WriteAll(m_a + QStringLiteral("-x y'z.jpg"), "1");
    WriteAll(m_a + QStringLiteral("taken.jpg"), "2");
    EXPECT_FALSE(ShellRename(QStringLiteral("-x y'z.jpg"), QStringLiteral("taken.jpg"), m_a, true));
    EXPECT_FALSE(ShellRename(QStringLiteral("-x y'z.jpg"), QStringLiteral("../b/out.jpg"), m_a, true));
    EXPECT_EQ(messages.size(), 2);
    EXPECT_EQ(ReadAll(m_a + QStringLiteral("taken.jpg")), "2");
    EXPECT_TRUE(entries(m_b).isEmpty());
    EXPECT_TRUE(ShellRename(QStringLiteral("-x y'z.jpg"), QStringLiteral("Ärger.jpg"), m_a, true));
    EXPECT_EQ(entries(m_a), (QStringList{QStringLiteral("taken.jpg"), QStringLiteral("Ärger.jpg")}));
}

TEST_F(FileAdminTest, ACaseOnlyRenameRenamesButNeverOverAnotherFile)
{
    WriteAll(m_a + QStringLiteral("Photo.jpg"), "1");
    EXPECT_TRUE(ShellRename(QStringLiteral("Photo.jpg"), QStringLiteral("photo.jpg"), m_a, true));
    EXPECT_EQ(entries(m_a), QStringList{QStringLiteral("photo.jpg")});
    // Another file, or another name of the same file, keeps its name.
    WriteAll(m_a + QStringLiteral("PHOTO.jpg"), "2");
    ASSERT_EQ(::link(QFile::encodeName(m_a + QStringLiteral("photo.jpg")).constData(),
                     QFile::encodeName(m_a + QStringLiteral("Photo.jpg")).constData()),
              0);
    EXPECT_FALSE(ShellRename(QStringLiteral("PHOTO.jpg"), QStringLiteral("photo.jpg"), m_a, true));
    EXPECT_FALSE(ShellRename(QStringLiteral("Photo.jpg"), QStringLiteral("photo.jpg"), m_a, true));
    EXPECT_EQ(messages.size(), 2);
    EXPECT_EQ(entries(m_a), (QStringList{"PHOTO.jpg", "Photo.jpg", "photo.jpg"}));
    EXPECT_EQ(ReadAll(m_a + QStringLiteral("PHOTO.jpg")), "2");
    EXPECT_EQ(ReadAll(m_a + QStringLiteral("photo.jpg")), "1");
}

TEST_F(FileAdminTest, DeleteAsksThenMovesToTheTrash)
{
    const QByteArray oldData = qgetenv("XDG_DATA_HOME");
    // A data folder that does not exist yet, and the working folder among the pictures.
    const QString oldCurrent = QDir::currentPath();
    QDir::setCurrent(m_a);
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_root.filePath(QStringLiteral("data"))));
    WriteAll(m_a + QStringLiteral("d.jpg"), "bin me");
    Answer = false;
    EXPECT_FALSE(ShellDelete(m_a + QStringLiteral("d.jpg"), true));
    EXPECT_TRUE(QFile::exists(m_a + QStringLiteral("d.jpg")));
    Answer = true;
    EXPECT_TRUE(ShellDelete(m_a + QStringLiteral("d.jpg"), true));
    EXPECT_EQ(questions, QStringList(2, QStringLiteral("Move d.jpg to the trash?")));
    EXPECT_FALSE(QFile::exists(m_a + QStringLiteral("d.jpg")));
    EXPECT_EQ(ReadAll(m_root.filePath(QStringLiteral("data/Trash/files/d.jpg"))), "bin me");
    EXPECT_TRUE(QFile::exists(m_root.filePath(QStringLiteral("data/Trash/info/d.jpg.trashinfo"))));
    EXPECT_TRUE(QDir(m_a).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());

    // A file that vanished between listing and use: refused with the reason, nothing else touched.
    EXPECT_FALSE(ShellDelete(m_a + QStringLiteral("gone.jpg"), true));
    EXPECT_EQ(messages, QStringList{QStringLiteral("Could not move gone.jpg to the trash: No such file or directory")});

    // No trash can be made: the file stays and the message names it.
    messages.clear();
    WriteAll(m_root.filePath(QStringLiteral("blocker")), "");
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_root.filePath(QStringLiteral("blocker/data"))));
    WriteAll(m_a + QStringLiteral("e.jpg"), "stays");
    EXPECT_FALSE(ShellDelete(m_a + QStringLiteral("e.jpg"), true));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.first().startsWith(QStringLiteral("Could not move e.jpg to the trash: ")))
        << messages.first().toStdString();
    EXPECT_EQ(ReadAll(m_a + QStringLiteral("e.jpg")), "stays");
    QDir::setCurrent(oldCurrent);
    qputenv("XDG_DATA_HOME", oldData);
}

} // namespace
} // namespace vellum
