#include "app/VLClipbrdViewer.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QMainWindow>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "app/VLGlobal.h"

namespace vellum {
namespace {

using testing::AppClipboardStore;

TXBitmap solid(int width, int height, TColor colour)
{
    TXBitmap picture(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            StorePixel(picture.ScanLine(y) + 3 * x, colour);
    return picture;
}

QColor qcolour(TColor c)
{
    return {GetRValue(c), GetGValue(c), GetBValue(c)};
}

TEST(CbTabDataList, EntriesAreCopiesMarkedTransparentByTheirTag)
{
    TCbTabDataList list;
    const TXBitmap picture = solid(2, 1, RGBColor(255, 0, 0));
    EXPECT_EQ(list.Add(7, picture, -1), 0);
    EXPECT_EQ(list.Add(8, picture, RGBColor(1, 2, 3)), 1);
    EXPECT_EQ(list.Add(9, picture, 0x7F000000 | RGBColor(4, 5, 6)), 2); // beyond the colour's bytes
    EXPECT_EQ(list.Add(10, picture, -5), 3);
    EXPECT_EQ(list.Count(), 4);
    EXPECT_FALSE(list.Get(0).picture.Transparent());
    EXPECT_TRUE(list.Get(1).picture.Transparent());
    EXPECT_EQ(list.Get(1).picture.TransparentColor(), RGBColor(1, 2, 3));
    EXPECT_EQ(list.Get(2).tag, RGBColor(4, 5, 6));
    EXPECT_EQ(list.Get(3).tag, -1);
    EXPECT_FALSE(list.Get(3).picture.Transparent());
    EXPECT_EQ(list.Get(1).identifier, 8);
    for (const int index : {-1, 4}) {
        try {
            (void)list.Get(index);
            ADD_FAILURE() << "no exception for " << index;
        } catch (const EVLClipbrdViewerError& e) {
            EXPECT_EQ(e.message(), QStringLiteral("Item index %1 out of bounds").arg(index));
        }
    }
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
}

// Counts the clipboard notifications a window receives.
class NotificationCounter : public QObject {
public:
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == static_cast<QEvent::Type>(ClipboardChangedMessage))
            ++count;
        return false;
    }
};

class CbViewerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        QGuiApplication::clipboard()->clear();
        m_global = std::make_unique<TVLGlobal>(m_dir.path());
        m_main.setGeometry(100, 100, 600, 400);
        m_main.show();
        m_viewer = std::make_unique<TCbViewerForm>(&m_main, QString());
        m_viewer->installEventFilter(&m_counter);
    }
    void TearDown() override
    {
        m_viewer.reset();
        QGuiApplication::clipboard()->clear();
    }

    void showViewer()
    {
        m_viewer->show();
        QCoreApplication::processEvents();
    }
    [[nodiscard]] QStringList tabs() const
    {
        QStringList result;
        for (int i = 0; i < m_viewer->ClipboardPages()->count(); ++i)
            result << m_viewer->ClipboardPages()->tabText(i);
        return result;
    }
    // Paste, Paste as New, Promote, Delete, Clear.
    [[nodiscard]] std::string actions() const
    {
        std::string result;
        for (QAction* a : {m_viewer->PasteCbImage(), m_viewer->PasteCbImageAsNew(), m_viewer->PromoteCbImage(),
                           m_viewer->DeleteCbImage(), m_viewer->ClearCb()})
            result += a->isEnabled() ? '1' : '0';
        return result;
    }
    static void copy(int width, TColor colour, std::int32_t tag = -1)
    {
        const TXBitmap picture = solid(width, 1, colour);
        ASSERT_TRUE(AppClipboardStore().CopyPicture(&picture, tag));
    }
    [[nodiscard]] std::vector<int> widths() const
    {
        std::vector<int> result;
        for (int i = 0; i < m_viewer->Items().Count(); ++i)
            result.push_back(m_viewer->Items().Get(i).picture.Width());
        return result;
    }
    // The pattern's colour at a point of the drawing surface.
    [[nodiscard]] static QRgb pattern(int x, int y)
    {
        const QImage& tile = TVLGlobal::Instance().NonCanvasImage();
        return tile.pixel(x % tile.width(), y % tile.height()) | 0xFF000000u;
    }
    [[nodiscard]] QRgb drawn(int x, int y) const
    {
        return m_viewer->CbItemImage()->Image().pixel(x, y) | 0xFF000000u;
    }

    QTemporaryDir m_dir;
    std::unique_ptr<TVLGlobal> m_global;
    QMainWindow m_main;
    std::unique_ptr<TCbViewerForm> m_viewer;
    NotificationCounter m_counter;
};

TEST_F(CbViewerTest, AnEmptyOrTextClipboardShowsNoTabsAndTheLabel)
{
    const std::function<void()> contents[] = {
        [] { QGuiApplication::clipboard()->clear(); },
        [] { QGuiApplication::clipboard()->setText(QStringLiteral("text")); },
    };
    showViewer();
    for (const auto& put : contents) {
        put();
        EXPECT_TRUE(tabs().isEmpty());
        EXPECT_FALSE(m_viewer->ImageScrollBox()->isVisible());
        EXPECT_TRUE(m_viewer->CBIsEmptyLabel()->isVisible());
        EXPECT_EQ(m_viewer->CBIsEmptyLabel()->text(), QStringLiteral("The clipboard is empty"));
        EXPECT_EQ(actions(), "00000");
    }
    // Centred in the page area, whatever its size.
    m_viewer->resize(300, 260);
    QCoreApplication::processEvents();
    const QWidget* area = m_viewer->CBIsEmptyLabel()->parentWidget();
    const QRect label = m_viewer->CBIsEmptyLabel()->geometry();
    EXPECT_EQ(label.left(), std::max(area->width() - label.width(), 0) / 2);
    EXPECT_EQ(label.top(), std::max(area->height() - label.height(), 0) / 2);
}

TEST_F(CbViewerTest, ButtonsSitLeftOfThePinWithTheirHints)
{
    showViewer();
    QList<QToolButton*> buttons = m_viewer->PinButtonPanel()->findChildren<QToolButton*>(Qt::FindDirectChildrenOnly);
    std::sort(buttons.begin(), buttons.end(), [](const QWidget* a, const QWidget* b) { return a->x() < b->x(); });
    QStringList names;
    for (const QToolButton* button : buttons) {
        EXPECT_EQ(button->size(), QSize(26, 25));
        names << button->objectName();
    }
    EXPECT_EQ(names, (QStringList{"PasteButton", "PasteAsNewButton", "PromoteButton", "DeleteButton", "ClearButton", "PinSB"}));
    EXPECT_EQ(m_viewer->PromoteCbImage()->toolTip(),
              QStringLiteral("Make image the main clipboard image\n(This allows other programs to paste it)."));
    EXPECT_EQ(m_viewer->DeleteCbImage()->toolTip(), QStringLiteral("Delete image from the clipboard."));
}

TEST_F(CbViewerTest, AnotherProgramsPictureIsOneTabThatCanBeDeletedButNotPromoted)
{
    auto* data = new QMimeData;
    QImage image(5, 2, QImage::Format_RGB32);
    image.fill(Qt::green);
    data->setImageData(image);
    QGuiApplication::clipboard()->setMimeData(data);
    showViewer();
    EXPECT_EQ(tabs(), QStringList{"1"});
    EXPECT_EQ(m_viewer->Items().Get(0).identifier, -1);
    EXPECT_EQ(actions(), "11011");
    m_viewer->DeleteCbImage()->trigger();
    EXPECT_EQ(AppClipboardStore().AvailableFormat(), 0);
    EXPECT_TRUE(tabs().isEmpty());
}

TEST_F(CbViewerTest, TabsListTheCopiesNewestFirstAndPromotingMakesOneTheNewest)
{
    showViewer();
    copy(1, RGBColor(255, 0, 0));
    copy(2, RGBColor(255, 0, 0));
    copy(3, RGBColor(255, 0, 0));
    EXPECT_EQ(tabs(), (QStringList{"1", "2", "3"}));
    EXPECT_EQ(widths(), (std::vector<int>{3, 2, 1}));
    EXPECT_EQ(m_viewer->ClipboardPages()->currentIndex(), 0);
    EXPECT_EQ(m_viewer->ClipboardPages()->tabRect(1).width(), TCbViewerForm::TabWidth);
    EXPECT_EQ(actions(), "11011");

    m_viewer->ClipboardPages()->setCurrentIndex(2);
    EXPECT_EQ(actions(), "11111");
    m_viewer->PromoteCbImage()->trigger();
    EXPECT_EQ(widths(), (std::vector<int>{1, 3, 2}));
    EXPECT_EQ(m_viewer->ClipboardPages()->currentIndex(), 0);
    const QImage standard = qvariant_cast<QImage>(QGuiApplication::clipboard()->mimeData()->imageData());
    EXPECT_EQ(standard.width(), 1);

    // Deleting tab "2" deletes that picture, even for items added within one millisecond.
    m_viewer->ClipboardPages()->setCurrentIndex(1);
    m_viewer->DeleteCbImage()->trigger();
    EXPECT_EQ(widths(), (std::vector<int>{1, 2}));

    m_viewer->ClearCb()->trigger();
    EXPECT_TRUE(tabs().isEmpty());
    EXPECT_FALSE(AppClipboardStore().HasPicture());
}

TEST_F(CbViewerTest, PasteRequestsCarryThePictureTheFlagAndTheTag)
{
    copy(2, RGBColor(7, 8, 9), RGBColor(7, 8, 9));
    copy(4, RGBColor(0, 0, 255));
    showViewer();
    std::vector<std::tuple<int, bool, int>> requests;
    m_viewer->OnPasteImage = [&](TCbViewerForm* sender, const TXBitmap& picture, bool asNew, int tag) {
        EXPECT_EQ(sender, m_viewer.get());
        requests.emplace_back(picture.Width(), asNew, tag);
    };
    m_viewer->PasteCbImage()->trigger();
    m_viewer->ClipboardPages()->setCurrentIndex(1);
    m_viewer->PasteCbImageAsNew()->trigger();
    EXPECT_EQ(requests, (std::vector<std::tuple<int, bool, int>>{{4, false, -1}, {2, true, RGBColor(7, 8, 9)}}));
}

TEST_F(CbViewerTest, ASmallPictureIsCentredOverThePatternShowingItThroughItsTransparentColour)
{
    TXBitmap shaped = solid(3, 3, RGBColor(200, 10, 10));
    StorePixel(shaped.ScanLine(1) + 3, RGBColor(0, 255, 0)); // the middle pixel lies outside
    ASSERT_TRUE(AppClipboardStore().CopyPicture(&shaped, RGBColor(0, 255, 0)));
    showViewer();
    const QImage& image = m_viewer->CbItemImage()->Image();
    const QSize client = m_viewer->ImageScrollBox()->maximumViewportSize();
    ASSERT_EQ(image.size(), client);
    const int left = (client.width() - 3) / 2;
    const int top = (client.height() - 3) / 2;
    for (int y = top - 1; y <= top + 3; ++y) {
        for (int x = left - 1; x <= left + 3; ++x) {
            const bool inside = x >= left && x < left + 3 && y >= top && y < top + 3;
            const bool hole = x == left + 1 && y == top + 1;
            const QRgb expected = inside && !hole ? qcolour(RGBColor(200, 10, 10)).rgb() : pattern(x, y);
            EXPECT_EQ(drawn(x, y), expected) << x << "," << y;
        }
    }
    EXPECT_EQ(drawn(0, 0), pattern(0, 0));
}

TEST_F(CbViewerTest, EveryRefreshShowsEachPictureExactlyWhateverTheLastOneHeld)
{
    // Pictures of one size but other pixels, so that each refresh decodes them into the
    // storage of different ones; then one of another size shifts them all.
    const TColor odd = RGBColor(9, 9, 9);
    showViewer();
    std::vector<TColor> newestFirst;
    for (const TColor colour : {RGBColor(1, 2, 3), RGBColor(40, 50, 60), RGBColor(200, 100, 0)}) {
        TXBitmap picture = solid(4, 3, colour);
        StorePixel(picture.ScanLine(2) + 9, odd);
        ASSERT_TRUE(AppClipboardStore().CopyPicture(&picture, -1));
        newestFirst.insert(newestFirst.begin(), colour);
        ASSERT_EQ(m_viewer->Items().Count(), int(newestFirst.size()));
        for (int i = 0; i < m_viewer->Items().Count(); ++i) {
            const TXBitmap& shown = m_viewer->Items().Get(i).picture;
            EXPECT_EQ(shown.PixelColour(0, 0), newestFirst[std::size_t(i)]) << i;
            EXPECT_EQ(shown.PixelColour(3, 2), odd) << i;
            EXPECT_FALSE(shown.Transparent()) << i;
        }
    }
    copy(7, RGBColor(5, 6, 7), int(RGBColor(5, 6, 7)));
    EXPECT_EQ(widths(), (std::vector<int>{7, 4, 4, 4}));
    EXPECT_TRUE(m_viewer->Items().Get(0).picture.Transparent());
    for (int i = 1; i < 4; ++i) {
        EXPECT_EQ(m_viewer->Items().Get(i).picture.PixelColour(0, 0), newestFirst[std::size_t(i - 1)]) << i;
        EXPECT_FALSE(m_viewer->Items().Get(i).picture.Transparent()) << i;
    }
    // The surface shows the first tab's picture, all of it its transparent colour.
    const QSize client = m_viewer->ImageScrollBox()->maximumViewportSize();
    const QPoint middle((client.width() - 7) / 2 + 3, (client.height() - 1) / 2);
    EXPECT_EQ(drawn(middle.x(), middle.y()), pattern(middle.x(), middle.y()));
}

TEST_F(CbViewerTest, ALargePictureScrolls)
{
    const TXBitmap big = solid(900, 700, RGBColor(3, 4, 5));
    ASSERT_TRUE(AppClipboardStore().CopyPlainPicture(&big));
    showViewer();
    EXPECT_EQ(m_viewer->CbItemImage()->size(), QSize(900, 700));
    EXPECT_EQ(drawn(899, 699), qcolour(RGBColor(3, 4, 5)).rgb());
    EXPECT_GT(m_viewer->ImageScrollBox()->horizontalScrollBar()->maximum(), 0);
    EXPECT_GT(m_viewer->ImageScrollBox()->verticalScrollBar()->maximum(), 0);
}

TEST_F(CbViewerTest, ABarShowsOnlyWhereThePictureIsLargerAndThePictureIsCentredInWhatShows)
{
    showViewer();
    QScrollArea* box = m_viewer->ImageScrollBox();
    const QSize full = box->maximumViewportSize();
    const int bar = box->verticalScrollBar()->sizeHint().width();
    ASSERT_GT(full.width(), 2 * bar);
    struct Case {
        const char* what;
        QSize picture;
        bool horizontal, vertical;
    };
    const Case cases[] = {
        {"small", {20, 10}, false, false},
        {"taller, narrow", {full.width() / 2 + 1, full.height() + 50}, false, true},
        {"taller, as wide as the room left by its bar", {full.width() - bar, full.height() + 50}, false, true},
        {"taller, wider than the room left by its bar", {full.width() - bar + 1, full.height() + 50}, true, true},
        {"wider, low", {full.width() + 50, full.height() / 2 + 1}, true, false},
    };
    const TColor colour = RGBColor(3, 4, 5);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const TXBitmap picture = solid(c.picture.width(), c.picture.height(), colour);
        ASSERT_TRUE(AppClipboardStore().CopyPlainPicture(&picture));
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        EXPECT_EQ(box->horizontalScrollBar()->isVisible(), c.horizontal);
        EXPECT_EQ(box->verticalScrollBar()->isVisible(), c.vertical);
        // Where it fits, the surface fills what shows, and the picture sits in its middle.
        const QSize shown = box->viewport()->size();
        const QSize surface = m_viewer->CbItemImage()->size();
        EXPECT_EQ(surface, shown.expandedTo(c.picture));
        const int left = (surface.width() - c.picture.width()) / 2;
        const int top = (surface.height() - c.picture.height()) / 2;
        EXPECT_EQ(drawn(left, top), qcolour(colour).rgb());
        EXPECT_EQ(drawn(left + c.picture.width() - 1, top + c.picture.height() - 1), qcolour(colour).rgb());
        if (left > 0) {
            EXPECT_NE(drawn(left - 1, top), qcolour(colour).rgb());
        }
        if (left + c.picture.width() < surface.width()) {
            EXPECT_NE(drawn(left + c.picture.width(), top), qcolour(colour).rgb());
        }
    }
}

TEST_F(CbViewerTest, OnlyAShownViewerIsToldOfChangesAndOnlyOnce)
{
    copy(1, RGBColor(255, 0, 0));
    EXPECT_EQ(m_counter.count, 0);
    EXPECT_FALSE(m_viewer->Registered());

    showViewer();
    EXPECT_EQ(tabs(), QStringList{"1"}); // a fresh refresh at show
    copy(2, RGBColor(255, 0, 0));
    EXPECT_EQ(m_counter.count, 1);

    // Docking and floating again hide and show it: still one registration.
    m_viewer->setFloating(false);
    QCoreApplication::processEvents();
    m_viewer->setFloating(true);
    QCoreApplication::processEvents();
    ASSERT_TRUE(m_viewer->isVisible());
    m_counter.count = 0;
    copy(3, RGBColor(255, 0, 0));
    EXPECT_EQ(m_counter.count, 1);
    EXPECT_EQ(tabs(), (QStringList{"1", "2", "3"}));

    m_viewer->close();
    EXPECT_FALSE(m_viewer->Registered());
    copy(4, RGBColor(255, 0, 0));
    EXPECT_EQ(m_counter.count, 1);
    EXPECT_EQ(tabs().size(), 3); // stale while hidden, rebuilt at the next show
    showViewer();
    EXPECT_EQ(tabs().size(), 4);
}

} // namespace
} // namespace vellum
