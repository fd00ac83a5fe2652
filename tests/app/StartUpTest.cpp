#include "app/StartUp.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace vellum {
namespace {

class StartUpTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        for (const char* name : {"a.bmp", "b.JPG", "c.jpeg", "d.Gif", "notes.txt", "noext"})
            touch(path(name));
        ASSERT_TRUE(QDir(m_dir.path()).mkpath(QStringLiteral("first")));
        ASSERT_TRUE(QDir(m_dir.path()).mkpath(QStringLiteral("second")));
        ASSERT_TRUE(QDir(m_dir.path()).mkpath(QStringLiteral("folder.bmp")));
    }
    static void touch(const QString& name)
    {
        QFile f(name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    [[nodiscard]] QString path(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }

    QTemporaryDir m_dir;
};

TEST_F(StartUpTest, OptionsMatchInAnyLetterCaseAndAreNeverNames)
{
    const TAppParams params(QStringList{QStringLiteral("-nosplash"), QStringLiteral("-DEBUG")});
    EXPECT_TRUE(params.Has(TAppParams::apNoSplash));
    EXPECT_TRUE(params.Has(TAppParams::apDebug));
    EXPECT_FALSE(params.Has(TAppParams::apOpenFiles));
    EXPECT_FALSE(params.Has(TAppParams::apBrowseDir));
    EXPECT_EQ(params.FileCount(), 0);
}

TEST_F(StartUpTest, PictureFilesAreKeptAsTypedInOrderWithoutDuplicates)
{
    const QString a = path("a.bmp");
    const QString aUpper = path("A.BMP"); // another file, its name differing only in case
    touch(aUpper);
    const TAppParams params(QStringList{QStringLiteral("-NoSplash"), a, path("d.Gif"), aUpper, a, path("b.JPG")});
    EXPECT_TRUE(params.Has(TAppParams::apOpenFiles));
    ASSERT_EQ(params.FileCount(), 4);
    EXPECT_EQ(params.Files(0), a);
    EXPECT_EQ(params.Files(1), path("d.Gif"));
    EXPECT_EQ(params.Files(2), aUpper);
    EXPECT_EQ(params.Files(3), path("b.JPG"));
    EXPECT_EQ(params.Files(4), QString());
    EXPECT_EQ(params.Files(-1), QString());
}

TEST_F(StartUpTest, OnlyTheFirstExistingFolderIsBrowsed)
{
    const TAppParams params(QStringList{path("missing"), path("first"), path("second")});
    EXPECT_TRUE(params.Has(TAppParams::apBrowseDir));
    EXPECT_EQ(params.Directory(), path("first"));
}

TEST_F(StartUpTest, OtherArgumentsAreIgnoredSilently)
{
    // A text file, a file without extension, a missing name, an empty argument, and a folder
    // whose name looks like a picture (browsed, never opened as a file).
    const TAppParams params(QStringList{path("notes.txt"), path("noext"), path("gone.bmp"), QString(),
                                        path("folder.bmp")});
    EXPECT_FALSE(params.Has(TAppParams::apOpenFiles));
    EXPECT_EQ(params.FileCount(), 0);
    EXPECT_EQ(params.Directory(), path("folder.bmp"));
}

TEST_F(StartUpTest, FlagsCanBeConsumed)
{
    TAppParams params(QStringList{path("a.bmp"), path("first")});
    params.Exclude(TAppParams::apOpenFiles);
    params.Exclude(TAppParams::apBrowseDir);
    EXPECT_FALSE(params.Has(TAppParams::apOpenFiles));
    EXPECT_FALSE(params.Has(TAppParams::apBrowseDir));
    EXPECT_EQ(params.FileCount(), 1); // the names stay; only the requests are consumed
}

TEST_F(StartUpTest, IsPictureFileTakesTheExtensionFromTheLastDot)
{
    struct Case {
        const char* name;
        bool expected;
    };
    touch(path("archive.bmp.txt"));
    touch(path("photo.jpg.GIF"));
    for (const Case& c : {Case{"a.bmp", true}, Case{"b.JPG", true}, Case{"c.jpeg", true}, Case{"d.Gif", true},
                          Case{"notes.txt", false}, Case{"noext", false}, Case{"gone.bmp", false},
                          Case{"archive.bmp.txt", false}, Case{"photo.jpg.GIF", true}})
        EXPECT_EQ(IsPictureFile(path(c.name)), c.expected) << c.name;
}

} // namespace
} // namespace vellum
