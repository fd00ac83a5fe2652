#include <QCoreApplication>
#include <QCursor>
#include <QDialog>
#include <QEnterEvent>
#include <QStyle>
#include <QTest>
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

// A panel at the right of a shown window; the pointer is moved as the user moves it.
struct Shown {
    QWidget window;
    TCollapsingPanel* panel;
    Shown()
    {
        window.setGeometry(100, 100, 300, 200);
        panel = new TCollapsingPanel(&window);
        panel->setGeometry(200, 0, panel->width(), 200);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    // Over the bar, inside the panel whether expanded or collapsed.
    void PointerIn() const { QCursor::setPos(panel->mapToGlobal(QPoint(2, 100))); }
    void PointerOut() const { QCursor::setPos(window.mapToGlobal(QPoint(20, 100))); }
};

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
    Shown s;
    TCollapsingPanel& panel = *s.panel;
    EXPECT_EQ(panel.HoverTimer()->interval(), 400);
    // Leave and stay out: collapse. Enter then leave before the delay: stays collapsed.
    s.PointerOut();
    Leave(panel); // a leave without enter still starts the delay: the pointer is outside
    Elapse(panel);
    EXPECT_FALSE(panel.Expanded());
    s.PointerIn();
    Enter(panel);
    s.PointerOut();
    Leave(panel);
    Elapse(panel);
    EXPECT_FALSE(panel.Expanded());
    s.PointerIn();
    Enter(panel);
    Elapse(panel);
    EXPECT_TRUE(panel.Expanded());

    panel.SetLocked(true);
    s.PointerOut();
    Leave(panel);
    EXPECT_FALSE(panel.HoverTimer()->isActive());
    Elapse(panel);
    EXPECT_TRUE(panel.Expanded());
}

TEST(CollapsingPanel, ALeaveThePointerDidNotMakeChangesNothing)
{
    Shown s;
    s.PointerIn();
    Leave(*s.panel); // sent by the toolkit, the pointer still over the panel
    Elapse(*s.panel);
    EXPECT_TRUE(s.panel->Expanded());
    EXPECT_EQ(s.panel->width(), TCollapsingPanel::ExpandedWidth);
}

TEST(CollapsingPanel, KeepsItsStateWhileAModalDialogIsOpen)
{
    // The dialog closes with the pointer back over the panel, or elsewhere.
    for (const bool backInside : {true, false}) {
        Shown s;
        TCollapsingPanel& panel = *s.panel;
        s.PointerIn();
        {
            QDialog dialog(&s.window);
            dialog.setGeometry(400, 100, 100, 80);
            dialog.open();
            Leave(panel); // what the toolkit sends a window the dialog blocks
            QCursor::setPos(dialog.geometry().center());
            Elapse(panel);
            EXPECT_TRUE(panel.Expanded()) << backInside;
            EXPECT_TRUE(panel.HoverTimer()->isActive()) << backInside; // it looks again later
            Elapse(panel);
            EXPECT_TRUE(panel.Expanded()) << backInside;
            dialog.close();
        }
        backInside ? s.PointerIn() : s.PointerOut();
        Elapse(panel);
        EXPECT_EQ(panel.Expanded(), backInside);
        EXPECT_FALSE(panel.HoverTimer()->isActive());
    }
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
