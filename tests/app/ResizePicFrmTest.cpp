#include "app/ResizePicFrm.h"

#include <limits>
#include <memory>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QLineEdit>
#include <QTimer>

#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "app/NewPicFrm.h"
#include "app/VLGlobal.h"
#include "app/VLMain.h"
#include "document/VLPicChildWn.h"
#include "document/VLToolVars.h"
#include "raster/VellumError.h"

namespace vellum {
namespace {

void type(QLineEdit* box, const char* text)
{
    box->setText(QString::fromLatin1(text));
}

TEST(ResizePicForm, KeepsTheAspectRatioWhenTicked)
{
    TResizePicForm form(640, 480);
    EXPECT_EQ(form.AspRatioEdit()->text(), QStringLiteral("1.33"));
    type(form.WidthEdit(), "320");
    form.WidthLeft();
    EXPECT_EQ(form.PicHeight(), 240); // near(320 / 1.3333...)
    EXPECT_EQ(form.HeightEdit()->text(), QStringLiteral("240"));

    type(form.HeightEdit(), "abc"); // invalid height with the box ticked restores a consistent one
    form.HeightLeft();
    EXPECT_EQ(form.PicHeight(), 240);
}

TEST(ResizePicForm, TheRatioBecomesWhatItsBoxShows)
{
    TResizePicForm form(640, 480);
    form.RatioLeft(); // left without typing: 1.3333... becomes 1.33
    type(form.WidthEdit(), "320");
    form.WidthLeft();
    EXPECT_EQ(form.PicHeight(), 241); // near(320 / 1.33)

    type(form.AspRatioEdit(), "0"); // a ratio of 0 keeps the one before
    form.RatioLeft();
    EXPECT_DOUBLE_EQ(form.AspectRatio(), 1.33);
    EXPECT_EQ(form.AspRatioEdit()->text(), QStringLiteral("1.33"));
}

TEST(ResizePicForm, UntickedSidesAreIndependent)
{
    TResizePicForm form(640, 480);
    form.AspRatioCBox()->click();
    EXPECT_FALSE(form.AspRatioEdit()->isEnabled());
    type(form.WidthEdit(), "100");
    form.WidthLeft();
    type(form.HeightEdit(), "0"); // ignored
    form.HeightLeft();
    EXPECT_EQ(form.PicWidth(), 100);
    EXPECT_EQ(form.PicHeight(), 480);
    EXPECT_EQ(form.HeightEdit()->text(), QStringLiteral("480"));
}

TEST(EnlargeCanvasForm, NeverAsksForASmallerCanvas)
{
    TEnlargeCanvasForm form(50, 100); // height first, then width
    EXPECT_EQ(form.WidthEdit()->text(), QStringLiteral("100"));
    type(form.WidthEdit(), "80");
    form.WidthLeft();
    EXPECT_EQ(form.WidthEdit()->text(), QStringLiteral("100"));
    type(form.WidthEdit(), "150");
    form.WidthLeft();
    EXPECT_EQ(form.NewWidth(), 150);
    EXPECT_EQ(form.NewHeight(), 50);
    EXPECT_FALSE(form.CentrePicture());
}

// Shows a dialog modelessly and waits until it has the focus, so that keys go where a user's would.
void showActive(QDialog& dialog)
{
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
}

// Types into the dialog's widget with the focus.
void keys(QDialog& dialog, const char* text)
{
    QTest::keyClicks(dialog.focusWidget(), QString::fromLatin1(text));
}

void key(QDialog& dialog, Qt::Key k)
{
    QTest::keyClick(dialog.focusWidget(), k);
}

TEST(PictureSizeDialogs, OpenWithTheFirstFieldSelectedSoThatTypingReplacesIt)
{
    struct Case {
        const char* dialog;
        std::function<std::unique_ptr<QDialog>()> make;
        std::function<QSize(QDialog&)> result;
    };
    const std::vector<Case> cases{
        {"New Picture", [] { return std::make_unique<TNewPicForm>(0, 0, clBlack, clWhite); },
         [](QDialog& d) { auto& f = static_cast<TNewPicForm&>(d); return QSize(f.PicWidth(), f.PicHeight()); }},
        {"Resize, ratio unticked",
         [] {
             auto form = std::make_unique<TResizePicForm>(300, 200);
             form->AspRatioCBox()->click();
             return form;
         },
         [](QDialog& d) { auto& f = static_cast<TResizePicForm&>(d); return QSize(f.PicWidth(), f.PicHeight()); }},
        {"Enlarge canvas", [] { return std::make_unique<TEnlargeCanvasForm>(20, 30); },
         [](QDialog& d) { auto& f = static_cast<TEnlargeCanvasForm&>(d); return QSize(f.NewWidth(), f.NewHeight()); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dialog);
        std::unique_ptr<QDialog> dialog = c.make();
        showActive(*dialog);
        auto* first = qobject_cast<QLineEdit*>(dialog->focusWidget());
        ASSERT_NE(first, nullptr);
        EXPECT_EQ(first, dialog->findChildren<QLineEdit*>().first());
        EXPECT_EQ(first->selectedText(), first->text());
        keys(*dialog, "800");
        key(*dialog, Qt::Key_Tab);
        keys(*dialog, "600");
        key(*dialog, Qt::Key_Return);
        EXPECT_EQ(dialog->result(), QDialog::Accepted);
        EXPECT_EQ(c.result(*dialog), QSize(800, 600));
    }
}

TEST(ResizePicForm, OkGivesTheSizeTheDialogShows)
{
    struct Case {
        const char* what;
        std::vector<std::function<void(QDialog&)>> steps;
        QSize shown;
    };
    const std::vector<Case> cases{
        // Width typed, Tab (Height computed and focused), Enter.
        {"typed width, Tab, Enter",
         {[](QDialog& d) { keys(d, "301"); }, [](QDialog& d) { key(d, Qt::Key_Tab); },
          [](QDialog& d) { key(d, Qt::Key_Return); }},
         QSize(301, 201)},
        // Width typed and Enter straight away: its rule still runs.
        {"typed width, Enter", {[](QDialog& d) { keys(d, "150"); }, [](QDialog& d) { key(d, Qt::Key_Return); }},
         QSize(150, 100)},
        // Height typed in the second box: the width follows it.
        {"Tab, typed height, Enter",
         {[](QDialog& d) { key(d, Qt::Key_Tab); }, [](QDialog& d) { keys(d, "101"); },
          [](QDialog& d) { key(d, Qt::Key_Return); }},
         QSize(152, 101)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TResizePicForm form(300, 200);
        showActive(form);
        for (const auto& step : c.steps)
            step(form);
        EXPECT_EQ(form.result(), QDialog::Accepted);
        EXPECT_EQ(QSize(form.PicWidth(), form.PicHeight()), c.shown);
        EXPECT_EQ(QSize(form.WidthEdit()->text().toInt(), form.HeightEdit()->text().toInt()), c.shown);
    }
}

TEST(ResizePicForm, RatiosThatAreNotNumbersOrDoNotFitAreRefused)
{
    for (const char* text : {"nan", "inf", "-inf", "1e-300", "1e300", "0", "abc"}) {
        SCOPED_TRACE(text);
        TResizePicForm form(300, 200);
        type(form.AspRatioEdit(), text);
        form.RatioLeft();
        EXPECT_DOUBLE_EQ(form.AspectRatio(), 1.5);
        EXPECT_EQ(form.AspRatioEdit()->text(), QStringLiteral("1.50"));
        EXPECT_EQ(form.PicWidth(), 300);
        EXPECT_EQ(form.PicHeight(), 200);
    }
    // A width whose height would not fit is taken, the height saturating, never wrapping.
    TResizePicForm form(300, 200);
    type(form.AspRatioEdit(), "0.0001");
    form.RatioLeft();
    type(form.WidthEdit(), "2000000000");
    form.WidthLeft();
    EXPECT_EQ(form.PicHeight(), std::numeric_limits<int>::max());
}

TEST(PictureSizeDialogs, EmptyPicturesAreRefused)
{
    for (const auto& make : std::vector<std::function<void()>>{[] { TResizePicForm f(0, 10); },
                                                               [] { TEnlargeCanvasForm f(10, 0); }}) {
        try {
            make();
            ADD_FAILURE() << "no exception";
        } catch (const EVellumError& e) {
            EXPECT_EQ(e.message(), QStringLiteral("Invalid picture dimensions"));
        }
    }
}

TEST(ResizePicForm, ASizeThePictureCannotHaveShowsTheErrorAndChangesNothing)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    TVLGlobal global(dir.path());
    ResetToolSettings();
    TVellumMain main;
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    TVLPicChildWin* doc = main.NewPicture(4, 3, clWhite);
    ASSERT_NE(doc, nullptr);
    StorePixel(doc->Picture().ScanLine(1) + 3, clBlack);
    doc->SelectAll();
    const TXBitmap picture = doc->Picture();
    const int steps = doc->UndoStack().Count();
    for (const char* command : {"ActResizePic", "ActResamplePic"}) {
        SCOPED_TRACE(command);
        // The dialog asks for 40000 x 30000, more than a picture's side may have; the error box
        // that follows is answered.
        std::unique_ptr<testing::MessageAnswers> answers;
        QTimer::singleShot(0, [&answers] {
            auto* form = qobject_cast<TResizePicForm*>(QApplication::activeModalWidget());
            ASSERT_NE(form, nullptr);
            form->WidthEdit()->setText(QStringLiteral("40000"));
            form->OKButton()->click();
            answers = std::make_unique<testing::MessageAnswers>(
                std::vector<testing::MessageAnswers::Answer>{QMessageBox::Ok});
        });
        main.findChild<QAction*>(QLatin1String(command))->trigger();
        ASSERT_NE(answers, nullptr);
        ASSERT_EQ(answers->texts.size(), 1);
        EXPECT_TRUE(answers->texts.front().contains(QStringLiteral("32768"))) << answers->texts.front().toStdString();
        EXPECT_TRUE(doc->Picture().Width() == picture.Width() && doc->Picture().Height() == picture.Height());
        ASSERT_NE(doc->Selection(), nullptr);
        EXPECT_EQ(doc->Selection()->Bounds, QRect(0, 0, 4, 3));
        EXPECT_EQ(doc->Selection()->Image.PixelColour(1, 1), clBlack);
        EXPECT_EQ(doc->UndoStack().Count(), steps);
    }
    doc->SetModified(false);
}

} // namespace
} // namespace vellum
