// Every menu and tool bar of the main window, entries and separators in order, as the user
// sees them.
#include "app/VLMain.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

#include <gtest/gtest.h>

#include "app/VLGlobal.h"
#include "support/QtPrinters.h"
#include "document/VLPicChildWn.h"
#include "raster/Colour.h"

namespace vellum {
namespace {

// "|" for a separator, "Name>" for a sub-menu; hidden entries are left out.
QStringList entries(const QList<QAction*>& actions)
{
    QStringList result;
    for (QAction* action : actions) {
        if (!action->isVisible())
            continue;
        if (action->isSeparator())
            result << QStringLiteral("|");
        else if (action->menu() != nullptr)
            result << action->text() + QLatin1Char('>');
        else
            result << action->text();
    }
    return result;
}

class MainMenusTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_global = std::make_unique<TVLGlobal>(m_dir.path());
        m_main = std::make_unique<TVellumMain>();
        m_main->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_main.get()));
        // The Image and Colour menus show while a picture is active.
        m_main->NewPicture(20, 10, clWhite);
        QCoreApplication::processEvents();
    }
    void TearDown() override { m_main.reset(); }

    [[nodiscard]] QMenu* menu(const QString& title) const
    {
        for (QAction* action : m_main->menuBar()->actions())
            if (action->text() == title)
                return action->menu();
        return nullptr;
    }
    [[nodiscard]] static QMenu* subMenu(QMenu* parent, const QString& title)
    {
        for (QAction* action : parent->actions())
            if (action->menu() != nullptr && action->text() == title)
                return action->menu();
        return nullptr;
    }
    [[nodiscard]] QToolBar* toolBar(const QString& caption) const
    {
        for (QToolBar* bar : m_main->findChildren<QToolBar*>())
            if (bar->windowTitle() == caption)
                return bar;
        return nullptr;
    }

    QTemporaryDir m_dir;
    std::unique_ptr<TVLGlobal> m_global;
    std::unique_ptr<TVellumMain> m_main;
};

TEST_F(MainMenusTest, MenusHoldTheirEntriesInOrder)
{
    QStringList titles;
    for (QAction* action : m_main->menuBar()->actions())
        if (action->isVisible() && action->menu() != nullptr)
            titles << action->text();
    EXPECT_EQ(titles, (QStringList{"&File", "&Edit", "View", "Image", "Colour", "&Window", "Help"}));

    struct Case {
        QString menu;
        QStringList entries;
    };
    const std::vector<Case> cases{
        {"&File",
         {"&New", "&Open", "Recent Files>", "Browse...", "|", "&Save", "Save &As...", "&Close", "Close All", "|",
          "&Print", "|", "E&xit"}},
        {"&Edit",
         {"Undo", "Redo", "|", "Cu&t", "&Copy", "Paste>", "Clear Clipboard", "|", "Select All"}},
        {"View", {"Viewer", "Clipboard Viewer", "Zoom grid", "|", "Toolbars>"}},
        {"Image",
         {"Flip", "Mirror", "Rotate", "|", "Crop Picture", "Clear", "Enlarge canvas", "Resize", "Resample", "|",
          "Effects>"}},
        {"Colour", {"Adjust Brightness", "Gamma Correct", "Adjust RGB", "Grey Scale", "Negative Image"}},
        {"Help", {"Vellum Help", "|", "About..."}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.menu.toStdString());
        QMenu* m = menu(c.menu);
        ASSERT_NE(m, nullptr);
        emit m->aboutToShow();
        EXPECT_EQ(entries(m->actions()), c.entries);
    }
    EXPECT_EQ(menu("&File")->menuAction()->statusTip(), QStringLiteral("File related commands"));
    EXPECT_EQ(menu("&Window")->menuAction()->statusTip(), QStringLiteral("Window related commands"));

    QMenu* window = menu("&Window");
    emit window->aboutToShow();
    const QStringList windowEntries = entries(window->actions());
    EXPECT_EQ(windowEntries.mid(0, 6), (QStringList{"&Cascade", "Tile &Horizontally", "Tile &Vertically",
                                                     "&Minimize All", "&Arrange All", "|"}));
    EXPECT_EQ(windowEntries.mid(6), QStringList{m_main->ActivePicture()->Caption()});

    struct SubCase {
        QString menu, sub;
        QStringList entries;
    };
    const std::vector<SubCase> subCases{
        {"&Edit", "Paste", {"&Paste into Picture", "Paste as &New Picture"}},
        {"Image", "Effects", {"Blur Picture"}},
        {"View", "Toolbars",
         {"File Toolbar", "Edit Toolbar", "View Toolbar", "Image Toolbar", "Colour Toolbar", "Browse Toolbar",
          "Tools Toolbar"}},
    };
    for (const SubCase& c : subCases) {
        SCOPED_TRACE((c.menu + QLatin1Char('>') + c.sub).toStdString());
        QMenu* sub = subMenu(menu(c.menu), c.sub);
        ASSERT_NE(sub, nullptr);
        EXPECT_EQ(entries(sub->actions()), c.entries);
    }
}

TEST_F(MainMenusTest, ToolBarsHoldTheirButtonsInOrder)
{
    struct Case {
        QString caption;
        QStringList buttons;
    };
    const std::vector<Case> cases{
        {"File", {"&New", "&Open", "Browse...", "&Save", "Save &As...", "|", "&Print"}},
        {"Edit", {"Undo", "Redo", "Cu&t", "&Copy", "Paste Clever", "Clear Clipboard"}},
        {"Tools",
         {"Pen", "Fill", "Special Pen", "Spray Can", "Shapes", "Text", "Dropper", "Drag", "Zoom", "Select Rect",
          "Select Freehand", "Magic Wand"}},
        {"View", {"Clipboard Viewer", "Viewer", "Zoom grid"}},
        {"ImageToolbar", {"Flip", "Mirror", "Rotate", "|", "Clear", "Enlarge canvas", "Resize", "Resample"}},
        {"ColourToolBar", {"Adjust Brightness", "Gamma Correct", "Adjust RGB", "Grey Scale", "Negative Image"}},
        {"Browser",
         {"Open picture", "|", "Refresh", "Show Directories", "Sort by name", "Sort by date", "Sort by type",
          "Sort by size", "Sort ascending", "Sort descending"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption.toStdString());
        QToolBar* bar = toolBar(c.caption);
        ASSERT_NE(bar, nullptr);
        EXPECT_EQ(entries(bar->actions()), c.buttons);
    }
}

} // namespace
} // namespace vellum
