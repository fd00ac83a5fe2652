#include "app/VLMain.h"

#include <QApplication>
#include <QColorDialog>
#include <QCursor>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "app/ColourPanel.h"
#include "app/VLGlobal.h"
#include "controls/CollapsingPanel.h"
#include "controls/ColourSpectrum.h"
#include "document/VLToolVars.h"

namespace vellum {
namespace {

class MainColourPanelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_global = std::make_unique<TVLGlobal>(m_dir.path());
        ResetToolSettings();
        m_main = std::make_unique<TVellumMain>();
        m_main->resize(647, 529);
        m_main->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_main.get()));
    }
    void TearDown() override { m_main.reset(); }

    // Answers the colour dialog if one is open when the event loop next runs, noting the step
    // that opened it.
    void answerDialogAfter(const char* step)
    {
        QTimer::singleShot(0, [this, step] {
            auto* dialog = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr)
                return;
            m_openedBy << QLatin1String(step);
            if (m_whileOpen)
                m_whileOpen();
            dialog->setCurrentColor(QColor(0, 255, 0));
            dialog->accept();
        });
    }

    QTemporaryDir m_dir;
    std::unique_ptr<TVLGlobal> m_global;
    std::unique_ptr<TVellumMain> m_main;
    QStringList m_openedBy;
    std::function<void()> m_whileOpen;
};

TEST_F(MainColourPanelTest, AQuickSecondClickOnTheSpectrumPicksItsColour)
{
    TColourSpectrum* spectrum = m_main->ColourPanel()->ColourSpectrum();
    const QPoint first(spectrum->width() / 2 - 1, 0);
    const QPoint second(3, 50);
    struct Case { Qt::MouseButton button; };
    for (const Case c : {Case{Qt::LeftButton}, Case{Qt::RightButton}}) {
        QTest::mouseClick(spectrum, c.button, {}, first);
        // Within the double-click time the second press comes as a double click.
        QMouseEvent twice(QEvent::MouseButtonDblClick, QPointF(second), spectrum->mapToGlobal(QPointF(second)),
                          c.button, c.button, {});
        QCoreApplication::sendEvent(spectrum, &twice);
        QTest::mouseRelease(spectrum, c.button, {}, second);
        const TColor picked = c.button == Qt::LeftButton ? ToolSettings().ForeColour() : ToolSettings().BackColour();
        EXPECT_EQ(picked, spectrum->ColourAt(second.x(), second.y())) << c.button;
        EXPECT_EQ(spectrum->MarkerPoint(), second) << c.button;
    }
}

TEST_F(MainColourPanelTest, ASwatchOpensTheColourDialogOnTheClickNotThePress)
{
    TColourShow* swatch = m_main->ColourPanel()->FGColourShow();
    const QPoint centre = swatch->rect().center();
    answerDialogAfter("press");
    QTest::mousePress(swatch, Qt::LeftButton, {}, centre);
    QCoreApplication::processEvents();
    EXPECT_TRUE(m_openedBy.isEmpty());
    answerDialogAfter("release");
    QTest::mouseRelease(swatch, Qt::LeftButton, {}, centre);
    EXPECT_EQ(m_openedBy, QStringList{QStringLiteral("release")});
    EXPECT_EQ(ToolSettings().ForeColour(), 0x00FF00);

    // Pressed, then released away from the swatch: nothing opens.
    m_openedBy.clear();
    answerDialogAfter("released away");
    QTest::mousePress(swatch, Qt::LeftButton, {}, centre);
    QTest::mouseRelease(swatch, Qt::LeftButton, {}, QPoint(swatch->width() + 20, centre.y()));
    QCoreApplication::processEvents();
    EXPECT_TRUE(m_openedBy.isEmpty());
}

TEST_F(MainColourPanelTest, TheColourDialogLeavesTheSidePanelOpen)
{
    TCollapsingPanel* panel = m_main->SidePanel();
    ASSERT_TRUE(panel->Expanded());
    TColourShow* swatch = m_main->ColourPanel()->BGColourShow();
    const QPoint centre = swatch->rect().center();
    QCursor::setPos(swatch->mapToGlobal(centre));
    bool expandedWhileOpen = false;
    m_whileOpen = [&] {
        // The toolkit tells the blocked window the pointer left; the dialog stays a while.
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(panel, &leave);
        QTest::qWait(TCollapsingPanel::HoverDelayMs + 200);
        expandedWhileOpen = panel->Expanded();
    };
    answerDialogAfter("click");
    QTest::mouseClick(swatch, Qt::LeftButton, {}, centre);
    ASSERT_EQ(m_openedBy, QStringList{QStringLiteral("click")});
    EXPECT_TRUE(expandedWhileOpen);
    QTest::qWait(TCollapsingPanel::HoverDelayMs + 200);
    EXPECT_TRUE(panel->Expanded());
    EXPECT_EQ(panel->width(), panel->ExpandedWidthNow());
    // What shows: the swatches are on screen, not folded away.
    EXPECT_TRUE(swatch->isVisible());
    const QImage shot = swatch->grab().toImage();
    EXPECT_EQ(shot.pixelColor(centre), QColor(0, 255, 0));
}

} // namespace
} // namespace vellum
