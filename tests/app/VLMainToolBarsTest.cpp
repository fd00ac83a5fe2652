// The tool bars as the user meets them: their context menu, where they dock, the Pen button.

#include "app/VLMain.h"

#include <QAction>
#include <QMenu>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

#include "app/VLGlobal.h"
#include "document/VLToolVars.h"

namespace vellum {
namespace {

class ToolBarsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_global = std::make_unique<TVLGlobal>(m_dir.path());
        ResetToolSettings();
        m_main = std::make_unique<TVellumMain>();
        m_main->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_main.get()));
        // The first show's work (the recent-files buttons among it) is done.
        QCoreApplication::processEvents();
    }

    [[nodiscard]] QToolButton* toolButton(TTool tool) const
    {
        auto* bar = m_main->findChild<QToolBar*>(QStringLiteral("ToolsToolbar"));
        return bar != nullptr ? qobject_cast<QToolButton*>(bar->widgetForAction(m_main->ToolAction(tool))) : nullptr;
    }

    QTemporaryDir m_dir;
    std::unique_ptr<TVLGlobal> m_global;
    std::unique_ptr<TVellumMain> m_main;
};

TEST_F(ToolBarsTest, TheContextMenuListsOnlyNamedBarsFromItsFirstLine)
{
    std::unique_ptr<QMenu> menu(m_main->createPopupMenu());
    ASSERT_NE(menu, nullptr);
    menu->popup(m_main->mapToGlobal(QPoint(50, 50)));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(menu.get()));
    QStringList shown;
    for (QAction* action : menu->actions())
        if (action->isVisible() && !action->isSeparator())
            shown << action->text();
    EXPECT_FALSE(shown.contains(QString())) << shown.join(QLatin1Char(',')).toStdString();
    // The line at the top of the menu is the first bar's switch.
    QAction* top = menu->actionAt(QPoint(menu->width() / 2, menu->style()->pixelMetric(QStyle::PM_MenuVMargin) + 4));
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(top->text().toStdString(), "File Toolbar");
    EXPECT_TRUE(top->isEnabled());
    menu->close();
}

TEST_F(ToolBarsTest, EveryBarDocksOnlyAtTheTop)
{
    const QList<QToolBar*> bars = m_main->findChildren<QToolBar*>();
    ASSERT_GE(bars.size(), 8);
    for (QToolBar* bar : bars) {
        if (bar->parentWidget() != m_main.get())
            continue; // a bar inside a tool window
        EXPECT_EQ(bar->allowedAreas(), Qt::TopToolBarArea) << bar->objectName().toStdString();
        EXPECT_EQ(m_main->toolBarArea(bar), Qt::TopToolBarArea) << bar->objectName().toStdString();
    }
}

// The Pen button is a plain tool button: no arrow in its corner, and a press held longer than a
// pop-up's delay still chooses the Pen when released.
TEST_F(ToolBarsTest, ThePenButtonChoosesThePenAndShowsNoArrow)
{
    QToolButton* pen = toolButton(TTool::Pen);
    QToolButton* specialPen = toolButton(TTool::SpecialPen);
    ASSERT_NE(pen, nullptr);
    ASSERT_NE(specialPen, nullptr);
    m_main->ToolAction(TTool::Fill)->trigger();
    ASSERT_EQ(ToolSettings().Tool, TTool::Fill);
    ASSERT_EQ(pen->size(), specialPen->size());

    // Both unticked and not pointed at: their corners, outside the pictures, look the same.
    const QImage penShot = pen->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage otherShot = specialPen->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRect corner(pen->width() - 8, pen->height() - 8, 6, 6);
    int differing = 0;
    for (int y = corner.top(); y <= corner.bottom(); ++y)
        for (int x = corner.left(); x <= corner.right(); ++x)
            differing += penShot.pixel(x, y) != otherShot.pixel(x, y) ? 1 : 0;
    EXPECT_EQ(differing, 0) << "the Pen button's corner shows an arrow";

    QTest::mousePress(pen, Qt::LeftButton, {}, pen->rect().center());
    QTest::qWait(pen->style()->styleHint(QStyle::SH_ToolButton_PopupDelay, nullptr, pen) + 300);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    QTest::mouseRelease(pen, Qt::LeftButton, {}, pen->rect().center());
    EXPECT_EQ(ToolSettings().Tool, TTool::Pen);
    EXPECT_TRUE(m_main->ToolAction(TTool::Pen)->isChecked());
}

} // namespace
} // namespace vellum
