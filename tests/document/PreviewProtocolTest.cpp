#include "document/VLPicChildWn.h"

#include <cstring>
#include <functional>
#include <utility>

#include <QMdiArea>

#include <gtest/gtest.h>

#include "document/VLToolVars.h"

namespace vellum {
namespace {

class FakeArea : public TDocumentArea {
public:
    [[nodiscard]] QSize AvailableDocumentArea() const override { return {800, 600}; }
};

bool samePixels(const TXBitmap& a, const TXBitmap& b)
{
    if (a.Width() != b.Width() || a.Height() != b.Height())
        return false;
    for (int y = 0; y < a.Height(); ++y)
        if (std::memcmp(a.ScanLine(y), b.ScanLine(y), 3 * static_cast<std::size_t>(a.Width())) != 0)
            return false;
    return true;
}

TEffectsBitmap brightened(const TXBitmap& picture, int amount)
{
    TEffectsBitmap result(picture.Width(), picture.Height());
    result.AssignOpaque(picture);
    result.Brighten(amount);
    return result;
}

class PreviewProtocolTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetToolSettings();
        TVLPicChildWin::ShowError = [this](QWidget*, const QString& message) { m_errors.push_back(message); };
        m_mdi.resize(900, 700);
        m_mdi.show();
        m_doc = new TVLNewPicChildWin(30, 20, clWhite, QStringLiteral("New Picture #1"), &m_area);
        m_mdi.addSubWindow(m_doc);
        m_doc->show();
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 30; ++x)
                StorePixel(m_doc->Picture().ScanLine(y) + 3 * x, RGBColor(7 * x + 5, 11 * y + 3, (x * y) % 200));
        m_original = m_doc->Picture();
        m_doc->BestFit();
        m_fittedSize = m_doc->size();
        m_doc->OnPictureChange = [this](TVLPicChildWin*, TChangeSet changes) { m_changes.push_back(changes); };
    }
    void TearDown() override
    {
        ResetToolSettings();
        TVLPicChildWin::ShowError = nullptr;
    }

    QMdiArea m_mdi;
    FakeArea m_area;
    TVLPicChildWin* m_doc = nullptr;
    TXBitmap m_original;
    QSize m_fittedSize;
    std::vector<TChangeSet> m_changes;
    std::vector<QString> m_errors;
};

TEST_F(PreviewProtocolTest, BrightnessSequencesApplyOnceAndUndoToTheOriginal)
{
    using M = TAdjustMode;
    struct Step { M mode; int amount; };
    struct Case {
        const char* name;
        std::vector<Step> steps;
        int expectedAmount; // the picture afterwards is the original brightened by this
        int undoSteps;
        bool modified;
    };
    const Case cases[] = {
        {"preview 20, 40, commit 40", {{M::Preview, 20}, {M::Preview, 40}, {M::Commit, 40}}, 40, 1, true},
        {"preview 20, commit 30", {{M::Preview, 20}, {M::Commit, 30}}, 30, 1, true},
        {"preview 20 twice, commit 20", {{M::Preview, 20}, {M::Preview, 20}, {M::Commit, 20}}, 20, 1, true},
        {"commit 10 without a preview", {{M::Commit, 10}}, 10, 1, true},
        {"commit 0", {{M::Commit, 0}}, 0, 1, false},
        {"preview 30, commit 0", {{M::Preview, 30}, {M::Commit, 0}}, 0, 1, false},
        {"preview only", {{M::Preview, 50}}, 50, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        for (const Step& s : c.steps)
            m_doc->Brighten(s.amount, s.mode);
        EXPECT_TRUE(samePixels(m_doc->Picture(), brightened(m_original, c.expectedAmount)));
        EXPECT_EQ(m_doc->UndoStack().Count(), c.undoSteps);
        EXPECT_EQ(m_doc->Modified(), c.modified);
        if (c.undoSteps == 0) {
            EXPECT_TRUE(m_doc->IsPreviewing());
            m_doc->CancelPreview();
        } else {
            EXPECT_FALSE(m_doc->IsPreviewing());
            ASSERT_TRUE(m_doc->UndoLast());
        }
        EXPECT_TRUE(samePixels(m_doc->Picture(), m_original));
        EXPECT_FALSE(m_doc->Modified());
        TearDown();
    }
}

TEST_F(PreviewProtocolTest, CancelGivesBackTheExactPictureUnmodified)
{
    const std::function<void(TVLPicChildWin&)> previews[] = {
        [](TVLPicChildWin& d) { d.Brighten(-60, TAdjustMode::Preview); },
        [](TVLPicChildWin& d) { d.GammaCorrect(2.5, TAdjustMode::Preview); },
        [](TVLPicChildWin& d) { d.Blur(3.0, TAdjustMode::Preview); },
        [](TVLPicChildWin& d) { d.AdjustRGB(10, -20, TAdjustMode::Preview, 30); },
    };
    for (const auto& preview : previews) {
        m_changes.clear();
        preview(*m_doc);
        EXPECT_TRUE(m_doc->IsPreviewing());
        EXPECT_FALSE(samePixels(m_doc->Picture(), m_original));
        m_doc->CancelPreview();
        EXPECT_FALSE(m_doc->IsPreviewing());
        EXPECT_TRUE(samePixels(m_doc->Picture(), m_original));
        EXPECT_FALSE(m_doc->Modified());
        EXPECT_EQ(m_doc->UndoStack().Count(), 0);
        EXPECT_EQ(m_changes, (std::vector<TChangeSet>{chgPicture, chgPicture}));
    }
    m_doc->CancelPreview(); // nothing to cancel: nothing happens
    EXPECT_EQ(m_changes.size(), 2u);
}

TEST_F(PreviewProtocolTest, EachEffectCommitsWhatTheEngineGives)
{
    struct Case {
        const char* name;
        std::function<void(TVLPicChildWin&, TAdjustMode)> run;
        std::function<void(TEffectsBitmap&)> engine;
    };
    const Case cases[] = {
        {"gamma", [](TVLPicChildWin& d, TAdjustMode m) { d.GammaCorrect(0.5, m); }, [](TEffectsBitmap& p) { p.GammaCorrect(0.5); }},
        {"blur", [](TVLPicChildWin& d, TAdjustMode m) { d.Blur(1.5, m); }, [](TEffectsBitmap& p) { p.Blur(1.5); }},
        {"rgb", [](TVLPicChildWin& d, TAdjustMode m) { d.AdjustRGB(-5, 40, m, 100); },
         [](TEffectsBitmap& p) { p.AdjustRGB(-5, 40, 100); }},
        {"rotate", [](TVLPicChildWin& d, TAdjustMode m) { d.Rotate(30, RGBColor(9, 8, 7), m); },
         [](TEffectsBitmap& p) { p.Rotate(30, RGBColor(9, 8, 7)); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TEffectsBitmap expected;
        expected.AssignOpaque(m_original);
        c.engine(expected);
        c.run(*m_doc, TAdjustMode::Preview);
        EXPECT_TRUE(samePixels(m_doc->Picture(), expected));
        c.run(*m_doc, TAdjustMode::Commit);
        EXPECT_TRUE(samePixels(m_doc->Picture(), expected));
        EXPECT_TRUE(m_doc->Modified());
        ASSERT_TRUE(m_doc->UndoLast());
        EXPECT_TRUE(samePixels(m_doc->Picture(), m_original));
    }
}

TEST_F(PreviewProtocolTest, RotatePreviewCancelledGetsTheOldSizeAndAFittedWindow)
{
    m_doc->Rotate(30, clWhite, TAdjustMode::Preview);
    EXPECT_NE(m_doc->Picture().Width(), 30);
    EXPECT_NE(m_doc->size(), m_fittedSize);
    m_changes.clear();
    m_doc->CancelPreview();
    EXPECT_TRUE(samePixels(m_doc->Picture(), m_original));
    EXPECT_EQ(m_doc->size(), m_fittedSize);
    EXPECT_EQ(m_changes, (std::vector<TChangeSet>{chgPicture | chgViewSize | chgPicSize}));
    EXPECT_FALSE(m_doc->Modified());
}

TEST_F(PreviewProtocolTest, EveryAngleIsReadAsOneTurnAtMost)
{
    struct Case { int angle; int same; };
    // A whole turn is no rotation: committing it records its step but changes nothing.
    for (const Case c : {Case{720, 0}, Case{360, 0}, Case{-90, 270}, Case{450, 90}, Case{-359, 1}, Case{719, 359}}) {
        SCOPED_TRACE(c.angle);
        SetUp();
        TEffectsBitmap expected;
        expected.AssignOpaque(m_original);
        expected.Rotate(c.same, clWhite);
        m_doc->Rotate(c.angle, clWhite, TAdjustMode::Commit);
        EXPECT_TRUE(samePixels(m_doc->Picture(), expected));
        EXPECT_EQ(m_doc->Modified(), c.same != 0);
        TearDown();
    }
}

// --- the floating selection ----------------------------------------------------------------------

TEST_F(PreviewProtocolTest, ASelectionIsAdjustedAloneAndPutBackByCancelAndUndo)
{
    m_doc->CreateRectSelection(QRect(4, 3, 10, 8), -1);
    ASSERT_NE(m_doc->Selection(), nullptr);
    const TXBitmap picture = m_doc->Picture();
    const TXBitmap image = m_doc->Selection()->Image;
    const QRect bounds = m_doc->Selection()->Bounds;
    const bool modified = m_doc->Modified();

    m_changes.clear();
    m_doc->Brighten(40, TAdjustMode::Preview);
    EXPECT_TRUE(samePixels(m_doc->Selection()->Image, brightened(image, 40)));
    EXPECT_TRUE(samePixels(m_doc->Picture(), picture));
    m_doc->CancelPreview();
    EXPECT_TRUE(samePixels(m_doc->Selection()->Image, image));
    EXPECT_EQ(m_changes, (std::vector<TChangeSet>{chgSelContent, chgSelContent}));
    EXPECT_EQ(m_doc->Modified(), modified);

    // Rotating a selection changes its size; cancelling brings size and place back.
    m_doc->Rotate(45, clWhite, TAdjustMode::Preview);
    EXPECT_NE(m_doc->Selection()->Bounds.size(), bounds.size());
    m_doc->CancelPreview();
    EXPECT_EQ(m_doc->Selection()->Bounds, bounds);
    EXPECT_TRUE(samePixels(m_doc->Selection()->Image, image));

    m_doc->Brighten(20, TAdjustMode::Preview);
    const int steps = m_doc->UndoStack().Count();
    m_doc->Brighten(25, TAdjustMode::Commit);
    EXPECT_TRUE(samePixels(m_doc->Selection()->Image, brightened(image, 25)));
    EXPECT_EQ(m_doc->UndoStack().Count(), steps + 1);
    ASSERT_TRUE(m_doc->UndoLast());
    ASSERT_NE(m_doc->Selection(), nullptr);
    EXPECT_TRUE(samePixels(m_doc->Selection()->Image, image));
    EXPECT_EQ(m_doc->Selection()->Bounds, bounds);
    EXPECT_TRUE(samePixels(m_doc->Picture(), picture));
    EXPECT_TRUE(m_errors.empty());
}

TEST_F(PreviewProtocolTest, AShapedSelectionKeepsItsTransparentPixelsOutOfTheEffect)
{
    // A pasted picture whose key-coloured corner stays transparent.
    const TColor key = RGBColor(0, 255, 0);
    TXBitmap pasted(6, 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x)
            StorePixel(pasted.ScanLine(y) + 3 * x, x + y < 3 ? key : RGBColor(40 * x, 30 * y, 90));
    m_doc->CreateBitmapSelection(&pasted, QPoint(2, 2), key);
    ASSERT_NE(m_doc->Selection(), nullptr);
    ASSERT_TRUE(m_doc->Selection()->HasMask());
    const TEffectsBitmap before = m_doc->Selection()->Image;
    m_doc->Brighten(50, TAdjustMode::Commit);
    const TPictureSelection& s = *m_doc->Selection();
    for (int y = 0; y < s.Image.Height(); ++y)
        for (int x = 0; x < s.Image.Width(); ++x) {
            if (s.Mask->GetItem(x, y))
                EXPECT_EQ(s.Image.PixelColour(x, y), s.TransparentColour) << x << "," << y;
            else
                EXPECT_EQ(s.Image.PixelColour(x, y), brightened(before, 50).PixelColour(x, y)) << x << "," << y;
        }
}

TEST_F(PreviewProtocolTest, APreviewWhoseCopyCannotBeMadeStartsNothing)
{
    m_doc->CreateRectSelection(QRect(2, 2, 6, 6), -1);
    ASSERT_NE(m_doc->Selection(), nullptr);
    const TXBitmap image = m_doc->Selection()->Image;
    const int steps = m_doc->UndoStack().Count();
    // A selection whose parent picture went empty cannot be copied.
    TEffectsBitmap empty;
    TEffectsBitmap* parent = m_doc->Selection()->Parent;
    m_doc->Selection()->Parent = &empty;
    EXPECT_THROW(m_doc->Brighten(30, TAdjustMode::Preview), std::exception);
    m_doc->Selection()->Parent = parent;
    EXPECT_FALSE(m_doc->IsPreviewing());
    EXPECT_TRUE(samePixels(m_doc->Selection()->Image, image));
    EXPECT_EQ(m_doc->UndoStack().Count(), steps);
}

TEST_F(PreviewProtocolTest, APreviewThatFailedIsNotTakenForTheEffectAtCommit)
{
    for (const bool failsAgain : {false, true}) {
        SetUp();
        // The effect fails as when memory runs out: at its start, before any pixel changes.
        bool fail = true;
        m_doc->Picture().OnProgressBegin = [&fail, failsAgain](TEffectsBitmap*, int) {
            if (std::exchange(fail, failsAgain))
                throw std::bad_alloc();
        };
        EXPECT_THROW(m_doc->Brighten(30, TAdjustMode::Preview), std::exception) << failsAgain;
        if (failsAgain) {
            EXPECT_THROW(m_doc->Brighten(30, TAdjustMode::Commit), std::exception);
            EXPECT_TRUE(samePixels(m_doc->Picture(), m_original));
        } else {
            m_doc->Brighten(30, TAdjustMode::Commit);
            EXPECT_TRUE(samePixels(m_doc->Picture(), brightened(m_original, 30)));
            ASSERT_TRUE(m_doc->UndoLast());
            EXPECT_TRUE(samePixels(m_doc->Picture(), m_original));
        }
        EXPECT_FALSE(m_doc->IsPreviewing()) << failsAgain;
        TearDown();
        delete m_doc;
    }
}

TEST_F(PreviewProtocolTest, AnEffectThatFailsLeavesWhatCancelAndUndoPutBack)
{
    // Turned by 45 degrees a 32000 x 1 picture would need far more pixels than a picture may have.
    auto* thin = new TVLNewPicChildWin(32000, 1, clWhite, QStringLiteral("thin"), &m_area);
    m_mdi.addSubWindow(thin);
    for (int x = 0; x < 32000; ++x)
        StorePixel(thin->Picture().ScanLine(0) + 3 * x, RGBColor(x % 256, (x / 256) % 256, 9));
    const TXBitmap original = thin->Picture();
    std::vector<TChangeSet> changes;
    thin->OnPictureChange = [&changes](TVLPicChildWin*, TChangeSet set) { changes.push_back(set); };

    EXPECT_THROW(thin->Rotate(45, clWhite, TAdjustMode::Preview), std::exception);
    EXPECT_TRUE(thin->IsPreviewing());
    EXPECT_EQ(changes, (std::vector<TChangeSet>{chgPicture | chgViewSize | chgPicSize}));
    thin->CancelPreview();
    EXPECT_TRUE(samePixels(thin->Picture(), original));
    EXPECT_FALSE(thin->Modified());

    EXPECT_THROW(thin->Rotate(45, clWhite, TAdjustMode::Commit), std::exception);
    ASSERT_EQ(thin->UndoStack().Count(), 1);
    ASSERT_TRUE(thin->UndoLast());
    EXPECT_TRUE(samePixels(thin->Picture(), original));
    EXPECT_FALSE(thin->Modified());
}

} // namespace
} // namespace vellum
