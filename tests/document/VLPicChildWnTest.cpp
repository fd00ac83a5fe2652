#include "document/VLPicChildWn.h"

#include <QApplication>
#include <QMouseEvent>
#include <QStyleOptionTitleBar>
#include <QTest>

#include "document/VLToolVars.h"

#include <QDir>
#include <QMdiArea>
#include <QStyle>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace vellum {
namespace {

class FakePanels : public TStatusPanels {
public:
    void SetPanelText(int panel, const QString& text) override { texts[static_cast<std::size_t>(panel)] = text; }
    std::array<QString, 4> texts;
};

class FakeArea : public TDocumentArea {
public:
    [[nodiscard]] QSize AvailableDocumentArea() const override { return size; }
    QSize size{800, 600};
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

class PicChildTest : public ::testing::Test {
protected:
    TVLPicChildWin* newDocument(int width, int height, TColor colour = RGBColor(200, 100, 50))
    {
        auto* doc = new TVLNewPicChildWin(width, height, colour, QStringLiteral("New Picture #1"), &m_area);
        m_mdi.addSubWindow(doc);
        doc->SetStatusBar(&m_panels);
        doc->OnPictureChange = [this](TVLPicChildWin*, TChangeSet changes) { m_changes.push_back(changes); };
        doc->OnUndoChange = [this](TVLPicChildWin*, int count) { m_undoCounts.push_back(count); };
        doc->show();
        return doc;
    }

    QMdiArea m_mdi;
    FakeArea m_area;
    FakePanels m_panels;
    std::vector<TChangeSet> m_changes;
    std::vector<int> m_undoCounts;
};

TEST_F(PicChildTest, ANewDocumentIsCaptionedSizedAndNotModified)
{
    TVLPicChildWin* doc = newDocument(40, 30);
    EXPECT_EQ(doc->windowTitle(), QStringLiteral("New Picture #1 [1:1]"));
    EXPECT_EQ(doc->ChildKind(), TBasicVLChild::ckPicture);
    EXPECT_FALSE(doc->Modified());
    EXPECT_TRUE(doc->FileName().isEmpty());
    EXPECT_EQ(m_panels.texts[1], QStringLiteral("40w x 30h"));
    EXPECT_EQ(m_panels.texts[2], QString());
    EXPECT_EQ(doc->Picture().PixelColour(39, 29), RGBColor(200, 100, 50));
    EXPECT_EQ(doc->ExtraBtnAction()->text(), QStringLiteral("Resize window to best fit"));
    doc->ExtraBtnAction()->hover();
    EXPECT_EQ(m_panels.texts[0], QStringLiteral("Resize window to best fit"));
}

TEST_F(PicChildTest, EditsSetModifiedAndUndoPutsBackPixelsAndFlag)
{
    TVLPicChildWin* doc = newDocument(6, 4);
    StorePixel(doc->Picture().ScanLine(1) + 3, RGBColor(255, 0, 1));
    const TXBitmap before = doc->Picture();

    doc->GreyScale();
    EXPECT_TRUE(doc->Modified());
    EXPECT_EQ(m_panels.texts[2], QStringLiteral("Modified"));
    EXPECT_EQ(doc->Picture().PixelColour(1, 1), RGBColor(85, 85, 85));
    doc->Negative();
    EXPECT_EQ(doc->Picture().PixelColour(1, 1), RGBColor(170, 170, 170));
    EXPECT_EQ(m_undoCounts, (std::vector<int>{1, 2}));

    ASSERT_TRUE(doc->UndoLast());
    EXPECT_EQ(doc->Picture().PixelColour(1, 1), RGBColor(85, 85, 85));
    EXPECT_TRUE(doc->Modified()); // it was modified when the negative was recorded
    ASSERT_TRUE(doc->UndoLast());
    EXPECT_TRUE(samePixels(doc->Picture(), before));
    EXPECT_FALSE(doc->Modified());
    EXPECT_EQ(m_panels.texts[2], QString());
    EXPECT_FALSE(doc->CanUndo());
    EXPECT_FALSE(doc->UndoLast());
    EXPECT_EQ(m_undoCounts.back(), 0);
}

TEST_F(PicChildTest, FiveStepsOfUndoAtMost)
{
    TVLPicChildWin* doc = newDocument(3, 3);
    std::vector<TXBitmap> states;
    for (int i = 0; i < 6; ++i) {
        states.push_back(doc->Picture());
        StorePixel(doc->Picture().ScanLine(0), RGBColor(i * 10, 0, 0)); // a visible difference
        doc->GreyScale();
    }
    EXPECT_EQ(doc->UndoStack().Count(), 5);
    for (int i = 5; i >= 1; --i) {
        ASSERT_TRUE(doc->UndoLast());
        // Each undo gives back the picture as it was just before that step's grey scale.
        TXBitmap expected = states[static_cast<std::size_t>(i)];
        StorePixel(expected.ScanLine(0), RGBColor(i * 10, 0, 0));
        EXPECT_TRUE(samePixels(doc->Picture(), expected)) << i;
    }
    EXPECT_FALSE(doc->UndoLast());
}

TEST_F(PicChildTest, ChangeFlagsAndTheModifiedRule)
{
    TVLPicChildWin* doc = newDocument(10, 10);
    m_changes.clear();
    doc->NotifyChange(0, true);
    EXPECT_TRUE(m_changes.empty());
    doc->NotifyChange(chgPicture, false);
    doc->NotifyChange(chgSelContent, false);
    doc->NotifyChange(chgScroll | chgZoom | chgViewSize | chgSelRemoved, true);
    EXPECT_FALSE(doc->Modified());
    EXPECT_EQ(m_changes, (std::vector<TChangeSet>{chgPicture, chgSelContent, 270}));
    // What a save would write changes with the picture and with the floating selection.
    for (const TChangeSet changes : {TChangeSet(chgPicture | chgSelCreated), TChangeSet(chgSelMoved),
                                     TChangeSet(chgSelContent)}) {
        doc->SetModified(false);
        doc->NotifyChange(changes, true);
        EXPECT_TRUE(doc->Modified()) << changes;
    }
}

TEST_F(PicChildTest, ZoomRewritesTheCaptionAndReportsTwelve)
{
    TVLPicChildWin* doc = newDocument(10, 10);
    m_changes.clear();
    doc->SetZoom(3);
    EXPECT_EQ(doc->Caption(), QStringLiteral("New Picture #1 [3:1]"));
    doc->SetZoom(16); // refused: the zoom stays, the flags still go out
    EXPECT_EQ(doc->PictureScrollBox().ZoomFactor(), 3);
    EXPECT_EQ(m_changes, (std::vector<TChangeSet>{12, 12}));
}

// The caption button: its hint shows in panel 0 and in a hint window while the pointer is on it,
// and both go when the pointer leaves; a click on it is its command, never a caption drag.
TEST_F(PicChildTest, TheCaptionButtonsHintGoesWithThePointer)
{
    m_mdi.resize(800, 600);
    m_mdi.show();
    TVLPicChildWin* doc = newDocument(200, 100);
    doc->resize(320, 200);
    const QRect button = doc->ExtraBtnRect();
    ASSERT_FALSE(button.isEmpty());
    const QRect label = [doc] {
        QStyleOptionTitleBar option;
        option.initFrom(doc);
        option.subControls = QStyle::SC_All;
        option.titleBarFlags = doc->windowFlags();
        option.titleBarState = doc->windowState();
        option.rect = QRect(0, 0, doc->width(), doc->style()->pixelMetric(QStyle::PM_TitleBarHeight, &option, doc));
        return doc->style()->subControlRect(QStyle::CC_TitleBar, &option, QStyle::SC_TitleBarLabel, doc);
    }();
    EXPECT_GE(button.left(), label.left());
    EXPECT_LE(button.bottom(), label.bottom() + 2);
    int entered = 0, left = 0, clicks = 0;
    doc->OnExtraBtnEnter = [&](TExtraBtnForm*) { ++entered; };
    doc->OnExtraBtnLeave = [&](TExtraBtnForm*) { ++left; };
    doc->OnExtraBtnClick = [&](TExtraBtnForm*) { ++clicks; };
    auto move = [doc](QPoint at) {
        QMouseEvent event(QEvent::MouseMove, at, doc->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(doc, &event);
    };
    auto press = [doc](QEvent::Type type, QPoint at) {
        QMouseEvent event(type, at, doc->mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(doc, &event);
    };

    move(button.center());
    EXPECT_EQ(m_panels.texts[0], QStringLiteral("Resize window to best fit"));
    move(button.center() + QPoint(1, 0)); // still on it: no second enter
    EXPECT_EQ(entered, 1);
    move(label.center());
    EXPECT_EQ(m_panels.texts[0], QString());
    EXPECT_EQ(left, 1);

    move(button.center());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(doc, &leave);
    EXPECT_EQ(m_panels.texts[0], QString());
    EXPECT_EQ(left, 2);

    const QPoint before = doc->pos();
    press(QEvent::MouseButtonPress, button.center());
    move(button.center() + QPoint(40, 30));
    press(QEvent::MouseButtonRelease, button.center() + QPoint(40, 30));
    EXPECT_EQ(clicks, 0); // released away from it
    EXPECT_EQ(doc->pos(), before);
    press(QEvent::MouseButtonPress, button.center());
    press(QEvent::MouseButtonRelease, button.center());
    EXPECT_EQ(clicks, 1);

    doc->SetShowExtraBtn(false);
    EXPECT_TRUE(doc->ExtraBtnRect().isEmpty());
}

// The caption bar cuts a long caption at its end; the name gives way so that the zoom stays.
TEST_F(PicChildTest, ANarrowWindowShowsTheNamesStartAndTheZoom)
{
    m_mdi.resize(2400, 800);
    m_mdi.show(); // resizing a hidden window waits for its show
    TVLPicChildWin* doc = newDocument(10, 10);
    doc->SetTitle(QStringLiteral("Holiday at the seaside, the long afternoon.bmp"));
    doc->SetZoom(3);
    const QFontMetrics metrics(QApplication::font("QMdiSubWindowTitleBar"));
    for (int width : {1, 150, 260, 2000}) {
        SCOPED_TRACE(width);
        doc->resize(width, 200);
        EXPECT_GE(doc->width(), width);
        EXPECT_EQ(doc->Caption(), QStringLiteral("Holiday at the seaside, the long afternoon.bmp [3:1]"));
        const QString shown = doc->windowTitle();
        EXPECT_TRUE(shown.endsWith(QStringLiteral(" [3:1]"))) << shown.toStdString();
        EXPECT_TRUE(shown.startsWith(QStringLiteral("Hol"))) << shown.toStdString();
        // What the caption bar has room for: Qt shows the title uncut.
        QStyleOptionTitleBar option;
        option.initFrom(doc);
        option.subControls = QStyle::SC_All;
        option.titleBarFlags = doc->windowFlags();
        option.titleBarState = doc->windowState();
        option.rect = QRect(0, 0, doc->width(), doc->style()->pixelMetric(QStyle::PM_TitleBarHeight, &option, doc));
        const int room = doc->style()->subControlRect(QStyle::CC_TitleBar, &option, QStyle::SC_TitleBarLabel, doc).width();
        EXPECT_LE(metrics.horizontalAdvance(shown), room) << shown.toStdString();
    }
    EXPECT_EQ(doc->windowTitle(), doc->Caption()); // wide enough for all of it

    // Maximised, the caption goes to the area's frame: the window keeps the area's width.
    doc->showMaximized();
    QCoreApplication::processEvents();
    EXPECT_LE(doc->width(), m_mdi.viewport()->width());
    EXPECT_LE(doc->minimumWidth(), m_mdi.viewport()->width());
}

TEST_F(PicChildTest, BestFitShowsTheWholePictureWithinTheArea)
{
    TVLPicChildWin* doc = newDocument(200, 80);
    doc->move(0, 0);
    doc->BestFit();
    EXPECT_EQ(doc->size(), QSize(200 + doc->NonClientWidth(), 80 + doc->NonClientHeight()));
    EXPECT_FALSE(doc->BestFit()); // already fitting

    // Wider than the area: the width is the area's, the height makes room for the bar.
    m_area.size = QSize(90, 600);
    EXPECT_TRUE(doc->BestFit());
    const int bar = doc->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &doc->PictureScrollBox());
    // No narrower than the caption's zoom needs.
    EXPECT_EQ(doc->size(), QSize(std::max(90, doc->minimumWidth()), 80 + doc->NonClientHeight() + bar));

    doc->showMaximized();
    m_area.size = QSize(800, 600);
    EXPECT_FALSE(doc->BestFit());
}

TEST_F(PicChildTest, SavingTakesTheNameAndClearsModified)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    TVLPicChildWin* doc = newDocument(5, 5);
    doc->GreyScale();
    const QString name = dir.filePath(QStringLiteral("name.bmp"));
    ASSERT_TRUE(doc->SaveToFile(name));
    EXPECT_EQ(doc->FileName(), name);
    EXPECT_EQ(doc->Caption(), QStringLiteral("name.bmp [1:1]"));
    EXPECT_FALSE(doc->Modified());
    EXPECT_EQ(doc->UndoStack().Count(), 1); // saving keeps the history

    doc->Negative();
    EXPECT_FALSE(doc->SaveToFile(dir.filePath(QStringLiteral("no/such/folder/x.bmp"))));
    EXPECT_FALSE(doc->SaveToFile(dir.filePath(QStringLiteral("x.png"))));
    EXPECT_EQ(doc->FileName(), name);
    EXPECT_TRUE(doc->Modified());

    auto* opened = new TVLFilePicChildWin(name, &m_area);
    m_mdi.addSubWindow(opened);
    EXPECT_EQ(opened->Title(), QStringLiteral("name.bmp"));
    EXPECT_FALSE(opened->Modified());
    EXPECT_EQ(opened->Picture().Width(), 5);
}

TEST_F(PicChildTest, CreationFailuresNameTheProblem)
{
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("missing.bmp"));
    const QString text = dir.filePath(QStringLiteral("text.bmp"));
    {
        QFile f(text);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("not a picture at all");
    }
    struct Case {
        std::function<void()> make;
        QString message;
    };
    const std::vector<Case> cases{
        {[&] { TVLFilePicChildWin doc(missing, &m_area); }, QStringLiteral("File %1 does not exist").arg(missing)},
        {[&] { TVLFilePicChildWin doc(text, &m_area); }, QStringLiteral("Invalid Picture format in %1").arg(text)},
        {[&] { TVLCopyPicChildWin doc(nullptr, QStringLiteral("x"), &m_area); }, QStringLiteral("Invalid Picture")},
    };
    for (const Case& c : cases) {
        try {
            c.make();
            ADD_FAILURE() << "no exception for " << c.message.toStdString();
        } catch (const EVellumError& e) {
            EXPECT_EQ(e.message(), c.message);
        }
    }
    TXBitmap picture(4, 2);
    TVLCopyPicChildWin copy(&picture, QStringLiteral("New Picture #2"), &m_area);
    EXPECT_TRUE(copy.Modified());
}

TEST_F(PicChildTest, DragAndZoomToolsActOnTheView)
{
    m_mdi.resize(600, 400);
    m_mdi.show();
    // Larger than the area, so that the view scrolls.
    TVLPicChildWin* doc = newDocument(3000, 2000);
    QCoreApplication::processEvents(); // the window lays out its view
    QWidget* surface = doc->PictureScrollBox().viewport();
    ToolSettings().Tool = TTool::Zoom;
    QTest::mouseClick(surface, Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(doc->PictureScrollBox().ZoomFactor(), 2);
    QTest::mouseClick(surface, Qt::RightButton, {}, QPoint(20, 20));
    EXPECT_EQ(doc->PictureScrollBox().ZoomFactor(), 1);
    EXPECT_EQ(doc->windowTitle(), QStringLiteral("New Picture #1 [1:1]"));

    ToolSettings().Tool = TTool::Drag;
    const int before = doc->PictureScrollBox().HorzPosition();
    // Mouse events delivered to the surface at exactly these points.
    auto send = [surface](QEvent::Type type, QPointF at, Qt::MouseButton button, Qt::MouseButtons held) {
        QMouseEvent event(type, at, surface->mapToGlobal(at), button, held, Qt::NoModifier);
        QCoreApplication::sendEvent(surface, &event);
    };
    send(QEvent::MouseButtonPress, QPointF(60, 40), Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseMove, QPointF(30, 40), Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, QPointF(30, 40), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(doc->PictureScrollBox().HorzPosition(), before + 30); // the picture follows the mouse
    ResetToolSettings();
}

TEST_F(PicChildTest, GeometryEditsAndTheirUndo)
{
    TVLPicChildWin* doc = newDocument(6, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            StorePixel(doc->Picture().ScanLine(y) + 3 * x, RGBColor(40 * x, 60 * y, 7));
    const TXBitmap original = doc->Picture();

    struct Case {
        const char* name;
        std::function<void(TVLPicChildWin&)> edit;
        QSize size;
        TChangeSet changes;
    };
    const std::vector<Case> cases{
        {"flip", [](TVLPicChildWin& d) { d.Flip(); }, QSize(6, 4), chgPicture},
        {"mirror", [](TVLPicChildWin& d) { d.Mirror(); }, QSize(6, 4), chgPicture},
        {"clear", [](TVLPicChildWin& d) { d.Clear(); }, QSize(6, 4), chgPicture},
        {"resize", [](TVLPicChildWin& d) { d.Resize(3, 2); }, QSize(3, 2), 25},
        {"resample", [](TVLPicChildWin& d) { d.Resample(12, 8); }, QSize(12, 8), 25},
        {"enlarge", [](TVLPicChildWin& d) { d.EnlargeCanvas(10, 9, true, clBlack); }, QSize(10, 9), 25},
    };
    for (const Case& c : cases) {
        m_changes.clear();
        c.edit(*doc);
        EXPECT_EQ(QSize(doc->Picture().Width(), doc->Picture().Height()), c.size) << c.name;
        EXPECT_FALSE(samePixels(doc->Picture(), original)) << c.name;
        EXPECT_EQ(m_changes, std::vector<TChangeSet>{c.changes}) << c.name;
        EXPECT_TRUE(doc->Modified()) << c.name;
        ASSERT_TRUE(doc->UndoLast()) << c.name;
        EXPECT_TRUE(samePixels(doc->Picture(), original)) << c.name;
        EXPECT_FALSE(doc->Modified()) << c.name;
        EXPECT_EQ(m_panels.texts[1], QStringLiteral("6w x 4h")) << c.name;
    }
    EXPECT_EQ(doc->Picture().PixelColour(0, 0), RGBColor(0, 0, 7));

    // The same size changes nothing and records nothing.
    doc->Resample(6, 4);
    doc->EnlargeCanvas(6, 4, false, clBlack);
    EXPECT_FALSE(doc->CanUndo());
}

TEST_F(PicChildTest, ClearFillsWithTheBackgroundColour)
{
    TVLPicChildWin* doc = newDocument(4, 3, clBlack);
    ToolSettings().SetBackColour(RGBColor(1, 2, 3));
    doc->Clear();
    EXPECT_EQ(doc->Picture().PixelColour(3, 2), RGBColor(1, 2, 3));
    ResetToolSettings();
}

TEST(PicUndoAction, NeedsAPictureDocument)
{
    QObject notADocument;
    try {
        TVLPicGenUndoAction action(&notADocument);
        FAIL() << "no exception";
    } catch (const EVLUndoActionError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Parent Object must be a picture child window"));
    }
}

} // namespace
} // namespace vellum
