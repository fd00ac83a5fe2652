#include <QApplication>
#include <QFile>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QLabel>
#include <QSignalSpy>
#include <QTabWidget>
#include <QSpinBox>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include "browser/SaveOptionsFrm.h"
#include "browser/XExtDlgs.h"
#include "raster/PictureTestSupport.h"
#include "raster/XBitmap.h"

namespace vellum {
namespace {

using test::GradientPicture;

class PictureDialogsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    QString picture(const QString& name, int width, int height)
    {
        const QString path = dir.filePath(name);
        GradientPicture(width, height).SavePicture(path);
        return path;
    }

    void select(TXCustomOpenPictureDialog& dialog, const QString& path)
    {
        QCoreApplication::processEvents(); // the layout of a dialog just shown
        emit dialog.currentChanged(path);
        dialog.FinishPreview();
    }

    QTemporaryDir dir;
};

TEST_F(PictureDialogsTest, PreviewShowsTheFullSizeOrNothing)
{
    const QString jpeg = picture(QStringLiteral("photo.jpg"), 640, 480);
    const QString text = dir.filePath(QStringLiteral("notes.jpg"));
    QFile file(text);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("just text");
    file.close();
    TXOpenPictureDialog dialog;
    dialog.setDirectory(dir.path());
    dialog.show();

    select(dialog, jpeg);
    EXPECT_EQ(dialog.PictureLabel()->text(), QStringLiteral(" (640 x 480)"));
    EXPECT_TRUE(dialog.PreviewButton()->isEnabled());
    EXPECT_FALSE(dialog.PaintPanel()->Image().isNull());
    // Shrunk, never beyond what the panel shows.
    EXPECT_LE(dialog.PaintPanel()->Image().width(), 640 / 2);

    for (const QString& none : {text, dir.path()}) {
        select(dialog, none);
        EXPECT_EQ(dialog.PictureLabel()->text(), QStringLiteral("Picture:"));
        EXPECT_FALSE(dialog.PreviewButton()->isEnabled());
        EXPECT_EQ(dialog.PaintPanel()->Text(), QStringLiteral("(None)"));
    }
}

TEST_F(PictureDialogsTest, AJpegWhoseDataFailAfterAGoodHeaderShowsItsSizeAndInvalidImage)
{
    // A frame that asks for a quantisation table the file never defines: the header reads,
    // the decoding fails.
    const QString path = picture(QStringLiteral("broken.jpg"), 64, 48);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QByteArray bytes = file.readAll();
    file.close();
    const qsizetype frame = bytes.indexOf(QByteArray("\xFF\xC0", 2));
    ASSERT_GT(frame, 0);
    const int components = static_cast<unsigned char>(bytes[frame + 9]);
    for (int i = 0; i < components; ++i)
        bytes[frame + 12 + 3 * i] = 3;
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
    file.close();
    TXBitmap check;
    ASSERT_THROW(check.LoadPicture(path), std::exception);

    TXOpenPictureDialog dialog;
    dialog.setDirectory(dir.path());
    dialog.show();
    select(dialog, path);
    EXPECT_EQ(dialog.PictureLabel()->text(), QStringLiteral(" (64 x 48)"));
    EXPECT_EQ(dialog.PaintPanel()->Text(), QStringLiteral("Invalid image"));
    EXPECT_TRUE(dialog.PaintPanel()->Image().isNull());
    // The label is wide enough to show its whole text.
    EXPECT_GE(dialog.PictureLabel()->width(),
              dialog.PictureLabel()->fontMetrics().horizontalAdvance(dialog.PictureLabel()->text()));
}

TEST_F(PictureDialogsTest, ThePreviewWindowFitsThePictureWithItsMargin)
{
    const QString path = picture(QStringLiteral("small.bmp"), 120, 80);
    TXBitmap original;
    original.LoadPicture(path);
    const QImage expected = original.ToImage();
    TXOpenPictureDialog dialog;
    dialog.setDirectory(dir.path());
    dialog.show();
    select(dialog, path);
    ASSERT_TRUE(dialog.PreviewButton()->isEnabled());
    QSize windowSize;
    QSize panelClient;
    QString title;
    int samePixels = 0;
    QTimer::singleShot(0, [&] {
        QWidget* window = QApplication::activeModalWidget();
        ASSERT_NE(window, nullptr);
        title = window->windowTitle();
        windowSize = window->size();
        auto* panel = window->findChild<TXSilentPaintPanel*>();
        ASSERT_NE(panel, nullptr);
        panelClient = panel->contentsRect().size();
        // The picture at 1:1 with five pixels of the panel's colour round it.
        const QImage shot = panel->grab().toImage();
        const QPoint origin = panel->contentsRect().topLeft() + QPoint(5, 5);
        for (const QPoint p : {QPoint(0, 0), QPoint(119, 0), QPoint(0, 79), QPoint(119, 79), QPoint(60, 40)})
            if (shot.pixel(origin + p) == expected.pixel(p))
                ++samePixels;
        window->close();
    });
    QTest::mouseClick(dialog.PreviewButton(), Qt::LeftButton);
    EXPECT_EQ(title, QStringLiteral("Preview: small.bmp"));
    // The panel holds the picture and 10 pixels more; the window holds the panel and no more.
    EXPECT_EQ(panelClient, QSize(120 + 10, 80 + 10));
    EXPECT_LE(windowSize.width(), 120 + 10 + 20);
    EXPECT_LE(windowSize.height(), 80 + 10 + 20);
    EXPECT_EQ(samePixels, 5);
}

TEST_F(PictureDialogsTest, NothingOfTheDialogOutlivesIt)
{
    picture(QStringLiteral("picture1.bmp"), 8, 8);
    const QString wanted = picture(QStringLiteral("picture2.bmp"), 8, 8);
    TXOpenPictureDialog dialog;
    dialog.setDirectory(dir.path());
    dialog.open();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(edit, nullptr);
    edit->setFocus();
    // A full path typed key by key, the completion list offering names on the way.
    bool listShown = false;
    for (const QChar c : wanted) {
        QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
        QTest::qWait(5);
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w != &dialog && w->isVisible())
                listShown = true;
    }
    QTest::qWait(200);
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w != &dialog && w->isVisible())
            listShown = true;
    EXPECT_TRUE(listShown);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTest::qWait(500); // the folder read on the model's thread comes back meanwhile
    if (dialog.isVisible()) // the list took the first Enter
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTest::qWait(500);
    ASSERT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.selectedFiles(), QStringList{wanted});
    QStringList left;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible())
            left << QString::fromLatin1(w->metaObject()->className());
    EXPECT_TRUE(left.isEmpty()) << left.join(QLatin1Char(',')).toStdString();
}

TEST_F(PictureDialogsTest, SeveralSelectedFilesPreviewTheFirst)
{
    picture(QStringLiteral("a.bmp"), 30, 20);
    const QString b = picture(QStringLiteral("b.bmp"), 50, 10);
    TXOpenPictureDialog dialog;
    dialog.setDirectory(dir.path());
    dialog.show();
    auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(edit, nullptr);
    edit->setText(QStringLiteral("\"a.bmp\" \"b.bmp\""));
    select(dialog, b);
    EXPECT_EQ(dialog.LastPreviewed(), dir.filePath(QStringLiteral("a.bmp")));
    EXPECT_EQ(dialog.PictureLabel()->text(), QStringLiteral(" (30 x 20)"));
}

TEST_F(PictureDialogsTest, OpenDialogStartsOnAllPicturesAndMatchesAnyCase)
{
    picture(QStringLiteral("PHOTO.JPG"), 8, 8);
    picture(QStringLiteral("clip.gif"), 8, 8);
    TXOpenPictureDialog dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Open Picture"));
    EXPECT_EQ(dialog.FilterIndex(), 5);
    EXPECT_EQ(dialog.selectedNameFilter(), QStringLiteral("All picture files (*.bmp *.jpg *.jpeg *.gif)"));
    EXPECT_EQ(dialog.nameFilters().value(2), QStringLiteral("JPEG Image File (*.jpeg)"));

    auto* model = dialog.findChild<QFileSystemModel*>();
    ASSERT_NE(model, nullptr);
    dialog.SetFilterIndex(2);
    dialog.setDirectory(dir.path());
    dialog.show();
    // The folder is read on the model's own thread, in as many steps as it takes.
    QStringList shown;
    const auto listed = [&] {
        shown.clear();
        const QModelIndex root = model->index(dir.path());
        for (int row = 0; row < model->rowCount(root); ++row)
            shown << model->index(row, 0, root).data().toString();
        return shown.contains(QStringLiteral("PHOTO.JPG"));
    };
    EXPECT_TRUE(QTest::qWaitFor(listed, 10000)) << shown.join(QLatin1Char(',')).toStdString();
    EXPECT_FALSE(shown.contains(QStringLiteral("clip.gif")));
}

TEST_F(PictureDialogsTest, ButtonsSitRightToLeftAndOnlyTheChosenShow)
{
    TXOpenPictureDialog open;
    open.resize(900, 500);
    open.show();
    const int width = open.PicturePanel()->width();
    auto xOf = [&](QToolButton* button) { return button->mapTo(open.PicturePanel(), QPoint(0, 0)).x(); };
    EXPECT_EQ(xOf(open.PreviewButton()), width - 30);
    EXPECT_EQ(xOf(open.BrowseButton()), width - 56);
    EXPECT_TRUE(open.OptionsButton()->isHidden());

    TXSavePictureDialog save;
    save.resize(900, 500);
    save.show();
    auto xIn = [&](QToolButton* button) { return button->mapTo(save.PicturePanel(), QPoint(0, 0)).x(); };
    EXPECT_TRUE(save.BrowseButton()->isHidden());
    EXPECT_EQ(xIn(save.OptionsButton()), save.PicturePanel()->width() - 56);
    EXPECT_EQ(save.OptionsButton()->toolTip(), QStringLiteral("Save picture options"));
}

TEST_F(PictureDialogsTest, BrowseLeavesTheDialogWithItsFolder)
{
    TXOpenPictureDialog dialog;
    dialog.setDirectory(dir.path());
    QTimer::singleShot(0, &dialog, [&] { dialog.BrowseButton()->click(); });
    EXPECT_FALSE(dialog.Execute());
    EXPECT_TRUE(dialog.BrowseRequested());
    EXPECT_EQ(dialog.CurrentFolder(), QDir(dir.path()).absolutePath());
}

TEST_F(PictureDialogsTest, SaveDialogFollowsTheFilesExtension)
{
    struct Case {
        const char* name;
        int filter;
    };
    const Case cases[] = {{"a.jpg", 2}, {"a.JPEG", 3}, {"a.gif", 4}, {"a.bmp", 1}, {"a.png", 1}, {"a", 1}};
    for (const Case& c : cases)
        EXPECT_EQ(SaveFilterIndexFor(QString::fromLatin1(c.name)), c.filter) << c.name;

    TXSavePictureDialog dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Save Picture"));
    EXPECT_EQ(dialog.nameFilters().size(), 4);
    dialog.PresetFor(dir.filePath(QStringLiteral("old.gif")));
    EXPECT_EQ(dialog.FilterIndex(), 4);
    EXPECT_EQ(dialog.defaultSuffix(), QStringLiteral("gif"));
    dialog.SetFilterIndex(2);
    emit dialog.filterSelected(dialog.selectedNameFilter());
    EXPECT_EQ(dialog.defaultSuffix(), QStringLiteral("jpg"));
}

TEST(SaveOptionsFormTest, ShowsTheJpegPageFirst)
{
    TSaveOptionsForm form;
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Save Options"));
    EXPECT_EQ(form.Pages()->tabText(form.Pages()->currentIndex()), QStringLiteral("JPG"));
    EXPECT_EQ(form.CompressionLevel()->value(), 1);
    EXPECT_EQ(form.CompressionLevel()->maximum(), 99);
    EXPECT_TRUE(form.Transparency(0)->isChecked());
}

} // namespace
} // namespace vellum
