#include "document/PaintTools.h"

#include <QMdiArea>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include "document/TextPicture.h"
#include "document/VLPicChildWn.h"
#include "document/VLToolVars.h"
#include "raster/Canvas.h"
#include "raster/Random.h"

namespace vellum {
namespace {

const TColor Fore = RGBColor(200, 30, 40);
const TColor Back = RGBColor(20, 150, 220);

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

// The main window's part, recorded.
class RecordingArea : public TDocumentArea {
public:
    [[nodiscard]] QSize AvailableDocumentArea() const override { return {600, 500}; }
    void SetForegroundColour(TColor colour, bool moveMarker) override
    {
        ToolSettings().SetForeColour(colour);
        markerMoved = moveMarker;
    }
    void SetBackgroundColour(TColor colour, bool moveMarker) override
    {
        ToolSettings().SetBackColour(colour);
        markerMoved = moveMarker;
    }
    void ShowColourReadout(TColor colour) override
    {
        readout = colour;
        readoutShown = true;
    }
    void HideColourReadout() override { readoutShown = false; }
    void PlaceText() override { ++textPlacings; }
    void ChooseTool(TTool tool) override { ToolSettings().Tool = tool; }

    bool markerMoved = false;
    TColor readout = -1;
    bool readoutShown = false;
    int textPlacings = 0;
};

// Paint rectangles the view's surface receives.
class PaintRecorder : public QObject {
public:
    std::vector<QRect> rects;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            rects.push_back(static_cast<QPaintEvent*>(event)->rect());
        return QObject::eventFilter(watched, event);
    }
};

class PaintToolsTest : public ::testing::Test {
public:
    void SetUp() override
    {
        ResetToolSettings();
        BuildToolShapes(ToolSettings());
        ToolSettings().SetForeColour(Fore);
        ToolSettings().SetBackColour(Back);
        TVLPicChildWin::ShowError = [this](QWidget*, const QString& message) { m_errors.push_back(message); };
        m_mdi.resize(700, 600);
        m_mdi.show();
        m_doc = new TVLNewPicChildWin(40, 30, clWhite, QStringLiteral("New Picture #1"), &m_area);
        m_mdi.addSubWindow(m_doc);
        m_doc->resize(650, 550);
        m_doc->show();
        m_mdi.setActiveSubWindow(m_doc);
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x)
                StorePixel(m_doc->Picture().ScanLine(y) + 3 * x, RGBColor(6 * x, 8 * y, x < 20 ? 90 : 250));
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
    [[nodiscard]] QPoint at(QPoint picture) const { return m_doc->PictureScrollBox().PictureToView(picture); }

    void send(QEvent::Type type, QPoint picture, Qt::MouseButton button, Qt::MouseButtons held) const
    {
        const QPoint view = at(picture);
        QMouseEvent event(type, QPointF(view), surface()->mapToGlobal(QPointF(view)), button, held, Qt::NoModifier);
        QCoreApplication::sendEvent(surface(), &event);
    }
    void press(QPoint p, Qt::MouseButton button = Qt::LeftButton) const { send(QEvent::MouseButtonPress, p, button, button); }
    void move(QPoint p, Qt::MouseButton held = Qt::LeftButton) const { send(QEvent::MouseMove, p, Qt::NoButton, held); }
    void release(QPoint p, Qt::MouseButton button = Qt::LeftButton) const
    {
        send(QEvent::MouseButtonRelease, p, button, Qt::NoButton);
    }
    void stroke(const std::vector<QPoint>& points, Qt::MouseButton button = Qt::LeftButton) const
    {
        press(points.front(), button);
        for (std::size_t i = 1; i < points.size(); ++i)
            move(points[i], button);
        release(points.back(), button);
    }

    RecordingArea m_area;
    QMdiArea m_mdi;
    TVLPicChildWin* m_doc = nullptr;
    TEffectsBitmap m_original;
    std::vector<TChangeSet> m_changes;
    std::vector<QString> m_errors;
};

struct ButtonCase {
    int zoom;
    Qt::MouseButton button;
    TColor colour;
    TColor other;
};
const ButtonCase ButtonCases[] = {
    {1, Qt::LeftButton, Fore, Back},
    {3, Qt::LeftButton, Fore, Back},
    {1, Qt::RightButton, Back, Fore},
    {3, Qt::MiddleButton, Back, Fore},
};

TEST_F(PaintToolsTest, PenStrokesAreTheStampAndOneSegmentPerMoveAndUndoInOneStep)
{
    const std::vector<QPoint> points{{5, 5}, {12, 9}, {30, 4}, {45, 20}};
    for (const ButtonCase& c : ButtonCases) {
        SCOPED_TRACE(c.zoom * 100 + int(c.button));
        m_doc->SetZoom(c.zoom);
        ToolSettings().Tool = TTool::Pen;
        ToolSettings().PenWidth = 5;
        BuildToolShapes(ToolSettings());
        stroke(points, c.button);

        TEffectsBitmap expected = m_original;
        expected.SetPenShape(&ToolSettings().PenShape);
        expected.Canvas().Pen.Width = 5;
        expected.SetPenColour(c.colour);
        expected.PenStroke(5, 5, 5, 5);
        for (std::size_t i = 1; i < points.size(); ++i)
            expected.PenStroke(points[i - 1].x(), points[i - 1].y(), points[i].x(), points[i].y());
        EXPECT_TRUE(samePixels(m_doc->Picture(), expected));
        EXPECT_TRUE(m_doc->Modified());
        EXPECT_FALSE(m_doc->Dragging());

        ASSERT_TRUE(m_doc->UndoLast());
        EXPECT_TRUE(samePixels(m_doc->Picture(), m_original));
        EXPECT_FALSE(m_doc->Modified());
        EXPECT_FALSE(m_doc->CanUndo());
    }
}

TEST_F(PaintToolsTest, FillFillsWithTheButtonsColourAndAlwaysRecordsUndo)
{
    struct Case {
        int zoom;
        Qt::MouseButton button;
        TColor colour;
        int tolerance;
        QPoint point;
    } const cases[] = {
        {1, Qt::LeftButton, Fore, 40, {3, 3}},
        {3, Qt::RightButton, Back, 200, {30, 20}},
        {1, Qt::LeftButton, RGBColor(0, 0, 90), 0, {0, 0}}, // already that colour: nothing changes
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tolerance);
        m_doc->SetZoom(c.zoom);
        ToolSettings().Tool = TTool::Fill;
        ToolSettings().FillTolerance = c.tolerance;
        ToolSettings().SetForeColour(c.colour == Back ? Fore : c.colour);
        press(c.point, c.button);
        EXPECT_FALSE(m_doc->Dragging());
        release(c.point, c.button);
        TEffectsBitmap expected = m_original;
        expected.FloodFill(c.point.x(), c.point.y(), c.tolerance, c.colour);
        EXPECT_TRUE(samePixels(m_doc->Picture(), expected));
        EXPECT_TRUE(m_doc->CanUndo());
        m_doc->UndoLast();
        EXPECT_TRUE(samePixels(m_doc->Picture(), m_original));
    }
}

TEST_F(PaintToolsTest, SpecialPenSmudgesOrReplacesAndADoubleClickReplacesEverywhere)
{
    const std::vector<QPoint> points{{8, 8}, {25, 12}, {26, 25}};
    for (const ButtonCase& c : ButtonCases) {
        for (const bool smudge : {true, false}) {
            SCOPED_TRACE(c.zoom * 1000 + int(c.button) * 10 + int(smudge));
            m_doc->SetZoom(c.zoom);
            ToolSettings().Tool = TTool::SpecialPen;
            TSpecialPenSettings& sp = ToolSettings().SpecialPen;
            sp.Smudge = smudge;
            sp.Width = 7;
            sp.Opacity = 70;
            sp.Tolerance = 120;
            BuildToolShapes(ToolSettings());
            stroke(points, c.button);

            TEffectsBitmap expected = m_original;
            expected.SetPenShape(&sp.Shape);
            expected.Canvas().Pen.Width = 7;
            expected.SetPenColour(c.colour);
            expected.SetSecondColour(c.other);
            auto step = [&](QPoint a, QPoint b) {
                if (smudge)
                    expected.SmudgeStroke(a.x(), a.y(), b.x(), b.y(), 70);
                else
                    expected.ReplaceStroke(a.x(), a.y(), b.x(), b.y(), 120);
            };
            step(points[0], points[0]);
            for (std::size_t i = 1; i < points.size(); ++i)
                step(points[i - 1], points[i]);
            EXPECT_TRUE(samePixels(m_doc->Picture(), expected));
            m_doc->UndoLast();
            ASSERT_TRUE(samePixels(m_doc->Picture(), m_original));
        }
    }

    // The second press of a double click replaces over the whole picture, once per press.
    ToolSettings().SpecialPen.Smudge = false;
    press({4, 4}, Qt::RightButton);
    release({4, 4}, Qt::RightButton);
    const TEffectsBitmap afterFirst = m_doc->Picture();
    send(QEvent::MouseButtonDblClick, {4, 4}, Qt::RightButton, Qt::RightButton);
    EXPECT_FALSE(m_doc->Dragging());
    TEffectsBitmap expected = afterFirst;
    expected.ReplaceColour(Back, Fore, 120);
    EXPECT_TRUE(samePixels(m_doc->Picture(), expected));
    m_doc->UndoLast();
    EXPECT_TRUE(samePixels(m_doc->Picture(), afterFirst));
}

TEST_F(PaintToolsTest, SprayCanStampsOncePerTickAtThePointerUntilTheRelease)
{
    for (const ButtonCase& c : ButtonCases) {
        SCOPED_TRACE(c.zoom * 100 + int(c.button));
        m_doc->SetZoom(c.zoom);
        ToolSettings().Tool = TTool::SprayCan;
        ToolSettings().SprayCan.Width = 9;
        ToolSettings().SprayCan.Opacity = 80;
        ToolSettings().SprayCan.Diffusion = 30;
        BuildToolShapes(ToolSettings());
        SeedProgramRandom(11);
        press({10, 10}, c.button);
        ASSERT_NE(m_doc->SprayCan(), nullptr);
        EXPECT_EQ(m_doc->SprayCan()->Timer().timerType(), Qt::PreciseTimer);
        EXPECT_EQ(m_doc->SprayCan()->Interval(), 10);
        EXPECT_TRUE(samePixels(m_doc->Picture(), m_original)); // nothing at the press itself
        m_doc->SprayCan()->Tick();
        move({20, 15}, c.button);
        m_doc->SprayCan()->Tick();
        m_doc->SprayCan()->Tick();
        move({42, 31}, c.button); // off the picture: stamps are clipped
        m_doc->SprayCan()->Tick();
        release({42, 31}, c.button);
        EXPECT_EQ(m_doc->SprayCan(), nullptr);

        SeedProgramRandom(11);
        TEffectsBitmap expected = m_original;
        expected.Canvas().Pen.Width = 9;
        expected.SetPenShape(&ToolSettings().SprayCan.Shape);
        expected.SetPenColour(c.colour);
        for (const QPoint p : {QPoint(10, 10), QPoint(20, 15), QPoint(20, 15), QPoint(42, 31)})
            expected.SprayStroke(p.x(), p.y(), p.x(), p.y(), 80, 30);
        EXPECT_TRUE(samePixels(m_doc->Picture(), expected));
        m_doc->UndoLast();
    }

    // Pressed and released before the first tick: nothing.
    press({10, 10});
    release({10, 10});
    EXPECT_TRUE(samePixels(m_doc->Picture(), m_original));
}

struct ShapeCase {
    TShapeKind kind;
    bool filled;
    QPoint from;
    QPoint to;
    QPoint corner; // after the square constraint
};
const ShapeCase ShapeCases[] = {
    {TShapeKind::Line, false, {3, 4}, {30, 20}, {30, 20}},
    {TShapeKind::Rectangle, true, {30, 25}, {5, 8}, {5, 8}},
    {TShapeKind::Square, false, {10, 10}, {30, 15}, {15, 15}},
    {TShapeKind::Circle, false, {10, 10}, {30, 15}, {15, 15}},
    {TShapeKind::Ellipse, true, {20, 5}, {2, 28}, {2, 28}},
};

TEST_F(PaintToolsTest, ShapesShowTheOutlineWhileDraggingAndDrawTheFigureAtTheRelease)
{
    for (const int zoom : {1, 3}) {
        for (const ShapeCase& c : ShapeCases) {
            SCOPED_TRACE(zoom * 10 + int(c.kind));
            m_doc->SetZoom(zoom);
            ToolSettings().Tool = TTool::Shapes;
            ToolSettings().ShapeKind = c.kind;
            ToolSettings().ShapeFilled = c.filled;
            ToolSettings().ShapeWidth = 3;
            const TShapesTool::TFigure figure{c.kind, c.from, c.corner, 3};

            press(c.from);
            move({c.from.x() + 4, c.from.y() + 1});
            move(c.to);
            TEffectsBitmap outlined = m_original;
            BeginRubberBand(outlined.Canvas(), TPenStyle::psSolid, 3);
            TShapesTool::Draw(outlined.Canvas(), figure);
            EXPECT_TRUE(samePixels(m_doc->Picture(), outlined));

            release(c.to);
            TEffectsBitmap expected = outlined;
            TCanvas& canvas = expected.Canvas();
            EndRubberBand(canvas);
            canvas.Pen.Color = Fore;
            canvas.Brush.Color = Fore;
            canvas.Brush.Style = c.filled && c.kind != TShapeKind::Line ? TBrushStyle::bsSolid : TBrushStyle::bsClear;
            TShapesTool::Draw(canvas, figure);
            EXPECT_TRUE(samePixels(m_doc->Picture(), expected));
            m_doc->UndoLast();

            // Another button's press takes the outline away; the undo record stays.
            press(c.from);
            move(c.to);
            press(c.to, Qt::RightButton);
            EXPECT_FALSE(m_doc->Dragging());
            release(c.to, Qt::RightButton);
            release(c.to);
            EXPECT_TRUE(samePixels(m_doc->Picture(), m_original));
            EXPECT_TRUE(m_doc->CanUndo());
            m_doc->UndoLast();
        }
    }
}

TEST_F(PaintToolsTest, CircleConstraintKeepsEqualSides)
{
    EXPECT_EQ(TShapesTool::Constrained(TShapeKind::Circle, {10, 10}, {30, 15}), QPoint(15, 15));
    EXPECT_EQ(TShapesTool::Constrained(TShapeKind::Square, {10, 10}, {4, 30}), QPoint(4, 16));
    EXPECT_EQ(TShapesTool::Constrained(TShapeKind::Ellipse, {10, 10}, {30, 15}), QPoint(30, 15));
}

TEST_F(PaintToolsTest, DropperPicksWhatTheUserSeesAndShowsItInTheReadout)
{
    ToolSettings().Tool = TTool::Dropper;
    move({3, 4}, Qt::NoButton);
    EXPECT_TRUE(m_area.readoutShown);
    EXPECT_EQ(m_area.readout, m_original.PixelColour(3, 4));
    press({3, 4}, Qt::RightButton);
    release({3, 4}, Qt::RightButton);
    EXPECT_EQ(ToolSettings().BackColour(), m_original.PixelColour(3, 4));
    EXPECT_TRUE(m_area.markerMoved);
    EXPECT_FALSE(m_doc->CanUndo());
    press({30, 2});
    EXPECT_FALSE(m_doc->Dragging());
    release({30, 2});
    EXPECT_EQ(ToolSettings().ForeColour(), m_original.PixelColour(30, 2));

    // A floating selection's pixel is what shows where it covers the point.
    TXBitmap red(4, 4);
    red.Canvas().Brush.Color = RGBColor(255, 0, 0);
    red.Canvas().FillRect(QRect(0, 0, 4, 4));
    m_doc->CreateBitmapSelection(&red, {20, 20}, -1);
    ASSERT_NE(m_doc->Selection(), nullptr);
    move({21, 21}, Qt::NoButton);
    EXPECT_EQ(m_area.readout, RGBColor(255, 0, 0));
    press({21, 21});
    release({21, 21});
    EXPECT_EQ(ToolSettings().ForeColour(), RGBColor(255, 0, 0));
    EXPECT_EQ(m_doc->Selection(), nullptr); // committed first

    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(surface(), &leave);
    EXPECT_FALSE(m_area.readoutShown);
}

TEST_F(PaintToolsTest, TextPressAsksTheMainWindowAndRecordsNothing)
{
    ToolSettings().Tool = TTool::Text;
    press({5, 5});
    release({5, 5});
    EXPECT_EQ(m_area.textPlacings, 1);
    EXPECT_FALSE(m_doc->Dragging());
    EXPECT_FALSE(m_doc->CanUndo());
}

TEST_F(PaintToolsTest, PressesOutsideThePictureOrDuringADragStartNothing)
{
    ToolSettings().Tool = TTool::Pen;
    press({41, 5});
    EXPECT_FALSE(m_doc->Dragging());
    EXPECT_FALSE(m_doc->CanUndo());
    release({41, 5});

    // A middle press is a right drag: only a release of a button other than the left ends it.
    press({5, 5}, Qt::MiddleButton);
    press({6, 6}, Qt::LeftButton); // ignored, no second record
    release({6, 6}, Qt::LeftButton);
    EXPECT_TRUE(m_doc->Dragging());
    release({6, 6}, Qt::MiddleButton);
    EXPECT_FALSE(m_doc->Dragging());
    EXPECT_EQ(m_doc->UndoStack().Count(), 1);
    EXPECT_EQ(m_doc->Picture().PixelColour(5, 5), Back);
}

TEST_F(PaintToolsTest, ThePressThatActivatesAWindowPaintsNothing)
{
    auto* other = new TVLNewPicChildWin(10, 10, clWhite, QStringLiteral("Other"), &m_area);
    m_mdi.addSubWindow(other);
    other->show();
    m_mdi.setActiveSubWindow(other);
    QCoreApplication::processEvents();
    ToolSettings().Tool = TTool::Pen;
    // The activation and the press in one go, as a click on the inactive window brings them.
    m_mdi.setActiveSubWindow(m_doc);
    press({5, 5});
    release({5, 5});
    EXPECT_TRUE(samePixels(m_doc->Picture(), m_original));
    QCoreApplication::processEvents();
    press({5, 5});
    release({5, 5});
    EXPECT_FALSE(samePixels(m_doc->Picture(), m_original));
}

TEST_F(PaintToolsTest, ASegmentRepaintsItsRectangleGrownByHalfTheWidthPlusOne)
{
    PaintRecorder recorder;
    surface()->installEventFilter(&recorder);
    for (const int zoom : {1, 8}) {
        SCOPED_TRACE(zoom);
        m_doc->SetZoom(zoom);
        m_doc->PictureScrollBox().CentreOn(10, 10);
        QCoreApplication::processEvents();
        ToolSettings().Tool = TTool::Pen;
        ToolSettings().PenWidth = 5;
        BuildToolShapes(ToolSettings());
        press({10, 10});
        QCoreApplication::processEvents();
        recorder.rects.clear();
        move({14, 12});
        QCoreApplication::processEvents();
        release({14, 12});
        const QRect picture = QRect(QPoint(10, 10), QPoint(14, 12)).adjusted(-3, -3, 3, 3)
                              & m_doc->PictureScrollBox().VisibleRect();
        ASSERT_FALSE(recorder.rects.empty());
        for (const QRect& r : recorder.rects) {
            EXPECT_EQ(r, m_doc->PictureScrollBox().PictureToView(picture));
            EXPECT_NE(r, surface()->rect());
        }
        m_doc->UndoLast();
    }
    surface()->removeEventFilter(&recorder);
}

// --- mended faults ---

TEST_F(PaintToolsTest, AShapeWhoseMovesOnlyScrolledStillModifiesTheDocument)
{
    m_doc->SetZoom(15);
    m_doc->resize(200, 150);
    QCoreApplication::processEvents();
    ToolSettings().Tool = TTool::Shapes;
    ToolSettings().ShapeKind = TShapeKind::Rectangle;
    const QSize view = surface()->size();
    press({2, 2});
    // Past the right edge of the view: the view scrolls instead of repainting.
    const int beyond = view.width() / 15 + 2;
    move({beyond, 3});
    EXPECT_GT(m_doc->PictureScrollBox().HorzPosition(), 0);
    for (const TChangeSet changes : m_changes)
        EXPECT_EQ(changes & chgPicture, 0);
    release({beyond, 3});
    EXPECT_TRUE(m_doc->Modified());
    ASSERT_FALSE(m_changes.empty());
    EXPECT_EQ(m_changes.back(), chgPicture);
}

TEST_F(PaintToolsTest, CommandsDuringADragCancelItFirst)
{
    QTemporaryDir dir;
    ToolSettings().Tool = TTool::Shapes;
    ToolSettings().ShapeKind = TShapeKind::Ellipse;
    ToolSettings().ShapeWidth = 2;
    auto outlineDrag = [&] {
        press({4, 4});
        move({30, 20});
        ASSERT_FALSE(samePixels(m_doc->Picture(), m_original));
    };

    // Undo: the picture comes back without the outline, and the next move draws none.
    outlineDrag();
    m_doc->UndoLast();
    EXPECT_FALSE(m_doc->Dragging());
    move({25, 25});
    release({25, 25});
    EXPECT_TRUE(samePixels(m_doc->Picture(), m_original));

    // Save: the file holds no outline.
    outlineDrag();
    const QString file = dir.filePath(QStringLiteral("saved.bmp"));
    ASSERT_TRUE(m_doc->SaveToFile(file));
    EXPECT_TRUE(samePixels(m_doc->Picture(), m_original));
    TXBitmap saved;
    saved.LoadPicture(file);
    EXPECT_TRUE(samePixels(saved, m_original));
    m_doc->UndoLast();

    // An edit command.
    outlineDrag();
    m_doc->Negative();
    TEffectsBitmap negative = m_original;
    negative.Negative();
    EXPECT_TRUE(samePixels(m_doc->Picture(), negative));
    m_doc->UndoLast();
    m_doc->UndoLast();

    // Undoing a spray stops it.
    ToolSettings().Tool = TTool::SprayCan;
    press({10, 10});
    ASSERT_NE(m_doc->SprayCan(), nullptr);
    m_doc->UndoLast();
    EXPECT_EQ(m_doc->SprayCan(), nullptr);
    EXPECT_TRUE(samePixels(m_doc->Picture(), m_original));

    // The window losing the mouse.
    ToolSettings().Tool = TTool::Shapes;
    outlineDrag();
    QEvent ungrab(QEvent::UngrabMouse);
    QCoreApplication::sendEvent(surface(), &ungrab);
    EXPECT_FALSE(m_doc->Dragging());
    EXPECT_TRUE(samePixels(m_doc->Picture(), m_original));
}

TEST_F(PaintToolsTest, AFailingStepCancelsTheDragAndShowsItsMessageOnce)
{
    m_doc->OnPictureChange = [](TVLPicChildWin*, TChangeSet changes) {
        if (changes & chgPicture)
            throw EVellumError(QStringLiteral("Out of paint"));
    };
    struct Case {
        TTool tool;
        bool tick;
    } const cases[] = {{TTool::Pen, false}, {TTool::SprayCan, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.tool));
        m_errors.clear();
        ToolSettings().Tool = c.tool;
        const int before = m_doc->UndoStack().Count();
        press({10, 10});
        if (c.tick) {
            ASSERT_NE(m_doc->SprayCan(), nullptr);
            m_doc->SprayCan()->Tick();
            EXPECT_EQ(m_doc->SprayCan(), nullptr);
            QTest::qWait(40); // no further tick reports anything
        }
        EXPECT_FALSE(m_doc->Dragging());
        move({20, 20});
        release({20, 20});
        EXPECT_EQ(m_errors, std::vector<QString>{QStringLiteral("Out of paint")});
        EXPECT_EQ(m_doc->UndoStack().Count(), before + 1);
    }
}

// --- the text picture ---

TEST(TextPicture, IsTheTextInTwoColoursOnTheBackground)
{
    struct Case {
        TColor colour;
        TColor background;
    } const cases[] = {{clWhite, clBlack}, {RGBColor(255, 0, 0), clWhite}, {RGBColor(254, 255, 255), clWhite}};
    for (const Case& c : cases) {
        TFont font;
        font.Size = 14;
        font.Color = c.colour;
        const QString text = QStringLiteral("Hi &there\nsecond line is longer");
        const TTextPicture result = RenderTextPicture(text, font);
        EXPECT_EQ(result.Background, c.background);
        TXBitmap probe;
        TCanvas measure(probe);
        measure.Font = font;
        const QSize extent = measure.TextExtent(text);
        ASSERT_EQ(QSize(result.Picture.Width(), result.Picture.Height()), extent);
        EXPECT_GT(extent.height(), measure.TextExtent(QStringLiteral("Hi")).height()); // two lines
        int letters = 0;
        for (int y = 0; y < extent.height(); ++y)
            for (int x = 0; x < extent.width(); ++x) {
                const TColor pixel = result.Picture.PixelColour(x, y);
                ASSERT_TRUE(pixel == c.colour || pixel == c.background);
                letters += pixel == c.colour ? 1 : 0;
            }
        EXPECT_GT(letters, 20);
    }
}

TEST(TextPicture, ATextBeyondThePictureLimitsIsRefused)
{
    TFont font;
    font.Size = 20;
    try {
        (void)RenderTextPicture(QString(5000, QLatin1Char('W')), font);
        FAIL() << "no error";
    } catch (const EVellumError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("32768"))) << e.message().toStdString();
    }
}

} // namespace
} // namespace vellum
