#include "document/VLPicChildWn.h"

#include <QCoreApplication>
#include <QDir>
#include <QMdiArea>
#include <QMouseEvent>
#include <QTemporaryDir>

#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

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

// What a user sees of a document: its pixels (and so its size), its floating selection and
// whether it is marked modified.
struct Snapshot {
    TXBitmap Picture;
    bool HasSelection = false;
    QRect Bounds;
    TXBitmap SelectionImage;
    bool Modified = false;
};

Snapshot snapshotOf(const TVLPicChildWin& doc)
{
    Snapshot s;
    s.Picture = doc.Picture();
    if (const TPictureSelection* selection = doc.Selection()) {
        s.HasSelection = true;
        s.Bounds = selection->Bounds;
        s.SelectionImage = selection->Image;
    }
    s.Modified = doc.Modified();
    return s;
}

// An empty string when the document shows the snapshot, else what differs.
std::string differences(const TVLPicChildWin& doc, const Snapshot& expected)
{
    const Snapshot now = snapshotOf(doc);
    std::string out;
    if (now.Picture.Width() != expected.Picture.Width() || now.Picture.Height() != expected.Picture.Height())
        out += " size";
    else if (!samePixels(now.Picture, expected.Picture))
        out += " pixels";
    if (now.HasSelection != expected.HasSelection)
        out += " selection presence";
    else if (now.HasSelection
             && (now.Bounds != expected.Bounds || !samePixels(now.SelectionImage, expected.SelectionImage)))
        out += " selection";
    if (now.Modified != expected.Modified)
        out += " modified";
    return out;
}

class RedoTest : public ::testing::Test {
public:
    void SetUp() override
    {
        ResetToolSettings();
        ToolSettings().SetBackColour(Bg);
        ToolSettings().SetForeColour(RGBColor(250, 0, 0));
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
        m_doc->OnUndoChange = [this](TVLPicChildWin* sender, int) { m_redoSeen.push_back(sender->CanRedo()); };
        QCoreApplication::processEvents();
        ASSERT_TRUE(m_dir.isValid());
    }

    void TearDown() override
    {
        ResetToolSettings();
        TVLPicChildWin::ShowError = nullptr;
    }

    void send(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) const
    {
        QWidget* surface = m_doc->PictureScrollBox().viewport();
        QMouseEvent event(type, QPointF(at), surface->mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
        QCoreApplication::sendEvent(surface, &event);
    }

    void drag(QPoint from, QPoint to) const
    {
        send(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
        send(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
    }

    // A pen stroke, different for each call so that every state of a sequence differs.
    void stroke()
    {
        ToolSettings().Tool = TTool::Pen;
        ToolSettings().PenWidth = 1;
        const int row = m_strokes++ % 10 + 1;
        drag({1, row}, {15, row + 1});
    }

    void selectRect()
    {
        ToolSettings().Tool = TTool::SelectRect;
        drag({3, 2}, {9, 6});
        ASSERT_NE(m_doc->Selection(), nullptr);
    }

    void paste()
    {
        TXBitmap picture;
        picture.SetSize(4, 3);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 4; ++x)
                StorePixel(picture.ScanLine(y) + 3 * x, RGBColor(0, 60 * x, 80 * y));
        ASSERT_TRUE(m_doc->PasteIntoDocument(&picture, -1));
    }

    QMdiArea m_mdi;
    TVLPicChildWin* m_doc = nullptr;
    QTemporaryDir m_dir;
    std::vector<QString> m_errors;
    std::vector<bool> m_redoSeen;
    int m_strokes = 0;
};

// The model of the history: the states a sequence went through, the one shown, and how many
// steps back and forward the document offers (five back at most).
struct History {
    std::vector<Snapshot> States;
    std::size_t Shown = 0;
    int Back = 0;
    int Forward = 0;
};

struct SequenceCase {
    const char* Name;
    const char* Steps; // actions separated by blanks; U undo, R redo, "save" saves
};

class RedoSequenceTest : public RedoTest, public ::testing::WithParamInterface<SequenceCase> {};

TEST_P(RedoSequenceTest, UndoAndRedoShowExactlyTheStatesTheStepsMade)
{
    const std::map<std::string, std::function<void()>> edits = {
        {"stroke", [this] { stroke(); }},
        {"grey", [this] { m_doc->GreyScale(); }},
        {"negative", [this] { m_doc->Negative(); }},
        {"flip", [this] { m_doc->Flip(); }},
        {"brighten", [this] { m_doc->Brighten(40, TAdjustMode::Commit); }},
        {"previewed", [this] {
             m_doc->Brighten(20, TAdjustMode::Preview);
             m_doc->Brighten(-30, TAdjustMode::Preview);
             m_doc->Brighten(-30, TAdjustMode::Commit);
         }},
        {"resize", [this] { m_doc->Resize(14, 9); }},
        {"enlarge", [this] { m_doc->EnlargeCanvas(24, 15, true, RGBColor(9, 9, 9)); }},
        {"paste", [this] { paste(); }},
        {"select", [this] { selectRect(); }},
        {"selectall", [this] { m_doc->SelectAll(); }},
        {"move", [this] { m_doc->MoveSelectionTo({1, 1}); }},
        {"crop", [this] { m_doc->Crop(); }},
        {"clear", [this] { m_doc->Clear(); }},
    };
    History h;
    h.States.push_back(snapshotOf(*m_doc));
    std::istringstream steps(GetParam().Steps);
    std::string step;
    int index = 0;
    while (steps >> step) {
        SCOPED_TRACE(testing::Message() << "step " << index++ << " " << step);
        if (step == "U") {
            ASSERT_EQ(m_doc->UndoLast(), h.Back > 0);
            if (h.Back > 0) {
                --h.Back;
                ++h.Forward;
                --h.Shown;
            }
        } else if (step == "R") {
            ASSERT_EQ(m_doc->RedoLast(), h.Forward > 0);
            if (h.Forward > 0) {
                ++h.Back;
                --h.Forward;
                ++h.Shown;
            }
        } else if (step == "save") {
            ASSERT_TRUE(m_doc->SaveToFile(m_dir.filePath(QStringLiteral("saved.bmp"))));
            // Every other state now differs from the file.
            for (Snapshot& s : h.States)
                s.Modified = true;
            h.States[h.Shown] = snapshotOf(*m_doc);
            ASSERT_FALSE(h.States[h.Shown].Modified);
        } else if (step == "move") {
            // Moving a selection is no step of its own: it belongs to the state shown.
            edits.at(step)();
            h.States[h.Shown] = snapshotOf(*m_doc);
        } else {
            ASSERT_TRUE(edits.count(step)) << step;
            const int undoCountBefore = m_doc->UndoStack().Count();
            edits.at(step)();
            ASSERT_TRUE(m_errors.empty()) << m_errors.front().toStdString();
            ASSERT_GT(m_doc->UndoStack().Count() + (undoCountBefore == 5 ? 1 : 0), undoCountBefore) << "no step";
            h.States.resize(h.Shown + 1);
            h.States.push_back(snapshotOf(*m_doc));
            ++h.Shown;
            h.Back = std::min(h.Back + 1, 5);
            h.Forward = 0;
        }
        EXPECT_EQ(differences(*m_doc, h.States[h.Shown]), "");
        EXPECT_EQ(m_doc->CanUndo(), h.Back > 0);
        EXPECT_EQ(m_doc->CanRedo(), h.Forward > 0);
        if (!m_redoSeen.empty()) {
            EXPECT_EQ(m_redoSeen.back(), m_doc->CanRedo()) << "the last report of the history";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, RedoSequenceTest,
    ::testing::Values(
        SequenceCase{"StrokesBackAndForth", "stroke stroke stroke U U R U U R R R R"},
        SequenceCase{"NewStrokeEndsRedo", "stroke stroke stroke U U stroke R U U R R"},
        SequenceCase{"EffectsOnPicture", "grey negative flip brighten U U U U R R R R U R"},
        SequenceCase{"PreviewCommit", "stroke previewed U R U U R R"},
        SequenceCase{"SizeChanges", "stroke resize enlarge U U R U R R U U U R R R"},
        SequenceCase{"PasteFloatsAndComesBack", "paste stroke U U R R U R"},
        SequenceCase{"EffectsOnSelection", "select grey negative flip brighten U U U U U R R R R R"},
        SequenceCase{"MovedSelectionReturnsWhereItWas", "select move grey U U R R"},
        SequenceCase{"SelectAllAndCrop", "stroke select crop U U R R selectall U R"},
        SequenceCase{"DiscardAndClear", "select clear stroke clear U U U U R R R R"},
        SequenceCase{"ResizeCommitsSelection", "select resize U R U R"},
        SequenceCase{"SaveBetweenUndoAndRedo", "stroke stroke U save R U R U U R R"},
        SequenceCase{"SaveThenUndoPast", "stroke stroke save U U R R U save R"},
        SequenceCase{"FiveLevelsAndRedoOfAll", "stroke stroke stroke stroke stroke stroke stroke U U U U U U R R R R R R U"}),
    [](const testing::TestParamInfo<SequenceCase>& info) { return std::string(info.param.Name); });

TEST_F(RedoTest, PreviewsAndTheirCancelKeepTheRedoListAndACommitEndsIt)
{
    stroke();
    const Snapshot drawn = snapshotOf(*m_doc);
    ASSERT_TRUE(m_doc->UndoLast());
    const Snapshot before = snapshotOf(*m_doc);

    m_doc->Brighten(30, TAdjustMode::Preview);
    m_doc->CancelPreview();
    EXPECT_EQ(differences(*m_doc, before), "");
    ASSERT_TRUE(m_doc->CanRedo());
    // Switching documents neither.
    auto* other = new TVLNewPicChildWin(5, 5, clWhite, QStringLiteral("Other"), nullptr);
    m_mdi.addSubWindow(other);
    other->show();
    m_mdi.setActiveSubWindow(other);
    m_mdi.setActiveSubWindow(m_doc);
    ASSERT_TRUE(m_doc->RedoLast());
    EXPECT_EQ(differences(*m_doc, drawn), "");

    ASSERT_TRUE(m_doc->UndoLast());
    m_doc->Brighten(30, TAdjustMode::Preview);
    m_doc->Brighten(30, TAdjustMode::Commit);
    EXPECT_FALSE(m_doc->CanRedo());
    EXPECT_FALSE(m_doc->RedoLast());
}

// Large enough that no paint the test causes asks for as much: only the picture's copy does.
constexpr int LargeWidth = 60;
constexpr int LargeHeight = 40;
constexpr std::size_t LargeBytes = 3 * LargeWidth * LargeHeight;

TEST_F(RedoTest, AnEditThatFailsForMemoryKeepsTheRedoList)
{
    m_doc->Resize(LargeWidth, LargeHeight);
    stroke();
    const Snapshot drawn = snapshotOf(*m_doc);
    ASSERT_TRUE(m_doc->UndoLast());
    {
        // The picture's copy for the undo step is the large block that fails.
        test::TFailingAllocations failing(LargeBytes);
        EXPECT_THROW(m_doc->GreyScale(), std::bad_alloc);
        ASSERT_EQ(failing.Refused(), 1);
    }
    ASSERT_TRUE(m_doc->CanRedo());
    ASSERT_TRUE(m_doc->RedoLast());
    EXPECT_EQ(differences(*m_doc, drawn), "");
}

TEST_F(RedoTest, AnUndoWhoseRedoCannotBeKeptStillUndoesAndARedoWithoutRoomChangesNothing)
{
    m_doc->Resize(LargeWidth, LargeHeight);
    const Snapshot start = snapshotOf(*m_doc);
    stroke();
    const Snapshot one = snapshotOf(*m_doc);
    stroke();
    {
        test::TFailingAllocations failing(LargeBytes);
        ASSERT_TRUE(m_doc->UndoLast());
        ASSERT_EQ(failing.Refused(), 1);
    }
    EXPECT_EQ(differences(*m_doc, one), "");
    EXPECT_FALSE(m_doc->CanRedo());

    ASSERT_TRUE(m_doc->UndoLast());
    ASSERT_TRUE(m_doc->CanRedo());
    {
        test::TFailingAllocations failing(LargeBytes);
        EXPECT_THROW(m_doc->RedoLast(), std::bad_alloc);
        ASSERT_EQ(failing.Refused(), 1);
    }
    EXPECT_EQ(differences(*m_doc, start), "");
    EXPECT_EQ(m_doc->UndoStack().Count(), 1);
    ASSERT_TRUE(m_doc->RedoLast());
    EXPECT_EQ(differences(*m_doc, one), "");
}

} // namespace
} // namespace vellum
