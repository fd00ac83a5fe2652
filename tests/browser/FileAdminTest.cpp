#include "browser/FileAdmin.h"

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "BrowserTestSupport.h"

namespace vellum {
namespace {

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
    }
    void TearDown() override { ResetFileAdminPrompts(); }

    QStringList entries(const QString& folder) const
    {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }

    QTemporaryDir m_root;
    QString m_a;
    QString m_b;
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

TEST_F(FileAdminTest, DeleteAsksThenMovesToTheTrash)
{
    const QByteArray oldData = qgetenv("XDG_DATA_HOME");
    ASSERT_TRUE(QDir(m_root.path()).mkpath(QStringLiteral("data")));
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

    // A file that vanished between listing and use: refused with the reason, nothing else touched.
    EXPECT_FALSE(ShellDelete(m_a + QStringLiteral("gone.jpg"), true));
    EXPECT_EQ(messages, QStringList{QStringLiteral("Could not move gone.jpg to the trash: No such file or directory")});
    qputenv("XDG_DATA_HOME", oldData);
}

} // namespace
} // namespace vellum
