#include "app/VLMain.h"

#include <QAction>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>

#include <gtest/gtest.h>

#include "BrowserTestHelpers.h"
#include "browser/FileSystemTestSupport.h"
#include "app/RenameFileDlg.h"
#include "app/RenameFilesDlg.h"
#include "app/SettingsKeys.h"
#include "app/VLBrwsrChildWn.h"
#include "app/VLGlobal.h"
#include "app/XMLRegFile.h"
#include "browser/AdvSelectDrawGrid.h"
#include "browser/FileAdmin.h"
#include "document/VLPicChildWn.h"

namespace vellum {
namespace {

using namespace testing;

// Answers the rename dialogs with the given texts in order ("<cancel>" cancels) and every
// message box with its first button; records the boxes' texts.
class DialogScript : public QObject {
public:
    explicit DialogScript(QStringList entries) : m_entries(std::move(entries))
    {
        m_timer.setInterval(10);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                if (box == m_lastBox)
                    return;
                m_lastBox = box;
                boxes << box->text();
                // Queued: a box or dialog that opens from the click must not block this timer.
                QMetaObject::invokeMethod(box->buttons().first(), &QAbstractButton::click, Qt::QueuedConnection);
                return;
            }
            auto* dialog = qobject_cast<TStandardDialog*>(modal);
            if (dialog == nullptr || m_entries.isEmpty() || m_clicked.contains(dialog))
                return;
            const QString entry = m_entries.takeFirst();
            // One answer per showing: the dialog comes up again after a box.
            m_clicked << dialog;
            if (entry == QLatin1String("<cancel>")) {
                QMetaObject::invokeMethod(dialog->CancelButton(), &QAbstractButton::click, Qt::QueuedConnection);
                return;
            }
            dialog->findChild<QLineEdit*>(QStringLiteral("FileNameEdit"))->setText(entry);
            QMetaObject::invokeMethod(
                dialog,
                [this, dialog] {
                    dialog->OKButton()->click();
                    m_clicked.removeAll(dialog);
                },
                Qt::QueuedConnection);
        });
        m_timer.start();
    }
    QStringList boxes;

private:
    QStringList m_entries;
    QTimer m_timer;
    QPointer<QMessageBox> m_lastBox;
    QList<QPointer<QWidget>> m_clicked;
};

class MainBrowseTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_global = std::make_unique<TVLGlobal>(m_dir.path());
        m_main = std::make_unique<TVellumMain>();
        m_main->resize(1000, 700);
        m_main->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_main.get()));
        QCoreApplication::processEvents();
        TFileAdminPrompts prompts;
        prompts.Ask = [this](const QString& question) {
            questions << question;
            return true;
        };
        prompts.Error = [this](const QString& message) { messages << message; };
        SetFileAdminPrompts(prompts);
    }
    void TearDown() override
    {
        ResetFileAdminPrompts();
        m_main.reset();
    }

    QAction* action(const char* name) const { return m_main->findChild<QAction*>(QLatin1String(name)); }
    TVLBrowserChildWn* browse(const QString& folder)
    {
        TVLBrowserChildWn* browser = m_main->OpenBrowser(folder, false);
        EXPECT_NE(browser, nullptr);
        if (browser != nullptr) {
            EXPECT_TRUE(WaitForBrowser(*browser));
        }
        return browser;
    }
    QString folder(const QString& name, const QStringList& pictures) const
    {
        return PictureFolder(m_dir.filePath(name), pictures);
    }
    static QStringList files(const QString& folder)
    {
        return QDir(folder).entryList({QStringLiteral("*.bmp"), QStringLiteral("*.jpg"), QStringLiteral("*.JPG")},
                                      QDir::Files, QDir::Name);
    }

    QTemporaryDir m_dir;
    std::unique_ptr<TVLGlobal> m_global;
    std::unique_ptr<TVellumMain> m_main;
    QStringList questions;
    QStringList messages;
};

TEST_F(MainBrowseTest, TheBrowseMenuFollowsTheActiveBrowser)
{
    auto* menu = m_main->findChild<QMenu*>(QStringLiteral("BrowseMenu"));
    ASSERT_NE(menu, nullptr);
    QStringList captions;
    for (QAction* entry : menu->actions())
        captions << (entry->isSeparator() ? QStringLiteral("|") : entry->text());
    EXPECT_EQ(captions, (QStringList{"Refresh", "Show Directories", "|", "Sort by name", "Sort by date", "Sort by type",
                                     "Sort by size", "Sort ascending", "Sort descending", "|", "Open picture",
                                     "Copy picture", "Move picture", "Delete picture", "Rename picture",
                                     "Rename pictures"}));
    EXPECT_EQ(action("ActBrwsrSortBySize")->statusTip(), QStringLiteral("Sort browser files by image size"));
    EXPECT_EQ(action("ActBrowseDir")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_B));
    EXPECT_TRUE(action("ActBrwsrSortAsc")->isChecked());
    auto* bar = m_main->findChild<QToolBar*>(QStringLiteral("BrowseToolbar"));
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->windowTitle(), QStringLiteral("Browser"));
    EXPECT_EQ(bar->actions().first()->toolTip(), QStringLiteral("Open selected picture/s in browser"));
    EXPECT_FALSE(menu->menuAction()->isVisible());

    struct Case {
        int pictures;
        bool sortOn;
        bool fileOn;
    };
    const Case cases[] = {{0, false, false}, {1, false, true}, {2, true, true}};
    for (const Case& c : cases) {
        TVLBrowserChildWn* browser = browse(folder(QStringLiteral("n%1").arg(c.pictures), NumberedNames(c.pictures)));
        ASSERT_NE(browser, nullptr);
        EXPECT_TRUE(menu->menuAction()->isVisible());
        EXPECT_TRUE(action("ActBrwsrRefresh")->isEnabled());
        EXPECT_EQ(action("ActBrwsrSortByName")->isEnabled(), c.sortOn) << c.pictures;
        EXPECT_EQ(action("ActBrwsrSortDesc")->isEnabled(), c.sortOn) << c.pictures;
        EXPECT_EQ(action("ActBrwsrOpenImage")->isEnabled(), c.fileOn) << c.pictures;
        EXPECT_EQ(action("ActBrwsrRenameImages")->isEnabled(), c.fileOn) << c.pictures;
    }
    // Select All selects every cell of a browser.
    action("ActSelectAll")->trigger();
    EXPECT_EQ(m_main->ActiveBrowser()->SelectedNames(), NumberedNames(2));
    // Open picture opens the selection as picture documents.
    action("ActBrwsrOpenImage")->trigger();
    EXPECT_FALSE(menu->menuAction()->isVisible()) << "a picture is active now";
    EXPECT_EQ(m_main->ClientArea()->subWindowList().size(), 5);
}

TEST_F(MainBrowseTest, CellsDroppedOnTheEmptyAreaOpenAsPictures)
{
    TVLBrowserChildWn* browser = browse(folder(QStringLiteral("drop"), NumberedNames(3)));
    ASSERT_NE(browser, nullptr);
    browser->ThumbnailGrid()->SetSelection({0, 2});
    QMimeData data;
    data.setData(QLatin1String(TVLBrowserChildWn::DragMimeType), browser->OwnDragId());
    const QPoint at = m_main->ClientArea()->geometry().bottomRight() - QPoint(5, 5);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(m_main.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(m_main.get(), &drop);
    QCoreApplication::processEvents();
    QStringList opened;
    for (QMdiSubWindow* window : m_main->ClientArea()->subWindowList())
        if (auto* picture = qobject_cast<TVLPicChildWin*>(window))
            opened << QFileInfo(picture->FileName()).fileName();
    EXPECT_EQ(opened, (QStringList{"p01.bmp", "p03.bmp"}));
}

TEST_F(MainBrowseTest, TheTreeSwitchFollowsTheBrowserAndIsKept)
{
    TVLBrowserChildWn* browser = browse(folder(QStringLiteral("t"), NumberedNames(1)));
    ASSERT_NE(browser, nullptr);
    EXPECT_TRUE(browser->TreeVisible());
    action("ActBrwsrShowTV")->trigger();
    EXPECT_FALSE(browser->TreeVisible());
    TVLBrowserChildWn* second = browse(folder(QStringLiteral("t"), {}));
    EXPECT_FALSE(second->TreeVisible()) << "a new browser shows its tree as the button says";
    m_main->close();
    TXMLRegistryFile reg(m_dir.filePath(QStringLiteral("Vellum.xml")));
    ASSERT_TRUE(reg.OpenKey(QLatin1String(settings::KeyMain), false));
    EXPECT_FALSE(reg.ReadBool(QLatin1String(settings::BrowserTreeVisible)));
    ASSERT_TRUE(reg.OpenKey(QLatin1String(settings::KeyRecentDirs), false));
    EXPECT_EQ(reg.ReadString(QStringLiteral("Dir1")), m_dir.filePath(QStringLiteral("t/")));
}

TEST_F(MainBrowseTest, RenamePicturesNumbersThemInDisplayOrder)
{
    QStringList names;
    for (int i = 1; i <= 12; ++i)
        names << QStringLiteral("s%1.%2").arg(i, 2, 10, QLatin1Char('0')).arg(i % 3 == 0 ? "jpg" : "bmp");
    const QString pictures = folder(QStringLiteral("holiday"), names);
    TVLBrowserChildWn* browser = browse(pictures);
    ASSERT_NE(browser, nullptr);
    browser->SortBy(TCustomPictureDB::skName, true);
    browser->SelectAll();
    const QStringList order = browser->SelectedNames();

    // A capital %D is refused by the dialog; A%dB%d cannot be formatted: nothing is renamed.
    {
        DialogScript script({QStringLiteral("Holiday_%D"), QStringLiteral("<cancel>")});
        action("ActBrwsrRenameImages")->trigger();
        EXPECT_EQ(script.boxes, QStringList{QStringLiteral("You have not specifed where the index should go (%d).")});
    }
    {
        DialogScript script({QStringLiteral("A%dB%d")});
        action("ActBrwsrRenameImages")->trigger();
        EXPECT_EQ(script.boxes, QStringList{QStringLiteral("The template A%dB%d cannot be formatted with one number.")});
    }
    EXPECT_EQ(files(pictures), names);

    DialogScript script({QStringLiteral("Holiday_%d")});
    action("ActBrwsrRenameImages")->trigger();
    ASSERT_TRUE(WaitForBrowser(*browser));
    QStringList expected;
    for (int i = 0; i < 12; ++i)
        expected << QStringLiteral("Holiday_%1%2").arg(i + 1, 2, 10, QLatin1Char('0')).arg(order[i].right(4));
    EXPECT_EQ(EntryNames(*browser), expected);
    expected.sort();
    EXPECT_EQ(files(pictures), expected);
    EXPECT_TRUE(messages.isEmpty()) << messages.join(u'\n').toStdString();
}

TEST_F(MainBrowseTest, RenamePictureKeepsTheExtensionAndRenamesOnLetterCase)
{
    const QString pictures = folder(QStringLiteral("single"), {QStringLiteral("photo.JPG"), QStringLiteral("Photo.bmp")});
    TVLBrowserChildWn* browser = browse(pictures);
    ASSERT_NE(browser, nullptr);
    auto renameFirst = [&](const QString& name, const QStringList& answers) {
        browser->ThumbnailGrid()->FocusCell(browser->Database().IndexOfName(name));
        DialogScript script(answers);
        action("ActBrwsrRenameImage")->trigger();
        return script.boxes;
    };
    EXPECT_EQ(renameFirst(QStringLiteral("photo.JPG"), {QStringLiteral("photo2.png"), QStringLiteral("<cancel>")}),
              QStringList{QStringLiteral("You must specify the same file extension")});
    EXPECT_TRUE(renameFirst(QStringLiteral("photo.JPG"), {QStringLiteral("photo2.jpg")}).isEmpty());
    // Letter case alone makes another name.
    EXPECT_TRUE(renameFirst(QStringLiteral("Photo.bmp"), {QStringLiteral("photo.bmp")}).isEmpty());
    EXPECT_EQ(files(pictures), (QStringList{"photo.bmp", "photo2.jpg"}));
    EXPECT_EQ(EntryNames(*browser), (QStringList{"photo.bmp", "photo2.jpg"}));
    EXPECT_TRUE(messages.isEmpty()) << messages.join(u'\n').toStdString();
}

TEST_F(MainBrowseTest, MovingBetweenTwoOpenBrowsers)
{
    const QString from = folder(QStringLiteral("from"), NumberedNames(2));
    const QString to = folder(QStringLiteral("to"), {});
    TVLBrowserChildWn* source = browse(from);
    TVLBrowserChildWn* target = browse(to);
    ASSERT_TRUE(source != nullptr && target != nullptr);
    EXPECT_TRUE(m_main->MoveOne(QStringLiteral("p01.bmp"), from, to));
    ASSERT_TRUE(WaitForBrowser(*target));
    EXPECT_EQ(EntryNames(*source), QStringList{QStringLiteral("p02.bmp")});
    EXPECT_EQ(EntryNames(*target), QStringList{QStringLiteral("p01.bmp")});
    // Onto its own folder: refused, the file stays.
    EXPECT_FALSE(m_main->CopyOne(QStringLiteral("p02.bmp"), from, from));
    EXPECT_FALSE(m_main->MoveOne(QStringLiteral("p02.bmp"), from, from));
    EXPECT_EQ(messages, (QStringList{"Could not copy p02.bmp: it is the same file.",
                                     "Could not move p02.bmp: it is the same file."}));
    EXPECT_EQ(files(from), QStringList{QStringLiteral("p02.bmp")});
    // The tree's drop: copies of the selection, each with its messages.
    source->SelectAll();
    source->TransferSelection(true, to);
    ASSERT_TRUE(WaitForBrowser(*target));
    EXPECT_EQ(EntryNames(*target), (QStringList{"p01.bmp", "p02.bmp"}));
    EXPECT_EQ(files(from), QStringList{QStringLiteral("p02.bmp")});
}

TEST_F(MainBrowseTest, AMoveWhoseOriginalCannotGoShowsTheCopyAndKeepsBoth)
{
    const std::unique_ptr<QTemporaryDir> other = test::FolderOnAnotherFileSystem(m_dir.path());
    if (!other)
        GTEST_SKIP() << "no second file system";
    const QString from = folder(QStringLiteral("stuck"), NumberedNames(2));
    const QString to = PictureFolder(other->filePath(QStringLiteral("to")), {});
    TVLBrowserChildWn* source = browse(from);
    TVLBrowserChildWn* target = browse(to);
    ASSERT_TRUE(source != nullptr && target != nullptr);
    bool moved = true;
    {
        const test::TUnremovableFile unremovable(from, QStringLiteral("p01.bmp"));
        if (!unremovable.Valid())
            GTEST_SKIP() << "no way to make a file unremovable here";
        moved = m_main->MoveOne(QStringLiteral("p01.bmp"), from, to);
    }
    EXPECT_FALSE(moved);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.first().startsWith(QStringLiteral("Could not move p01.bmp: it was copied to %1").arg(to)))
        << messages.first().toStdString();
    ASSERT_TRUE(WaitForBrowser(*target));
    EXPECT_EQ(EntryNames(*target), QStringList{QStringLiteral("p01.bmp")});
    EXPECT_EQ(EntryNames(*source), NumberedNames(2));
    EXPECT_EQ(files(from), NumberedNames(2));
    EXPECT_EQ(files(to), QStringList{QStringLiteral("p01.bmp")});
}

// Counts the file-action messages a window receives.
class MessageCounter : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == TFileActionEvent::FileActionType)
            ++count;
        return false;
    }
    int count = 0;
};

TEST_F(MainBrowseTest, DeletingAsksOncePerFileAndSendsOneMessagePerFile)
{
    ASSERT_TRUE(QDir(m_dir.path()).mkpath(QStringLiteral("data")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("data"))));
    const QString pictures = folder(QStringLiteral("bin"), NumberedNames(3));
    TVLBrowserChildWn* browser = browse(pictures);
    ASSERT_NE(browser, nullptr);
    MessageCounter counter;
    browser->installEventFilter(&counter);
    browser->ThumbnailGrid()->SetSelection({0, 2});
    action("ActBrwsrDeleteImage")->trigger();
    EXPECT_EQ(questions, (QStringList{"Move p01.bmp to the trash?", "Move p03.bmp to the trash?"}));
    EXPECT_EQ(counter.count, 2);
    EXPECT_EQ(EntryNames(*browser), QStringList{QStringLiteral("p02.bmp")});
    EXPECT_EQ(files(pictures), QStringList{QStringLiteral("p02.bmp")});
    EXPECT_TRUE(QFile::exists(m_dir.filePath(QStringLiteral("data/Trash/files/p03.bmp"))));
    browser->removeEventFilter(&counter);
}

TEST_F(MainBrowseTest, CopyAsksForAFolderPerPicture)
{
    const QString from = folder(QStringLiteral("c1"), NumberedNames(2));
    const QString to = folder(QStringLiteral("c2"), {});
    TVLBrowserChildWn* browser = browse(from);
    ASSERT_NE(browser, nullptr);
    QStringList titles;
    int call = 0;
    TFileAdminPrompts prompts;
    prompts.ChooseFolder = [&](const QString& title, QString& chosen) {
        titles << title;
        EXPECT_EQ(chosen, from);
        chosen = to.chopped(1); // without the separator
        return call++ == 1;     // the first one is cancelled
    };
    SetFileAdminPrompts(prompts);
    browser->SelectAll();
    action("ActBrwsrCopyImage")->trigger();
    EXPECT_EQ(titles, (QStringList{"Choose directory to copy 'p01.bmp' to..", "Choose directory to copy 'p02.bmp' to.."}));
    EXPECT_EQ(files(to), QStringList{QStringLiteral("p02.bmp")});
    EXPECT_EQ(files(from), NumberedNames(2));
}

} // namespace
} // namespace vellum
