#include "app/ViewerFrm.h"

#include <algorithm>
#include <cstdint>

#include <QCoreApplication>
#include <QFrame>
#include <QMainWindow>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include "app/VLGlobal.h"
#include "app/XMLRegFile.h"
#include "controls/XGraphicCtrls.h"
#include "selection/PicSelection.h"

namespace vellum {
namespace {

const QString Key = QStringLiteral("Vellum\\Viewer");

// A picture whose every pixel tells where it is: red and green the coordinates' low bytes,
// blue the high bits of both.
TXBitmap patterned(int width, int height)
{
    TXBitmap picture(width, height);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = picture.ScanLine(y);
        for (int x = 0; x < width; ++x) {
            row[3 * x] = static_cast<std::uint8_t>(((x >> 8) & 0x0F) | ((y >> 4) & 0xF0));
            row[3 * x + 1] = static_cast<std::uint8_t>(y);
            row[3 * x + 2] = static_cast<std::uint8_t>(x);
        }
    }
    return picture;
}

TXBitmap plain(int width, int height, std::uint8_t grey)
{
    TXBitmap picture(width, height);
    for (int y = 0; y < height; ++y)
        std::fill_n(picture.ScanLine(y), 3 * width, grey);
    return picture;
}

TColor at(const TXBitmap& picture, int x, int y)
{
    const std::uint8_t* p = picture.ScanLine(y) + 3 * x;
    return p[2] | (p[1] << 8) | (p[0] << 16);
}

class ViewerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_global = std::make_unique<TVLGlobal>(m_dir.path());
        m_main.setGeometry(100, 100, 700, 500);
        m_main.show();
        m_viewer = std::make_unique<TViewerForm>(&m_main, Key);
        m_viewer->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_viewer.get()));
        settle();
        m_area = QSize(m_viewer->ViewerPanel()->width() - 6, m_viewer->ViewerPanel()->height() - 6);
        ASSERT_GT(m_area.width(), 50);
        ASSERT_GT(m_area.height(), 50);
    }
    static void settle()
    {
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
    }
    void show(const TXBitmap& picture, const QRect& view)
    {
        m_viewer->SetPicture(&picture);
        m_viewer->SetViewRect(view);
    }
    void press(Qt::MouseButton button, QPoint at, QEvent::Type type = QEvent::MouseButtonPress)
    {
        // A move reports no button of its own, only the ones held.
        QMouseEvent event(type, QPointF(at), QPointF(m_viewer->Surface()->mapToGlobal(at)),
                          type == QEvent::MouseMove ? Qt::NoButton : button, button, Qt::NoModifier);
        QCoreApplication::sendEvent(m_viewer->Surface(), &event);
    }

    QTemporaryDir m_dir;
    std::unique_ptr<TVLGlobal> m_global;
    QMainWindow m_main;
    std::unique_ptr<TViewerForm> m_viewer;
    QSize m_area;
};

TEST_F(ViewerTest, ShowsThePictureAtOneToOneCentredOnThePartInView)
{
    const int aw = m_area.width();
    const int ah = m_area.height();
    struct Case {
        const char* what;
        QSize picture;
        QRect view;
        QSize shown;
        QPoint offset;
    };
    const Case cases[] = {
        {"small picture whole", {50, 40}, {0, 0, 50, 40}, {50, 40}, {0, 0}},
        {"8:1 in the middle", {2000, 1500}, {990, 690, 20, 20}, {aw, ah}, {1000 - aw / 2, 700 - ah / 2}},
        {"odd middle", {2000, 1500}, {990, 690, 21, 21}, {aw, ah}, {1000 - aw / 2, 700 - ah / 2}},
        {"near the top left", {2000, 1500}, {5, 3, 20, 20}, {aw, ah}, {0, 0}},
        {"near the bottom right", {2000, 1500}, {1975, 1478, 25, 22}, {aw, ah}, {2000 - aw, 1500 - ah}},
        {"exactly as wide, taller", {aw, 1500}, {100, 690, 20, 20}, {aw, ah}, {0, 700 - ah / 2}},
        {"narrower, taller", {aw - 10, 1500}, {0, 1400, 20, 100}, {aw - 10, ah}, {0, 1500 - ah}},
        {"view beyond the picture", {2000, 1500}, {5000, -900, 20, 20}, {aw, ah}, {2000 - aw, 0}},
        {"huge view rectangle", {2000, 1500}, {2147483000, 2147483000, 600, 600}, {aw, ah}, {2000 - aw, 1500 - ah}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const TXBitmap picture = patterned(c.picture.width(), c.picture.height());
        m_viewer->Detach(false);
        show(picture, c.view);
        EXPECT_EQ(m_viewer->Surface()->size(), c.shown);
        EXPECT_EQ(m_viewer->Surface()->pos(), QPoint((aw + 6 - c.shown.width()) / 2, (ah + 6 - c.shown.height()) / 2));
        EXPECT_EQ(m_viewer->TargetRect(), QRect(QPoint(0, 0), c.shown));
        EXPECT_EQ(QPoint(m_viewer->OffsetX(), m_viewer->OffsetY()), c.offset);
        ASSERT_EQ(QSize(m_viewer->Buffer().Width(), m_viewer->Buffer().Height()), c.shown);
        // Frame off: the buffer is the picture's part, pixel for pixel.
        for (const QPoint p : {QPoint(0, 0), QPoint(c.shown.width() - 1, c.shown.height() - 1),
                               QPoint(c.shown.width() / 2, 7)})
            EXPECT_EQ(at(m_viewer->Buffer(), p.x(), p.y()), at(picture, p.x() + c.offset.x(), p.y() + c.offset.y()));
    }
}

TEST_F(ViewerTest, FrameInvertsATwoPixelRingInsideThePartInViewOnce)
{
    m_viewer->FrameSB()->click();
    ASSERT_TRUE(m_viewer->FrameSB()->isChecked());
    struct Case {
        const char* what;
        std::uint8_t grey;
        QRect view;
    };
    const Case cases[] = {
        {"light picture", 0xF0, {10, 8, 12, 9}},
        {"dark picture", 0x10, {10, 8, 12, 9}},
        {"five across", 0x80, {3, 3, 5, 5}},
        {"four across", 0x80, {3, 3, 4, 7}},
        {"three across", 0x80, {3, 3, 3, 2}},
        {"one pixel", 0x80, {6, 6, 1, 1}},
        {"at the picture's corner", 0x33, {0, 0, 6, 6}},
        {"cut by the far edges", 0x33, {55, 45, 10, 10}},
        {"the whole picture", 0x33, {0, 0, 60, 50}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const TXBitmap picture = plain(60, 50, c.grey);
        m_viewer->Detach(false);
        show(picture, c.view);
        ASSERT_EQ(QPoint(m_viewer->OffsetX(), m_viewer->OffsetY()), QPoint(0, 0));
        const QRect& r = c.view;
        const TColor same = c.grey * 0x010101;
        const TColor inverted = (0xFF - c.grey) * 0x010101;
        for (int y = 0; y < 50; ++y)
            for (int x = 0; x < 60; ++x) {
                const bool inside = r.contains(x, y);
                const bool ring = inside
                    && (x - r.left() < 2 || r.right() - x < 2 || y - r.top() < 2 || r.bottom() - y < 2);
                ASSERT_EQ(at(m_viewer->Buffer(), x, y), ring ? inverted : same) << x << "," << y;
            }
    }
}

TEST_F(ViewerTest, DrawsTheSelectionInPlaceUnderTheFrame)
{
    TEffectsBitmap picture;
    picture.Assign(plain(40, 30, 0x40));
    const TColor dark = 0x404040;
    const TColor key = RGBColor(0, 255, 0);
    TXBitmap piece(3, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            StorePixel(piece.ScanLine(y) + 3 * x, x == 1 && y == 0 ? key : RGBColor(250, 250, 250));
    // Partly beyond the picture's right edge: clipped.
    TBitmapPictureSelection selection(&picture, key, QPoint(38, 10), &piece);
    m_viewer->SetPicture(&picture);
    m_viewer->SetSelection(&selection);
    m_viewer->SetViewRect(QRect(36, 8, 4, 4));
    const TXBitmap& shown = m_viewer->Buffer();
    ASSERT_EQ(shown.Width(), 40);
    EXPECT_EQ(at(shown, 38, 10), RGBColor(250, 250, 250));
    EXPECT_EQ(at(shown, 39, 10), dark); // outside the shape
    EXPECT_EQ(at(shown, 39, 11), RGBColor(250, 250, 250));
    EXPECT_EQ(at(shown, 37, 10), dark);
    EXPECT_EQ(at(picture, 38, 10), dark); // the picture is not touched

    // The frame inverts what is shown, selection included.
    m_viewer->FrameSB()->click();
    EXPECT_EQ(at(shown, 38, 10), RGBColor(5, 5, 5));
    EXPECT_EQ(at(shown, 39, 10), 0xBFBFBF);
    EXPECT_EQ(at(shown, 39, 11), RGBColor(5, 5, 5));
    m_viewer->FrameSB()->click();

    m_viewer->Detach(false);
    EXPECT_EQ(m_viewer->Selection(), nullptr);
}

TEST_F(ViewerTest, EmptyViewRectangleAndNoPicture)
{
    m_viewer->FrameSB()->click();
    const TXBitmap picture = plain(60, 50, 0x40);
    show(picture, QRect(10, 10, 0, 5));
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 60; ++x)
            ASSERT_EQ(at(m_viewer->Buffer(), x, y), 0x404040);

    // Without a picture: the whole surface in the button face colour.
    m_viewer->Detach(true);
    EXPECT_EQ(m_viewer->Picture(), nullptr);
    m_viewer->Layout();
    m_viewer->SetViewRect(QRect(0, 0, 10, 10));
    const QColor face = m_viewer->palette().color(QPalette::Button);
    const TXBitmap& buffer = m_viewer->Buffer();
    EXPECT_EQ(QSize(buffer.Width(), buffer.Height()), m_area);
    for (const QPoint p : {QPoint(0, 0), QPoint(buffer.Width() - 1, buffer.Height() - 1), QPoint(3, 40)})
        EXPECT_EQ(at(buffer, p.x(), p.y()), ValueOfQColor(face));
}

TEST_F(ViewerTest, PanelSmallerThanItsBorderShowsNothing)
{
    const TXBitmap picture = patterned(300, 300);
    show(picture, QRect(100, 100, 10, 10));
    m_viewer->ViewerPanel()->setFixedSize(4, 5);
    settle();
    EXPECT_TRUE(m_viewer->Surface()->size().isEmpty());
    EXPECT_TRUE(m_viewer->Buffer().Empty());
    m_viewer->FrameSB()->click();
    m_viewer->Redraw();
    m_viewer->ViewerPanel()->setMinimumSize(0, 0);
    m_viewer->ViewerPanel()->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    settle();
    // Back to its size, it follows the same part in view.
    EXPECT_EQ(m_viewer->Surface()->size(), m_area);
    EXPECT_EQ(m_viewer->OffsetX(), 105 - m_area.width() / 2);
}

TEST_F(ViewerTest, LeftPressOrDragAsksToCentreOnThePicturePoint)
{
    std::vector<QPoint> asked;
    m_viewer->OnCentre = [&asked](TViewerForm*, int x, int y) { asked.emplace_back(x, y); };
    press(Qt::LeftButton, {5, 6});
    EXPECT_TRUE(asked.empty()) << "no picture";

    const TXBitmap picture = patterned(2000, 1500);
    show(picture, QRect(990, 690, 20, 20));
    const QPoint offset(m_viewer->OffsetX(), m_viewer->OffsetY());
    press(Qt::LeftButton, {5, 6});
    press(Qt::LeftButton, {9, 11}, QEvent::MouseMove);
    press(Qt::RightButton, {20, 20});
    press(Qt::RightButton, {21, 21}, QEvent::MouseMove);
    press(Qt::MiddleButton, {22, 22});
    EXPECT_EQ(asked, (std::vector<QPoint>{QPoint(5, 6) + offset, QPoint(9, 11) + offset}));
}

TEST_F(ViewerTest, FrozenViewerRedrawsOnlyAtTheLastThaw)
{
    const TXBitmap before = plain(60, 50, 0x20);
    const TXBitmap after = plain(60, 50, 0x90);
    show(before, QRect(0, 0, 60, 50));
    m_viewer->Thaw();
    EXPECT_EQ(m_viewer->FreezeCount(), 0) << "a thaw at 0 does nothing";
    m_viewer->Freeze();
    m_viewer->Freeze();
    m_viewer->Detach(false);
    show(after, QRect(0, 0, 60, 50));
    m_viewer->Redraw();
    EXPECT_EQ(at(m_viewer->Buffer(), 5, 5), 0x202020);
    m_viewer->Thaw();
    EXPECT_EQ(at(m_viewer->Buffer(), 5, 5), 0x202020);
    m_viewer->Thaw();
    EXPECT_EQ(at(m_viewer->Buffer(), 5, 5), 0x909090);
}

TEST_F(ViewerTest, ClosingDetachesWithoutRedrawAndTellsTheOwner)
{
    bool closed = false;
    m_viewer->OnClose = [&closed](TVLBasePinnedForm*) { closed = true; };
    const TXBitmap picture = plain(60, 50, 0x55);
    show(picture, QRect(0, 0, 60, 50));
    m_viewer->close();
    EXPECT_TRUE(closed);
    EXPECT_EQ(m_viewer->Picture(), nullptr);
    EXPECT_EQ(at(m_viewer->Buffer(), 1, 1), 0x555555);
}

TEST_F(ViewerTest, APictureWhoseOwnerWentIsNeverTouched)
{
    // Run under ASan: the picture dies with its owner and nobody detached the Viewer.
    auto owner = std::make_unique<QObject>();
    auto picture = std::make_unique<TXBitmap>(patterned(300, 200));
    m_viewer->SetPicture(picture.get(), owner.get());
    m_viewer->SetViewRect(QRect(10, 10, 20, 20));
    EXPECT_EQ(m_viewer->PictureOwner(), owner.get());
    owner.reset();
    picture.reset();
    EXPECT_EQ(m_viewer->Picture(), nullptr);
    EXPECT_EQ(m_viewer->PictureOwner(), nullptr);
    m_viewer->SetViewRect(QRect(10, 10, 20, 20));
    m_viewer->Redraw();
    EXPECT_EQ(at(m_viewer->Buffer(), 0, 0), ValueOfQColor(m_viewer->palette().color(QPalette::Button)));
}

TEST_F(ViewerTest, FrameButtonHintsAndItsSetting)
{
    QToolButton* frame = m_viewer->FrameSB();
    EXPECT_FALSE(frame->isChecked());
    EXPECT_EQ(frame->toolTip(), "Display window frame");
    EXPECT_EQ(frame->statusTip(), "Display frame around picture area that's in view");
    frame->click();
    EXPECT_EQ(frame->toolTip(), "Hide window frame");
    EXPECT_EQ(frame->statusTip(), "Hide frame around picture area that's in view");
    m_viewer.reset();

    TXMLRegistryFile reg(ProgramPath() + QStringLiteral("Vellum.xml"));
    ASSERT_TRUE(reg.OpenKey(Key, false));
    EXPECT_TRUE(reg.ReadBool(QStringLiteral("DisplayFrame")));
    EXPECT_TRUE(reg.ValueExists(QStringLiteral("Left")));
    reg.CloseKey();

    m_viewer = std::make_unique<TViewerForm>(&m_main, Key);
    EXPECT_TRUE(m_viewer->FrameSB()->isChecked());
    EXPECT_EQ(m_viewer->FrameSB()->toolTip(), "Hide window frame");
}

} // namespace
} // namespace vellum
