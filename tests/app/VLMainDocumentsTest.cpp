#include "app/VLMain.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileDialog>
#include <QLineEdit>
#include <QPointer>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSet>
#include <QStatusBar>
#include <QToolBar>
#include <QMimeData>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMessageBox>
#include <QUrl>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "app/StartUp.h"
#include "app/VLGlobal.h"
#include "document/VLPicChildWn.h"
#include "print/PrintPreviewDlg.h"

namespace vellum {
namespace {

using testing::MessageAnswers;

class MainDocumentsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_global = std::make_unique<TVLGlobal>(m_dir.path());
        m_main = std::make_unique<TVellumMain>();
        m_main->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_main.get()));
    }
    void TearDown() override
    {
        // Nothing left to ask about.
        for (QMdiSubWindow* w : m_main->ClientArea()->subWindowList())
            if (auto* doc = qobject_cast<TVLPicChildWin*>(w))
                doc->SetModified(false);
        m_main.reset();
        AppParams() = TAppParams();
    }

    [[nodiscard]] QStringList titles() const
    {
        QStringList result;
        // Whole captions: a small window's caption bar shows the name shortened.
        for (QMdiSubWindow* w : m_main->ClientArea()->subWindowList())
            result << qobject_cast<TVLPicChildWin*>(w)->Caption();
        return result;
    }
    static void settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete), QCoreApplication::processEvents(); }

    QString picture(const char* name, int width = 8, int height = 6) const
    {
        const QString path = m_dir.filePath(QString::fromLatin1(name));
        TXBitmap(width, height).SavePicture(path);
        return path;
    }

    QTemporaryDir m_dir;
    std::unique_ptr<TVLGlobal> m_global;
    std::unique_ptr<TVellumMain> m_main;
};

TEST_F(MainDocumentsTest, NewPicturesAreNumberedFromOneAgainAfterTheLastCloses)
{
    m_main->NewPicture(10, 10, clWhite);
    m_main->NewPicture(10, 10, clWhite);
    EXPECT_EQ(titles(), (QStringList{"New Picture #1 [1:1]", "New Picture #2 [1:1]"}));
    m_main->ActCloseAllChildren()->trigger();
    settle();
    EXPECT_TRUE(titles().isEmpty());
    m_main->NewPicture(10, 10, clWhite);
    EXPECT_EQ(titles(), QStringList{"New Picture #1 [1:1]"});
}

TEST_F(MainDocumentsTest, CommandsFollowTheActiveDocument)
{
    EXPECT_FALSE(m_main->ActPicSave()->isEnabled());
    EXPECT_FALSE(m_main->ActUndo()->isEnabled());
    EXPECT_FALSE(m_main->ColourMenu()->menuAction()->isVisible());
    EXPECT_FALSE(m_main->ImageMenu()->menuAction()->isVisible());
    EXPECT_FALSE(m_main->ActFlipPic()->isEnabled());
    TVLPicChildWin* doc = m_main->NewPicture(20, 10, clWhite);
    ASSERT_NE(doc, nullptr);
    EXPECT_TRUE(m_main->ActPicSave()->isEnabled());
    EXPECT_TRUE(m_main->ColourMenu()->menuAction()->isVisible());
    EXPECT_TRUE(m_main->ImageMenu()->menuAction()->isVisible());
    EXPECT_TRUE(m_main->ActFlipPic()->isEnabled());
    EXPECT_FALSE(m_main->ActUndo()->isEnabled());
    EXPECT_EQ(m_main->PanelText(1), QStringLiteral("20w x 10h"));
    m_main->ActGreyScalePic()->trigger();
    EXPECT_TRUE(m_main->ActUndo()->isEnabled());
    EXPECT_EQ(m_main->PanelText(2), QStringLiteral("Modified"));
    m_main->ActUndo()->trigger();
    EXPECT_FALSE(m_main->ActUndo()->isEnabled());
    EXPECT_EQ(m_main->PanelText(2), QString());
}

TEST_F(MainDocumentsTest, RedoBringsBackWhatUndoTookAndFollowsTheActivePicture)
{
    QAction* redo = m_main->ActRedo();
    EXPECT_EQ(redo->text(), QStringLiteral("Redo"));
    EXPECT_EQ(redo->toolTip(), QStringLiteral("Redo"));
    EXPECT_EQ(redo->statusTip(), QStringLiteral("Redo the last undone change"));
    EXPECT_EQ(redo->shortcuts(), (QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::Key_Y),
                                                      QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)}));
    EXPECT_FALSE(redo->icon().isNull());
    EXPECT_FALSE(redo->isEnabled());

    TVLPicChildWin* first = m_main->NewPicture(20, 10, RGBColor(200, 100, 50));
    ASSERT_NE(first, nullptr);
    EXPECT_FALSE(redo->isEnabled());
    m_main->ActGreyScalePic()->trigger();
    const TColor grey = first->Picture().PixelColour(3, 3);
    EXPECT_FALSE(redo->isEnabled());
    m_main->ActUndo()->trigger();
    EXPECT_TRUE(redo->isEnabled());
    EXPECT_FALSE(first->Modified());

    // Another picture has nothing to redo; back to the first, Redo is there again.
    TVLPicChildWin* second = m_main->NewPicture(5, 5, clWhite);
    ASSERT_NE(second, nullptr);
    EXPECT_FALSE(redo->isEnabled());
    m_main->ClientArea()->setActiveSubWindow(first);
    ASSERT_EQ(m_main->ActivePicture(), first);
    EXPECT_TRUE(redo->isEnabled());

    redo->trigger();
    EXPECT_EQ(first->Picture().PixelColour(3, 3), grey);
    EXPECT_TRUE(first->Modified());
    EXPECT_EQ(m_main->PanelText(2), QStringLiteral("Modified"));
    EXPECT_FALSE(redo->isEnabled());
    EXPECT_TRUE(m_main->ActUndo()->isEnabled());

    // A new edit ends what there was to redo.
    m_main->ActUndo()->trigger();
    EXPECT_TRUE(redo->isEnabled());
    m_main->ActNegativePic()->trigger();
    EXPECT_FALSE(redo->isEnabled());
}

// Captions of a list of actions, "|" for a separator.
QStringList captions(const QList<QAction*>& actions)
{
    QStringList result;
    for (QAction* action : actions)
        result << (action->isSeparator() ? QStringLiteral("|") : action->text());
    return result;
}

TEST_F(MainDocumentsTest, PrintHasItsPlacesAndFollowsTheActivePicture)
{
    QAction* print = m_main->ActPrintPic();
    EXPECT_EQ(print->text(), QStringLiteral("&Print"));
    EXPECT_EQ(print->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_P));
    EXPECT_EQ(print->toolTip(), QStringLiteral("Print"));
    EXPECT_EQ(print->statusTip(), QStringLiteral("Print picture"));
    EXPECT_FALSE(print->isEnabled());

    const QStringList menu = captions(m_main->menuBar()->actions().first()->menu()->actions());
    const qsizetype closeAll = menu.indexOf(QStringLiteral("Close All"));
    ASSERT_GE(closeAll, 0);
    EXPECT_EQ(menu.mid(closeAll, 4), (QStringList{"Close All", "|", "&Print", "|"}));

    auto* bar = m_main->findChild<QToolBar*>(QStringLiteral("FileToolbar"));
    ASSERT_NE(bar, nullptr);
    const QList<QAction*> buttons = bar->actions();
    const qsizetype saveAs = buttons.indexOf(m_main->ActPicSaveAs());
    ASSERT_GE(saveAs, 0);
    ASSERT_GT(buttons.size(), saveAs + 2);
    EXPECT_TRUE(buttons[saveAs + 1]->isSeparator());
    EXPECT_EQ(buttons[saveAs + 2], print);

    m_main->NewPicture(30, 20, clWhite);
    EXPECT_TRUE(print->isEnabled());
}

TEST_F(MainDocumentsTest, PrintOpensThePreviewOfTheActivePicture)
{
    m_main->NewPicture(30, 20, clWhite);
    QString title;
    double aspect = 0;
    QTimer closer;
    closer.setInterval(10);
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (auto* dialog = qobject_cast<TPrintPreviewDialog*>(QApplication::activeModalWidget())) {
            title = dialog->windowTitle();
            aspect = dialog->Layout().PictureAspect();
            closer.stop();
            dialog->reject();
        }
    });
    closer.start();
    m_main->ActPrintPic()->trigger();
    EXPECT_EQ(title, QStringLiteral("Print Picture"));
    EXPECT_DOUBLE_EQ(aspect, 1.5);
}

TEST_F(MainDocumentsTest, AnOpenFileComesToTheFrontInsteadOfOpeningTwice)
{
    const QString path = picture("one.bmp");
    ASSERT_TRUE(m_main->OpenPictureFile(path));
    m_main->NewPicture(5, 5, clWhite);
    ASSERT_TRUE(m_main->OpenPictureFile(m_dir.path() + QStringLiteral("/./one.bmp")));
    EXPECT_EQ(titles().size(), 2);
    ASSERT_NE(m_main->ActivePicture(), nullptr);
    EXPECT_EQ(m_main->ActivePicture()->Title(), QStringLiteral("one.bmp"));

    MessageAnswers answers({QMessageBox::Ok});
    EXPECT_FALSE(m_main->OpenPictureFile(m_dir.filePath(QStringLiteral("gone.bmp"))));
    EXPECT_EQ(answers.texts, QStringList{QStringLiteral("File %1 does not exist").arg(m_dir.filePath("gone.bmp"))});
}

TEST_F(MainDocumentsTest, TheSavePromptsThreeAnswers)
{
    TVLPicChildWin* doc = m_main->NewPicture(5, 5, clWhite);
    doc->GreyScale();
    {
        MessageAnswers answers({QMessageBox::Cancel});
        EXPECT_FALSE(doc->close());
        EXPECT_EQ(answers.texts, QStringList{QStringLiteral("Save changes to New Picture #1 ?")});
    }
    EXPECT_EQ(titles().size(), 1);

    // Yes on a picture with a name saves it, then closes.
    const QString path = picture("saved.bmp", 3, 3);
    ASSERT_TRUE(m_main->OpenPictureFile(path));
    TVLPicChildWin* named = m_main->ActivePicture();
    const TColor before = named->Picture().PixelColour(0, 0);
    named->Negative();
    {
        MessageAnswers answers({QMessageBox::Yes});
        EXPECT_TRUE(named->close());
    }
    settle();
    TXBitmap onDisk;
    onDisk.LoadPicture(path);
    EXPECT_EQ(onDisk.PixelColour(0, 0), 0xFFFFFF ^ before); // the negative went to the file

    {
        MessageAnswers answers({QMessageBox::No});
        EXPECT_TRUE(doc->close());
    }
    settle();
    EXPECT_TRUE(titles().isEmpty());
}

TEST_F(MainDocumentsTest, ExitAsksEveryDocumentBeforeClosingAny)
{
    m_main->NewPicture(5, 5, clWhite)->GreyScale();
    m_main->NewPicture(5, 5, clWhite)->GreyScale();
    {
        MessageAnswers answers({QMessageBox::No, QMessageBox::Cancel});
        EXPECT_FALSE(m_main->close());
        settle();
        EXPECT_EQ(answers.texts, (QStringList{"Save changes to New Picture #2 ?", "Save changes to New Picture #1 ?"}));
    }
    EXPECT_TRUE(m_main->isVisible());
    ASSERT_EQ(titles().size(), 2); // the one answered No keeps its changes too
    for (QMdiSubWindow* w : m_main->ClientArea()->subWindowList())
        EXPECT_TRUE(qobject_cast<TVLPicChildWin*>(w)->Modified());

    // When all agree, each is asked once and all close.
    MessageAnswers answers({QMessageBox::No, QMessageBox::No});
    EXPECT_TRUE(m_main->close());
    settle();
    EXPECT_EQ(answers.texts.size(), 2);
    EXPECT_TRUE(titles().isEmpty());
}

// Yes whose save did not happen keeps the window with its changes, and stops an Exit there.
TEST_F(MainDocumentsTest, AYesWhoseSaveFailedKeepsTheWindow)
{
    struct Case {
        const char* what;
        bool named;
        std::vector<MessageAnswers::Answer> answers;
    };
    const std::vector<Case> cases{
        {"save dialog cancelled", false, {QMessageBox::Yes, ""}},
        {"file cannot be written", true, {QMessageBox::Yes, QMessageBox::Ok}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TVLPicChildWin* doc = nullptr;
        if (c.named) {
            // The picture's folder went away: the save fails.
            QDir(m_dir.path()).mkdir(QStringLiteral("gone"));
            const QString path = m_dir.filePath(QStringLiteral("gone/p.bmp"));
            TXBitmap(4, 4).SavePicture(path);
            ASSERT_TRUE(m_main->OpenPictureFile(path));
            doc = m_main->ActivePicture();
            QDir(m_dir.filePath(QStringLiteral("gone"))).removeRecursively();
        } else {
            doc = m_main->NewPicture(5, 5, clWhite);
        }
        doc->Flip();
        {
            MessageAnswers answers(c.answers);
            EXPECT_FALSE(doc->close());
            EXPECT_TRUE(answers.allAnswered());
        }
        settle();
        EXPECT_EQ(titles().size(), 1);
        EXPECT_TRUE(doc->Modified());
        {
            MessageAnswers answers(c.answers);
            EXPECT_FALSE(m_main->close());
        }
        settle();
        EXPECT_TRUE(m_main->isVisible());
        EXPECT_EQ(titles().size(), 1);
        doc->SetModified(false);
        doc->close();
        settle();
    }
}

TEST_F(MainDocumentsTest, UndoPastASaveLeavesThePictureModified)
{
    const QString path = picture("flip.bmp", 2, 2);
    ASSERT_TRUE(m_main->OpenPictureFile(path));
    TVLPicChildWin* doc = m_main->ActivePicture();
    doc->Picture().ScanLine(0)[2] = 255; // top-left red: the flip shows
    m_main->ActFlipPic()->trigger();
    m_main->ActPicSave()->trigger();
    EXPECT_EQ(m_main->PanelText(2), QString());
    m_main->ActUndo()->trigger();
    EXPECT_TRUE(doc->Modified()); // the window differs from the file now
    EXPECT_EQ(m_main->PanelText(2), QStringLiteral("Modified"));
    MessageAnswers answers({QMessageBox::Cancel});
    EXPECT_FALSE(doc->close());
    EXPECT_EQ(answers.texts, QStringList{QStringLiteral("Save changes to flip.bmp ?")});
}

TEST_F(MainDocumentsTest, AFailedEditLeavesTheUndoHistoryAsItWas)
{
    TVLPicChildWin* doc = m_main->NewPicture(4, 4, clWhite);
    struct Case {
        const char* edit;
        int stepsBefore;
        std::function<void()> run;
    };
    const std::vector<Case> cases{
        {"resize, empty history", 0, [&] { doc->Resize(100000, 4); }},
        {"resample, full history", 5, [&] { doc->Resample(4, 100000); }},
        {"enlarge canvas, two steps", 2, [&] { doc->EnlargeCanvas(100000, 100000, true, clBlack); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.edit);
        while (doc->UndoLast()) {
        }
        for (int i = 0; i < c.stepsBefore; ++i)
            doc->Flip();
        EXPECT_THROW(c.run(), std::exception);
        EXPECT_EQ(doc->UndoStack().Count(), c.stepsBefore);
        EXPECT_EQ(m_main->ActUndo()->isEnabled(), c.stepsBefore > 0);
        EXPECT_EQ(doc->Picture().Width(), 4);
        // No step that does nothing is left.
        for (int i = 0; i < c.stepsBefore; ++i)
            EXPECT_TRUE(doc->UndoLast());
        EXPECT_FALSE(doc->UndoLast());
    }
}

TEST_F(MainDocumentsTest, TheStatusBarFollowsTheActiveDocument)
{
    TVLPicChildWin* small = m_main->NewPicture(20, 10, clWhite);
    TVLPicChildWin* large = m_main->NewPicture(30, 40, clWhite);
    large->Flip();
    auto status = [&] { return QStringList{m_main->PanelText(1), m_main->PanelText(2)}; };
    EXPECT_EQ(status(), (QStringList{"30w x 40h", "Modified"}));
    m_main->ClientArea()->setActiveSubWindow(small);
    EXPECT_EQ(status(), (QStringList{"20w x 10h", ""}));
    EXPECT_TRUE(small->Active());
    EXPECT_FALSE(large->Active());

    // Restored from an icon.
    large->showMinimized();
    m_main->ClientArea()->setActiveSubWindow(small);
    large->showNormal();
    m_main->ClientArea()->setActiveSubWindow(large);
    EXPECT_EQ(status(), (QStringList{"30w x 40h", "Modified"}));

    // The mouse leaving a view clears panel 3 only for the active document.
    m_main->SetPanelText(3, QStringLiteral("1 , 2"));
    small->PictureScrollBox().OnExit(&small->PictureScrollBox());
    EXPECT_EQ(m_main->PanelText(3), QStringLiteral("1 , 2"));
    large->PictureScrollBox().OnExit(&large->PictureScrollBox());
    EXPECT_EQ(m_main->PanelText(3), QString());

    // Closed: the one left shows.
    large->SetModified(false);
    large->close();
    settle();
    EXPECT_EQ(status(), (QStringList{"20w x 10h", ""}));
    EXPECT_TRUE(small->Active());
}

// A record whose undo fails, as one can when memory runs out.
class FailingUndo : public TVLPicUndoAction {
public:
    using TVLPicUndoAction::TVLPicUndoAction;

protected:
    void DoUndo(TVLPicChildWin&, TChangeSet&) override { throw std::bad_alloc(); }
};

TEST_F(MainDocumentsTest, ACommandThatThrowsShowsTheErrorAndTheProgramGoesOn)
{
    TVLPicChildWin* doc = m_main->NewPicture(4, 4, clWhite);
    struct Case {
        const char* command;
        std::function<void()> arrange;
    };
    // Each command's first step fails: recording the undo step, or the undo itself.
    auto failingRecord = [&] {
        doc->OnUndoChange = [](TVLPicChildWin*, int count) {
            if (count > 0)
                throw std::bad_alloc();
        };
    };
    const std::vector<Case> cases{
        {"ActUndo", [&] { doc->AddUndoAction<FailingUndo>(); }},
        {"ActGreyScalePic", failingRecord},
        {"ActNegativePic", failingRecord},
        {"ActFlipPic", failingRecord},
        {"ActMirrorPic", failingRecord},
        {"ActClearPic", failingRecord},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        auto* action = m_main->findChild<QAction*>(QString::fromLatin1(c.command));
        ASSERT_NE(action, nullptr);
        c.arrange();
        MessageAnswers answers({QMessageBox::Ok});
        action->trigger();
        EXPECT_EQ(answers.texts, QStringList{QStringLiteral("Out of memory")});
        EXPECT_TRUE(m_main->isVisible());
        EXPECT_EQ(titles().size(), 1);
        doc->OnUndoChange = nullptr;
    }
}

TEST_F(MainDocumentsTest, PictureChangesReachTheMainWindow)
{
    TVLPicChildWin* doc = m_main->NewPicture(4, 4, clWhite);
    std::vector<std::pair<TVLPicChildWin*, std::uint16_t>> changes;
    QObject::connect(m_main.get(), &TVellumMain::PictureChanged,
                     [&](TVLPicChildWin* sender, std::uint16_t set) { changes.emplace_back(sender, set); });
    m_main->ActFlipPic()->trigger();
    doc->SetZoom(3);
    const std::vector<std::pair<TVLPicChildWin*, std::uint16_t>> expected{{doc, chgPicture},
                                                                          {doc, chgZoom | chgViewSize}};
    // Resizing the window on the way may report more; these two come in this order.
    std::vector<std::pair<TVLPicChildWin*, std::uint16_t>> seen;
    for (const auto& change : changes)
        if (change.second == chgPicture || change.second == (chgZoom | chgViewSize))
            seen.push_back(change);
    EXPECT_EQ(seen, expected);
}

TEST_F(MainDocumentsTest, ANameTypedWithoutExtensionTakesTheSelectedFilters)
{
    struct Case {
        const char* path;
        const char* typed;
        const char* written;
    };
    const std::vector<Case> cases{
        {"Save of a new picture", "np3", "np3.bmp"},
        {"the close prompt's Yes", "np4", "np4.bmp"},
        {"Save As of a JPEG", "copy", "copy.jpg"},
        {"a name with its extension", "kept.gif", "kept.gif"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const QString typed = m_dir.filePath(QString::fromLatin1(c.typed));
        const std::string path = c.path;
        if (path == "the close prompt's Yes") {
            m_main->NewPicture(5, 5, clWhite)->Flip();
            MessageAnswers answers({QMessageBox::Yes, typed});
            EXPECT_TRUE(m_main->ActivePicture()->close());
        } else if (path == "Save As of a JPEG") {
            const QString jpeg = m_dir.filePath(QStringLiteral("photo.jpg"));
            TXBitmap(6, 6).SavePicture(jpeg);
            ASSERT_TRUE(m_main->OpenPictureFile(jpeg));
            MessageAnswers answers({typed});
            m_main->ActPicSaveAs()->trigger();
        } else {
            m_main->NewPicture(5, 5, clWhite);
            MessageAnswers answers({typed});
            m_main->ActPicSave()->trigger();
        }
        settle();
        EXPECT_TRUE(QFileInfo::exists(m_dir.filePath(QString::fromLatin1(c.written))));
        EXPECT_FALSE(QFileInfo::exists(typed) && QString::fromLatin1(c.typed) != QString::fromLatin1(c.written));
    }
}

TEST_F(MainDocumentsTest, AFailedSaveNamesTheTargetAndTheReason)
{
    TVLPicChildWin* doc = m_main->NewPicture(5, 5, clWhite);
    {
        MessageAnswers answers({m_dir.filePath(QStringLiteral("x.png")), QMessageBox::Ok});
        m_main->ActPicSave()->trigger();
        EXPECT_EQ(answers.texts, QStringList{QStringLiteral("Error Saving Picture \nUnknown picture format :PNG")});
    }
    const QString folder = m_dir.filePath(QStringLiteral("sub"));
    QDir().mkpath(folder);
    const QString path = folder + QStringLiteral("/p.bmp");
    ASSERT_TRUE(doc->SaveToFile(path));
    QDir(folder).removeRecursively();
    MessageAnswers answers({QMessageBox::Ok});
    m_main->ActPicSave()->trigger();
    ASSERT_EQ(answers.texts.size(), 1);
    const QStringList lines = answers.texts[0].split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], QStringLiteral("Error Saving Picture %1").arg(path));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("Cannot create file \"%1\"").arg(path))) << lines[1].toStdString();
}

TEST_F(MainDocumentsTest, ATruncatedJpegOpensWithAWord)
{
    TXBitmap photo(200, 150);
    for (int y = 0; y < 150; ++y)
        for (int x = 0; x < 600; ++x)
            photo.ScanLine(y)[x] = std::uint8_t((x * 7919 + y * 104729) % 251); // noise: many bytes
    const QString whole = m_dir.filePath(QStringLiteral("whole.jpg"));
    photo.SavePicture(whole);
    QFile file(whole);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const QString cut = m_dir.filePath(QStringLiteral("cut.jpg"));
    QFile out(cut);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(bytes.left(bytes.size() / 3));
    out.close();

    {
        MessageAnswers answers({QMessageBox::Ok});
        ASSERT_TRUE(m_main->OpenPictureFile(cut));
        EXPECT_EQ(answers.texts,
                  QStringList{QStringLiteral("The picture file %1 is incomplete: the part that is missing is shown grey.").arg(cut)});
    }
    MessageAnswers answers({QMessageBox::Ok});
    ASSERT_TRUE(m_main->OpenPictureFile(whole));
    ASSERT_TRUE(m_main->OpenPictureFile(cut)); // already open: no second box
    QTest::qWait(50);
    EXPECT_TRUE(answers.texts.isEmpty());
    EXPECT_EQ(titles().size(), 2);
}

TEST_F(MainDocumentsTest, TilingPutsTheWindowsSideBySide)
{
    auto* tileVertically = m_main->findChild<QAction*>(QStringLiteral("ActWindowTileVertical"));
    auto* tileHorizontally = m_main->findChild<QAction*>(QStringLiteral("ActWindowTileHorizontal"));
    ASSERT_NE(tileVertically, nullptr);
    ASSERT_NE(tileHorizontally, nullptr);
    EXPECT_FALSE(tileVertically->isEnabled());
    TVLPicChildWin* a = m_main->NewPicture(30, 30, clWhite);
    TVLPicChildWin* b = m_main->NewPicture(30, 30, clWhite);
    EXPECT_TRUE(tileVertically->isEnabled());
    const QSize area = m_main->AvailableDocumentArea();
    tileVertically->trigger();
    EXPECT_EQ(a->geometry().top(), 0);
    EXPECT_EQ(b->geometry().top(), 0);
    EXPECT_EQ(a->width(), area.width() / 2);
    EXPECT_EQ(std::abs(a->x() - b->x()), area.width() / 2);
    tileHorizontally->trigger();
    EXPECT_EQ(a->width(), area.width());
    EXPECT_EQ(std::abs(a->y() - b->y()), area.height() / 2);
}

TEST_F(MainDocumentsTest, OfSeveralDroppedFilesOnlyTheFirstOpens)
{
    m_main->OpenDroppedFiles({QUrl::fromLocalFile(picture("first.bmp")), QUrl::fromLocalFile(picture("second.bmp")),
                              QUrl::fromLocalFile(picture("third.bmp"))});
    EXPECT_EQ(titles(), QStringList{QStringLiteral("first.bmp [1:1]")});
}

TEST_F(MainDocumentsTest, ADragIsTakenOnlyForAPictureAndItsErrorComesAfterTheDrop)
{
    struct Case {
        QStringList files;
        bool accepted;
    };
    const std::vector<Case> cases{
        {{"notes.txt", "a.bmp"}, false}, {{"a.BMP"}, true},    {{"b.jpeg", "c.txt"}, true},
        {{"d.Jpg"}, true},               {{"e.gif"}, true},    {{"f.png"}, false},
        {{"noextension"}, false},        {{}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.files.join(u' ').toStdString());
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& f : c.files)
            urls << QUrl::fromLocalFile(m_dir.filePath(f));
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        enter.setAccepted(false);
        QApplication::sendEvent(m_main.get(), &enter);
        EXPECT_EQ(enter.isAccepted(), c.accepted);
    }

    QMimeData data;
    const QString missing = m_dir.filePath(QStringLiteral("missing.bmp"));
    data.setUrls({QUrl::fromLocalFile(missing)});
    MessageAnswers answers({QMessageBox::Ok});
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_main.get(), &drop);
    EXPECT_TRUE(answers.texts.isEmpty()); // no box while the drop runs
    QTRY_COMPARE(answers.texts, QStringList{QStringLiteral("File %1 does not exist").arg(missing)});
}

TEST_F(MainDocumentsTest, AMinimisedWindowChosenFromTheListIsShownAndIconsWrapInsideTheArea)
{
    QList<TVLPicChildWin*> docs;
    for (int i = 0; i < 8; ++i)
        docs << m_main->NewPicture(20, 20, clWhite);
    m_main->resize(420, 400);
    QCoreApplication::processEvents();
    m_main->findChild<QAction*>(QStringLiteral("ActWindowMinimizeAll"))->trigger();
    m_main->findChild<QAction*>(QStringLiteral("ActWindowArrangeAll"))->trigger();
    const QSize area = m_main->ClientArea()->viewport()->size();
    QSet<int> rows;
    for (TVLPicChildWin* doc : docs) {
        EXPECT_GE(doc->x(), 0);
        EXPECT_LE(doc->x() + doc->width(), area.width());
        EXPECT_GE(doc->y(), 0);
        rows << doc->y();
    }
    EXPECT_GT(rows.size(), 1);

    QMenu* windowMenu = nullptr;
    for (QAction* a : m_main->menuBar()->actions())
        if (a->text() == QStringLiteral("&Window"))
            windowMenu = a->menu();
    ASSERT_NE(windowMenu, nullptr);
    emit windowMenu->aboutToShow();
    QAction* entry = nullptr;
    for (QAction* a : windowMenu->actions())
        if (a->text() == docs[3]->Caption())
            entry = a;
    ASSERT_NE(entry, nullptr);
    entry->trigger();
    EXPECT_FALSE(docs[3]->isMinimized());
    EXPECT_EQ(m_main->ActivePicture(), docs[3]);
}

TEST_F(MainDocumentsTest, StatusPanelsAndToolBarsAsGiven)
{
    m_main->resize(900, 500);
    QCoreApplication::processEvents();
    // Panel 3 may be wider: it is as wide as the widest position needs.
    const int widths[] = {0, 180, 200, 50};
    int others = 0;
    for (int i = 1; i < 4; ++i) {
        auto* panel = m_main->findChild<QLabel*>(QStringLiteral("StatusPanel%1").arg(i));
        ASSERT_NE(panel, nullptr);
        if (i < 3)
            EXPECT_EQ(panel->width(), widths[i]) << i;
        else
            EXPECT_GE(panel->width(), widths[i]) << i;
        EXPECT_EQ(panel->alignment(), Qt::AlignCenter) << i;
        others += panel->width();
    }
    // Panel 0 takes the rest: the bar less the three others, their spacing and the size grip.
    EXPECT_GT(m_main->findChild<QLabel*>(QStringLiteral("StatusPanel0"))->width(), m_main->statusBar()->width() - others - 60);
    // A long hint stays in its panel.
    m_main->SetPanelText(0, QString(400, QLatin1Char('x')));
    QCoreApplication::processEvents();
    EXPECT_EQ(m_main->findChild<QLabel*>(QStringLiteral("StatusPanel1"))->width(), 180);

    struct Bar {
        const char* name;
        const char* caption;
    };
    for (const Bar& b : {Bar{"FileToolbar", "File"}, Bar{"ImageToolbar", "ImageToolbar"},
                         Bar{"ColourToolbar", "ColourToolBar"}, Bar{"EditToolbar", "Edit"}}) {
        auto* bar = m_main->findChild<QToolBar*>(QString::fromLatin1(b.name));
        ASSERT_NE(bar, nullptr) << b.name;
        EXPECT_EQ(bar->windowTitle(), QString::fromLatin1(b.caption));
        EXPECT_EQ(bar->allowedAreas(), Qt::TopToolBarArea) << b.name;
    }
    EXPECT_TRUE(m_main->findChild<QToolBar*>(QStringLiteral("FileToolbar"))->actions().contains(m_main->ActPicSaveAs()));
    const QList<QAction*> image = m_main->findChild<QToolBar*>(QStringLiteral("ImageToolbar"))->actions();
    ASSERT_GE(image.size(), 5);
    EXPECT_EQ(image[2], m_main->ActRotatePic());
    EXPECT_TRUE(image[3]->isSeparator());
    EXPECT_EQ(image[4], m_main->ActClearPic());
    EXPECT_EQ(m_main->ClientArea()->horizontalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
    EXPECT_EQ(m_main->ClientArea()->verticalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
}

TEST_F(MainDocumentsTest, HelpShowsOurOwnDocument)
{
    m_main->ActHelp()->trigger();
    ASSERT_NE(m_main->HelpWindow(), nullptr);
    EXPECT_TRUE(m_main->HelpWindow()->isVisible());
    EXPECT_TRUE(m_main->HelpWindow()->toPlainText().contains(QStringLiteral("Vellum Help")));
}

TEST_F(MainDocumentsTest, FilesNamedOnTheCommandLineOpenAtTheFirstShow)
{
    m_main.reset();
    const QString a = picture("a.bmp");
    const QString b = picture("b.bmp");
    AppParams() = TAppParams(QStringList{a, b});
    m_main = std::make_unique<TVellumMain>();
    m_main->show();
    QTRY_COMPARE_WITH_TIMEOUT(titles().size(), 2, 2000);
    EXPECT_FALSE(AppParams().Has(TAppParams::apOpenFiles));
    m_main->hide();
    m_main->show();
    QCoreApplication::processEvents();
    EXPECT_EQ(titles().size(), 2); // a later show opens nothing again
}

} // namespace
} // namespace vellum
