#include "app/VLMain.h"

#include <QAction>
#include <QColorDialog>
#include <QComboBox>
#include <QEnterEvent>
#include <QFrame>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

#include "app/AddTextDlg.h"
#include "app/ColourPanel.h"
#include "app/ToolOptionPages.h"
#include "app/VLGlobal.h"
#include "app/XMLRegFile.h"
#include "controls/CollapsingPanel.h"
#include "controls/ColourSpectrum.h"
#include "controls/RecentColorsGrd.h"
#include "controls/WholeNumberBox.h"
#include "document/ToolCursors.h"
#include "document/VLPicChildWn.h"

namespace vellum {
namespace {

using P = TToolOptionPages;

class MainToolsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_global = std::make_unique<TVLGlobal>(m_dir.path());
        ResetToolSettings();
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
    }

    template <typename T>
    T* child(const char* name) const
    {
        T* found = m_main->findChild<T*>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    void type(const char* box, const QString& text) const
    {
        auto* b = child<TWholeNumberBox>(box);
        b->Editor()->selectAll();
        if (text.isEmpty())
            QTest::keyClick(b->Editor(), Qt::Key_Delete);
        else
            QTest::keyClicks(b->Editor(), text);
    }
    void choose(TTool tool) const { m_main->ToolAction(tool)->trigger(); }
    [[nodiscard]] std::vector<TColor> recents() const
    {
        std::vector<TColor> out;
        for (int i = 0; i < 4; ++i)
            out.push_back(m_main->ColourPanel()->RecentColorsGrid()->Colours(i));
        return out;
    }
    static QImage cursorImage(const QCursor& cursor) { return cursor.pixmap().toImage(); }

    QTemporaryDir m_dir;
    std::unique_ptr<TVLGlobal> m_global;
    std::unique_ptr<TVellumMain> m_main;
};

TEST_F(MainToolsTest, ToolCommandsCarryTheirCaptionsHintsAndButtons)
{
    struct Case { TTool tool; const char* name; const char* caption; const char* tip; };
    const Case cases[] = {
        {TTool::Pen, "ActPen", "Pen", "Pen"},
        {TTool::Text, "ActAddText", "Text", "Text"},
        {TTool::SelectRect, "ActSelectRect", "Select Rect", "Rectangle Select"},
        {TTool::MagicWand, "ActMagicWand", "Magic Wand", "MagicWand Select"},
    };
    for (const Case& k : cases) {
        QAction* a = m_main->ToolAction(k.tool);
        EXPECT_EQ(a->objectName(), QLatin1String(k.name));
        EXPECT_EQ(a->text(), QLatin1String(k.caption));
        EXPECT_EQ(a->toolTip(), QLatin1String(k.tip));
        for (QObject* holder : a->associatedObjects())
            EXPECT_EQ(qobject_cast<QMenu*>(holder), nullptr) << k.name; // tool bar only, no menu
    }
    EXPECT_EQ(m_main->ToolAction(TTool::Drag)->statusTip(),
              QStringLiteral("Scroll Picture by dragging the cursor on the canvas"));
    auto* toggle = child<QAction>("ActToolsToolbar");
    EXPECT_EQ(toggle->text(), QStringLiteral("Tools Toolbar"));
}

TEST_F(MainToolsTest, ChoosingEachToolTicksItSetsItsCursorAndShowsItsPage)
{
    m_main->NewPicture(8, 8, clWhite);
    auto* tools = child<QToolBar>("ToolsToolbar");
    struct Case { TTool tool; int cursor; P::TPage page; bool selection; };
    const Case cases[] = {
        {TTool::Fill, 11, P::pgFill, false},
        {TTool::SpecialPen, 10, P::pgSpecialPen, false},
        {TTool::SprayCan, 25, P::pgSprayCan, false},
        {TTool::Shapes, 17, P::pgShapes, false},
        {TTool::Dropper, 12, P::pgShapes, false}, // the page shown before stays
        {TTool::Text, 23, P::pgNone, false},
        {TTool::Drag, 26, P::pgZoom, false},
        {TTool::Dropper, 12, P::pgZoom, false},
        {TTool::Zoom, 18, P::pgZoom, false},
        {TTool::SelectRect, 19, P::pgSelection, true},
        {TTool::SelectFreehand, 20, P::pgSelection, true},
        {TTool::MagicWand, 21, P::pgMagicWand, true},
        {TTool::Pen, 10, P::pgPen, false},
    };
    for (const Case& k : cases) {
        auto* button = qobject_cast<QToolButton*>(tools->widgetForAction(m_main->ToolAction(k.tool)));
        ASSERT_NE(button, nullptr);
        // The Text tool asks for a text at once: cancelled here.
        if (k.tool == TTool::Text)
            QTimer::singleShot(0, m_main.get(), [this] { m_main->AddTextDialog()->reject(); });
        button->click();
        const auto name = m_main->ToolAction(k.tool)->objectName().toStdString();
        EXPECT_EQ(ToolSettings().Tool, k.tool) << name;
        EXPECT_EQ(ToolSettings().ToolCursor, k.cursor) << name;
        EXPECT_EQ(m_main->OptionPages()->CurrentPage(), k.page) << name;
        EXPECT_EQ(m_main->IsSelectionTool(), k.selection) << name;
        int down = 0;
        for (int t = 0; t < 12; ++t)
            down += m_main->ToolAction(static_cast<TTool>(t))->isChecked() ? 1 : 0;
        EXPECT_EQ(down, 1) << name;
        EXPECT_TRUE(button->isChecked()) << name;
        EXPECT_EQ(cursorImage(m_main->ActivePicture()->PictureScrollBox().viewport()->cursor()),
                  cursorImage(ToolCursor(k.cursor)))
            << name;
    }
}

TEST_F(MainToolsTest, ShapesListsSetTheShapesCursorOnlyWhileShapesIsTheTool)
{
    choose(TTool::Shapes);
    auto* shape = child<QComboBox>("ShapeShapeCombo");
    auto* style = child<QComboBox>("ShapeStyleCombo");
    struct Case { int shape; int style; int cursor; };
    for (const Case& k : {Case{3, 1, 13}, {3, 0, 14}, {1, 1, 15}, {2, 0, 16}, {4, 1, 13}, {0, 1, 17}}) {
        shape->setCurrentIndex(k.shape);
        style->setCurrentIndex(k.style);
        EXPECT_EQ(ToolSettings().ToolCursor, k.cursor) << k.shape << " " << k.style;
    }
    choose(TTool::Dropper);
    EXPECT_EQ(m_main->OptionPages()->CurrentPage(), P::pgShapes);
    shape->setCurrentIndex(3);
    style->setCurrentIndex(0);
    EXPECT_EQ(ToolSettings().ToolCursor, crDropper);
    EXPECT_EQ(ToolSettings().ShapeKind, TShapeKind::Circle); // the setting still follows
    EXPECT_FALSE(ToolSettings().ShapeFilled);
    choose(TTool::Shapes);
    EXPECT_EQ(ToolSettings().ToolCursor, 14);
}

TEST_F(MainToolsTest, StartValues)
{
    const TToolSettings& s = ToolSettings();
    EXPECT_EQ(s.Tool, TTool::Pen);
    EXPECT_EQ(s.ToolCursor, 10);
    EXPECT_TRUE(m_main->ToolAction(TTool::Pen)->isChecked());
    EXPECT_EQ(s.ForeColour(), clBlack);
    EXPECT_EQ(s.BackColour(), clWhite);
    EXPECT_EQ(m_main->ColourPanel()->FGColourShow()->Colour(), clBlack);
    EXPECT_EQ(m_main->ColourPanel()->BGColourShow()->Colour(), clWhite);
    EXPECT_EQ(s.PenWidth, 1);
    EXPECT_EQ(s.PenShape.Width(), 1);
    EXPECT_EQ(s.SpecialPen.Opacity, 40);
    EXPECT_FALSE(s.SpecialPen.Smudge);
    EXPECT_EQ(s.SprayCan.Width, 60);
    EXPECT_EQ(s.SprayCan.Opacity, 60);
    EXPECT_EQ(s.SprayCan.Interval, 10);
    EXPECT_EQ(s.SprayCan.Shape.Width(), 60);
    EXPECT_EQ(s.ShapeWidth, 1);
    auto* transCol = child<QComboBox>("TransColCombo");
    EXPECT_EQ(transCol->currentIndex(), 1);
    EXPECT_EQ(transCol->itemText(0), QStringLiteral("Foreground Colour"));
    EXPECT_FALSE(transCol->isEnabled());
    EXPECT_FALSE(s.TransparentSelection);
    EXPECT_EQ(child<QComboBox>("ZoomCombo")->maxVisibleItems(), 15);
    EXPECT_EQ(child<QComboBox>("ZoomCombo")->count(), 15);
    EXPECT_EQ(m_main->ColourPanel()->ReadoutText(), QStringLiteral("R:\nG:\nB:"));
    EXPECT_EQ(m_main->ColourPanel()->ColourShow()->Colour(), clWhite);
    EXPECT_EQ(recents(), std::vector<TColor>(4, clWhite));
}

TEST_F(MainToolsTest, NumberBoxesWriteTheirSettings)
{
    type("PenWidthSpin", "600");
    EXPECT_EQ(ToolSettings().PenWidth, 500);
    EXPECT_EQ(ToolSettings().PenShape.Width(), 500);
    type("PenWidthSpin", "");
    EXPECT_EQ(ToolSettings().PenWidth, 500);
    type("PenWidthSpin", "x");
    EXPECT_EQ(ToolSettings().PenWidth, 500);

    struct Case { const char* box; const char* text; std::function<int()> field; int expected; };
    const Case cases[] = {
        {"FillTolerSpin", "300", [] { return ToolSettings().FillTolerance; }, 255},
        {"MagicWandTolerSpin", "77", [] { return ToolSettings().WandTolerance; }, 77},
        {"SprayCanOpacitySpin", "101", [] { return ToolSettings().SprayCan.Opacity; }, 100},
        {"SprayCanDiffusionSpin", "33", [] { return ToolSettings().SprayCan.Diffusion; }, 33},
        {"ShapeWidthSpin", "0", [] { return ToolSettings().ShapeWidth; }, 1},
        {"SprayCanWidthSpin", "20", [] { return ToolSettings().SprayCan.Shape.Width(); }, 20},
        {"SpecPenWidthSpin", "7", [] { return ToolSettings().SpecialPen.Shape.Width(); }, 7},
    };
    for (const Case& k : cases) {
        type(k.box, QLatin1String(k.text));
        EXPECT_EQ(k.field(), k.expected) << k.box;
    }
}

TEST_F(MainToolsTest, SpecialPenBoxSwitchesBetweenToleranceAndOpacity)
{
    auto* action = child<QComboBox>("SpecPenActionCombo");
    auto* box = child<TWholeNumberBox>("SpecPenSetting1Spin");
    auto* label = child<QLabel>("SpecPenSettingsLabel");
    struct Case { int action; const char* typed; const char* label; int shown; int max; int tolerance; int opacity; };
    const Case cases[] = {
        {0, "25", "Tolerance", 25, 255, 25, 40},
        {1, nullptr, "Opacity", 40, 100, 25, 40},
        {0, nullptr, "Tolerance", 25, 255, 25, 40},
        {0, "200", "Tolerance", 200, 255, 200, 40},
        {3, nullptr, "Opacity", 40, 100, 200, 40},
        {2, "70", "Opacity", 70, 100, 200, 70},
        {0, nullptr, "Tolerance", 200, 255, 200, 70},
    };
    for (const Case& k : cases) {
        action->setCurrentIndex(k.action);
        if (k.typed != nullptr)
            type("SpecPenSetting1Spin", QLatin1String(k.typed));
        EXPECT_EQ(label->text(), QLatin1String(k.label)) << k.action;
        EXPECT_EQ(box->value(), k.shown) << k.action;
        EXPECT_EQ(box->maximum(), k.max) << k.action;
        EXPECT_EQ(ToolSettings().SpecialPen.Tolerance, k.tolerance) << k.action;
        EXPECT_EQ(ToolSettings().SpecialPen.Opacity, k.opacity) << k.action;
        EXPECT_EQ(ToolSettings().SpecialPen.Smudge, k.action != 0);
    }
}

TEST_F(MainToolsTest, SelectionPageWritesItsSettings)
{
    auto* button = child<QToolButton>("TransSelBtn");
    auto* list = child<QComboBox>("TransColCombo");
    button->click();
    EXPECT_TRUE(ToolSettings().TransparentSelection);
    EXPECT_TRUE(list->isEnabled());
    list->setCurrentIndex(0);
    EXPECT_TRUE(ToolSettings().TransparentIsFore);
    button->click();
    EXPECT_FALSE(ToolSettings().TransparentSelection);
    EXPECT_FALSE(list->isEnabled());
    type("MagicWandTolerSpin", "12");
    EXPECT_EQ(ToolSettings().WandTolerance, 12);
    m_main->SetForegroundColour(0x123456, true);
    EXPECT_EQ(list->itemData(0).toInt(), 0x123456);
}

TEST_F(MainToolsTest, ColourSettersKeepRecentColours)
{
    m_main->SetForegroundColour(clBlack, true); // equal: nothing
    EXPECT_EQ(recents(), std::vector<TColor>(4, clWhite));
    m_main->ColourPanel()->SwapColoursBut()->click();
    EXPECT_EQ(ToolSettings().ForeColour(), clWhite);
    EXPECT_EQ(ToolSettings().BackColour(), clBlack);
    EXPECT_EQ(recents(), (std::vector<TColor>{clWhite, clBlack, clWhite, clWhite}));
    EXPECT_EQ(m_main->ColourPanel()->ColourSpectrum()->SelectedColour(), clBlack);

    m_main->SetBackgroundColour(0x0000FF, false);
    EXPECT_EQ(m_main->ColourPanel()->BGColourShow()->Colour(), 0x0000FF);
    EXPECT_EQ(m_main->ColourPanel()->ColourSpectrum()->SelectedColour(), clBlack); // marker stays
    EXPECT_EQ(recents()[0], clBlack);

    // Recent-colour cells: left for the foreground, other buttons for the background.
    TRecentColorsGrid* grid = m_main->ColourPanel()->RecentColorsGrid();
    const TColor cell1 = grid->Colours(1);
    QTest::mousePress(grid, Qt::RightButton, {}, QPoint(15, 2));
    EXPECT_EQ(ToolSettings().BackColour(), cell1);
    EXPECT_EQ(grid->Colours(0), 0x0000FF); // the replaced background went first
    const TColor cell2 = grid->Colours(2);
    QTest::mousePress(grid, Qt::LeftButton, {}, QPoint(28, 2));
    EXPECT_EQ(ToolSettings().ForeColour(), cell2);
}

TEST_F(MainToolsTest, SpectrumPressesPickColoursAndMovesShowTheReadout)
{
    TColourSpectrum* spectrum = m_main->ColourPanel()->ColourSpectrum();
    spectrum->grab();
    const QPoint left(spectrum->width() / 2 - 1, 0);
    QTest::mousePress(spectrum, Qt::LeftButton, {}, left);
    EXPECT_EQ(ToolSettings().ForeColour(), 0x0000FF); // full red
    EXPECT_EQ(spectrum->MarkerPoint(), left);
    const QPoint other(3, 50);
    QTest::mousePress(spectrum, Qt::RightButton, {}, other);
    EXPECT_EQ(ToolSettings().BackColour(), spectrum->ColourAt(3, 50));
    EXPECT_EQ(spectrum->MarkerPoint(), other);

    QMouseEvent move(QEvent::MouseMove, QPointF(left), spectrum->mapToGlobal(QPointF(left)), Qt::NoButton,
                     Qt::NoButton, {});
    QCoreApplication::sendEvent(spectrum, &move);
    EXPECT_EQ(m_main->ColourPanel()->ReadoutText(), QStringLiteral("R: 255\nG: 0\nB: 0"));
    EXPECT_TRUE(m_main->ColourPanel()->RGBPanel()->isVisible());
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QCoreApplication::sendEvent(spectrum, &enter);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(spectrum, &leave);
    EXPECT_FALSE(m_main->ColourPanel()->RGBPanel()->isVisible());
    m_main->ShowColourReadout(-1);
    EXPECT_FALSE(m_main->ColourPanel()->RGBPanel()->isVisible());
    QCoreApplication::sendEvent(m_main->ColourPanel()->BGColourShow(), &enter);
    EXPECT_EQ(m_main->ColourPanel()->ColourShow()->Colour(), ToolSettings().BackColour());
}

TEST_F(MainToolsTest, SwatchClickAsksOneColourDialogAndACancelChangesNothing)
{
    struct Case { bool foreground; bool accept; TColor fore; TColor back; };
    const Case cases[] = {
        {true, false, clBlack, clWhite},
        {true, true, 0x00FF00, clWhite},
        {false, true, 0x00FF00, 0x00FF00},
    };
    QColorDialog* first = nullptr;
    for (const Case& k : cases) {
        QFrame::Shadow shadowDuring = QFrame::Plain;
        QFrame* frame = k.foreground ? m_main->ColourPanel()->FGFrame() : m_main->ColourPanel()->BGFrame();
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            if (first == nullptr)
                first = dialog;
            EXPECT_EQ(dialog, first);
            shadowDuring = frame->frameShadow();
            dialog->setCurrentColor(QColor(0, 255, 0));
            k.accept ? dialog->accept() : dialog->reject();
        });
        QTest::mouseClick(k.foreground ? m_main->ColourPanel()->FGColourShow() : m_main->ColourPanel()->BGColourShow(),
                          Qt::LeftButton);
        EXPECT_EQ(shadowDuring, QFrame::Sunken);
        EXPECT_EQ(frame->frameShadow(), QFrame::Raised);
        EXPECT_EQ(ToolSettings().ForeColour(), k.fore);
        EXPECT_EQ(ToolSettings().BackColour(), k.back);
    }
}

TEST_F(MainToolsTest, ZoomListFollowsTheActivePictureAndSetsItsZoom)
{
    TVLPicChildWin* doc = m_main->NewPicture(20, 20, clWhite);
    ASSERT_NE(doc, nullptr);
    auto* zoom = child<QComboBox>("ZoomCombo");
    doc->SetZoom(3);
    EXPECT_EQ(zoom->currentText(), QStringLiteral("3:1"));
    zoom->setCurrentIndex(4);
    emit zoom->activated(4);
    EXPECT_EQ(doc->PictureScrollBox().ZoomFactor(), 5);
    TVLPicChildWin* second = m_main->NewPicture(20, 20, clWhite);
    EXPECT_EQ(zoom->currentText(), QStringLiteral("%1:1").arg(second->PictureScrollBox().ZoomFactor()));
}

TEST_F(MainToolsTest, PanelStateAndRecentColoursSurviveARestart)
{
    m_main->SidePanel()->SetExpanded(false);
    m_main->SidePanel()->SetLocked(true);
    m_main->SetForegroundColour(0x102030, true);
    m_main->SetForegroundColour(0x405060, true);
    m_main->close();
    m_main = std::make_unique<TVellumMain>();
    EXPECT_FALSE(m_main->SidePanel()->Expanded());
    EXPECT_TRUE(m_main->SidePanel()->Locked());
    EXPECT_EQ(recents(), (std::vector<TColor>{0x102030, clBlack, clWhite, clWhite}));
}

TEST_F(MainToolsTest, BadRecentColoursInTheSettingsKeepTheirCellOrReadAsBlack)
{
    m_main.reset();
    {
        TXMLRegistryFile reg(ProgramPath() + QStringLiteral("Vellum.xml"));
        ASSERT_TRUE(reg.OpenKey(QStringLiteral("Vellum\\Main\\Recent_Colours"), true));
        reg.WriteString(QStringLiteral("Colour0"), QStringLiteral("-5"));
        reg.WriteString(QStringLiteral("Colour1"), QStringLiteral("16777216"));
        reg.WriteString(QStringLiteral("Colour2"), QStringLiteral("abc"));
        reg.WriteString(QStringLiteral("Colour3"), QStringLiteral("255"));
    }
    m_main = std::make_unique<TVellumMain>();
    EXPECT_EQ(recents(), (std::vector<TColor>{clWhite, clWhite, clBlack, 255}));
}

TEST_F(MainToolsTest, SidePanelBarShowsTheColoursWhenCollapsed)
{
    m_main->SidePanel()->SetExpanded(false);
    m_main->SetForegroundColour(0x0000FF, true);
    const QImage bar = m_main->SidePanel()->Bar()->grab().toImage();
    const int w = m_main->SidePanel()->BarWidth();
    EXPECT_EQ(bar.pixelColor(w / 2, w / 2), QColor(255, 0, 0));
    EXPECT_EQ(bar.pixelColor(w / 2, w - 2 + w / 2), QColor(255, 255, 255));
}

} // namespace
} // namespace vellum

namespace vellum {
namespace {

TEST_F(MainToolsTest, APressOnASpectrumTooSmallForAFieldSetsNoColour)
{
    TColourSpectrum* spectrum = m_main->ColourPanel()->ColourSpectrum();
    spectrum->setFixedSize(3, 60); // half the width is 1 column: no field
    QCoreApplication::processEvents();
    spectrum->grab();
    for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton})
        QTest::mousePress(spectrum, button, {}, QPoint(1, 10));
    EXPECT_EQ(ToolSettings().ForeColour(), clBlack);
    EXPECT_EQ(ToolSettings().BackColour(), clWhite);
    EXPECT_EQ(recents(), std::vector<TColor>(4, clWhite));
}

} // namespace
} // namespace vellum

namespace vellum {
namespace {

// A box holding the keyboard from start-up would take Ctrl+C and the like from the window.
TEST_F(MainToolsTest, OptionControlsTakeTheKeyboardOnlyWhenClicked)
{
    for (QWidget* control : m_main->OptionPages()->findChildren<QWidget*>()) {
        const Qt::FocusPolicy policy = control->focusPolicy();
        EXPECT_TRUE(policy == Qt::NoFocus || policy == Qt::ClickFocus) << control->objectName().toStdString();
    }
}

} // namespace
} // namespace vellum
