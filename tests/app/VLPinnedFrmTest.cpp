#include "app/VLPinnedFrm.h"

#include <limits>

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QMainWindow>
#include <QScreen>
#include <QTemporaryDir>
#include <QToolButton>

#include <gtest/gtest.h>

#include "app/VLGlobal.h"
#include "app/XMLRegFile.h"

namespace vellum {
namespace {

const QString Key = QStringLiteral("Vellum\\CbViewer");
constexpr QSize Designed{200, 150};

class PinnedFormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_global = std::make_unique<TVLGlobal>(m_dir.path());
        m_main.setGeometry(100, 120, 600, 400);
        m_main.show();
        settle();
    }

    static void settle()
    {
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
    }
    static QRect screen() { return QGuiApplication::primaryScreen()->geometry(); }

    void writeSettings(const QList<std::pair<QString, int>>& values) const
    {
        TXMLRegistryFile reg(ProgramPath() + QStringLiteral("Vellum.xml"));
        ASSERT_TRUE(reg.OpenKey(Key, true));
        for (const auto& [name, value] : values) {
            if (name == QLatin1String("Pinned"))
                reg.WriteBool(name, value != 0);
            else
                reg.WriteInteger(name, value);
        }
    }
    [[nodiscard]] int readSetting(const char* name) const
    {
        TXMLRegistryFile reg(ProgramPath() + QStringLiteral("Vellum.xml"));
        if (!reg.OpenKey(Key, false) || !reg.ValueExists(QLatin1String(name)))
            return -12345;
        return reg.ReadString(QLatin1String(name)) == QLatin1String("Yes") ? 1 : reg.ReadInteger(QLatin1String(name));
    }

    // Moves the main window's client rectangle and lets the events arrive.
    void moveMain(const QRect& rect)
    {
        m_main.setGeometry(rect);
        settle();
    }

    QTemporaryDir m_dir;
    std::unique_ptr<TVLGlobal> m_global;
    QMainWindow m_main;
};

TEST_F(PinnedFormTest, WithoutSettingsItStartsHiddenFloatingUnpinnedAndCentredOnTheMainWindow)
{
    for (const QString& key : {QString(), QStringLiteral("  "), Key}) {
        SCOPED_TRACE(key.toStdString());
        TVLBasePinnedForm form(&m_main, key, QStringLiteral("Clipboard Viewer"), Designed);
        EXPECT_FALSE(form.isVisible());
        EXPECT_FALSE(form.Docked());
        EXPECT_FALSE(form.Pinned());
        EXPECT_FALSE(form.PinSB()->isChecked());
        EXPECT_EQ(form.PinSB()->toolTip(), QStringLiteral("Pin Viewer to Vellum window"));
        EXPECT_EQ(form.PinSB()->statusTip(), QStringLiteral("Pin Viewer to Vellum window"));
        EXPECT_EQ(form.FloatingGeometry(), QRect(100 + 200, 120 + 125, 200, 150));
        form.show();
        settle();
        EXPECT_EQ(form.geometry(), QRect(300, 245, 200, 150));
    }
}

TEST_F(PinnedFormTest, PinningShowsOnTheButtonAndInItsHint)
{
    TVLBasePinnedForm form(&m_main, QString(), QStringLiteral("Viewer"), Designed);
    form.SetPinned(true);
    EXPECT_TRUE(form.PinSB()->isChecked());
    EXPECT_EQ(form.PinSB()->toolTip(), QStringLiteral("Unpin Viewer from Vellum window"));
    form.show();
    form.PinSB()->click();
    EXPECT_FALSE(form.Pinned());
    EXPECT_EQ(form.PinSB()->statusTip(), QStringLiteral("Pin Viewer to Vellum window"));
}

TEST_F(PinnedFormTest, StoredPlacesAreClampedToTheScreenAndSizesAreAtLeastOneHundred)
{
    const int sw = screen().width();
    const int sh = screen().height();
    struct Case {
        int left, top, width, height;
        QRect expected;
    };
    const Case cases[] = {
        {10, 20, 250, 180, QRect(10, 20, 250, 180)},
        {sw + 500, sh + 500, 250, 180, QRect(sw - 250, sh - 180, 250, 180)},
        {30, 40, 50, 20, QRect(30, 40, 100, 100)},
        {0, 0, sw + 300, 120, QRect(0, 0, sw, 120)}, // cut to the screen
        {-1, 40, 250, 180, QRect(100 + 175, 120 + 110, 250, 180)}, // no position: centred
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.left);
        writeSettings({{"Left", c.left}, {"Top", c.top}, {"Width", c.width}, {"Height", c.height}});
        TVLBasePinnedForm form(&m_main, Key, QStringLiteral("Viewer"), Designed);
        EXPECT_EQ(form.FloatingGeometry(), c.expected);
    }
}

TEST_F(PinnedFormTest, APinnedWindowKeepsItsDistanceFromTheTopRightCorner)
{
    // Right edges 10 apart, its top 20 below the main window's.
    writeSettings({{"Pinned", 1}, {"Left", 0}, {"Top", 0}, {"XDiff", 10}, {"YDiff", -20}});
    TVLBasePinnedForm pinned(&m_main, Key, QStringLiteral("Viewer"), Designed);
    ASSERT_TRUE(pinned.Pinned());
    TVLBasePinnedForm unpinned(&m_main, QString(), QStringLiteral("Other"), Designed);
    unpinned.show();
    pinned.show();
    settle();
    EXPECT_EQ(pinned.geometry(), QRect(700 - 10 - 200, 140, 200, 150));
    const QRect still = unpinned.geometry();

    moveMain(QRect(130, 160, 650, 400)); // moved and wider
    EXPECT_EQ(pinned.geometry(), QRect(780 - 10 - 200, 180, 200, 150));
    EXPECT_EQ(unpinned.geometry(), still);

    // Moved by hand, it keeps the new distance from then on.
    pinned.setGeometry(400, 300, 200, 150);
    settle();
    EXPECT_EQ(pinned.XDiff(), 780 - 600);
    EXPECT_EQ(pinned.YDiff(), 160 - 300);
    moveMain(QRect(100, 100, 650, 400));
    EXPECT_EQ(pinned.geometry(), QRect(370, 240, 200, 150));
}

TEST_F(PinnedFormTest, TheFirstShowPlacesItBesideTheMainWindowWhereThatIsThen)
{
    // Created while the main window stood elsewhere (as at start, before its first show).
    struct Case {
        const char* what;
        QList<std::pair<QString, int>> stored;
        QRect expected;
    };
    // The main window's frame is (298, 198, 504, 304); each window has a 2-pixel frame here.
    const Case cases[] = {
        {"designed size, centred", {}, QRect(450, 275, 200, 150)},
        {"stored size, centred", {{"Width", 250}, {"Height", 180}}, QRect(425, 260, 250, 180)},
        {"stored place", {{"Left", 10}, {"Top", 20}, {"Width", 250}, {"Height", 180}}, QRect(10, 20, 250, 180)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(ProgramPath() + QStringLiteral("Vellum.xml"));
        writeSettings(c.stored);
        moveMain(QRect(100, 120, 600, 400));
        TVLBasePinnedForm form(&m_main, Key, QStringLiteral("Viewer"), Designed);
        moveMain(QRect(300, 200, 500, 300));
        form.show();
        settle();
        EXPECT_EQ(form.geometry(), c.expected);
        EXPECT_EQ(form.FloatingGeometry(), c.expected);
    }
}

TEST_F(PinnedFormTest, ItsDistanceIsKeptBetweenTheFramesTheUserSees)
{
    // A main window without a frame beside a pinned window with one: the distances are between
    // what shows, frame edge to frame edge.
    QMainWindow frameless;
    frameless.setWindowFlags(Qt::FramelessWindowHint);
    frameless.setGeometry(100, 120, 600, 400);
    frameless.show();
    settle();
    writeSettings({{"Pinned", 1}, {"Left", 0}, {"Top", 0}, {"XDiff", 10}, {"YDiff", -20}});
    TVLBasePinnedForm pinned(&frameless, Key, QStringLiteral("Viewer"), Designed);
    pinned.show();
    settle();
    const QRect frame = pinned.frameGeometry();
    ASSERT_NE(frame, pinned.geometry());
    EXPECT_EQ(frame.left() + frame.width(), 700 - 10);
    EXPECT_EQ(frame.top(), 120 + 20);

    pinned.setGeometry(400, 300, 200, 150);
    settle();
    EXPECT_EQ(pinned.XDiff(), 700 - (pinned.frameGeometry().left() + pinned.frameGeometry().width()));
    EXPECT_EQ(pinned.YDiff(), 120 - pinned.frameGeometry().top());
    frameless.setGeometry(150, 100, 600, 400);
    settle();
    EXPECT_EQ(pinned.geometry(), QRect(450, 280, 200, 150));
}

TEST_F(PinnedFormTest, HugeStoredOffsetsPlaceItAtTheScreenEdge)
{
    writeSettings({{"Pinned", 1}, {"Left", 0}, {"Top", 0}, {"XDiff", std::numeric_limits<int>::min()},
                   {"YDiff", std::numeric_limits<int>::max()}});
    TVLBasePinnedForm pinned(&m_main, Key, QStringLiteral("Viewer"), Designed);
    pinned.FollowMain();
    EXPECT_EQ(pinned.FloatingGeometry(), QRect(screen().width() - 200, 0, 200, 150));
}

TEST_F(PinnedFormTest, DockedItHidesThePinStaysAndSavesItsLastFloatingPlace)
{
    {
        TVLBasePinnedForm form(&m_main, Key, QStringLiteral("Viewer"), Designed);
        form.SetPinned(true);
        form.show();
        settle();
        form.setGeometry(50, 60, 220, 170);
        settle();
        const int xDiff = form.XDiff();
        form.setFloating(false);
        settle();
        EXPECT_TRUE(form.Docked());
        EXPECT_FALSE(form.PinSB()->isVisible());
        moveMain(QRect(140, 150, 600, 400));
        EXPECT_EQ(form.FloatingGeometry(), QRect(50, 60, 220, 170));
        EXPECT_EQ(form.XDiff(), xDiff);
    }
    EXPECT_EQ(readSetting("Pinned"), 1);
    EXPECT_EQ(readSetting("Left"), 50);
    EXPECT_EQ(readSetting("Top"), 60);
    EXPECT_EQ(readSetting("Width"), 220);
    EXPECT_EQ(readSetting("Height"), 170);
    EXPECT_EQ(readSetting("XDiff"), 700 - 270);
    EXPECT_EQ(readSetting("YDiff"), 120 - 60);

    // The next start floats where it was, with the pin showing.
    TVLBasePinnedForm again(&m_main, Key, QStringLiteral("Viewer"), Designed);
    EXPECT_FALSE(again.Docked());
    again.SetPinned(false);
    again.show();
    settle();
    EXPECT_TRUE(again.PinSB()->isVisible());
    EXPECT_EQ(again.geometry(), QRect(50, 60, 220, 170));
}

TEST_F(PinnedFormTest, ClosingRaisesOnClose)
{
    TVLBasePinnedForm form(&m_main, QString(), QStringLiteral("Viewer"), Designed);
    int closed = 0;
    form.OnClose = [&](TVLBasePinnedForm* sender) {
        EXPECT_EQ(sender, &form);
        ++closed;
    };
    form.show();
    EXPECT_TRUE(form.close());
    EXPECT_EQ(closed, 1);
    EXPECT_FALSE(form.isVisible());
}

} // namespace
} // namespace vellum
