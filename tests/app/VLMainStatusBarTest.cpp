// The status bar as it shows on screen: each panel inside the bar at its width, and the text a
// panel holds drawn whole, at the designed size and maximised, for a picture and for a browser.

#include "app/VLMain.h"

#include <QLabel>
#include <QMdiArea>
#include <QSizeGrip>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include "BrowserTestHelpers.h"
#include "app/VLBrwsrChildWn.h"
#include "app/VLGlobal.h"
#include "document/PictureScrollBx.h"
#include "document/VLPicChildWn.h"

namespace vellum {
namespace {

constexpr int FixedWidths[] = {0, 180, 200, 50};

enum class Size { Designed, Maximised };

class StatusBarTest : public ::testing::TestWithParam<Size> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_global = std::make_unique<TVLGlobal>(m_dir.path());
        m_main = std::make_unique<TVellumMain>();
        if (GetParam() == Size::Maximised) {
            m_main->showMaximized();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(m_main.get()));
            QTRY_VERIFY(m_main->isMaximized());
        } else {
            m_main->show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(m_main.get()));
            ASSERT_EQ(m_main->size(), QSize(647, 529));
        }
    }
    void TearDown() override
    {
        for (QMdiSubWindow* w : m_main->ClientArea()->subWindowList())
            if (auto* doc = qobject_cast<TVLPicChildWin*>(w))
                doc->SetModified(false);
        m_main.reset();
    }

    [[nodiscard]] QLabel* panel(int i) const
    {
        return m_main->findChild<QLabel*>(QStringLiteral("StatusPanel%1").arg(i));
    }

    // Each of panels 1 to 3 lies inside the bar at its full width, clear of the others and of
    // the size grip; panel 0 takes the room left of them. Every panel holding text shows it
    // whole and centred in the bar's picture.
    void expectPanelsShown() const
    {
        QCoreApplication::processEvents();
        QStatusBar* bar = m_main->statusBar();
        ASSERT_GT(bar->width(), 480);
        const QImage shot = bar->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const auto* grip = bar->findChild<QSizeGrip*>();
        const QRect gripRect = grip != nullptr && grip->isVisible() ? grip->geometry() : QRect();
        QRect previous;
        for (int i = 0; i < 4; ++i) {
            QLabel* label = panel(i);
            ASSERT_NE(label, nullptr) << i;
            ASSERT_TRUE(label->isVisible()) << i;
            const QRect r = label->geometry();
            if (i > 0) {
                // Panel 3 grows to hold the widest position whole.
                if (i < 3)
                    EXPECT_EQ(r.width(), FixedWidths[i]) << "panel " << i;
                else
                    EXPECT_GE(r.width(), FixedWidths[i]) << "panel " << i;
                EXPECT_TRUE(bar->rect().contains(r)) << "panel " << i;
                EXPECT_FALSE(r.intersects(gripRect)) << "panel " << i;
                EXPECT_FALSE(r.intersects(previous)) << "panel " << i;
            } else {
                // Panel 0 begins at the bar's left and ends just before panel 1.
                EXPECT_LE(r.left(), 8);
            }
            if (i == 1) {
                EXPECT_LE(r.left() - previous.right(), 12) << "panel 0 leaves room unused";
            }
            previous = r;
            if (label->text().isEmpty() || i == 0)
                continue;
            // Ink: pixels far from the bar's background, inside the panel.
            const QColor background = bar->palette().color(QPalette::Window);
            int first = -1;
            int last = -1;
            const QRect inner = r.adjusted(1, 1, -1, -1).intersected(shot.rect());
            for (int x = inner.left(); x <= inner.right(); ++x)
                for (int y = inner.top(); y <= inner.bottom(); ++y) {
                    if (std::abs(qGray(shot.pixel(x, y)) - qGray(background.rgb())) > 80) {
                        if (first < 0)
                            first = x;
                        last = x;
                        break;
                    }
                }
            ASSERT_GE(first, 0) << "panel " << i << " shows nothing of " << label->text().toStdString();
            const int advance = label->fontMetrics().horizontalAdvance(label->text());
            EXPECT_GE(last - first + 1, advance - 4) << "panel " << i << " cuts " << label->text().toStdString();
            EXPECT_NEAR((first + last) / 2.0, r.left() + r.width() / 2.0, 4.0) << "panel " << i << " not centred";
        }
    }

    QTemporaryDir m_dir;
    std::unique_ptr<TVLGlobal> m_global;
    std::unique_ptr<TVellumMain> m_main;
};

TEST_P(StatusBarTest, APictureShowsItsSizeModifiedAndPosition)
{
    TVLPicChildWin* doc = m_main->NewPicture(200, 150, clWhite);
    ASSERT_NE(doc, nullptr);
    doc->SetModified(true);
    // A move over the picture writes the position as the document does.
    QWidget* surface = doc->PictureScrollBox().viewport();
    QTest::mouseMove(surface, QPoint(12, 10));
    QTRY_VERIFY(!m_main->PanelText(3).isEmpty());
    EXPECT_EQ(m_main->PanelText(1), QStringLiteral("200w x 150h"));
    EXPECT_EQ(m_main->PanelText(2), QStringLiteral("Modified"));
    expectPanelsShown();
    // A position far out on the largest picture still shows whole.
    m_main->SetPanelText(3, QStringLiteral("-32768 , 32767"));
    QCoreApplication::processEvents();
    expectPanelsShown();
}

TEST_P(StatusBarTest, ABrowserShowsDateSizeAndPlace)
{
    const QString folder = testing::PictureFolder(m_dir.filePath(QStringLiteral("pics")), testing::NumberedNames(2));
    TVLBrowserChildWn* browser = m_main->OpenBrowser(folder, true);
    ASSERT_NE(browser, nullptr);
    ASSERT_TRUE(testing::WaitForBrowser(*browser));
    QTRY_VERIFY(!m_main->PanelText(3).isEmpty());
    EXPECT_FALSE(m_main->PanelText(1).isEmpty());
    EXPECT_FALSE(m_main->PanelText(2).isEmpty());
    expectPanelsShown();
}

INSTANTIATE_TEST_SUITE_P(Sizes, StatusBarTest, ::testing::Values(Size::Designed, Size::Maximised),
                         [](const ::testing::TestParamInfo<Size>& info) {
                             return info.param == Size::Designed ? "Designed" : "Maximised";
                         });

} // namespace
} // namespace vellum
