#include "app/VLMain.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QtEndian>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "app/StartUp.h"
#include "app/VLClipbrdViewer.h"
#include "app/VLGlobal.h"
#include "app/XMLRegFile.h"
#include "document/VLPicChildWn.h"
#include "document/VLToolVars.h"

namespace vellum {
namespace {

using testing::AppClipboardStore;
using testing::MessageAnswers;

// Every pixel's colour, row after row.
std::vector<TColor> pixels(const TXBitmap& picture)
{
    std::vector<TColor> result;
    for (int y = 0; y < picture.Height(); ++y)
        for (int x = 0; x < picture.Width(); ++x)
            result.push_back(picture.PixelColour(x, y));
    return result;
}

// A 5 x 3 picture whose pixels all differ.
void paint(TXBitmap& picture)
{
    for (int y = 0; y < picture.Height(); ++y)
        for (int x = 0; x < picture.Width(); ++x)
            StorePixel(picture.ScanLine(y) + 3 * x, RGBColor(x * 40, y * 80, 7));
}

void putForeignPicture(int width, int height, TColor colour)
{
    auto* data = new QMimeData;
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(GetRValue(colour), GetGValue(colour), GetBValue(colour)));
    data->setImageData(image);
    QGuiApplication::clipboard()->setMimeData(data);
}

class MainClipboardTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        QGuiApplication::clipboard()->clear();
        AppClipboardStore().RefuseWrites = false;
        m_global = std::make_unique<TVLGlobal>(m_dir.path());
        m_main = std::make_unique<TVellumMain>();
        // After the window's start values (black on white).
        m_main->SetBackgroundColour(RGBColor(1, 2, 3), true);
        m_main->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_main.get()));
    }
    void TearDown() override
    {
        for (QMdiSubWindow* w : m_main->ClientArea()->subWindowList())
            if (auto* doc = qobject_cast<TVLPicChildWin*>(w))
                doc->SetModified(false);
        m_main.reset();
        AppClipboardStore().RefuseWrites = false;
        QGuiApplication::clipboard()->clear();
    }

    TVLPicChildWin* newPicture()
    {
        TVLPicChildWin* doc = m_main->NewPicture(5, 3, clWhite);
        paint(doc->Picture());
        return doc;
    }
    [[nodiscard]] QList<TVLPicChildWin*> documents() const
    {
        QList<TVLPicChildWin*> result;
        for (QMdiSubWindow* w : m_main->ClientArea()->subWindowList())
            if (auto* doc = qobject_cast<TVLPicChildWin*>(w))
                result << doc;
        return result;
    }
    // Cut, Copy, Paste Clever, Paste into Picture, Paste as New, Clear Clipboard.
    [[nodiscard]] std::string states() const
    {
        std::string result;
        for (QAction* a : {m_main->ActCutPic(), m_main->ActCopyPic(), m_main->ActPasteClever(), m_main->ActPasteIntoPic(),
                           m_main->ActPasteAsNew(), m_main->ActClearClipboard()})
            result += a->isEnabled() ? '1' : '0';
        return result;
    }
    [[nodiscard]] QWidget* editButton(const char* name) const
    {
        return m_main->findChild<QWidget*>(QLatin1String(name));
    }

    QTemporaryDir m_dir;
    std::unique_ptr<TVLGlobal> m_global;
    std::unique_ptr<TVellumMain> m_main;
};

TEST_F(MainClipboardTest, CommandsHaveTheirCaptionsShortcutsAndPlaces)
{
    EXPECT_EQ(m_main->ActCutPic()->text(), QStringLiteral("Cu&t"));
    EXPECT_EQ(m_main->ActCutPic()->shortcuts(),
              (QList<QKeySequence>{QKeySequence(QStringLiteral("Ctrl+X")), QKeySequence(QStringLiteral("Shift+Del"))}));
    EXPECT_EQ(m_main->ActCopyPic()->shortcut(), QKeySequence(QStringLiteral("Ctrl+C")));
    EXPECT_EQ(m_main->ActPasteIntoPic()->shortcuts(),
              (QList<QKeySequence>{QKeySequence(QStringLiteral("Ctrl+V")), QKeySequence(QStringLiteral("Shift+Ins"))}));
    EXPECT_EQ(m_main->ActPasteAsNew()->text(), QStringLiteral("Paste as &New Picture"));
    EXPECT_EQ(m_main->ActPasteClever()->toolTip(), QStringLiteral("Paste"));
    EXPECT_EQ(m_main->ActPasteClever()->statusTip(), QStringLiteral("Pastes the Clipboard"));
    EXPECT_EQ(m_main->ActClearClipboard()->statusTip(), QStringLiteral("Removes any picture from the clipboard"));

    QMenu* edit = nullptr;
    for (QAction* a : m_main->menuBar()->actions())
        if (a->text() == QLatin1String("&Edit"))
            edit = a->menu();
    ASSERT_NE(edit, nullptr);
    QStringList entries;
    for (QAction* a : edit->actions())
        entries << (a->isSeparator() ? QStringLiteral("|") : a->text());
    EXPECT_EQ(entries.mid(0, 8), (QStringList{"Undo", "Redo", "|", "Cu&t", "&Copy", "Paste", "Clear Clipboard", "|"}));
    QMenu* paste = edit->findChild<QMenu*>(QStringLiteral("EditPasteMenu"));
    ASSERT_NE(paste, nullptr);
    EXPECT_EQ(paste->actions(), (QList<QAction*>{m_main->ActPasteIntoPic(), m_main->ActPasteAsNew()}));

    auto* bar = m_main->findChild<QToolBar*>(QStringLiteral("EditToolbar"));
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->actions(), (QList<QAction*>{m_main->ActUndo(), m_main->ActRedo(), m_main->ActCutPic(),
                                                m_main->ActCopyPic(), m_main->ActPasteClever(),
                                                m_main->ActClearClipboard()}));
    for (const char* name : {"CutPicTB", "CopyPicTB", "PastePicTB", "ClearClipboardTB"})
        EXPECT_NE(editButton(name), nullptr) << name;
}

TEST_F(MainClipboardTest, StatesFollowTheClipboardAndTheActiveDocument)
{
    struct Case {
        const char* name;
        std::function<void()> put;
        bool hasPicture;
    };
    const TXBitmap own(2, 2);
    const Case cases[] = {
        {"empty", [] { QGuiApplication::clipboard()->clear(); }, false},
        {"text", [] { QGuiApplication::clipboard()->setText(QStringLiteral("words")); }, false},
        {"foreign picture", [] { putForeignPicture(4, 2, RGBColor(255, 0, 0)); }, true},
        {"own picture", [&] { AppClipboardStore().CopyPlainPicture(&own); }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string paste = c.hasPicture ? "1" : "0";
        // Notification without a document: nothing to paste into.
        c.put();
        EXPECT_EQ(states(), "00" + paste + "0" + paste + paste);
        // Activation of a picture.
        TVLPicChildWin* doc = newPicture();
        EXPECT_EQ(states(), "11" + paste + paste + paste + paste);
        // Notification with a picture active.
        QGuiApplication::clipboard()->clear();
        EXPECT_EQ(states(), "110000");
        c.put();
        EXPECT_EQ(states(), "11" + paste + paste + paste + paste);
        EXPECT_EQ(editButton("PastePicTB")->isEnabled(), c.hasPicture);
        // The last document goes.
        doc->SetModified(false);
        doc->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(states(), "00" + paste + "0" + paste + paste);
        EXPECT_FALSE(editButton("CutPicTB")->isEnabled());
    }
}

TEST_F(MainClipboardTest, CopyTakesTheWholePictureAndLeavesTheDocumentAlone)
{
    TVLPicChildWin* doc = newPicture();
    const std::vector<TColor> before = pixels(doc->Picture());
    doc->SetModified(false);
    m_main->ActCopyPic()->trigger();

    TXBitmap pasted;
    std::int32_t tag = 0;
    ASSERT_TRUE(AppClipboardStore().PastePicture(&pasted, tag));
    EXPECT_EQ(tag, -1);
    EXPECT_EQ(pixels(pasted), before);
    EXPECT_EQ(pixels(doc->Picture()), before);
    EXPECT_FALSE(doc->Modified());
    EXPECT_FALSE(doc->CanUndo());
    EXPECT_EQ(states(), "111111");
}

TEST_F(MainClipboardTest, CutTakesTheWholePictureAndClearsItWithAnUndoStep)
{
    TVLPicChildWin* doc = newPicture();
    const std::vector<TColor> before = pixels(doc->Picture());
    doc->SetModified(false);
    m_main->ActCutPic()->trigger();

    TXBitmap pasted;
    std::int32_t tag = 0;
    ASSERT_TRUE(AppClipboardStore().PastePicture(&pasted, tag));
    EXPECT_EQ(pixels(pasted), before);
    EXPECT_EQ(pixels(doc->Picture()), std::vector<TColor>(15, RGBColor(1, 2, 3)));
    EXPECT_TRUE(doc->Modified());
    ASSERT_TRUE(doc->CanUndo());
    m_main->ActUndo()->trigger();
    EXPECT_EQ(pixels(doc->Picture()), before);
    EXPECT_FALSE(doc->Modified());
}

TEST_F(MainClipboardTest, WhenTheClipboardRefusesCopyAndCutChangeNothingAndSaySo)
{
    for (const bool withSelection : {false, true})
        for (QAction* command : {m_main->ActCopyPic(), m_main->ActCutPic()}) {
            SCOPED_TRACE(command->objectName().toStdString() + (withSelection ? " of a selection" : ""));
            TVLPicChildWin* doc = newPicture();
            if (withSelection)
                doc->CreateRectSelection(QRect(1, 1, 3, 2), -1);
            doc->SetModified(false);
            const std::vector<TColor> before = pixels(doc->Picture());
            const int steps = doc->UndoStack().Count();
            AppClipboardStore().RefuseWrites = true;
            MessageAnswers answers({QMessageBox::Ok});
            command->trigger();
            AppClipboardStore().RefuseWrites = false;
            EXPECT_EQ(answers.texts, QStringList{QStringLiteral("Unable to put the picture on the Clipboard")});
            EXPECT_EQ(pixels(doc->Picture()), before);
            EXPECT_FALSE(doc->Modified());
            EXPECT_EQ(doc->UndoStack().Count(), steps);
            EXPECT_FALSE(AppClipboardStore().HasPicture());
            if (withSelection) {
                ASSERT_NE(doc->Selection(), nullptr);
                EXPECT_EQ(doc->Selection()->Bounds, QRect(1, 1, 3, 2));
            }
        }
}

TEST_F(MainClipboardTest, CopyAndCutOfAFloatingSelectionEndItWithAnUndoStep)
{
    struct Case {
        const char* name;
        bool cut;
        TColor transparent; // the colour of pixel (1, 0) keys the selection
    };
    const Case cases[] = {
        {"copy", false, -1},
        {"cut", true, -1},
        {"copy keyed", false, RGBColor(40, 0, 7)},
        {"cut keyed", true, RGBColor(40, 0, 7)},
    };
    const QRect place(1, 0, 2, 2);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TVLPicChildWin* doc = newPicture();
        const std::vector<TColor> original = pixels(doc->Picture());
        doc->CreateRectSelection(place, c.transparent);
        ASSERT_NE(doc->Selection(), nullptr);
        ASSERT_EQ(doc->Selection()->HasMask(), c.transparent >= 0);
        const std::vector<TColor> lifted = pixels(doc->Picture());
        ASSERT_NE(lifted, original);
        const std::vector<TColor> image = pixels(doc->Selection()->Image);
        doc->SetModified(false);
        const int steps = doc->UndoStack().Count();
        (c.cut ? m_main->ActCutPic() : m_main->ActCopyPic())->trigger();

        TXBitmap pasted;
        std::int32_t tag = 0;
        ASSERT_TRUE(AppClipboardStore().PastePicture(&pasted, tag));
        EXPECT_EQ(tag, c.transparent);
        EXPECT_EQ(pixels(pasted), image);
        EXPECT_EQ(doc->Selection(), nullptr);
        // Copy draws the selection back; Cut leaves the hole it was lifted from.
        EXPECT_EQ(pixels(doc->Picture()), c.cut ? lifted : original);
        EXPECT_EQ(doc->Modified(), c.cut);
        EXPECT_EQ(doc->UndoStack().Count(), steps + 1);
        EXPECT_FALSE(m_main->ActCropPic()->isEnabled());

        m_main->ActUndo()->trigger();
        ASSERT_NE(doc->Selection(), nullptr);
        EXPECT_EQ(doc->Selection()->Bounds, place);
        EXPECT_EQ(doc->Selection()->HasMask(), c.transparent >= 0);
        if (c.transparent >= 0) {
            EXPECT_EQ(doc->Selection()->TransparentColour, c.transparent);
        }
        EXPECT_EQ(pixels(doc->Selection()->Image), image);
        EXPECT_EQ(pixels(doc->Picture()), lifted);
        EXPECT_FALSE(doc->Modified());
    }
}

TEST_F(MainClipboardTest, PasteIntoPictureFloatsThePictureAndChoosesSelectRect)
{
    const TColor key = RGBColor(200, 0, 0);
    TXBitmap shaped(2, 1);
    StorePixel(shaped.ScanLine(0) + 0, RGBColor(9, 9, 9));
    StorePixel(shaped.ScanLine(0) + 3, key); // outside the shape
    ASSERT_TRUE(AppClipboardStore().CopyPicture(&shaped, key));
    TVLPicChildWin* doc = newPicture();
    const std::vector<TColor> original = pixels(doc->Picture());
    doc->SetModified(false);
    m_main->ChooseTool(TTool::Pen);

    m_main->ActPasteIntoPic()->trigger();
    ASSERT_NE(doc->Selection(), nullptr);
    EXPECT_EQ(doc->Selection()->Bounds, QRect(0, 0, 2, 1));
    EXPECT_TRUE(doc->Selection()->HitTest(0, 0));
    ASSERT_TRUE(doc->Selection()->HasMask());
    EXPECT_NE(doc->Selection()->Mask->Column(1)[0], 0); // the key colour is transparent
    EXPECT_EQ(pixels(doc->Picture()), original);
    EXPECT_TRUE(doc->Modified());
    EXPECT_EQ(ToolSettings().Tool, TTool::SelectRect);
    EXPECT_TRUE(m_main->ToolAction(TTool::SelectRect)->isChecked());
    EXPECT_TRUE(m_main->ActCropPic()->isEnabled());

    // The Clipboard Viewer's paste into the picture: the first selection is drawn in.
    m_main->ChooseTool(TTool::Pen);
    TXBitmap plain(1, 2);
    StorePixel(plain.ScanLine(0), RGBColor(5, 5, 5));
    StorePixel(plain.ScanLine(1), RGBColor(6, 6, 6));
    m_main->PasteGivenPicture(plain, false, -1);
    ASSERT_NE(doc->Selection(), nullptr);
    EXPECT_EQ(doc->Selection()->Bounds, QRect(0, 0, 1, 2));
    EXPECT_FALSE(doc->Selection()->HasMask());
    std::vector<TColor> committed = original;
    committed[0] = RGBColor(9, 9, 9);
    EXPECT_EQ(pixels(doc->Picture()), committed);
    EXPECT_EQ(ToolSettings().Tool, TTool::SelectRect);
    EXPECT_EQ(documents().size(), 1);

    // Undo brings back the first selection over the untouched picture, then removes it.
    m_main->ActUndo()->trigger();
    ASSERT_NE(doc->Selection(), nullptr);
    EXPECT_EQ(doc->Selection()->Bounds, QRect(0, 0, 2, 1));
    EXPECT_TRUE(doc->Selection()->HasMask());
    EXPECT_EQ(pixels(doc->Picture()), original);
    m_main->ActUndo()->trigger();
    EXPECT_EQ(doc->Selection(), nullptr);
    EXPECT_EQ(pixels(doc->Picture()), original);
    EXPECT_FALSE(doc->Modified());
    EXPECT_FALSE(doc->CanUndo());
}

TEST_F(MainClipboardTest, PasteIntoAScrolledViewPlacesTheSelectionAtTheTopLeftInView)
{
    const TXBitmap own(3, 3);
    ASSERT_TRUE(AppClipboardStore().CopyPlainPicture(&own));
    TVLPicChildWin* doc = m_main->NewPicture(400, 300, clWhite);
    doc->SetZoom(4);
    doc->CentreOn(300, 200);
    const QPoint inView = doc->PictureScrollBox().VisibleRect().topLeft();
    ASSERT_GT(inView.x(), 0);
    ASSERT_GT(inView.y(), 0);
    m_main->ActPasteIntoPic()->trigger();
    ASSERT_NE(doc->Selection(), nullptr);
    EXPECT_EQ(doc->Selection()->Bounds, QRect(inView, QSize(3, 3)));
}

TEST_F(MainClipboardTest, PasteAsNewMakesANumberedPictureWithTheTagColourInTheBackground)
{
    TXBitmap shaped(3, 1);
    StorePixel(shaped.ScanLine(0) + 0, RGBColor(10, 20, 30));
    StorePixel(shaped.ScanLine(0) + 3, RGBColor(0, 255, 0)); // outside the shape
    StorePixel(shaped.ScanLine(0) + 6, RGBColor(0, 254, 0));
    ASSERT_TRUE(AppClipboardStore().CopyPicture(&shaped, RGBColor(0, 255, 0)));
    m_main->ActPasteAsNew()->trigger();

    ASSERT_EQ(documents().size(), 1);
    TVLPicChildWin* doc = documents().first();
    EXPECT_EQ(doc->Title(), QStringLiteral("New Picture #1"));
    EXPECT_EQ(pixels(doc->Picture()), (std::vector<TColor>{RGBColor(10, 20, 30), RGBColor(1, 2, 3), RGBColor(0, 254, 0)}));
    EXPECT_TRUE(doc->Modified());

    // Another program's picture: no colour is transparent. Paste Clever without a picture
    // document active pastes as new as well.
    m_main->ClientArea()->setActiveSubWindow(nullptr);
    putForeignPicture(2, 1, RGBColor(0, 255, 0));
    m_main->ActPasteClever()->trigger();
    ASSERT_EQ(documents().size(), 2);
    EXPECT_EQ(documents().last()->Title(), QStringLiteral("New Picture #2"));
    EXPECT_EQ(pixels(documents().last()->Picture()), std::vector<TColor>(2, RGBColor(0, 255, 0)));
}

// Data that claims a picture but yields none, as an owner that vanished.
class EmptyPictureData : public QMimeData {
public:
    QStringList formats() const override { return {QStringLiteral("application/x-qt-image")}; }
    bool hasFormat(const QString& format) const override { return formats().contains(format); }

protected:
    QVariant retrieveData(const QString&, QMetaType) const override { return QVariant::fromValue(QImage()); }
};

TEST_F(MainClipboardTest, PastingNothingMakesNoPicture)
{
    struct Case {
        const char* name;
        std::function<void()> put;
        QString message;
    };
    const QString noBitmap = QStringLiteral("There is not a bitmap on the Clipboard");
    const Case cases[] = {
        // The command is disabled then; no picture either way.
        {"empty", [] { QGuiApplication::clipboard()->clear(); }, QString()},
        {"text", [] { QGuiApplication::clipboard()->setText(QStringLiteral("x")); }, QString()},
        // The clipboard claims a picture and yields none.
        {"empty fetch", [] { QGuiApplication::clipboard()->setMimeData(new EmptyPictureData); }, noBitmap},
        {"no items",
         [] {
             auto* data = new QMimeData;
             data->setData(QLatin1String(TVLClipboard::PrivateFormatName), QByteArray(4, '\0'));
             QGuiApplication::clipboard()->setMimeData(data);
         },
         QStringLiteral("GetFirstItem - There are no items")},
        {"undecodable first item",
         [] {
             QByteArray bytes(4 + 12 + 20, 'x');
             qToLittleEndian<std::int32_t>(1, bytes.data());
             qToLittleEndian<std::int32_t>(32, bytes.data() + 8);
             auto* data = new QMimeData;
             data->setData(QLatin1String(TVLClipboard::PrivateFormatName), bytes);
             QGuiApplication::clipboard()->setMimeData(data);
         },
         QStringLiteral("GetFirstItem - Error getting item")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.put();
        MessageAnswers answers({QMessageBox::Ok});
        EXPECT_EQ(m_main->ActPasteAsNew()->isEnabled(), !c.message.isEmpty());
        m_main->ActPasteAsNew()->trigger();
        EXPECT_EQ(answers.texts, c.message.isEmpty() ? QStringList() : QStringList{c.message});
        EXPECT_TRUE(documents().isEmpty());
    }
    // Into a picture: nothing at all happens without a picture to paste.
    TVLPicChildWin* doc = newPicture();
    doc->SetModified(false);
    QGuiApplication::clipboard()->setMimeData(new EmptyPictureData);
    m_main->ActPasteIntoPic()->trigger();
    EXPECT_FALSE(doc->CanUndo());
    EXPECT_FALSE(doc->Modified());
}

TEST_F(MainClipboardTest, ClearClipboardDisablesThePasteCommands)
{
    newPicture();
    m_main->ActCopyPic()->trigger();
    ASSERT_EQ(states(), "111111");
    m_main->ActClearClipboard()->trigger();
    EXPECT_EQ(states(), "110000");
    EXPECT_EQ(AppClipboardStore().AvailableFormat(), 0);
}

TEST_F(MainClipboardTest, TheClipboardViewerCommandShowsHidesAndComesBackAfterARestart)
{
    QAction* command = m_main->ActCbViewerStartStop();
    EXPECT_EQ(command->text(), QStringLiteral("Clipboard Viewer"));
    EXPECT_TRUE(command->isCheckable());
    EXPECT_FALSE(command->isChecked());
    auto* viewBar = m_main->findChild<QToolBar*>(QStringLiteral("ViewToolbar"));
    ASSERT_NE(viewBar, nullptr);
    EXPECT_EQ(viewBar->actions().first(), command);
    TCbViewerForm* viewer = m_main->CbViewer();
    ASSERT_NE(viewer, nullptr);
    EXPECT_FALSE(viewer->isVisible());
    EXPECT_EQ(viewer->windowTitle(), QStringLiteral("Clipboard Viewer"));

    command->trigger();
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_EQ(command->statusTip(), QStringLiteral("Hide the Clipboard Viewer"));
    EXPECT_EQ(command->toolTip(), QStringLiteral("Clipboard Viewer"));
    viewer->close(); // its own close box
    EXPECT_FALSE(command->isChecked());
    EXPECT_EQ(command->statusTip(), QStringLiteral("Display the Clipboard Viewer"));

    command->trigger();
    ASSERT_TRUE(m_main->close());
    m_main = std::make_unique<TVellumMain>();
    EXPECT_FALSE(m_main->CbViewer()->isVisible()); // pending until the first show
    m_main->show();
    QCoreApplication::processEvents();
    EXPECT_TRUE(m_main->ActCbViewerStartStop()->isChecked());
    EXPECT_TRUE(m_main->CbViewer()->isVisible());

    m_main->ActCbViewerStartStop()->trigger();
    EXPECT_FALSE(m_main->CbViewer()->isVisible());
    ASSERT_TRUE(m_main->close());
    m_main = std::make_unique<TVellumMain>();
    m_main->show();
    QCoreApplication::processEvents();
    EXPECT_FALSE(m_main->CbViewer()->isVisible());
}

TEST_F(MainClipboardTest, AnotherProgramWithTheFocusLeavesThePictureActive)
{
    AppClipboardStore().CopyPlainPicture(&m_main->NewPicture(3, 2, clWhite)->Picture());
    TVLPicChildWin* doc = m_main->ActivePicture();
    ASSERT_NE(doc, nullptr);
    ASSERT_EQ(states(), "111111");
    m_main->ActCbViewerStartStop()->trigger();
    // The focus goes to another program: the window system deactivates the main window.
    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(m_main->ClientArea(), &deactivate);
    for (QMdiSubWindow* window : m_main->ClientArea()->subWindowList())
        QApplication::sendEvent(window, &deactivate);
    QCoreApplication::processEvents();
    ASSERT_EQ(m_main->ClientArea()->activeSubWindow(), nullptr);
    EXPECT_EQ(m_main->ActivePicture(), doc);
    EXPECT_EQ(states(), "111111");
}

TEST_F(MainClipboardTest, TheViewerPastesAsNewWithoutAPictureDocument)
{
    TXBitmap shaped(2, 1);
    StorePixel(shaped.ScanLine(0) + 0, RGBColor(9, 9, 9));
    StorePixel(shaped.ScanLine(0) + 3, RGBColor(200, 0, 0));
    ASSERT_TRUE(AppClipboardStore().CopyPicture(&shaped, RGBColor(200, 0, 0)));
    m_main->ActCbViewerStartStop()->trigger();
    TCbViewerForm* viewer = m_main->CbViewer();
    ASSERT_EQ(viewer->Items().Count(), 1);
    viewer->PasteCbImage()->trigger(); // no picture to paste into: a new one
    ASSERT_EQ(documents().size(), 1);
    EXPECT_EQ(pixels(documents().first()->Picture()), (std::vector<TColor>{RGBColor(9, 9, 9), RGBColor(1, 2, 3)}));
    EXPECT_FALSE(documents().first()->Picture().Transparent());
    viewer->PasteCbImageAsNew()->trigger();
    ASSERT_EQ(documents().size(), 2);
    EXPECT_EQ(documents().last()->Title(), QStringLiteral("New Picture #2"));
}

} // namespace
} // namespace vellum
