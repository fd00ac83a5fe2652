#include "app/VLMain.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
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
        for (QMdiSubWindow* w : m_main->ClientArea()->subWindowList())
            result << w->windowTitle();
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
    ASSERT_TRUE(m_main->OpenPictureFile(m_dir.path() + QStringLiteral("/ONE.BMP")));
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

TEST_F(MainDocumentsTest, ExitStopsAtTheFirstCancelAndKeepsTheWindowsOpen)
{
    m_main->NewPicture(5, 5, clWhite)->GreyScale();
    m_main->NewPicture(5, 5, clWhite)->GreyScale();
    MessageAnswers answers({QMessageBox::No, QMessageBox::Cancel});
    EXPECT_FALSE(m_main->close());
    settle();
    EXPECT_EQ(answers.texts.size(), 2);
    EXPECT_TRUE(m_main->isVisible());
    EXPECT_EQ(titles().size(), 1); // the first answered No and closed; the second stays
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
