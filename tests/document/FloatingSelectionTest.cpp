#include "document/VLPicChildWn.h"

#include <QDir>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include "document/ToolCursors.h"
#include "document/VLToolVars.h"
#include "support/FailingAllocator.h"

namespace vellum {
namespace {

const TColor Bg = RGBColor(1, 2, 3);

bool samePixels(const TXBitmap& a, const TXBitmap& b)
{
    if (a.Width() != b.Width() || a.Height() != b.Height())
        return false;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            if (a.PixelColour(x, y) != b.PixelColour(x, y))
                return false;
    return true;
}

// The picture's pixels of rect equal image's.
bool showsAt(const TXBitmap& picture, const QPoint& at, const TXBitmap& image)
{
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x)
            if (picture.PixelColour(at.x() + x, at.y() + y) != image.PixelColour(x, y))
                return false;
    return true;
}

bool allBackground(const TXBitmap& picture, const QRect& rect)
{
    for (int y = rect.top(); y < rect.top() + rect.height(); ++y)
        for (int x = rect.left(); x < rect.left() + rect.width(); ++x)
            if (picture.PixelColour(x, y) != Bg)
                return false;
    return true;
}

class FloatingSelectionTest : public ::testing::Test {
public:
    void SetUp() override
    {
        ResetToolSettings();
        ToolSettings().SetBackColour(Bg);
        TVLPicChildWin::ShowError = [this](QWidget*, const QString& message) { m_errors.push_back(message); };
        m_mdi.resize(500, 400);
        m_mdi.show();
        m_doc = new TVLNewPicChildWin(20, 12, clWhite, QStringLiteral("New Picture #1"), nullptr);
        m_mdi.addSubWindow(m_doc);
        m_doc->show();
        m_mdi.setActiveSubWindow(m_doc);
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 20; ++x)
                StorePixel(m_doc->Picture().ScanLine(y) + 3 * x, RGBColor(10 * x + 5, 20 * y + 3, 100));
        m_doc->PictureScrollBox().Repaint();
        m_original = m_doc->Picture();
        m_doc->OnPictureChange = [this](TVLPicChildWin*, TChangeSet changes) { m_changes.push_back(changes); };
        QCoreApplication::processEvents();
    }

    void TearDown() override
    {
        ResetToolSettings();
        TVLPicChildWin::ShowError = nullptr;
    }

    [[nodiscard]] QWidget* surface() const { return m_doc->PictureScrollBox().viewport(); }

    void send(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) const
    {
        QMouseEvent event(type, QPointF(at), surface()->mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
        QCoreApplication::sendEvent(surface(), &event);
    }

    void drag(QPoint from, QPoint to, Qt::MouseButton button = Qt::LeftButton) const
    {
        send(QEvent::MouseButtonPress, from, button, button);
        send(QEvent::MouseMove, to, Qt::NoButton, button);
        send(QEvent::MouseButtonRelease, to, button, Qt::NoButton);
    }

    // A rectangle selection (2, 2, 4, 3) made with the tool, moved 5 to the right.
    void movedSelection()
    {
        ToolSettings().Tool = TTool::SelectRect;
        drag({2, 2}, {6, 5});
        ASSERT_NE(m_doc->Selection(), nullptr);
        m_doc->MoveSelectionTo({7, 2});
        m_image = m_doc->Selection()->Image;
        m_changes.clear();
    }

    QMdiArea m_mdi;
    TVLPicChildWin* m_doc = nullptr;
    TXBitmap m_original;
    TXBitmap m_image;
    std::vector<TChangeSet> m_changes;
    std::vector<QString> m_errors;
};

TEST_F(FloatingSelectionTest, RectangleBandsSelectWhatTheySpan)
{
    struct Case {
        QPoint from;
        QPoint to;
        QRect bounds; // null: no selection
    };
    const Case cases[] = {
        {{2, 3}, {7, 8}, QRect(2, 3, 5, 5)},
        {{7, 8}, {2, 3}, QRect(2, 3, 5, 5)},     // dragged up and left
        {{15, 5}, {60, 40}, QRect(15, 5, 5, 7)}, // ends outside the picture
        {{4, 4}, {4, 4}, QRect()},               // a click
        {{4, 4}, {9, 4}, QRect()},               // no height
    };
    for (const Case& c : cases) {
        ToolSettings().Tool = TTool::SelectRect;
        m_changes.clear();
        drag(c.from, c.to);
        if (c.bounds.isNull()) {
            EXPECT_EQ(m_doc->Selection(), nullptr);
            EXPECT_TRUE(m_changes.empty());
            continue;
        }
        ASSERT_NE(m_doc->Selection(), nullptr);
        EXPECT_EQ(m_doc->Selection()->Bounds, c.bounds);
        EXPECT_EQ(m_changes, std::vector<TChangeSet>{33});
        EXPECT_TRUE(allBackground(m_doc->Picture(), c.bounds));
        EXPECT_TRUE(m_doc->Selection()->AntsRunning());
        m_doc->DropSelection(true, true);
        EXPECT_TRUE(samePixels(m_doc->Picture(), m_original));
    }
    EXPECT_TRUE(m_errors.empty());
}

TEST_F(FloatingSelectionTest, FreehandAndWandToolsMakeShapedSelections)
{
    ToolSettings().Tool = TTool::SelectFreehand;
    send(QEvent::MouseButtonPress, {2, 2}, Qt::LeftButton, Qt::LeftButton);
    for (const QPoint p : {QPoint(8, 2), QPoint(8, 8), QPoint(2, 8)})
        send(QEvent::MouseMove, p, Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, {2, 8}, Qt::LeftButton, Qt::NoButton);
    ASSERT_NE(m_doc->Selection(), nullptr);
    EXPECT_TRUE(m_doc->Selection()->Shaped);
    EXPECT_EQ(m_doc->Selection()->Bounds, QRect(2, 2, 6, 6));

    // A path along one row has no area: nothing, no message, and the old selection committed.
    send(QEvent::MouseButtonPress, {12, 1}, Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseMove, {18, 1}, Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, {18, 1}, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(m_doc->Selection(), nullptr);
    EXPECT_TRUE(samePixels(m_doc->Picture(), m_original));

    ToolSettings().Tool = TTool::MagicWand;
    ToolSettings().WandTolerance = 255;
    send(QEvent::MouseButtonPress, {3, 3}, Qt::LeftButton, Qt::LeftButton);
    ASSERT_NE(m_doc->Selection(), nullptr); // made at the press
    send(QEvent::MouseButtonRelease, {3, 3}, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(m_doc->Selection()->Bounds, QRect(0, 0, 20, 12));
    EXPECT_TRUE(m_errors.empty());
}

TEST_F(FloatingSelectionTest, DraggingMovesTheSelectionWithTheMoveCursor)
{
    movedSelection();
    ToolSettings().Tool = TTool::SelectRect;
    send(QEvent::MouseMove, {8, 3}, Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(surface()->cursor().pixmap().toImage(), ToolCursor(crMove).pixmap().toImage());
    send(QEvent::MouseButtonPress, {8, 3}, Qt::LeftButton, Qt::LeftButton);
    EXPECT_TRUE(m_doc->Selection()->Moving);
    EXPECT_FALSE(m_doc->Selection()->AntsRunning());
    send(QEvent::MouseMove, {30, 3}, Qt::NoButton, Qt::LeftButton); // off the picture is fine
    send(QEvent::MouseMove, {10, 1}, Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, {10, 1}, Qt::LeftButton, Qt::NoButton);
    EXPECT_FALSE(m_doc->Selection()->Moving);
    EXPECT_TRUE(m_doc->Selection()->AntsRunning());
    EXPECT_EQ(m_doc->Selection()->Bounds, QRect(9, 0, 4, 3));
    EXPECT_EQ(m_changes, (std::vector<TChangeSet>{64, 64}));
    // Undoing the press that started the move brings the selection back to where it was.
    m_doc->UndoLast();
    EXPECT_EQ(m_doc->Selection()->Bounds, QRect(7, 2, 4, 3));
}

TEST_F(FloatingSelectionTest, WhatCommitsWhatDiscardsAndWhatKeepsTheSelection)
{
    enum Outcome { Committed, Discarded, Kept };
    struct Case {
        const char* name;
        std::function<void(FloatingSelectionTest&)> act;
        Outcome outcome;
        bool recordsUndo;
    };
    const Case cases[] = {
        {"right press with a selection tool",
         [](FloatingSelectionTest& t) {
             ToolSettings().Tool = TTool::SelectFreehand;
             t.drag({8, 3}, {8, 3}, Qt::RightButton);
         },
         Committed, true},
        {"left press off the selection",
         [](FloatingSelectionTest& t) {
             ToolSettings().Tool = TTool::SelectRect;
             t.drag({1, 10}, {1, 10});
         },
         Committed, true},
        {"drag tool",
         [](FloatingSelectionTest& t) {
             ToolSettings().Tool = TTool::Drag;
             t.drag({8, 3}, {9, 3});
         },
         Kept, false},
        {"clear", [](FloatingSelectionTest& t) { t.m_doc->Clear(); }, Discarded, true},
        {"flip", [](FloatingSelectionTest& t) { t.m_doc->Flip(); }, Kept, true},
        {"grey", [](FloatingSelectionTest& t) { t.m_doc->GreyScale(); }, Kept, true},
        {"enlarge", [](FloatingSelectionTest& t) { t.m_doc->EnlargeCanvas(30, 20, false, Bg); }, Kept, true},
    };
    for (const Case& c : cases) {
        SetUp();
        movedSelection();
        const int undoBefore = m_doc->UndoStack().Count();
        c.act(*this);
        EXPECT_EQ(m_doc->UndoStack().Count(), undoBefore + (c.recordsUndo ? 1 : 0)) << c.name;
        EXPECT_TRUE(allBackground(m_doc->Picture(), QRect(2, 2, 4, 3))) << c.name;
        switch (c.outcome) {
        case Committed:
            EXPECT_EQ(m_doc->Selection(), nullptr) << c.name;
            EXPECT_TRUE(showsAt(m_doc->Picture(), {7, 2}, m_image)) << c.name;
            EXPECT_NE(std::find(m_changes.begin(), m_changes.end(), chgSelRemoved), m_changes.end()) << c.name;
            break;
        case Discarded:
            EXPECT_EQ(m_doc->Selection(), nullptr) << c.name;
            EXPECT_EQ(m_doc->Picture().PixelColour(8, 3), m_original.PixelColour(8, 3)) << c.name;
            break;
        case Kept:
            ASSERT_NE(m_doc->Selection(), nullptr) << c.name;
            EXPECT_EQ(m_doc->Selection()->Bounds.topLeft(), QPoint(7, 2)) << c.name;
            EXPECT_EQ(m_doc->Picture().PixelColour(8, 3), m_original.PixelColour(8, 3)) << c.name;
            break;
        }
        TearDown();
        delete m_doc;
    }
}

TEST_F(FloatingSelectionTest, UndoPutsBackPictureAndSelection)
{
    struct Case {
        const char* name;
        std::function<void(TVLPicChildWin&)> edit;
    };
    const Case cases[] = {
        {"clear", [](TVLPicChildWin& d) { d.Clear(); }},
        {"grey", [](TVLPicChildWin& d) { d.GreyScale(); }},
        {"negative", [](TVLPicChildWin& d) { d.Negative(); }},
        {"flip", [](TVLPicChildWin& d) { d.Flip(); }},
        {"mirror", [](TVLPicChildWin& d) { d.Mirror(); }},
        {"resize", [](TVLPicChildWin& d) { d.Resize(10, 6); }},
        {"resample", [](TVLPicChildWin& d) { d.Resample(10, 6); }},
        {"crop", [](TVLPicChildWin& d) { d.Crop(); }},
        {"select all", [](TVLPicChildWin& d) { d.SelectAll(); }},
        {"enlarge canvas", [](TVLPicChildWin& d) { d.EnlargeCanvas(30, 20, false, Bg); }},
        {"enlarge canvas centred", [](TVLPicChildWin& d) { d.EnlargeCanvas(30, 20, true, Bg); }},
    };
    for (const Case& c : cases) {
        SetUp();
        movedSelection();
        const TXBitmap picture = m_doc->Picture();
        c.edit(*m_doc);
        ASSERT_TRUE(m_doc->UndoLast()) << c.name;
        EXPECT_TRUE(samePixels(m_doc->Picture(), picture)) << c.name;
        ASSERT_NE(m_doc->Selection(), nullptr) << c.name;
        EXPECT_EQ(m_doc->Selection()->Bounds, QRect(7, 2, 4, 3)) << c.name;
        EXPECT_TRUE(samePixels(m_doc->Selection()->Image, m_image)) << c.name;
        // Moved away, the restored selection uncovers the picture, not a copy of itself.
        m_doc->MoveSelectionTo({0, 0});
        m_doc->DropSelection(false, true);
        EXPECT_EQ(m_doc->Picture().PixelColour(8, 3), m_original.PixelColour(8, 3)) << c.name;
        TearDown();
        delete m_doc;
    }
}

TEST_F(FloatingSelectionTest, EnlargingTheCanvasKeepsTheSelectionOverItsPixels)
{
    struct Case {
        bool centre;
        QPoint shift; // of picture and selection: 20 x 12 into 31 x 21
    };
    for (const Case c : {Case{false, {0, 0}}, Case{true, {5, 4}}}) {
        SetUp();
        movedSelection();
        TXBitmap merged = m_doc->Picture();
        m_doc->Selection()->CommitInto(&merged);
        m_doc->EnlargeCanvas(31, 21, c.centre, RGBColor(9, 9, 9));
        ASSERT_NE(m_doc->Selection(), nullptr) << c.centre;
        EXPECT_EQ(m_doc->Selection()->Bounds, QRect(QPoint(7, 2) + c.shift, QSize(4, 3))) << c.centre;
        m_doc->DropSelection(true, true);
        EXPECT_TRUE(showsAt(m_doc->Picture(), c.shift, merged)) << c.centre;
        EXPECT_EQ(m_doc->Picture().PixelColour(30, 20), RGBColor(9, 9, 9)) << c.centre;
        TearDown();
        delete m_doc;
    }
}

TEST_F(FloatingSelectionTest, ASizeChangeThatFailsLeavesPictureSelectionAndHistoryAsTheyWere)
{
    struct Case {
        const char* name;
        std::function<void(TVLPicChildWin&)> edit;
    };
    const Case cases[] = {
        {"resize beyond the side limit", [](TVLPicChildWin& d) { d.Resize(40000, 3); }},
        {"resample beyond the side limit", [](TVLPicChildWin& d) { d.Resample(3, 40000); }},
        {"resample out of memory",
         [](TVLPicChildWin& d) {
             d.Picture().OnProgressBegin = [](TEffectsBitmap*, int) { throw std::bad_alloc(); };
             d.Resample(10, 6);
         }},
        {"enlarge canvas out of memory",
         [](TVLPicChildWin& d) {
             d.Picture().OnProgressBegin = [](TEffectsBitmap*, int) { throw std::bad_alloc(); };
             d.EnlargeCanvas(30, 20, true, Bg);
         }},
    };
    for (const Case& c : cases) {
        SetUp();
        movedSelection();
        const TXBitmap picture = m_doc->Picture();
        const int steps = m_doc->UndoStack().Count();
        EXPECT_THROW(c.edit(*m_doc), std::exception) << c.name;
        EXPECT_TRUE(samePixels(m_doc->Picture(), picture)) << c.name;
        ASSERT_NE(m_doc->Selection(), nullptr) << c.name;
        EXPECT_EQ(m_doc->Selection()->Bounds, QRect(7, 2, 4, 3)) << c.name;
        EXPECT_TRUE(samePixels(m_doc->Selection()->Image, m_image)) << c.name;
        EXPECT_EQ(m_doc->UndoStack().Count(), steps) << c.name;
        EXPECT_TRUE(m_changes.empty()) << c.name;
        TearDown();
        delete m_doc;
    }
}

TEST_F(FloatingSelectionTest, AnEditWhoseUndoCopyFailsRecordsNothingAndKeepsTheSelection)
{
    struct Case {
        const char* name;
        std::function<void(FloatingSelectionTest&)> act;
    };
    const Case cases[] = {
        {"pen press",
         [](FloatingSelectionTest& t) { t.send(QEvent::MouseButtonPress, {15, 10}, Qt::LeftButton, Qt::LeftButton); }},
        {"select all", [](FloatingSelectionTest& t) { EXPECT_THROW(t.m_doc->SelectAll(), std::bad_alloc); }},
        {"crop", [](FloatingSelectionTest& t) { EXPECT_THROW(t.m_doc->Crop(), std::bad_alloc); }},
    };
    for (const Case& c : cases) {
        SetUp();
        movedSelection();
        BuildToolShapes(ToolSettings());
        ToolSettings().Tool = TTool::Pen;
        const TXBitmap picture = m_doc->Picture();
        const int steps = m_doc->UndoStack().Count();
        QCoreApplication::processEvents(); // no paint runs while memory is short
        {
            // No copy of the whole picture can be made.
            const test::TFailingAllocations failing(3 * 20 * 12);
            c.act(*this);
            EXPECT_GT(failing.Refused(), 0) << c.name;
        }
        send(QEvent::MouseButtonRelease, {15, 10}, Qt::LeftButton, Qt::NoButton);
        EXPECT_EQ(m_doc->UndoStack().Count(), steps) << c.name;
        ASSERT_NE(m_doc->Selection(), nullptr) << c.name;
        EXPECT_EQ(m_doc->Selection()->Bounds, QRect(7, 2, 4, 3)) << c.name;
        EXPECT_TRUE(samePixels(m_doc->Selection()->Image, m_image)) << c.name;
        EXPECT_TRUE(samePixels(m_doc->Picture(), picture)) << c.name;
        TearDown();
        delete m_doc;
    }
    EXPECT_EQ(m_errors, std::vector<QString>{QStringLiteral("Out of memory")}); // the press's
}

TEST_F(FloatingSelectionTest, APressWhoseCopyFailsInAFullHistoryKeepsEveryStep)
{
    m_doc->GreyScale(); // the oldest step holds the picture as it was
    m_doc->Flip();
    m_doc->Mirror();
    m_doc->Negative();
    m_doc->SelectAll(); // a selection as large as the picture
    ASSERT_EQ(m_doc->UndoStack().Count(), TVLUndoActionFactory::MaxActions);
    BuildToolShapes(ToolSettings());
    ToolSettings().Tool = TTool::Pen;
    QCoreApplication::processEvents();
    {
        // The picture's copy could reuse the oldest step's store; the selection's fails.
        const test::TFailingAllocations failing(3 * 20 * 12);
        send(QEvent::MouseButtonPress, {15, 10}, Qt::LeftButton, Qt::LeftButton);
        EXPECT_GT(failing.Refused(), 0);
    }
    send(QEvent::MouseButtonRelease, {15, 10}, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(m_errors, std::vector<QString>{QStringLiteral("Out of memory")});
    EXPECT_EQ(m_doc->UndoStack().Count(), TVLUndoActionFactory::MaxActions);
    while (m_doc->UndoLast()) {
    }
    EXPECT_EQ(m_doc->Selection(), nullptr);
    EXPECT_TRUE(samePixels(m_doc->Picture(), m_original));
}

TEST_F(FloatingSelectionTest, AStrokeThatSelectsNothingLeavesNoTrace)
{
    struct Case {
        const char* name;
        TTool tool;
        std::vector<QPoint> path; // pressed at the first, released at the last
        Qt::MouseButton button;
    };
    const Case cases[] = {
        {"freehand flick enclosing no pixel", TTool::SelectFreehand, {{2, 2}, {4, 4}, {6, 6}, {9, 9}}, Qt::LeftButton},
        {"freehand along a row", TTool::SelectFreehand, {{2, 2}, {9, 2}}, Qt::LeftButton},
        {"rectangle click", TTool::SelectRect, {{4, 4}, {4, 4}}, Qt::LeftButton},
        {"right press", TTool::SelectFreehand, {{4, 4}, {8, 8}}, Qt::RightButton},
    };
    // A full history whose oldest step holds the picture as it was.
    m_doc->GreyScale();
    m_doc->Flip();
    m_doc->Mirror();
    m_doc->Negative();
    m_doc->Flip();
    m_changes.clear();
    for (const Case& c : cases) {
        ToolSettings().Tool = c.tool;
        send(QEvent::MouseButtonPress, c.path.front(), c.button, c.button);
        for (const QPoint& p : c.path)
            send(QEvent::MouseMove, p, Qt::NoButton, c.button);
        send(QEvent::MouseButtonRelease, c.path.back(), c.button, Qt::NoButton);
        EXPECT_EQ(m_doc->Selection(), nullptr) << c.name;
        EXPECT_EQ(m_doc->UndoStack().Count(), TVLUndoActionFactory::MaxActions) << c.name;
    }
    EXPECT_TRUE(m_changes.empty());
    EXPECT_TRUE(m_errors.empty());
    while (m_doc->UndoLast()) {
    }
    EXPECT_FALSE(m_doc->Modified());
    EXPECT_TRUE(samePixels(m_doc->Picture(), m_original));
}

TEST_F(FloatingSelectionTest, ASelectionMadeWithAToolIsUndoneByOneStep)
{
    struct Case {
        const char* name;
        TTool tool;
        std::vector<QPoint> path;
    };
    const Case cases[] = {
        {"rectangle", TTool::SelectRect, {{2, 2}, {6, 5}}},
        {"freehand", TTool::SelectFreehand, {{2, 2}, {8, 2}, {8, 8}, {2, 8}}},
        {"magic wand", TTool::MagicWand, {{3, 3}}},
    };
    ToolSettings().WandTolerance = 255;
    for (const Case& c : cases) {
        ToolSettings().Tool = c.tool;
        send(QEvent::MouseButtonPress, c.path.front(), Qt::LeftButton, Qt::LeftButton);
        for (const QPoint& p : c.path)
            send(QEvent::MouseMove, p, Qt::NoButton, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, c.path.back(), Qt::LeftButton, Qt::NoButton);
        ASSERT_NE(m_doc->Selection(), nullptr) << c.name;
        EXPECT_FALSE(samePixels(m_doc->Picture(), m_original)) << c.name; // lifted
        EXPECT_EQ(m_doc->UndoStack().Count(), 1) << c.name;
        ASSERT_TRUE(m_doc->UndoLast()) << c.name;
        EXPECT_EQ(m_doc->Selection(), nullptr) << c.name;
        EXPECT_TRUE(samePixels(m_doc->Picture(), m_original)) << c.name;
        EXPECT_FALSE(m_doc->Modified()) << c.name;
    }
}

TEST_F(FloatingSelectionTest, PlacingATextRecordsAStepThatTakesOnlyTheTextAway)
{
    m_doc->Flip();
    const TXBitmap flipped = m_doc->Picture();
    TEffectsBitmap text(3, 2);
    text.ClearToColour(clBlack);
    m_doc->PlaceTextPicture(text, clWhite);
    ASSERT_NE(m_doc->Selection(), nullptr);
    ASSERT_TRUE(m_doc->UndoLast());
    EXPECT_EQ(m_doc->Selection(), nullptr);
    EXPECT_TRUE(samePixels(m_doc->Picture(), flipped));
    EXPECT_EQ(m_doc->UndoStack().Count(), 1); // the flip, still to be undone
}

TEST_F(FloatingSelectionTest, ANudgeThatFailsShowsItsErrorAndGoesNoFurther)
{
    movedSelection();
    m_doc->OnPictureChange = [](TVLPicChildWin*, TChangeSet) { throw std::bad_alloc(); };
    EXPECT_NO_THROW(QTest::keyClick(surface(), Qt::Key_Right, Qt::ControlModifier));
    EXPECT_EQ(m_errors, std::vector<QString>{QStringLiteral("Out of memory")});
}

TEST_F(FloatingSelectionTest, UndoOfAnEditWithoutSelectionRemovesTheNewOne)
{
    m_doc->SelectAll();
    ASSERT_NE(m_doc->Selection(), nullptr);
    m_changes.clear();
    m_doc->UndoLast();
    EXPECT_EQ(m_doc->Selection(), nullptr);
    EXPECT_TRUE(samePixels(m_doc->Picture(), m_original));
    EXPECT_EQ(m_changes, std::vector<TChangeSet>{chgPicture | chgSelRemoved});
    EXPECT_FALSE(m_doc->Modified());
}

TEST_F(FloatingSelectionTest, CropKeepsTheSelectionsPixelsWithBackgroundOutsideItsShape)
{
    ToolSettings().Tool = TTool::MagicWand;
    // An L of one colour in a corner.
    for (const QPoint p : {QPoint(0, 0), QPoint(0, 1), QPoint(1, 1)})
        StorePixel(m_doc->Picture().ScanLine(p.y()) + 3 * p.x(), RGBColor(250, 250, 250));
    const TXBitmap before = m_doc->Picture();
    m_doc->CreateMagicWandSelection({0, 0});
    ASSERT_NE(m_doc->Selection(), nullptr);
    m_changes.clear();
    m_doc->Crop();
    EXPECT_EQ(m_doc->Selection(), nullptr);
    EXPECT_EQ(m_changes, std::vector<TChangeSet>{281});
    ASSERT_EQ(m_doc->Picture().Width(), 2);
    ASSERT_EQ(m_doc->Picture().Height(), 2);
    EXPECT_EQ(m_doc->Picture().PixelColour(0, 0), RGBColor(250, 250, 250));
    EXPECT_EQ(m_doc->Picture().PixelColour(1, 0), Bg);
    EXPECT_EQ(m_doc->Picture().PixelColour(1, 1), RGBColor(250, 250, 250));
    m_doc->UndoLast(); // back to the wand's selection over the lifted picture
    ASSERT_NE(m_doc->Selection(), nullptr);
    m_doc->DropSelection(true, true);
    EXPECT_TRUE(samePixels(m_doc->Picture(), before));
}

TEST_F(FloatingSelectionTest, CtrlArrowsNudgeFromAnyChildAndNothingElseDoes)
{
    movedSelection();
    m_doc->PictureScrollBox().horizontalScrollBar()->setRange(0, 100);
    struct Case {
        QWidget* target;
        int key;
        Qt::KeyboardModifiers modifiers;
        QPoint expected;
    };
    const Case cases[] = {
        {surface(), Qt::Key_Left, Qt::ControlModifier, {6, 2}},
        {&m_doc->PictureScrollBox(), Qt::Key_Down, Qt::ControlModifier, {6, 3}},
        {m_doc->PictureScrollBox().horizontalScrollBar(), Qt::Key_Right, Qt::ControlModifier, {7, 3}},
        {surface(), Qt::Key_Up, Qt::ControlModifier, {7, 2}},
        {surface(), Qt::Key_Left, Qt::ControlModifier | Qt::ShiftModifier, {7, 2}},
        {surface(), Qt::Key_Left, Qt::NoModifier, {7, 2}},
    };
    const int position = m_doc->PictureScrollBox().horizontalScrollBar()->value();
    for (const Case& c : cases) {
        QTest::keyClick(c.target, static_cast<Qt::Key>(c.key), c.modifiers);
        EXPECT_EQ(m_doc->Selection()->Bounds.topLeft(), c.expected) << c.key;
    }
    EXPECT_EQ(m_changes, (std::vector<TChangeSet>{64, 64, 64, 64}));
    EXPECT_EQ(m_doc->PictureScrollBox().horizontalScrollBar()->value(), position);
}

TEST_F(FloatingSelectionTest, AntStepsAndNudgesRepaintOnlyTheSelectionsRectangles)
{
    movedSelection();
    std::vector<QRect> painted;
    TPictureScrollBox& view = m_doc->PictureScrollBox();
    const auto original = view.OnBeforeZoomPaint;
    view.OnBeforeZoomPaint = [&](TPictureScrollBox* s, TXBitmap& image, const QRect& r) {
        painted.push_back(r);
        original(s, image, r);
    };
    m_doc->Selection()->AntStep();
    EXPECT_EQ(painted, std::vector<QRect>{QRect(6, 1, 6, 5)}); // bounds and one pixel round
    painted.clear();
    QTest::keyClick(surface(), Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(painted, std::vector<QRect>{QRect(6, 1, 7, 5)}); // old and new bounds
    view.OnBeforeZoomPaint = original;
}

// The ants a partial repaint of the selection draws are those a full paint draws, at every
// zoom and phase.
TEST_F(FloatingSelectionTest, PartialRepaintsShowTheOutlineAFullPaintShows)
{
    movedSelection();
    TPictureScrollBox& view = m_doc->PictureScrollBox();
    auto shown = [&] { return view.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32); };
    for (int zoom : {1, 4, 12}) {
        m_doc->SetZoom(zoom, 9, 4);
        QImage last;
        for (int step = 0; step < 3; ++step) {
            m_doc->Selection()->AntStep();
            view.RepaintRect(m_doc->Selection()->Bounds, 1);
            const QImage partial = shown();
            EXPECT_NE(partial, last) << "zoom " << zoom; // the ants moved
            view.Repaint();
            EXPECT_EQ(partial, shown()) << "zoom " << zoom << ", step " << step;
            // On the selection's top edge: dashes of white and black only.
            const QPoint corner = view.PictureToView(m_doc->Selection()->Bounds.topLeft());
            for (int k = 0; k < std::min(6, m_doc->Selection()->Bounds.width() * zoom); ++k) {
                const QRgb pixel = partial.pixel(corner + QPoint(k, 0));
                EXPECT_TRUE(pixel == qRgb(255, 255, 255) || pixel == qRgb(0, 0, 0)) << "zoom " << zoom << ", " << k;
            }
            last = partial;
        }
    }
}

TEST_F(FloatingSelectionTest, EditsOfTheSelectionAfterASaveMarkTheDocumentModified)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("saved.bmp"));
    struct Case {
        const char* name;
        std::function<void(TVLPicChildWin&)> edit;
    };
    const Case cases[] = {
        {"nudge", [](TVLPicChildWin& d) { d.MoveSelectionTo({0, 0}); }},
        {"negative", [](TVLPicChildWin& d) { d.Negative(); }},
        {"discard", [](TVLPicChildWin& d) { d.DropSelection(false, true); }},
        {"clear", [](TVLPicChildWin& d) { d.Clear(); }},
    };
    for (const Case& c : cases) {
        movedSelection();
        ASSERT_TRUE(m_doc->SaveToFile(file));
        ASSERT_FALSE(m_doc->Modified());
        c.edit(*m_doc);
        EXPECT_TRUE(m_doc->Modified()) << c.name;
        m_doc->DropSelection(true, true);
    }
    // Committing leaves a save's content as it was.
    movedSelection();
    ASSERT_TRUE(m_doc->SaveToFile(file));
    m_doc->DropSelection(true, true);
    EXPECT_FALSE(m_doc->Modified());
}

TEST_F(FloatingSelectionTest, SavingWritesTheMergedPictureAndKeepsTheSelection)
{
    movedSelection();
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("merged.bmp"));
    ASSERT_TRUE(m_doc->SaveToFile(file));
    ASSERT_NE(m_doc->Selection(), nullptr);
    TXBitmap saved;
    saved.LoadPicture(file);
    EXPECT_TRUE(showsAt(saved, {7, 2}, m_image));
    EXPECT_TRUE(allBackground(saved, QRect(2, 2, 4, 3)));
    EXPECT_TRUE(allBackground(m_doc->Picture(), QRect(7, 2, 4, 3)) == false);
    EXPECT_EQ(m_doc->Picture().PixelColour(8, 3), m_original.PixelColour(8, 3)); // not committed
}

TEST_F(FloatingSelectionTest, AFailedCreationReportsTheFreedSelectionAndShowsTheMessage)
{
    movedSelection();
    m_doc->CreateRectSelection(QRect(40, 40, 5, 5), -1);
    EXPECT_EQ(m_doc->Selection(), nullptr);
    EXPECT_EQ(m_changes, std::vector<TChangeSet>{chgSelRemoved});
    EXPECT_EQ(m_errors,
              std::vector<QString>{QStringLiteral("There was an error creating selection. Invalid selection rectangle.")});
    m_errors.clear();
    m_doc->CreateMagicWandSelection({-1, 3});
    EXPECT_EQ(m_errors, std::vector<QString>{
                            QStringLiteral("There was an error creating selection. Invalid MagicWand start point.")});
}

TEST_F(FloatingSelectionTest, SelectAllWithTransparentBackgroundLiftsOnlyOtherPixels)
{
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 20; ++x)
            StorePixel(m_doc->Picture().ScanLine(y) + 3 * x, clWhite);
    StorePixel(m_doc->Picture().ScanLine(4) + 3 * 5, clBlack);
    StorePixel(m_doc->Picture().ScanLine(6) + 3 * 9, clBlack);
    ToolSettings().SetBackColour(clWhite);
    ToolSettings().TransparentSelection = true;
    m_doc->SelectAll();
    ASSERT_NE(m_doc->Selection(), nullptr);
    EXPECT_EQ(m_doc->Selection()->Bounds, QRect(5, 4, 5, 3));
    EXPECT_TRUE(m_doc->Selection()->HasMask());
    EXPECT_EQ(m_doc->Picture().PixelColour(5, 4), clWhite);
}

TEST_F(FloatingSelectionTest, APaintingPressCommitsTheSelectionBeforeItPaints)
{
    movedSelection();
    BuildToolShapes(ToolSettings());
    ToolSettings().Tool = TTool::Pen;
    drag({15, 10}, {16, 10});
    EXPECT_EQ(m_doc->Selection(), nullptr);
    EXPECT_TRUE(showsAt(m_doc->Picture(), {7, 2}, m_image));
    EXPECT_EQ(m_doc->Picture().PixelColour(15, 10), clBlack);
    m_doc->UndoLast();
    ASSERT_NE(m_doc->Selection(), nullptr);
    EXPECT_EQ(m_doc->Selection()->Bounds.topLeft(), QPoint(7, 2));
}

} // namespace
} // namespace vellum
