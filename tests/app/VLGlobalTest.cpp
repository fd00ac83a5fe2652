#include "app/VLGlobal.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace vellum {
namespace {

TEST(VLGlobal, ProgramPathIsTheWritableExecutableFolderElseTheUserFolder)
{
    QTemporaryDir exeDir;
    ASSERT_TRUE(exeDir.isValid());
    EXPECT_EQ(ChooseProgramPath(exeDir.path(), QStringLiteral("/home/u/.config/Vellum")), exeDir.path() + '/');
    EXPECT_EQ(ChooseProgramPath(exeDir.path() + QStringLiteral("/missing"), QStringLiteral("/home/u/.config/Vellum")),
              QStringLiteral("/home/u/.config/Vellum/"));
}

TEST(VLGlobal, StartUpValues)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    TVLGlobal global(dir.path());
    EXPECT_EQ(ProgramPath(), dir.path() + '/');
    EXPECT_FALSE(global.ExtraBtnImage().isNull());
    EXPECT_FALSE(global.NonCanvasImage().isNull());
    EXPECT_GT(global.Metrics().captionHeight, 0);
    // The extra caption button sits left of the three standard buttons and inside the caption.
    EXPECT_GT(global.ExtraBtnRightOffset(), 3 * global.Metrics().captionButtonWidth);
    EXPECT_GE(global.ExtraBtnTopOffset(), 0);
}

} // namespace
} // namespace vellum
