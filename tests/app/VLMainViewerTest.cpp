#include "app/VLMain.h"

#include <cstdint>
#include <cstdlib>
#include <functional>

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

#include <gtest/gtest.h>

#include "app/StartUp.h"
#include "app/VLGlobal.h"
#include "app/ViewerFrm.h"
#include "app/VLClipbrdViewer.h"
#include "app/ColourPanel.h"
#include "controls/CollapsingPanel.h"
#include "app/XMLRegFile.h"
#include "controls/XGraphicCtrls.h"
#include "document/VLPicChildWn.h"
#include "document/VLToolVars.h"

namespace vellum {
namespace {

class MainViewerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_global = std::make_unique<TVLGlobal>(m_dir.path());
        start();
    }
    void TearDown() override
    {
        for (QMdiSubWindow* w : m_main->ClientArea()->subWindowList())
            if (auto* doc = qobject_cast<TVLPicChildWin*>(w))
                doc->SetModified(false);
        m_main.reset();
        AppParams() = TAppParams();
    }
    void start()
    {
        m_main = std::make_unique<TVellumMain>();
        m_main->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_main.get()));
        settle();
    }
    static void settle()
    {
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QCoreApplication::processEvents();
        }
    }
    static QStringList texts(const QList<QAction*>& actions)
    {
        QStringList result;
        for (QAction* action : actions)
            result << (action->isSeparator() ? QStringLiteral("-") : action->text());
        return result;
    }
    [[nodiscard]] TViewerForm& viewer() const { return *m_main->Viewer(); }
    // The picture point the Viewer's surface shows at its centre.
    [[nodiscard]] QPoint viewerCentre() const
    {
        return {viewer().OffsetX() + viewer().Surface()->width() / 2, viewer().OffsetY() + viewer().Surface()->height() / 2};
    }

    QTemporaryDir m_dir;
    std::unique_ptr<TVLGlobal> m_global;
    std::unique_ptr<TVellumMain> m_main;
};

TEST_F(MainViewerTest, TheViewerCommandComesFirstInTheViewMenuAndOnTheViewBar)
{
    QMenu* view = nullptr;
    for (QAction* menu : m_main->menuBar()->actions())
        if (menu->text() == QLatin1String("View"))
            view = menu->menu();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(texts(view->actions()), (QStringList{"Viewer", "Clipboard Viewer", "Zoom grid", "-", "Toolbars"}));
    auto* bar = m_main->findChild<QToolBar*>(QStringLiteral("ViewToolbar"));
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->actions(), (QList<QAction*>{m_main->ActCbViewerStartStop(), m_main->ActViewerStartStop(),
                                                m_main->ActShowHideZoomGrid()}));

    QAction* command = m_main->ActViewerStartStop();
    EXPECT_TRUE(command->isCheckable());
    EXPECT_EQ(command->toolTip(), "Viewer");
    EXPECT_EQ(command->statusTip(), "Display the Viewer");
    EXPECT_FALSE(viewer().isVisible());
    EXPECT_EQ(viewer().windowTitle(), "Viewer");
    command->trigger();
    EXPECT_TRUE(viewer().isVisible());
    EXPECT_EQ(command->statusTip(), "Hide the Viewer");
    viewer().close();
    EXPECT_FALSE(command->isChecked());
    EXPECT_EQ(command->statusTip(), "Display the Viewer");
}

TEST_F(MainViewerTest, FollowsTheActiveDocumentItsChangesAndCentresItsView)
{
    TVLPicChildWin* first = m_main->NewPicture(1200, 900, 0x202020);
    TVLPicChildWin* second = m_main->NewPicture(40, 30, 0xC0C0C0);
    ASSERT_EQ(m_main->ActivePicture(), second);
    m_main->ActViewerStartStop()->trigger();
    settle();
    EXPECT_EQ(viewer().Picture(), &second->Picture());
    EXPECT_EQ(viewer().Surface()->size(), QSize(40, 30));

    m_main->ClientArea()->setActiveSubWindow(first);
    settle();
    ASSERT_EQ(viewer().Picture(), &first->Picture());

    // Zoomed in and scrolled: the Viewer keeps the part in view in its middle.
    first->SetZoom(8, 600, 450);
    settle();
    const QRect seen = first->PictureScrollBox().VisibleRect();
    EXPECT_EQ(viewerCentre(), QPoint(seen.left() + seen.width() / 2, seen.top() + seen.height() / 2));
    // A click in the Viewer centres the document there.
    viewer().OnCentre(&viewer(), 300, 200);
    settle();
    const QRect now = first->PictureScrollBox().VisibleRect();
    EXPECT_LE(std::abs(now.left() + now.width() / 2 - 300), 1);
    EXPECT_LE(std::abs(now.top() + now.height() / 2 - 200), 1);
    EXPECT_EQ(viewer().ViewRect(), now);

    // A pen step: the Viewer redraws from the picture.
    std::uint8_t* pixel = first->Picture().ScanLine(200) + 3 * 300;
    pixel[0] = 0;
    pixel[1] = 0;
    pixel[2] = 0xFF;
    first->NotifyChange(chgPicture, true);
    EXPECT_EQ(viewer().Buffer().PixelColour(300 - viewer().OffsetX(), 200 - viewer().OffsetY()), 0x0000FF);

    // A change in another document leaves the Viewer alone.
    second->NotifyChange(chgScroll, false);
    EXPECT_EQ(viewer().ViewRect(), now);
}

TEST_F(MainViewerTest, DrawsTheFloatingSelectionWhileItLasts)
{
    const TColor grey = 0x808080;
    const TColor back = ToolSettings().BackColour();
    TVLPicChildWin* doc = m_main->NewPicture(40, 30, grey);
    m_main->ActViewerStartStop()->trigger();
    settle();
    ASSERT_EQ(viewer().Surface()->size(), QSize(40, 30));
    const TXBitmap& shown = viewer().Buffer();

    TXBitmap piece(2, 1);
    StorePixel(piece.ScanLine(0) + 0, RGBColor(9, 9, 9));
    StorePixel(piece.ScanLine(0) + 3, RGBColor(200, 0, 0)); // outside the shape
    doc->PasteIntoDocument(&piece, RGBColor(200, 0, 0));
    ASSERT_NE(doc->Selection(), nullptr);
    EXPECT_EQ(viewer().Selection(), doc->Selection());
    EXPECT_EQ(shown.PixelColour(0, 0), RGBColor(9, 9, 9));
    EXPECT_EQ(shown.PixelColour(1, 0), grey);

    // Moved: drawn at its new place, the old place shows the picture.
    doc->MoveSelectionTo(QPoint(10, 20));
    EXPECT_EQ(shown.PixelColour(0, 0), grey);
    EXPECT_EQ(shown.PixelColour(10, 20), RGBColor(9, 9, 9));
    EXPECT_EQ(shown.PixelColour(11, 20), grey);

    // Committed: the picture holds it, the Viewer no longer draws it.
    doc->DropSelection(true, true);
    EXPECT_EQ(viewer().Selection(), nullptr);
    EXPECT_EQ(shown.PixelColour(10, 20), RGBColor(9, 9, 9));

    // A rectangle lifted out leaves its hole in the picture; the Viewer draws it over the hole.
    doc->CreateRectSelection(QRect(0, 0, 4, 4), -1);
    ASSERT_NE(viewer().Selection(), nullptr);
    EXPECT_EQ(doc->Picture().PixelColour(1, 1), back);
    EXPECT_EQ(shown.PixelColour(1, 1), grey);
    // Freed without a report, as a failed creation frees the old selection: never drawn (nor
    // touched) again.
    doc->FreeSelection();
    viewer().Redraw();
    EXPECT_EQ(viewer().Selection(), nullptr);
    EXPECT_EQ(shown.PixelColour(1, 1), back);
}

TEST_F(MainViewerTest, ClosingADocumentClearsTheViewerShownOrNot)
{
    for (const bool shown : {true, false}) {
        SCOPED_TRACE(shown ? "shown" : "hidden");
        TVLPicChildWin* doc = m_main->NewPicture(50, 50, 0x808080);
        m_main->ActViewerStartStop()->trigger();
        ASSERT_EQ(viewer().Picture(), &doc->Picture());
        if (!shown) {
            // Hidden without closing, as a collapsed panel hides it.
            viewer().hide();
        }
        doc->close();
        settle();
        EXPECT_EQ(viewer().Picture(), nullptr);
        EXPECT_EQ(viewer().PictureOwner(), nullptr);
        viewer().Redraw();
        if (viewer().isVisible())
            viewer().close();
    }
}

TEST_F(MainViewerTest, PinnedWindowsDockInTheSidePanelBelowTheColoursAndKeepTheirFloatingPlace)
{
    TVLPicChildWin* doc = m_main->NewPicture(40, 30, 0x808080);
    m_main->ActViewerStartStop()->trigger();
    m_main->ActCbViewerStartStop()->trigger();
    settle();
    TCollapsingPanel* panel = m_main->SidePanel();
    const int narrow = panel->width();
    for (TVLBasePinnedForm* form : {static_cast<TVLBasePinnedForm*>(m_main->Viewer()),
                                    static_cast<TVLBasePinnedForm*>(m_main->CbViewer())}) {
        SCOPED_TRACE(form->windowTitle().toStdString());
        form->SetPinned(true);
        const QRect floating = form->FloatingGeometry();
        const int xDiff = form->XDiff();
        form->setFloating(false);
        settle();
        ASSERT_TRUE(form->Docked());
        EXPECT_TRUE(m_main->SidePanelDockSite()->isAncestorOf(form));
        EXPECT_GE(form->mapTo(m_main.get(), QPoint(0, 0)).y(),
                  m_main->ColourPanel()->mapTo(m_main.get(), QPoint(0, m_main->ColourPanel()->height())).y());
        EXPECT_EQ(panel->width(), std::max(narrow, floating.width() + panel->BarWidth()));
        // Neither the main window's moves nor showing it again move it or its kept place.
        m_main->move(m_main->pos() + QPoint(30, 20));
        form->hide();
        form->show();
        settle();
        EXPECT_TRUE(form->Docked());
        EXPECT_EQ(form->FloatingGeometry(), floating);
        EXPECT_EQ(form->XDiff(), xDiff);
        form->setFloating(true);
        settle();
        EXPECT_FALSE(form->Docked());
    }
    EXPECT_EQ(panel->width(), narrow);

    // Docked in a collapsed panel: hidden, the Viewer still lets go of a closing document, and
    // shows the active one again when the panel expands.
    m_main->Viewer()->setFloating(false);
    settle();
    panel->SetExpanded(false);
    settle();
    EXPECT_FALSE(viewer().isVisible());
    EXPECT_TRUE(m_main->ActViewerStartStop()->isChecked());
    doc->close();
    settle();
    EXPECT_EQ(viewer().Picture(), nullptr);
    TVLPicChildWin* next = m_main->NewPicture(20, 10, 0x404040);
    panel->SetExpanded(true);
    settle();
    EXPECT_TRUE(viewer().isVisible());
    EXPECT_EQ(viewer().Picture(), &next->Picture());
}

TEST_F(MainViewerTest, ASizeChangeItDidNotSeeIsLaidOutWhenItShowsAgain)
{
    // The shown picture changes its size while the Viewer is hidden without being closed (by
    // a side panel that collapses with it docked inside, or by anything else), or shown.
    const TColor colour = 0x3050C0;
    const QColor shownColour(0xC0, 0x50, 0x30);
    struct Change {
        const char* what;
        std::function<void(TVLPicChildWin&)> apply;
    };
    const Change changes[] = {
        {"shrunk", [](TVLPicChildWin& d) { d.Resize(30, 20); }},
        {"grown beyond the Viewer", [](TVLPicChildWin& d) { d.Resize(400, 300); }},
        {"cropped",
         [](TVLPicChildWin& d) {
             d.CreateRectSelection(QRect(10, 10, 24, 14), -1);
             d.Crop();
         }},
    };
    enum class Hiding { None, CollapsedPanel, Hidden };
    TCollapsingPanel* panel = m_main->SidePanel();
    m_main->ActViewerStartStop()->trigger();
    for (const Hiding hiding : {Hiding::None, Hiding::CollapsedPanel, Hiding::Hidden}) {
        viewer().setFloating(hiding != Hiding::CollapsedPanel);
        settle();
        for (const Change& change : changes) {
            SCOPED_TRACE(std::string(change.what) + " " + std::to_string(static_cast<int>(hiding)));
            TVLPicChildWin* doc = m_main->NewPicture(80, 60, colour);
            settle();
            ASSERT_EQ(viewer().Picture(), &doc->Picture());
            if (hiding == Hiding::CollapsedPanel)
                panel->SetExpanded(false);
            else if (hiding == Hiding::Hidden)
                viewer().hide();
            settle();
            ASSERT_EQ(viewer().isVisible(), hiding == Hiding::None);
            change.apply(*doc);
            panel->SetExpanded(true);
            viewer().show();
            settle();
            ASSERT_TRUE(viewer().isVisible());

            const QSize area = viewer().ViewerPanel()->size();
            const QSize shown(std::min(area.width() - 6, doc->Picture().Width()),
                              std::min(area.height() - 6, doc->Picture().Height()));
            const QRect surface((area.width() - shown.width()) / 2, (area.height() - shown.height()) / 2,
                                shown.width(), shown.height());
            EXPECT_EQ(viewer().Surface()->geometry(), surface);
            EXPECT_EQ(viewer().Buffer().Width(), shown.width());
            EXPECT_EQ(viewer().Buffer().Height(), shown.height());
            // What shows: the picture over the whole surface, nothing of it beside.
            const QImage grabbed = viewer().ViewerPanel()->grab().toImage();
            for (const QPoint p : {surface.topLeft(), surface.bottomRight(), surface.center()})
                EXPECT_EQ(grabbed.pixelColor(p), shownColour) << p.x() << "," << p.y();
            const QRect inside(QPoint(3, 3), area - QSize(6, 6));
            for (const QPoint p : {surface.topLeft() - QPoint(1, 0), surface.bottomRight() + QPoint(1, 1)}) {
                if (inside.contains(p)) {
                    EXPECT_NE(grabbed.pixelColor(p), shownColour) << p.x() << "," << p.y();
                }
            }
            doc->SetModified(false);
            doc->close();
            settle();
        }
    }
}

TEST_F(MainViewerTest, VisibilityComesBackAfterARestart)
{
    m_main->ActViewerStartStop()->trigger();
    m_main->close();
    m_main.reset();
    {
        TXMLRegistryFile reg(ProgramPath() + QStringLiteral("Vellum.xml"));
        ASSERT_TRUE(reg.OpenKey(QStringLiteral("Vellum\\Main"), false));
        EXPECT_TRUE(reg.ReadBool(QStringLiteral("ViewerIsVisible")));
    }
    start();
    EXPECT_TRUE(m_main->ActViewerStartStop()->isChecked());
    EXPECT_TRUE(viewer().isVisible());

    // Hidden by something else than the user: still counted as shown.
    viewer().hide();
    m_main->close();
    m_main.reset();
    start();
    EXPECT_TRUE(viewer().isVisible());
    viewer().close();
    m_main->close();
    m_main.reset();
    start();
    EXPECT_FALSE(viewer().isVisible());
}

} // namespace
} // namespace vellum
