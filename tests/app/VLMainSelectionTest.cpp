#include "app/VLMain.h"

#include <QAction>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include "app/VLGlobal.h"
#include "document/ToolCursors.h"
#include "document/VLPicChildWn.h"
#include "document/VLToolVars.h"

namespace vellum {
namespace {

class MainSelectionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        ResetToolSettings();
        m_global = std::make_unique<TVLGlobal>(m_dir.path());
        m_main = std::make_unique<TVellumMain>();
        m_main->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_main.get()));
    }
    void TearDown() override
    {
        for (QMdiSubWindow* w : m_main->ClientArea()->subWindowList())
            if (auto* doc = qobject_cast<TVLPicChildWin*>(w))
                doc->SetModified(false);
        m_main.reset();
        ResetToolSettings();
    }

    [[nodiscard]] static QList<QAction*> menuActions(QMenu* menu) { return menu->actions(); }
    [[nodiscard]] QMenu* menuNamed(const QString& title) const
    {
        for (QAction* a : m_main->menuBar()->actions())
            if (a->menu() != nullptr && a->text().remove(QLatin1Char('&')) == title)
                return a->menu();
        return nullptr;
    }

    QTemporaryDir m_dir;
    std::unique_ptr<TVLGlobal> m_global;
    std::unique_ptr<TVellumMain> m_main;
};

TEST_F(MainSelectionTest, CommandsStandWhereUsersLookForThem)
{
    QAction* selectAll = m_main->ActSelectAll();
    EXPECT_EQ(selectAll->text(), QStringLiteral("Select All"));
    EXPECT_EQ(selectAll->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_A));
    EXPECT_EQ(selectAll->toolTip(), QStringLiteral("Select All"));
    const QList<QAction*> edit = menuActions(menuNamed(QStringLiteral("Edit")));
    ASSERT_GE(edit.size(), 2);
    EXPECT_EQ(edit.back(), selectAll);
    EXPECT_TRUE(edit[edit.size() - 2]->isSeparator());

    QAction* crop = m_main->ActCropPic();
    EXPECT_EQ(crop->text(), QStringLiteral("Crop Picture"));
    EXPECT_EQ(crop->toolTip(), QStringLiteral("Crop"));
    EXPECT_EQ(crop->statusTip(), QStringLiteral("Crop picture"));
    const QList<QAction*> image = menuActions(m_main->ImageMenu());
    const auto at = image.indexOf(crop);
    ASSERT_GE(at, 0);
    EXPECT_EQ(image[at + 1], m_main->ActClearPic());
}

TEST_F(MainSelectionTest, SelectAllLiftsThePictureAndChoosesSelectRect)
{
    EXPECT_FALSE(m_main->ActSelectAll()->isEnabled());
    TVLPicChildWin* doc = m_main->NewPicture(30, 20, clWhite);
    ASSERT_NE(doc, nullptr);
    EXPECT_TRUE(m_main->ActSelectAll()->isEnabled());
    EXPECT_FALSE(m_main->ActCropPic()->isEnabled());

    m_main->ActSelectAll()->trigger();
    ASSERT_NE(doc->Selection(), nullptr);
    EXPECT_EQ(doc->Selection()->Bounds, QRect(0, 0, 30, 20));
    EXPECT_EQ(ToolSettings().Tool, TTool::SelectRect);
    EXPECT_EQ(ToolSettings().ToolCursor, crSelectRect);
    EXPECT_EQ(doc->PictureScrollBox().viewport()->cursor().pixmap().toImage(),
              ToolCursor(crSelectRect).pixmap().toImage());
    EXPECT_TRUE(m_main->ActCropPic()->isEnabled());

    // Undo of Select All takes the selection away, and Crop with it.
    m_main->ActUndo()->trigger();
    EXPECT_EQ(doc->Selection(), nullptr);
    EXPECT_FALSE(m_main->ActCropPic()->isEnabled());
}

TEST_F(MainSelectionTest, CropIsEnabledExactlyWhileTheActivePictureHasASelection)
{
    TVLPicChildWin* first = m_main->NewPicture(30, 20, clWhite);
    first->CreateRectSelection(QRect(2, 2, 10, 5), -1);
    EXPECT_TRUE(m_main->ActCropPic()->isEnabled());
    TVLPicChildWin* second = m_main->NewPicture(10, 10, clWhite);
    EXPECT_FALSE(m_main->ActCropPic()->isEnabled());
    m_main->ClientArea()->setActiveSubWindow(first);
    EXPECT_TRUE(m_main->ActCropPic()->isEnabled());
    m_main->ActCropPic()->trigger();
    EXPECT_EQ(first->Picture().Width(), 10);
    EXPECT_EQ(first->Picture().Height(), 5);
    EXPECT_FALSE(m_main->ActCropPic()->isEnabled());
    (void)second;
}

TEST_F(MainSelectionTest, ChoosingAToolSetsTheCursorOfEveryOpenPicture)
{
    TVLPicChildWin* a = m_main->NewPicture(10, 10, clWhite);
    TVLPicChildWin* b = m_main->NewPicture(10, 10, clWhite);
    struct Case {
        TTool tool;
        int cursor;
    };
    const Case cases[] = {{TTool::MagicWand, crMagicWand}, {TTool::SelectFreehand, crSelectFreehand},
                          {TTool::Zoom, crZoom}, {TTool::Drag, crDrag}};
    for (const Case& c : cases) {
        m_main->ChooseTool(c.tool);
        EXPECT_EQ(ToolSettings().Tool, c.tool);
        EXPECT_EQ(ToolSettings().ToolCursor, c.cursor);
        for (TVLPicChildWin* doc : {a, b})
            EXPECT_EQ(doc->PictureScrollBox().viewport()->cursor().pixmap().toImage(),
                      ToolCursor(c.cursor).pixmap().toImage());
    }
}

} // namespace
} // namespace vellum
