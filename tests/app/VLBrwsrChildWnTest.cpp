#include "app/VLBrwsrChildWn.h"

#include <QComboBox>
#include <QMdiArea>
#include <QMdiSubWindow>
#include "raster/Canvas.h"
#include "raster/XBitmap.h"
#include <QDateTime>
#include <QFile>
#include <QMimeData>
#include <QPainter>
#include <QStandardItem>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "BrowserTestHelpers.h"
#include "app/SettingsKeys.h"
#include "app/XMLRegFile.h"
#include "browser/AdvSelectDrawGrid.h"
#include "browser/FileAdmin.h"
#include "browser/Thumbnail.h"

namespace vellum {
namespace {

using namespace testing;

class RecordingPanels : public TStatusPanels {
public:
    void SetPanelText(int panel, const QString& text) override { Texts[std::size_t(panel)] = text; }
    std::array<QString, 4> Texts;
};

class BrowserWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_settings = m_dir.filePath(QStringLiteral("Vellum.xml"));
    }

    std::unique_ptr<TVLBrowserChildWn> browse(const QString& start, bool show = true)
    {
        auto browser = std::make_unique<TVLBrowserChildWn>(&m_mainWindow, false, true, start, m_settings);
        browser->ShowError = [this](const QString& message) { errors << message; };
        browser->OnContentsChange = [this](TVLBrowserChildWn*) { ++contentsChanges; };
        browser->SetStatusBar(&panels);
        browser->resize(900, 600);
        if (show) {
            browser->show();
            EXPECT_TRUE(WaitForBrowser(*browser));
        }
        return browser;
    }
    QString folder(const QString& name, const QStringList& pictures) const
    {
        return PictureFolder(m_dir.filePath(name), pictures);
    }
    void send(TVLBrowserChildWn& browser, const TFileActionRecord& record, const QObject* sender = nullptr)
    {
        TFileActionEvent event(record, sender != nullptr ? sender : &m_mainWindow);
        QCoreApplication::sendEvent(&browser, &event);
        EXPECT_TRUE(WaitForBrowser(browser));
    }

    QTemporaryDir m_dir;
    QString m_settings;
    QWidget m_mainWindow;
    RecordingPanels panels;
    QStringList errors;
    int contentsChanges = 0;
};

TEST_F(BrowserWindowTest, OpensItsStartFolderAndShowsEveryPicture)
{
    const QString pictures = folder(QStringLiteral("pictures"), NumberedNames(12));
    QFile(pictures + QStringLiteral("notes.txt")).open(QIODevice::WriteOnly);
    auto browser = browse(pictures);
    EXPECT_EQ(browser->Directory(), pictures);
    EXPECT_EQ(browser->windowTitle(), QStringLiteral("Browsing %1").arg(pictures));
    EXPECT_EQ(EntryNames(*browser), NumberedNames(12));
    EXPECT_EQ(browser->ThumbnailGrid()->NumOfCells(), 12);
    EXPECT_EQ(browser->ThumbnailGrid()->CurrentCell(), 0);
    EXPECT_EQ(browser->SelectedPaths(), QStringList{pictures + QStringLiteral("p01.bmp")});
    EXPECT_EQ(browser->DirTreeView()->SelectedPath(), pictures);
    EXPECT_EQ(panels.Texts[3], QStringLiteral("1 of 12"));
    EXPECT_EQ(panels.Texts[0], QStringLiteral("p01.bmp"));
    EXPECT_EQ(panels.Texts[2], QStringLiteral("24 x 16"));
    browser->ShowDirectories(false);
    EXPECT_FALSE(browser->TreeVisible());
    EXPECT_EQ(panels.Texts[0], pictures + QStringLiteral("p01.bmp"));
    browser->SelectAll();
    EXPECT_EQ(browser->SelectedNames(), NumberedNames(12));
    QStringList opened;
    browser->OnOpenFile = [&](TVLBrowserChildWn*, const QString& path) { opened << path; };
    QTest::mouseClick(browser->ThumbnailGrid()->viewport(), Qt::LeftButton, Qt::NoModifier,
                      browser->ThumbnailGrid()->CellRect(3).center());
    QTest::mouseDClick(browser->ThumbnailGrid()->viewport(), Qt::LeftButton, Qt::NoModifier,
                       browser->ThumbnailGrid()->CellRect(3).center());
    EXPECT_EQ(opened, QStringList{pictures + QStringLiteral("p04.bmp")});
    browser->close();
    browser.reset();
    EXPECT_TRUE(QFile::exists(pictures + QStringLiteral("PicBrowser.pbf")));
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
}

TEST_F(BrowserWindowTest, AFolderWithoutPicturesShowsOneEmptyCell)
{
    const QString empty = folder(QStringLiteral("empty"), {});
    panels.Texts.fill(QStringLiteral("stale"));
    auto browser = browse(empty);
    EXPECT_EQ(browser->EntryCount(), 0);
    EXPECT_EQ(browser->ThumbnailGrid()->ColCount() * browser->ThumbnailGrid()->RowCount() >= 1, true);
    EXPECT_EQ(browser->ThumbnailGrid()->RowCount(), 1);
    EXPECT_TRUE(browser->SelectedNames().isEmpty());
    for (const QString& text : panels.Texts)
        EXPECT_TRUE(text.isEmpty());
}

TEST_F(BrowserWindowTest, RecentFoldersKeepFiveAndCompareExactly)
{
    auto browser = browse(folder(QStringLiteral("start"), {}));
    QStringList opened;
    for (int i = 1; i <= 6; ++i) {
        opened.prepend(folder(QStringLiteral("f%1").arg(i), NumberedNames(1)));
        browser->SetDirectory(opened.first());
        ASSERT_TRUE(WaitForBrowser(*browser));
    }
    EXPECT_EQ(browser->RecentDirs(), opened.mid(0, 5));

    // Choosing the open folder again does nothing.
    const int before = contentsChanges;
    browser->ChooseRecentDir(0);
    EXPECT_EQ(contentsChanges, before);
    EXPECT_EQ(browser->RecentDirs(), opened.mid(0, 5));

    // Names differing only in letter case are two folders.
    const QString upper = folder(QStringLiteral("Pics"), NumberedNames(1));
    const QString lower = folder(QStringLiteral("pics"), NumberedNames(2));
    browser->SetDirectory(upper);
    ASSERT_TRUE(WaitForBrowser(*browser));
    browser->SetDirectory(lower);
    ASSERT_TRUE(WaitForBrowser(*browser));
    EXPECT_EQ(browser->Directory(), lower);
    EXPECT_EQ(browser->EntryCount(), 2);
    EXPECT_EQ(browser->RecentDirs().mid(0, 2), (QStringList{lower, upper}));
    browser->ChooseRecentDir(1);
    ASSERT_TRUE(WaitForBrowser(*browser));
    EXPECT_EQ(browser->Directory(), upper);
    EXPECT_EQ(browser->EntryCount(), 1);
    EXPECT_EQ(browser->DirTreeView()->SelectedPath(), upper);
}

TEST_F(BrowserWindowTest, SettingsComeBackAndARemovedFolderStaysRemoved)
{
    const QString first = folder(QStringLiteral("first"), NumberedNames(2));
    const QString second = folder(QStringLiteral("second"), NumberedNames(1));
    const QString missing = m_dir.filePath(QStringLiteral("missing/"));
    {
        TXMLRegistryFile reg(m_settings);
        ASSERT_TRUE(reg.OpenKey(QLatin1String(settings::KeyPictureBrowser), true));
        reg.WriteInteger(QLatin1String(settings::SelectColour), RGBColor(255, 255, 0));
        ASSERT_TRUE(reg.OpenKey(QLatin1String(settings::KeyRecentDirs), true));
        reg.WriteString(QStringLiteral("Dir1"), first);
        reg.WriteString(QStringLiteral("Dir2"), missing);
        reg.WriteString(QStringLiteral("Dir3"), second);
    }
    auto browser = browse(QString());
    EXPECT_EQ(browser->Directory(), first) << "no start folder: the first recent one";
    EXPECT_EQ(browser->SelectColour(), RGBColor(255, 255, 0));
    EXPECT_EQ(browser->SelectTextColour(), clBlack);
    browser->ChooseRecentDir(1);
    EXPECT_EQ(errors, QStringList{missing + QStringLiteral(" does not exist.")});
    EXPECT_EQ(browser->RecentDirs(), (QStringList{first, second}));
    EXPECT_EQ(browser->Directory(), first);
    browser->close();
    browser.reset();

    TXMLRegistryFile reg(m_settings);
    ASSERT_TRUE(reg.OpenKey(QLatin1String(settings::KeyRecentDirs), false));
    EXPECT_EQ(reg.ReadString(QStringLiteral("Dir1")), first);
    EXPECT_EQ(reg.ReadString(QStringLiteral("Dir2")), second);
    EXPECT_FALSE(reg.ValueExists(QStringLiteral("Dir3")));
    ASSERT_TRUE(reg.OpenKey(QLatin1String(settings::KeyPictureBrowser), false));
    EXPECT_EQ(reg.ReadInteger(QLatin1String(settings::SelectColour)), RGBColor(255, 255, 0));
}

TEST(BrowserSelectTextColour, DarkSelectionsGetWhiteText)
{
    struct Case {
        TColor selection;
        TColor text;
    };
    const Case cases[] = {
        {RGBColor(0, 0, 255), clWhite},     // blue
        {RGBColor(255, 255, 0), clBlack},   // yellow
        {RGBColor(0, 0, 0), clWhite},
        {RGBColor(255, 255, 255), clBlack}, // 1 + 1 - 1
        {RGBColor(137, 0, 0), clBlack},
        {RGBColor(136, 136, 0), clWhite},   // 136 is not above 136
        {RGBColor(0, 120, 215), clWhite},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TVLBrowserChildWn::SelectTextColourFor(c.selection), c.text) << std::hex << c.selection;
}

TEST_F(BrowserWindowTest, SortingKeepsTheCurrentPictureAndTheSelection)
{
    const QString pictures = folder(QStringLiteral("sort"), {QStringLiteral("c.bmp"), QStringLiteral("a.bmp"),
                                                            QStringLiteral("b.jpg"), QStringLiteral("d.gif")});
    auto browser = browse(pictures);
    ASSERT_EQ(EntryNames(*browser), (QStringList{"a.bmp", "b.jpg", "c.bmp", "d.gif"}));
    browser->ThumbnailGrid()->FocusCell(2);
    browser->ThumbnailGrid()->ClickCell(3, Qt::ControlModifier);
    browser->ThumbnailGrid()->SetCurrentCell(2);
    browser->SortBy(TCustomPictureDB::skName, false);
    EXPECT_EQ(EntryNames(*browser), (QStringList{"d.gif", "c.bmp", "b.jpg", "a.bmp"}));
    EXPECT_EQ(browser->Database().GetName(browser->ThumbnailGrid()->CurrentCell()), QStringLiteral("c.bmp"));
    EXPECT_EQ(browser->SelectedNames(), (QStringList{"d.gif", "c.bmp"}));
    browser->Resort(true);
    EXPECT_EQ(EntryNames(*browser), (QStringList{"a.bmp", "b.jpg", "c.bmp", "d.gif"}));
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(BrowserWindowTest, DroppingACellOnAnotherMovesOnlyThatOne)
{
    auto browser = browse(folder(QStringLiteral("order"), NumberedNames(4)));
    browser->ThumbnailGrid()->SetSelection({0, 1});
    browser->MoveCell(0, 2);
    EXPECT_EQ(EntryNames(*browser), (QStringList{"p02.bmp", "p03.bmp", "p01.bmp", "p04.bmp"}));
    EXPECT_EQ(browser->ThumbnailGrid()->CurrentCell(), 2);
    browser->MoveCell(3, 0);
    EXPECT_EQ(EntryNames(*browser), (QStringList{"p04.bmp", "p02.bmp", "p03.bmp", "p01.bmp"}));
    browser->MoveCell(1, 9); // no cell there
    EXPECT_EQ(EntryNames(*browser), (QStringList{"p04.bmp", "p02.bmp", "p03.bmp", "p01.bmp"}));
    // Only drags of this browser are taken.
    QMimeData own;
    own.setData(QLatin1String(TVLBrowserChildWn::DragMimeType), browser->OwnDragId());
    QMimeData other;
    other.setData(QLatin1String(TVLBrowserChildWn::DragMimeType), QByteArray("1:ff"));
    EXPECT_TRUE(browser->IsOwnDrag(&own));
    EXPECT_FALSE(browser->IsOwnDrag(&other));
}

// Whether the cell at index shows the selection colour on screen.
bool ShowsSelected(TVLBrowserChildWn& browser, int index)
{
    TAdvSelectDrawGrid* grid = browser.ThumbnailGrid();
    const QImage image = grid->viewport()->grab().toImage();
    const QRect cell = grid->CellRect(index);
    const QColor selected(GetRValue(browser.SelectColour()), GetGValue(browser.SelectColour()), GetBValue(browser.SelectColour()));
    // The cell's face just inside its raised edge.
    return image.pixelColor(cell.left() + 4, cell.top() + 4) == selected;
}

TEST_F(BrowserWindowTest, AReorderedPictureStaysSelectedAndCurrent)
{
    struct Case {
        int source;
        int target;
        std::vector<int> selection; // before the drag; the source is pressed last
        QStringList order;
        QStringList selected;       // what Delete would act on, in display order
    };
    const Case cases[] = {
        {2, 0, {2}, {"p03.bmp", "p01.bmp", "p02.bmp", "p04.bmp"}, {"p03.bmp"}},
        {0, 2, {0}, {"p02.bmp", "p03.bmp", "p01.bmp", "p04.bmp"}, {"p01.bmp"}},
        // A selection of several: every selected picture stays selected where it went.
        {3, 1, {1, 3}, {"p01.bmp", "p04.bmp", "p02.bmp", "p03.bmp"}, {"p04.bmp", "p02.bmp"}},
    };
    for (const Case& c : cases) {
        const QString pictures = folder(QStringLiteral("drag%1%2").arg(c.source).arg(c.target), NumberedNames(4));
        auto browser = browse(pictures);
        browser->ThumbnailGrid()->SetSelection(c.selection);
        browser->ThumbnailGrid()->SetCurrentCell(c.source);
        browser->MoveCell(c.source, c.target);
        EXPECT_EQ(EntryNames(*browser), c.order);
        EXPECT_EQ(browser->ThumbnailGrid()->CurrentCell(), c.target);
        EXPECT_EQ(browser->SelectedNames(), c.selected) << c.source << " -> " << c.target;
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(ShowsSelected(*browser, i), c.selected.contains(EntryNames(*browser)[i]))
                << c.source << " -> " << c.target << ", cell " << i;
        EXPECT_EQ(panels.Texts[0], EntryNames(*browser)[c.target]);
    }
}

TEST_F(BrowserWindowTest, FileActionsReachTheBrowsersOfTheirFolder)
{
    const QString one = folder(QStringLiteral("one"), NumberedNames(3));
    const QString two = folder(QStringLiteral("two"), NumberedNames(2, QStringLiteral("jpg")));
    auto first = browse(one);
    auto second = browse(two);
    QObject stranger;
    ASSERT_TRUE(QFile::copy(one + QStringLiteral("p01.bmp"), two + QStringLiteral("p01.bmp")));
    ASSERT_TRUE(QFile::remove(one + QStringLiteral("p02.bmp")));
    PictureFolder(one, {QStringLiteral("p01.bmp")}, 30, 20); // replaced by a larger picture
    ASSERT_TRUE(QFile::rename(one + QStringLiteral("p03.bmp"), one + QStringLiteral("x.bmp")));
    QFile(one + QStringLiteral("readme.txt")).open(QIODevice::WriteOnly);
    struct Step {
        TFileActionRecord record;
        const QObject* sender;
        QStringList firstNames;
        QStringList secondNames;
    };
    const Step steps[] = {
        // From anyone but the main window: nothing.
        {{TFileActionRecord::faRemoved, one, QStringLiteral("p01.bmp"), {}}, &stranger,
         {"p01.bmp", "p02.bmp", "p03.bmp"}, {"p01.jpg", "p02.jpg"}},
        // Another folder, or the folder spelt in other letters: nothing.
        {{TFileActionRecord::faRemoved, one.toUpper(), QStringLiteral("p01.bmp"), {}}, nullptr,
         {"p01.bmp", "p02.bmp", "p03.bmp"}, {"p01.jpg", "p02.jpg"}},
        // Not a picture: nothing.
        {{TFileActionRecord::faAdded, one, QStringLiteral("readme.txt"), {}}, nullptr,
         {"p01.bmp", "p02.bmp", "p03.bmp"}, {"p01.jpg", "p02.jpg"}},
        {{TFileActionRecord::faAdded, two, QStringLiteral("p01.bmp"), {}}, nullptr,
         {"p01.bmp", "p02.bmp", "p03.bmp"}, {"p01.jpg", "p02.jpg", "p01.bmp"}},
        {{TFileActionRecord::faRemoved, one, QStringLiteral("p02.bmp"), {}}, nullptr,
         {"p01.bmp", "p03.bmp"}, {"p01.jpg", "p02.jpg", "p01.bmp"}},
        {{TFileActionRecord::faRenamed, one, QStringLiteral("p03.bmp"), QStringLiteral("x.bmp")}, nullptr,
         {"p01.bmp", "x.bmp"}, {"p01.jpg", "p02.jpg", "p01.bmp"}},
        // An existing name that appears again is refreshed, not doubled.
        {{TFileActionRecord::faAdded, one, QStringLiteral("p01.bmp"), {}}, nullptr,
         {"p01.bmp", "x.bmp"}, {"p01.jpg", "p02.jpg", "p01.bmp"}},
    };
    for (const Step& step : steps) {
        send(*first, step.record, step.sender);
        send(*second, step.record, step.sender);
        EXPECT_EQ(EntryNames(*first), step.firstNames) << step.record.FileName.toStdString();
        EXPECT_EQ(EntryNames(*second), step.secondNames) << step.record.FileName.toStdString();
    }
    EXPECT_EQ(second->ThumbnailGrid()->NumOfCells(), 3);
    EXPECT_EQ(first->Database().GetSizeText(first->Database().IndexOfName(QStringLiteral("p01.bmp"))),
              QStringLiteral("30 x 20"));
}

TEST_F(BrowserWindowTest, DeletingTheLastPictureRemovesTheFolderMark)
{
    const QString parent = folder(QStringLiteral("parent"), {});
    const QString child = folder(QStringLiteral("parent/child"), NumberedNames(1));
    auto browser = browse(child);
    QStandardItem* node = browser->DirTreeView()->ItemForPath(child);
    ASSERT_NE(node, nullptr);
    ASSERT_TRUE(TDirTreeView::HasPictures(node));
    ASSERT_TRUE(QFile::remove(child + QStringLiteral("p01.bmp")));
    send(*browser, {TFileActionRecord::faRemoved, child, QStringLiteral("p01.bmp"), {}});
    EXPECT_EQ(browser->EntryCount(), 0);
    EXPECT_FALSE(TDirTreeView::HasPictures(browser->DirTreeView()->ItemForPath(child)));
    // A picture appearing in a loaded folder that is not open marks its node.
    PictureFolder(parent, {QStringLiteral("new.bmp")});
    send(*browser, {TFileActionRecord::faAdded, parent, QStringLiteral("new.bmp"), {}});
    EXPECT_TRUE(TDirTreeView::HasPictures(browser->DirTreeView()->ItemForPath(parent)));
}

TEST_F(BrowserWindowTest, FileActionsWaitWhileTheFolderOpens)
{
    const QString many = PictureFolder(m_dir.filePath(QStringLiteral("many")), NumberedNames(30), 640, 480);
    auto browser = browse(folder(QStringLiteral("other"), {}));
    browser->SetDirectory(many);
    ASSERT_TRUE(QFile::remove(many + QStringLiteral("p30.bmp")));
    TFileActionEvent event({TFileActionRecord::faRemoved, many, QStringLiteral("p30.bmp"), {}}, &m_mainWindow);
    QCoreApplication::sendEvent(browser.get(), &event);
    ASSERT_TRUE(WaitForBrowser(*browser));
    EXPECT_EQ(browser->EntryCount(), 29);
    EXPECT_FALSE(EntryNames(*browser).contains(QStringLiteral("p30.bmp")));
}

// While held, the browser's folder opening stops at a file named "0-wait.bmp" that is no
// picture: its thumbnail first waits for the large-picture budget.
QString WaitingPictureIn(const QString& folder)
{
    const QString path = folder + QStringLiteral("0-wait.bmp");
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("no picture");
    return path;
}

TEST_F(BrowserWindowTest, SwitchingFoldersMidLoadShowsTheNewFolderWhole)
{
    const QString known = folder(QStringLiteral("known"), NumberedNames(3));
    {
        auto browser = browse(known); // leaves an up-to-date database behind
    }
    const QString loading = folder(QStringLiteral("loading"), NumberedNames(2));
    WaitingPictureIn(loading);
    auto browser = browse(known);
    {
        std::unique_lock<std::mutex> budget(LargePictureBudget());
        browser->SetDirectory(loading);
        ASSERT_TRUE(browser->IsOpening());
        browser->SetDirectory(known);
    }
    ASSERT_TRUE(WaitForBrowser(*browser));
    EXPECT_EQ(EntryNames(*browser), NumberedNames(3));
    EXPECT_EQ(browser->ThumbnailGrid()->NumOfCells(), 3);
    EXPECT_EQ(browser->ThumbnailGrid()->CurrentCell(), 0);
    EXPECT_EQ(panels.Texts[3], QStringLiteral("1 of 3"));
}

TEST_F(BrowserWindowTest, RefreshDuringALoadKeepsTheCurrentCell)
{
    const QString pictures = folder(QStringLiteral("refresh"), NumberedNames(5));
    {
        auto browser = browse(pictures);
    }
    // The last stored picture changed: the others show while it is remade.
    const QString changed = pictures + QStringLiteral("p05.bmp");
    ASSERT_TRUE(QFile::remove(changed));
    ASSERT_TRUE(QFile::rename(WaitingPictureIn(pictures), changed));
    QFile file(changed);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(QDateTime(QDate(2023, 4, 5), QTime(12, 0)), QFileDevice::FileModificationTime));
    file.close();
    auto browser = browse(pictures, false);
    {
        std::unique_lock<std::mutex> budget(LargePictureBudget());
        browser->show();
        ASSERT_TRUE(QTest::qWaitFor([&] { return browser->EntryCount() == 4; }, 10000));
        ASSERT_TRUE(browser->IsOpening());
        browser->ThumbnailGrid()->FocusCell(2);
        browser->RefreshBrowser();
    }
    ASSERT_TRUE(WaitForBrowser(*browser));
    EXPECT_EQ(browser->ThumbnailGrid()->CurrentCell(), 2);
    EXPECT_EQ(browser->SelectedNames(), QStringList{QStringLiteral("p03.bmp")});
}

TEST_F(BrowserWindowTest, ADamagedStoredThumbnailShowsOneBox)
{
    const QString pictures = folder(QStringLiteral("damaged"), NumberedNames(2));
    {
        auto browser = browse(pictures);
    }
    // The first thumbnail's scan names a Huffman table that is not defined; its header is sound.
    const QString path = pictures + QStringLiteral("PicBrowser.pbf");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QByteArray bytes = file.readAll();
    file.close();
    const qsizetype scan = bytes.indexOf(QByteArray("\xFF\xDA", 2), 24 + 2 * 275);
    ASSERT_GT(scan, 0);
    bytes[scan + 6] = char(0x33);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
    file.close();
    auto browser = browse(pictures);
    ASSERT_EQ(browser->EntryCount(), 2);
    for (int i = 0; i < 3; ++i) {
        browser->ThumbnailGrid()->viewport()->repaint();
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(errors, QStringList{QStringLiteral("Can not display image.")});
}

// A 24 x 16 picture of one grey.
void WriteGrey(const QString& path, int level)
{
    TXBitmap picture(24, 16);
    picture.Canvas().Brush.Color = RGBColor(level, level, level);
    picture.Canvas().FillRect(QRect(0, 0, 24, 16));
    picture.SavePicture(path);
}

TEST_F(BrowserWindowTest, AReplacedPictureShowsItsNewCellEvenInTheOldPlace)
{
    const QString pictures = folder(QStringLiteral("replaced"), {});
    const QString path = pictures + QStringLiteral("p.bmp");
    WriteGrey(path, 100);
    auto browser = browse(pictures);
    ASSERT_EQ(browser->EntryCount(), 1);
    TAdvSelectDrawGrid* grid = browser->ThumbnailGrid();
    const QRect rect = grid->CellRect(0);
    const std::int32_t size = browser->Database().Record(0).ThumbSize;
    (void)grid->viewport()->grab(); // the cell is drawn and kept
    // Another grey whose thumbnail has the same length: the new one lands where the old was.
    int level = 0;
    for (int candidate : {102, 98, 104, 96, 106, 94, 108, 92}) {
        WriteGrey(path, candidate);
        if (MakeThumbnail(path, 94, 98, TThumbnailMode::Reduced).Jpeg.size() == size) {
            level = candidate;
            break;
        }
    }
    ASSERT_NE(level, 0);
    send(*browser, {TFileActionRecord::faAdded, pictures, QStringLiteral("p.bmp"), {}});
    ASSERT_EQ(browser->Database().Record(0).ThumbOffset, 0);
    ASSERT_EQ(browser->Database().Record(0).ThumbSize, size);
    // Inside the focus frame the grid draws over the current cell.
    const QRect inside = QRect(QPoint(0, 0), rect.size()).adjusted(3, 3, -3, -3);
    const QImage shown = grid->viewport()->grab().toImage().copy(rect).copy(inside).convertToFormat(QImage::Format_RGB888);
    auto& cell = const_cast<TXBitmap&>(browser->Database().GetCellImage(0, grid->IsSelected(0)));
    const QImage expected = cell.SharedImage().copy(inside).convertToFormat(QImage::Format_RGB888);
    EXPECT_TRUE(shown == expected) << "the old picture's cell is shown";
}

TEST_F(BrowserWindowTest, ABrowserInTheBackgroundLeavesTheStatusBarAlone)
{
    const QString start = folder(QStringLiteral("start"), NumberedNames(2));
    const QString empty = folder(QStringLiteral("empty"), {});
    const QString fresh = folder(QStringLiteral("fresh"), NumberedNames(3));
    QMdiArea area;
    area.resize(900, 600);
    auto* browser = new TVLBrowserChildWn(&m_mainWindow, false, true, start, m_settings);
    browser->ShowError = [this](const QString& message) { errors << message; };
    browser->SetStatusBar(&panels);
    int progress = 0;
    browser->OnProgressBegin = [&](TBasicVLChild*, int) { ++progress; };
    browser->OnProgressStep = [&](TBasicVLChild*) { ++progress; };
    browser->OnProgressEnd = [&](TBasicVLChild*) { ++progress; };
    area.addSubWindow(browser);
    QMdiSubWindow* other = area.addSubWindow(new QWidget);
    area.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&area));
    ASSERT_TRUE(WaitForBrowser(*browser));
    area.setActiveSubWindow(other);
    ASSERT_EQ(area.currentSubWindow(), other);
    panels.Texts = {"a", "b", "c", "d"};
    progress = 0;
    for (const QString& next : {empty, fresh}) {
        browser->SetDirectory(next);
        ASSERT_TRUE(WaitForBrowser(*browser));
        EXPECT_EQ(panels.Texts, (std::array<QString, 4>{"a", "b", "c", "d"})) << next.toStdString();
        EXPECT_EQ(progress, 0) << next.toStdString();
    }
    browser->SetDirectory(QString());
    EXPECT_EQ(panels.Texts, (std::array<QString, 4>{"a", "b", "c", "d"}));
}

// A browser whose cells cannot be drawn.
class FailingBrowser : public TVLBrowserChildWn {
public:
    using TVLBrowserChildWn::TVLBrowserChildWn;

protected:
    void DrawCellImage(QPainter&, int, const QRect&, bool) override { throw std::runtime_error("broken"); }
};

TEST_F(BrowserWindowTest, ACellThatCannotBeDrawnShowsOneBoxAfterPainting)
{
    const QString pictures = folder(QStringLiteral("broken"), NumberedNames(3));
    FailingBrowser browser(&m_mainWindow, false, true, pictures, m_settings);
    bool duringPaint = false;
    browser.ShowError = [&](const QString& message) {
        duringPaint = duringPaint || browser.ThumbnailGrid()->viewport()->paintingActive();
        errors << message;
    };
    browser.resize(900, 600);
    browser.show();
    ASSERT_TRUE(WaitForBrowser(browser));
    for (int i = 0; i < 4; ++i) {
        browser.ThumbnailGrid()->viewport()->repaint();
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(errors, QStringList{QStringLiteral("Can not display image.")});
    EXPECT_FALSE(duringPaint);
}

} // namespace
} // namespace vellum
