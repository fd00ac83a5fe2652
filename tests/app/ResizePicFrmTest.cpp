#include "app/ResizePicFrm.h"

#include <QCheckBox>
#include <QLineEdit>

#include <gtest/gtest.h>

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

} // namespace
} // namespace vellum
