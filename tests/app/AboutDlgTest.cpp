#include "app/AboutDlg.h"

#include <QFile>
#include <QLabel>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace vellum {
namespace {

TEST(AboutBox, MemoryInKilobytesWithThousandsSeparators)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("meminfo"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("MemTotal:       16384000 kB\nMemFree:         1234 kB\n");
    f.close();
    const TSystemInfo info = ReadSystemInfo(path);
    EXPECT_EQ(info.TotalMemory, QStringLiteral("Total Memory: 16,384,000 KB"));
    EXPECT_TRUE(info.Build.startsWith(QStringLiteral("Build ")));
    EXPECT_FALSE(info.OsName.isEmpty());

    const TSystemInfo none = ReadSystemInfo(dir.filePath(QStringLiteral("missing")));
    EXPECT_TRUE(none.OsName.isEmpty() && none.Build.isEmpty() && none.TotalMemory.isEmpty());
}

TEST(AboutBox, ShowsNameVersionAndSystem)
{
    const TAboutBox box(nullptr, TSystemInfo{QStringLiteral("Some OS"), QStringLiteral("Build 1.2"),
                                             QStringLiteral("Total Memory: 1,024 KB")});
    EXPECT_EQ(box.windowTitle(), QStringLiteral("About Vellum"));
    QStringList texts;
    for (const QLabel* label : box.findChildren<QLabel*>())
        if (!label->text().isEmpty())
            texts << label->text();
    EXPECT_EQ(texts, (QStringList{"Vellum", "Version 2.2.8", "Some OS", "Build 1.2", "Total Memory: 1,024 KB"}));
}

} // namespace
} // namespace vellum
