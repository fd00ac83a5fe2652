// The caption button as it shows: whatever the window's width, the caption's text ends left of
// the button, so the button never covers its end (the zoom's closing bracket).

#include "document/VLChildClasses.h"

#include <QApplication>
#include <QMdiArea>
#include <QTest>

#include <gtest/gtest.h>

#include "document/VLPicChildWn.h"

namespace vellum {
namespace {

class FakeArea : public TDocumentArea {
public:
    [[nodiscard]] QSize AvailableDocumentArea() const override { return {800, 600}; }
};

// Columns of the caption bar's row band [top, bottom] in image where ink differs from the bar's
// background (taken per row at column reference).
bool hasInk(const QImage& image, const QRect& where, int reference)
{
    for (int y = where.top(); y <= where.bottom(); ++y)
        for (int x = where.left(); x <= where.right(); ++x)
            if (std::abs(qGray(image.pixel(x, y)) - qGray(image.pixel(reference, y))) > 60)
                return true;
    return false;
}

TEST(ExtraBtnFormTest, TheCaptionsTextEndsLeftOfTheButton)
{
    QMdiArea area;
    area.resize(1000, 600);
    area.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&area));
    FakeArea documents;
    struct Case {
        const char* title;
        int width;
    };
    for (const Case c : {Case{"a.bmp", 1}, Case{"a.bmp", 120}, Case{"photo.bmp", 150}, Case{"photo.bmp", 190},
                         Case{"Holiday at the seaside.bmp", 1}, Case{"Holiday at the seaside.bmp", 230},
                         Case{"Holiday at the seaside.bmp", 300}}) {
        SCOPED_TRACE(std::string(c.title) + " at " + std::to_string(c.width));
        auto* doc = new TVLNewPicChildWin(20, 10, clWhite, QString::fromLatin1(c.title), &documents);
        area.addSubWindow(doc);
        doc->show();
        doc->resize(c.width, 200);
        QCoreApplication::processEvents();
        const QRect button = doc->ExtraBtnRect();
        ASSERT_FALSE(button.isEmpty()) << "width " << doc->width();
        // What lies under the button: the same caption drawn with the button left out.
        doc->SetShowExtraBtn(false);
        const QImage under = doc->grab().toImage().convertToFormat(QImage::Format_RGB32);
        doc->SetShowExtraBtn(true);
        ASSERT_GT(button.right() + 1, 0);
        EXPECT_FALSE(hasInk(under, button, button.right() + 1))
            << "the caption '" << doc->windowTitle().toStdString() << "' runs under the button";
        // And the caption shows: there is text left of the button.
        EXPECT_TRUE(hasInk(under, QRect(0, button.top(), button.left(), button.height()), button.right() + 1));
        EXPECT_TRUE(doc->windowTitle().endsWith(QStringLiteral("[1:1]")));
        doc->SetModified(false);
        delete doc;
    }
}

} // namespace
} // namespace vellum
