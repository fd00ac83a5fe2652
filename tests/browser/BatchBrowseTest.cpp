#include "BatchBrowse.h"

#include <QTextStream>

#include <gtest/gtest.h>

#include "BatchCommand.h"
#include "BrowserTestSupport.h"

namespace vellum {
namespace {

struct TRun {
    int status;
    QString out;
    QString err;
};

TRun Browse(const QStringList& arguments)
{
    TRun run;
    QTextStream out(&run.out);
    QTextStream err(&run.err);
    run.status = batch::RunBatch(arguments, out, err);
    out.flush();
    err.flush();
    return run;
}

TEST(BatchBrowse, ListsEntriesInDisplayOrderAndReportsTheFile)
{
    QTemporaryDir dir;
    test::WritePicture(dir.filePath(QStringLiteral("b.bmp")), 200, 300);
    test::WritePicture(dir.filePath(QStringLiteral("a\tb.jpg")), 1000, 10);
    test::WriteAll(dir.filePath(QStringLiteral("bad.gif")), "GIF89a");
    test::SetFileTime(dir.filePath(QStringLiteral("b.bmp")), 2020, 5, 6, 7, 8, 10);
    TRun run = Browse({QStringLiteral("--browse"), dir.path(), QStringLiteral("--sort=size"), QStringLiteral("--descending")});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    const QStringList lines = run.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2);
    const QStringList first = lines[0].split(u'\t');
    ASSERT_EQ(first.size(), 6);
    EXPECT_EQ(first[0], QStringLiteral("0"));
    EXPECT_EQ(first[1], QStringLiteral("b.bmp"));
    EXPECT_EQ(first[2], QStringLiteral("200x300"));
    EXPECT_EQ(first[3], QString::number(std::int32_t((40u << 25) | (5u << 21) | (6u << 16) | (7u << 11) | (8u << 5) | 5u)));
    EXPECT_EQ(first[4], QStringLiteral("65x98"));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("1\ta\\tb.jpg\t1000x10\t")));
    EXPECT_TRUE(lines[1].contains(QStringLiteral("\t94x2\t")));
    EXPECT_TRUE(run.err.contains(QStringLiteral("vellum-batch: skipped bad.gif: ")));
    EXPECT_TRUE(run.err.endsWith(QStringLiteral("old=none entries=2 made=2 reused=0 dropped=0 skipped=1 file=written\n")))
        << run.err.toStdString();

    run = Browse({QStringLiteral("--timing"), QStringLiteral("--browse"), dir.path(), QStringLiteral("--threads=1")});
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.err.contains(QStringLiteral("old=current entries=2 made=0 reused=2 dropped=0 skipped=1 file=unchanged\n")))
        << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("browse_ms=")));
    EXPECT_TRUE(run.out.startsWith(QStringLiteral("0\tb.bmp\t"))) << "the stored order";
}

TEST(BatchBrowse, UsageAndFolderErrors)
{
    QTemporaryDir dir;
    const QStringList usage[] = {
        {QStringLiteral("--browse")},
        {QStringLiteral("--browse"), dir.path(), QStringLiteral("--sort=colour")},
        {QStringLiteral("--browse"), dir.path(), QStringLiteral("--threads=0")},
        {QStringLiteral("--browse"), dir.path(), QStringLiteral("--descending")},
        {QStringLiteral("--browse"), dir.path(), QStringLiteral("extra")},
    };
    for (const QStringList& arguments : usage)
        EXPECT_EQ(Browse(arguments).status, 2) << arguments.join(u' ').toStdString();
    EXPECT_EQ(Browse({QStringLiteral("--browse"), dir.filePath(QStringLiteral("none"))}).status, 1);
    const TRun empty = Browse({QStringLiteral("--browse"), dir.path()});
    EXPECT_EQ(empty.status, 0);
    EXPECT_EQ(empty.err, QStringLiteral("old=none entries=0 made=0 reused=0 dropped=0 skipped=0 file=absent\n"));
}

TEST(BatchBrowse, NamesAreEscaped)
{
    struct Case {
        QByteArray name;
        QString shown;
    };
    const Case cases[] = {
        {"plain.jpg", "plain.jpg"},
        {"back\\slash", "back\\\\slash"},
        {"tab\there", "tab\\there"},
        {"new\nline", "new\\nline"},
        {"bell\x07", "bell\\x07"},
        {"caf\xC3\xA9", QStringLiteral("caf\u00E9")},
        {"latin\xE9", "latin\\xe9"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(batch::EscapedName(c.name), c.shown) << c.name.toStdString();
}

} // namespace
} // namespace vellum
