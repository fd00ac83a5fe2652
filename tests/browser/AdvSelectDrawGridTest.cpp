#include "browser/AdvSelectDrawGrid.h"
#include "browser/DirTreeView.h"

#include <QFontMetrics>
#include <QTest>

#include <gtest/gtest.h>

namespace vellum {
namespace {

// A shown grid of 110 x 130 cells without a frame, so its client area is its size.
class GridTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_grid.setFrameShape(QFrame::NoFrame);
        m_grid.SetCellSize(110, 130);
        m_grid.resize(500, 400);
        m_grid.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_grid));
    }
    void click(int index, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::mouseClick(m_grid.viewport(), Qt::LeftButton, modifiers, m_grid.CellRect(index).center());
    }
    void key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(&m_grid, Qt::Key(key), modifiers);
    }

    TAdvSelectDrawGrid m_grid;
};

TEST_F(GridTest, CellsWrapToTheClientWidthAndMakeRoomForTheScrollBar)
{
    struct Case {
        int width, height, cells, columns, rows;
    };
    const Case cases[] = {
        {500, 400, 12, 4, 3},
        {600, 400, 12, 5, 3},
        {450, 400, 12, 4, 3},
        {450, 400, 13, 3, 5}, // four rows would not fit: the scroll bar takes a column's room
        {500, 400, 0, 4, 1},
        {100, 400, 3, 1, 3},
    };
    for (const Case& c : cases) {
        m_grid.resize(c.width, c.height);
        m_grid.SetNumOfCells(c.cells);
        QCoreApplication::processEvents();
        EXPECT_EQ(m_grid.ColCount(), c.columns) << c.width << " x " << c.height << ", " << c.cells << " cells";
        EXPECT_EQ(m_grid.RowCount(), c.rows) << c.width << " x " << c.height << ", " << c.cells << " cells";
    }
}

TEST_F(GridTest, WideningKeepsTheSelectedCells)
{
    m_grid.SetNumOfCells(12);
    m_grid.SetSelection({1, 6, 11});
    m_grid.resize(600, 400);
    QCoreApplication::processEvents();
    EXPECT_EQ(m_grid.ColCount(), 5);
    EXPECT_EQ(m_grid.Selection(), (std::vector<int>{1, 6, 11}));
    m_grid.SetNumOfCells(7); // cells without a picture cannot stay selected
    EXPECT_EQ(m_grid.Selection(), (std::vector<int>{1, 6}));
}

TEST_F(GridTest, MouseSelection)
{
    m_grid.SetNumOfCells(12);
    // Shift ranges from the first selected cell, either direction.
    click(5);
    click(9, Qt::ControlModifier);
    EXPECT_EQ(m_grid.Selection(), (std::vector<int>{5, 9}));
    click(2, Qt::ShiftModifier);
    EXPECT_EQ(m_grid.Selection(), (std::vector<int>{2, 3, 4, 5}));
    EXPECT_EQ(m_grid.CurrentCell(), 2);
    // Ctrl on the only selected cell leaves it selected; on another it toggles.
    click(7);
    click(7, Qt::ControlModifier);
    EXPECT_EQ(m_grid.Selection(), (std::vector<int>{7}));
    click(8, Qt::ControlModifier);
    click(7, Qt::ControlModifier);
    EXPECT_EQ(m_grid.Selection(), (std::vector<int>{8}));
    // A press on a selected cell keeps a many-cell selection (for dragging) until the release.
    m_grid.SetSelection({3, 4});
    QTest::mousePress(m_grid.viewport(), Qt::LeftButton, Qt::NoModifier, m_grid.CellRect(4).center());
    EXPECT_EQ(m_grid.Selection(), (std::vector<int>{3, 4}));
    QTest::mouseRelease(m_grid.viewport(), Qt::LeftButton, Qt::NoModifier, m_grid.CellRect(4).center());
    EXPECT_EQ(m_grid.Selection(), (std::vector<int>{4}));
    // Cells without a picture are not selected.
    m_grid.SetNumOfCells(10);
    click(11);
    EXPECT_EQ(m_grid.Selection(), (std::vector<int>{4}));
}

TEST_F(GridTest, KeysMoveInReadingOrderAndStopAtTheEnds)
{
    m_grid.SetNumOfCells(10); // 4 columns, 3 rows, cells 10 and 11 empty
    struct Case {
        int from;
        int key;
        Qt::KeyboardModifiers modifiers;
        int current;
        std::vector<int> selection;
    };
    const Case cases[] = {
        {4, Qt::Key_Left, Qt::NoModifier, 3, {3}},  // to the last column of the row above
        {3, Qt::Key_Right, Qt::NoModifier, 4, {4}}, // to the first column of the next row
        {0, Qt::Key_Left, Qt::NoModifier, 0, {0}},
        {9, Qt::Key_Right, Qt::NoModifier, 9, {9}},
        {1, Qt::Key_Up, Qt::NoModifier, 1, {1}},
        {5, Qt::Key_Down, Qt::NoModifier, 9, {9}},
        {7, Qt::Key_Down, Qt::NoModifier, 11, {7}}, // an empty cell becomes current, selects nothing
        {8, Qt::Key_Down, Qt::NoModifier, 8, {8}},  // last row
        {2, Qt::Key_Right, Qt::ShiftModifier, 3, {2, 3}},
        {2, Qt::Key_Down, Qt::ControlModifier, 6, {2, 6}},
    };
    for (const Case& c : cases) {
        m_grid.FocusCell(c.from);
        key(c.key, c.modifiers);
        EXPECT_EQ(m_grid.CurrentCell(), c.current) << "from " << c.from << " key " << c.key;
        EXPECT_EQ(m_grid.Selection(), c.selection) << "from " << c.from << " key " << c.key;
    }
}

TEST_F(GridTest, DoubleClickOnAPictureOpens)
{
    m_grid.SetNumOfCells(3);
    int opened = 0;
    m_grid.OnDblClick = [&] { ++opened; };
    QTest::mouseDClick(m_grid.viewport(), Qt::LeftButton, Qt::NoModifier, m_grid.CellRect(1).center());
    QTest::mouseDClick(m_grid.viewport(), Qt::LeftButton, Qt::NoModifier, m_grid.CellRect(3).center());
    EXPECT_EQ(opened, 1);
}

TEST(ShortenPathTest, LeadingFoldersBecomeDotsOneAtATime)
{
    const auto chars = [](const QString& text) { return int(text.size()); };
    struct Case {
        const char* path;
        int width;
        const char* expected;
    };
    const Case cases[] = {
        {"/home/ann/pics/a.jpg", 40, "/home/ann/pics/a.jpg"},
        {"/home/ann/pics/a.jpg", 19, "/.../ann/pics/a.jpg"},
        {"/home/ann/pics/a.jpg", 15, "/.../pics/a.jpg"},
        {"/home/ann/pics/a.jpg", 3, "/.../a.jpg"},   // the name always stays
        {"/home/ann/pics/", 12, "/.../pics/"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ShortenPath(QString::fromUtf8(c.path), c.width, chars), QString::fromUtf8(c.expected)) << c.path;
}

} // namespace
} // namespace vellum
