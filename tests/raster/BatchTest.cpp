#include <gtest/gtest.h>

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>

#include "BatchCommand.h"
#include "PictureTestSupport.h"

using namespace vellum;
using namespace vellum::batch;
using namespace vellum::test;

namespace {

struct ToolRun {
    int status;
    QString err;
};

ToolRun RunTool(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral(VELLUM_BATCH_PATH), arguments);
    process.waitForFinished(60000);
    return ToolRun{process.exitCode(), QString::fromUtf8(process.readAllStandardError())};
}

} // namespace

TEST(Batch, ColoursAreDecimalValuesOrHashRrggbb)
{
    struct Case { const char* text; TColor colour; };
    const Case good[] = {{"255", RGBColor(255, 0, 0)}, {"#0000FF", RGBColor(0, 0, 255)}, {"#12ab9F", RGBColor(0x12, 0xAB, 0x9F)},
                         {"16711680", RGBColor(0, 0, 255)}, {"0", clBlack}};
    for (const Case& c : good)
        EXPECT_EQ(ParseColour(QString::fromUtf8(c.text)), c.colour) << c.text;
    for (const char* bad : {"#12345", "#GGGGGG", "-1", "16777216", "red", ""})
        EXPECT_THROW((void)ParseColour(QString::fromUtf8(bad)), EBatchUsage) << bad;
}

TEST(Batch, CommandLineGrammar)
{
    const TBatchRequest request = ParseCommandLine({"--timing", "in.bmp", "out.jpg"});
    EXPECT_TRUE(request.Timing);
    EXPECT_EQ(request.Input, u"in.bmp");
    EXPECT_EQ(request.Output, u"out.jpg");
    EXPECT_TRUE(request.Steps.empty());
    EXPECT_THROW((void)ParseCommandLine({"in.bmp"}), EBatchUsage);
    EXPECT_THROW((void)ParseCommandLine({"--fast", "a", "b"}), EBatchUsage);
    EXPECT_THROW((void)ParseCommandLine({"a", "b", "nosuchop=1,2"}), EBatchUsage);
}

TEST(Batch, ConvertsBetweenFormatsAndReportsTiming)
{
    const QString input = TempPath(QStringLiteral("batch-in.bmp"));
    GradientPicture(9, 4).SavePicture(input);
    const QString output = TempPath(QStringLiteral("batch-out.gif"));
    const ToolRun run = RunTool({QStringLiteral("--timing"), input, output});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QRegularExpression(QStringLiteral("^load_ms=[0-9.]+ ops_ms=[0-9.]+ save_ms=[0-9.]+\n$"))))
        << run.err.toStdString();
    TXBitmap loaded;
    loaded.LoadPicture(output);
    EXPECT_EQ(loaded.Width(), 9);
}

TEST(Batch, FailuresLeaveTheOutputUntouchedAndSetTheExitStatus)
{
    const QString output = TempPath(QStringLiteral("batch-keep.bmp"));
    WriteFile(output, "old content");
    const QString garbage = TempPath(QStringLiteral("batch-garbage.bmp"));
    WriteFile(garbage, QByteArray(100, 'x'));
    struct Case { QStringList arguments; int status; const char* message; };
    const Case cases[] = {
        {{garbage, output}, 1, "vellum-batch: Bitmap image is not valid\n"},
        {{TempPath(QStringLiteral("none.bmp")), output}, 1, "vellum-batch: Cannot open file"},
        {{garbage, TempPath(QStringLiteral("out.png"))}, 1, "vellum-batch: Bitmap image is not valid\n"},
        {{output}, 2, "vellum-batch: INPUT and OUTPUT are required\n"},
        {{garbage, output, QStringLiteral("nosuchop")}, 2, "vellum-batch: unknown operation \"nosuchop\""},
    };
    for (const Case& c : cases) {
        const ToolRun run = RunTool(c.arguments);
        EXPECT_EQ(run.status, c.status) << c.arguments.join(u' ').toStdString();
        EXPECT_TRUE(run.err.startsWith(QString::fromUtf8(c.message))) << run.err.toStdString();
        EXPECT_EQ(ReadFile(output), "old content");
    }
    EXPECT_EQ(RunTool({QStringLiteral("--help")}).status, 0);
}
