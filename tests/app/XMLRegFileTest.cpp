#include "app/XMLRegFile.h"

#include <QDomDocument>
#include <QFile>
#include <QTemporaryDir>

#include <ostream>

#include <gtest/gtest.h>

namespace vellum {
namespace {

class XMLRegFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_file = m_dir.filePath(QStringLiteral("Vellum.xml"));
        TXMLRegistryFile::SetErrorReporter([this](const QString& message) { m_errors << message; });
    }
    void TearDown() override { TXMLRegistryFile::SetErrorReporter(nullptr); }

    void writeFile(const QByteArray& bytes) const
    {
        QFile f(m_file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    [[nodiscard]] QByteArray readFile(const QString& name) const
    {
        QFile f(name);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QTemporaryDir m_dir;
    QString m_file;
    QStringList m_errors;
};

TEST_F(XMLRegFileTest, WritingToMissingFileCreatesNestedKeysUnderSettings)
{
    {
        TXMLRegistryFile reg(m_file);
        ASSERT_TRUE(reg.OpenKey(QStringLiteral("Vellum\\Main"), true));
        reg.WriteBool(QStringLiteral("ShowZoomGrid"), true);
        reg.CloseKey();
    }
    QDomDocument doc;
    ASSERT_TRUE(doc.setContent(readFile(m_file)));
    EXPECT_TRUE(readFile(m_file).startsWith("<?xml version=\"1.0\"?>"));
    const QDomElement root = doc.documentElement();
    EXPECT_EQ(root.tagName(), QStringLiteral("Settings"));
    const QDomElement value = root.firstChildElement(QStringLiteral("Vellum"))
                                  .firstChildElement(QStringLiteral("Main"))
                                  .firstChildElement(QStringLiteral("ShowZoomGrid"));
    EXPECT_EQ(value.text(), QStringLiteral("Yes"));
    EXPECT_TRUE(m_errors.isEmpty());
}

TEST_F(XMLRegFileTest, OpeningKeysWithoutWritingLeavesTheFileAlone)
{
    {
        TXMLRegistryFile reg(m_file);
        EXPECT_TRUE(reg.OpenKey(QStringLiteral("Vellum\\Main\\Recent_Files"), true));
        EXPECT_FALSE(reg.Modified());
    }
    EXPECT_FALSE(QFile::exists(m_file));

    writeFile("<Settings/>");
    {
        TXMLRegistryFile reg(m_file);
        EXPECT_TRUE(reg.OpenKey(QStringLiteral("Vellum\\Main"), true));
    }
    EXPECT_EQ(readFile(m_file), QByteArray("<Settings/>"));
}

TEST_F(XMLRegFileTest, KeysResolveByExactNameUnderAnyRoot)
{
    writeFile("<Other><Vellum><main><A>1</A></main><Main><A>2</A></Main><Main><A>3</A></Main></Vellum></Other>");
    TXMLRegistryFile reg(m_file);
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("Vellum\\Main"), false));
    EXPECT_EQ(reg.ReadInteger(QStringLiteral("A")), 2); // the first matching child, case counts
    EXPECT_FALSE(reg.OpenKey(QStringLiteral("Vellum\\MAIN"), false));
    EXPECT_FALSE(reg.ValueExists(QStringLiteral("A"))); // a failed open forgets the current key
    EXPECT_FALSE(reg.OpenKey(QString(), true));
    EXPECT_FALSE(reg.OpenKey(QStringLiteral("Vellum\\\\Main"), true));
}

TEST_F(XMLRegFileTest, ValueTextForms)
{
    writeFile("<?xml version=\"1.0\"?>\n<Settings><K>"
              "<yesLower>yes</yesLower><yes>Yes</yes><abc>abc</abc><empty></empty><neg>-42</neg>"
              "<big>99999999999</big><lines>one\ntwo\r\nthree</lines><nested><x>1</x></nested>"
              "</K></Settings>");
    TXMLRegistryFile reg(m_file);
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("K"), false));
    EXPECT_FALSE(reg.ReadBool(QStringLiteral("yesLower")));
    EXPECT_TRUE(reg.ReadBool(QStringLiteral("yes")));
    EXPECT_EQ(reg.ReadInteger(QStringLiteral("abc")), 0);
    EXPECT_EQ(reg.ReadInteger(QStringLiteral("empty")), 0);
    EXPECT_EQ(reg.ReadInteger(QStringLiteral("neg")), -42);
    EXPECT_EQ(reg.ReadInteger(QStringLiteral("big")), 0);
    EXPECT_EQ(reg.ReadString(QStringLiteral("lines")), QStringLiteral("one\r\ntwo\r\nthree"));
    EXPECT_TRUE(reg.ValueExists(QStringLiteral("empty")));
    EXPECT_FALSE(reg.ValueExists(QStringLiteral("missing")));
    EXPECT_EQ(reg.ReadInteger(QStringLiteral("missing")), 0);
    // An element that holds elements is a key, not a value.
    EXPECT_FALSE(reg.ValueExists(QStringLiteral("nested")));
    EXPECT_EQ(reg.ReadString(QStringLiteral("nested")), QString());
}

TEST_F(XMLRegFileTest, ValuesRoundTripThroughTheFile)
{
    const QString text = QStringLiteral("first line\r\nsecond <&> \"line\"");
    {
        TXMLRegistryFile reg(m_file);
        ASSERT_TRUE(reg.OpenKey(QStringLiteral("Vellum\\Main\\Recent_Text"), true));
        reg.WriteString(QStringLiteral("RecentText1"), text);
        reg.WriteInteger(QStringLiteral("MaxRecentList"), -2147483647 - 1);
        reg.WriteBool(QStringLiteral("Flag"), false);
        EXPECT_TRUE(reg.Modified());
    }
    TXMLRegistryFile reg(m_file);
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("Vellum\\Main\\Recent_Text"), false));
    EXPECT_EQ(reg.ReadString(QStringLiteral("RecentText1")), text);
    EXPECT_EQ(reg.ReadInteger(QStringLiteral("MaxRecentList")), -2147483647 - 1);
    EXPECT_EQ(reg.ReadString(QStringLiteral("Flag")), QStringLiteral("No"));
}

TEST_F(XMLRegFileTest, WritesWithoutAKeyAreIgnored)
{
    {
        TXMLRegistryFile reg(m_file);
        reg.WriteString(QStringLiteral("Loose"), QStringLiteral("x"));
        EXPECT_FALSE(reg.Modified());
        EXPECT_FALSE(reg.ValueExists(QStringLiteral("Loose")));
        EXPECT_EQ(reg.ReadString(QStringLiteral("Loose")), QString());
    }
    EXPECT_FALSE(QFile::exists(m_file));
}

TEST_F(XMLRegFileTest, TwoUsersWritingDifferentKeysKeepBoth)
{
    {
        TXMLRegistryFile reg(m_file);
        ASSERT_TRUE(reg.OpenKey(QStringLiteral("Vellum\\Viewer"), true));
        reg.WriteInteger(QStringLiteral("Left"), 10);
    }
    {
        TXMLRegistryFile reg(m_file);
        ASSERT_TRUE(reg.OpenKey(QStringLiteral("Vellum\\Main"), true));
        reg.WriteBool(QStringLiteral("WinMaximized"), true);
        reg.CloseKey();
        ASSERT_TRUE(reg.OpenKey(QStringLiteral("Vellum\\Viewer"), true));
        reg.WriteInteger(QStringLiteral("Top"), 20);
    }
    TXMLRegistryFile reg(m_file);
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("Vellum\\Viewer"), false));
    EXPECT_EQ(reg.ReadInteger(QStringLiteral("Left")), 10);
    EXPECT_EQ(reg.ReadInteger(QStringLiteral("Top")), 20);
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("Vellum\\Main"), false));
    EXPECT_TRUE(reg.ReadBool(QStringLiteral("WinMaximized")));
}

TEST_F(XMLRegFileTest, OverwritingAValueReplacesItsContent)
{
    writeFile("<Settings><K><V><child/>old</V></K></Settings>");
    {
        TXMLRegistryFile reg(m_file);
        ASSERT_TRUE(reg.OpenKey(QStringLiteral("K"), false));
        reg.WriteString(QStringLiteral("V"), QStringLiteral("new"));
    }
    TXMLRegistryFile reg(m_file);
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("K"), false));
    EXPECT_TRUE(reg.ValueExists(QStringLiteral("V")));
    EXPECT_EQ(reg.ReadString(QStringLiteral("V")), QStringLiteral("new"));
}

// Files that must read as a missing file: defaults everywhere, and the program still starts.
struct BadFileCase {
    const char* name;
    QByteArray bytes;
    bool keptAsBad; // the damaged file is moved aside before it is replaced
};

void PrintTo(const BadFileCase& c, std::ostream* os)
{
    *os << c.name;
}

class XMLRegFileBadInput : public XMLRegFileTest, public ::testing::WithParamInterface<BadFileCase> {};

TEST_P(XMLRegFileBadInput, ReadsAsDefaultsAndIsKeptBeforeBeingReplaced)
{
    const BadFileCase& c = GetParam();
    writeFile(c.bytes);
    {
        TXMLRegistryFile reg(m_file);
        EXPECT_FALSE(reg.OpenKey(QStringLiteral("Vellum\\Main"), false));
        ASSERT_TRUE(reg.OpenKey(QStringLiteral("Vellum\\Main"), true));
        EXPECT_FALSE(reg.ValueExists(QStringLiteral("WinMaximized")));
        reg.WriteBool(QStringLiteral("WinMaximized"), true);
    }
    EXPECT_TRUE(m_errors.isEmpty());
    const QString bad = m_file + QStringLiteral(".bad");
    EXPECT_EQ(QFile::exists(bad), c.keptAsBad);
    if (c.keptAsBad) {
        EXPECT_EQ(readFile(bad), c.bytes);
    }

    TXMLRegistryFile reg(m_file);
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("Vellum\\Main"), false));
    EXPECT_TRUE(reg.ReadBool(QStringLiteral("WinMaximized")));
}

QByteArray deeplyNested(int depth)
{
    return QByteArray("<a>").repeated(depth) + QByteArray("</a>").repeated(depth);
}

INSTANTIATE_TEST_SUITE_P(
    Files, XMLRegFileBadInput,
    ::testing::Values(BadFileCase{"empty", QByteArray(), false},
                      BadFileCase{"blank", QByteArray("  \n"), false},
                      BadFileCase{"notXml", QByteArray("WinMaximized=Yes\n"), true},
                      BadFileCase{"unclosed", QByteArray("<Settings><Vellum>"), true},
                      BadFileCase{"twoRoots", QByteArray("<a/><b/>"), true},
                      BadFileCase{"deep", deeplyNested(100000), true},
                      BadFileCase{"huge", "<Settings>" + QByteArray(TXMLRegistryFile::MaxFileSize, ' ') + "</Settings>",
                                  true}),
    [](const ::testing::TestParamInfo<BadFileCase>& info) { return std::string(info.param.name); });

TEST_F(XMLRegFileTest, WrongRootStillHoldsTheKeys)
{
    writeFile("<Config><Vellum><Main><WinMaximized>Yes</WinMaximized></Main></Vellum></Config>");
    TXMLRegistryFile reg(m_file);
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("Vellum\\Main"), false));
    EXPECT_TRUE(reg.ReadBool(QStringLiteral("WinMaximized")));
}

TEST_F(XMLRegFileTest, UnwritableLocationReportsOnceAndKeepsGoing)
{
    const QString missingDir = m_dir.filePath(QStringLiteral("no/such/dir/Vellum.xml"));
    {
        TXMLRegistryFile reg(missingDir);
        ASSERT_TRUE(reg.OpenKey(QStringLiteral("Vellum\\Main"), true));
        reg.WriteBool(QStringLiteral("WinMaximized"), true);
    }
    ASSERT_EQ(m_errors.size(), 1);
    EXPECT_TRUE(m_errors.first().startsWith(QStringLiteral("Unable to save settings: "))) << m_errors.first().toStdString();
}

} // namespace
} // namespace vellum
