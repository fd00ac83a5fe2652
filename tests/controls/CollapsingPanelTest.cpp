#include <QCoreApplication>
#include <QEnterEvent>
#include <QStyle>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include "controls/CollapsingPanel.h"

using namespace vellum;

namespace {

void Enter(QWidget& w)
{
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QCoreApplication::sendEvent(&w, &enter);
}

void Leave(QWidget& w)
{
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&w, &leave);
}

void Elapse(TCollapsingPanel& panel)
{
    if (panel.HoverTimer()->isActive()) {
        panel.HoverTimer()->stop();
        emit panel.HoverTimer()->timeout({});
    }
}

} // namespace

TEST(CollapsingPanel, WidthsOfBothStates)
{
    TCollapsingPanel panel;
    EXPECT_TRUE(panel.Expanded());
    EXPECT_FALSE(panel.Locked());
    EXPECT_EQ(panel.width(), 89);
    panel.SetExpanded(false);
    EXPECT_EQ(panel.width(), panel.style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    EXPECT_TRUE(panel.Contents()->isHidden());
}

TEST(CollapsingPanel, FollowsThePointerAfterTheDelayUnlessLocked)
{
    TCollapsingPanel panel;
    EXPECT_EQ(panel.HoverTimer()->interval(), 400);
    // Leave and stay out: collapse. Enter then leave before the delay: stays collapsed.
    Leave(panel); // a leave without enter still starts the delay: the pointer is outside
    Elapse(panel);
    EXPECT_FALSE(panel.Expanded());
    Enter(panel);
    Leave(panel);
    Elapse(panel);
    EXPECT_FALSE(panel.Expanded());
    Enter(panel);
    Elapse(panel);
    EXPECT_TRUE(panel.Expanded());

    panel.SetLocked(true);
    Leave(panel);
    EXPECT_FALSE(panel.HoverTimer()->isActive());
    Elapse(panel);
    EXPECT_TRUE(panel.Expanded());
}

TEST(CollapsingPanel, UnlockingACollapsedPanelExpandsIt)
{
    TCollapsingPanel panel;
    panel.SetExpanded(false);
    panel.LockButton()->click();
    EXPECT_TRUE(panel.Locked());
    EXPECT_FALSE(panel.Expanded());
    panel.LockButton()->click();
    EXPECT_FALSE(panel.Locked());
    EXPECT_TRUE(panel.Expanded());
}

TEST(CollapsingPanel, CollapsedBarShowsBothColours)
{
    TCollapsingPanel panel;
    panel.SetBarColours(0x0000FF, 0x00FF00);
    panel.SetExpanded(false);
    panel.resize(panel.width(), 200);
    const QImage shot = panel.Bar()->grab().toImage();
    const int w = panel.BarWidth();
    EXPECT_EQ(shot.pixelColor(w / 2, w / 2), QColor(255, 0, 0));
    EXPECT_EQ(shot.pixelColor(w / 2, w - 2 + w / 2), QColor(0, 255, 0));
}
