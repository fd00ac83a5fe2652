#include "app/VLMain.h"

#include <QAction>
#include <QMdiArea>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "app/AddTextDlg.h"
#include "app/VLGlobal.h"
#include "app/XMLRegFile.h"
#include "document/TextPicture.h"
#include "document/VLPicChildWn.h"
#include "document/VLToolVars.h"

namespace vellum {
namespace {

// The picture with only the text's letters drawn at the point.
TXBitmap withLetters(const TXBitmap& picture, const TTextPicture& text, QPoint at)
{
    TXBitmap out = picture;
    for (int y = 0; y < text.Picture.Height(); ++y)
        for (int x = 0; x < text.Picture.Width(); ++x)
            if (text.Picture.PixelColour(x, y) != text.Background && at.x() + x < out.Width() && at.y() + y < out.Height())
                StorePixel(out.ScanLine(at.y() + y) + 3 * (at.x() + x), text.Picture.PixelColour(x, y));
    return out;
}

bool samePixels(const TXBitmap& a, const TXBitmap& b)
{
    if (a.Width() != b.Width() || a.Height() != b.Height())
        return false;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            if (a.PixelColour(x, y) != b.PixelColour(x, y))
                return false;
    return true;
}

class MainTextTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        ResetToolSettings();
        m_global = std::make_unique<TVLGlobal>(m_dir.path());
        start();
    }
    void TearDown() override
    {
        if (m_main) {
            for (QMdiSubWindow* w : m_main->ClientArea()->subWindowList())
                if (auto* doc = qobject_cast<TVLPicChildWin*>(w))
                    doc->SetModified(false);
            m_main.reset();
        }
        ResetToolSettings();
    }
    void start()
    {
        m_main = std::make_unique<TVellumMain>();
        m_main->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_main.get()));
    }
    void stop()
    {
        m_main->close();
        m_main.reset();
    }
    [[nodiscard]] TAddTextDialog& dialog() const { return *m_main->AddTextDialog(); }

    // What the user does in the dialog once it shows.
    void whenShown(std::function<void(TAddTextDialog&)> act)
    {
        QTimer::singleShot(0, m_main.get(), [this, act = std::move(act)] {
            if (dialog().isVisible())
                act(dialog());
        });
    }
    void typeAndConfirm(const QString& text)
    {
        whenShown([text](TAddTextDialog& d) {
            d.TextBox()->selectAll();
            QTest::keyClicks(d.TextBox(), text);
            d.accept();
        });
    }
    void chooseText() const { m_main->ToolAction(TTool::Text)->trigger(); }

    QTemporaryDir m_dir;
    std::unique_ptr<TVLGlobal> m_global;
    std::unique_ptr<TVellumMain> m_main;
};

TEST_F(MainTextTest, APlacedTextFloatsAtTheTopLeftOfTheViewWithItsBackgroundTransparent)
{
    TVLPicChildWin* doc = m_main->NewPicture(400, 300, RGBColor(10, 120, 10));
    ASSERT_NE(doc, nullptr);
    doc->SetZoom(2);
    doc->PictureScrollBox().CentreOn(300, 200);
    QCoreApplication::processEvents();
    const TXBitmap original = doc->Picture();
    TFont font;
    font.Size = 16;
    font.Color = clWhite;
    dialog().SetFont(font);

    typeAndConfirm(QStringLiteral("Hello  "));
    chooseText();
    ASSERT_NE(doc->Selection(), nullptr);
    const TTextPicture expected = RenderTextPicture(QStringLiteral("Hello"), dialog().Font());
    EXPECT_EQ(expected.Background, clBlack);
    // Only the white letters land on the picture, placed from the top-left of what is in view.
    const TXBitmap lettered = withLetters(original, expected, doc->PictureScrollBox().VisibleRect().topLeft());
    TXBitmap merged = original;
    doc->Selection()->CommitInto(&merged);
    EXPECT_TRUE(samePixels(merged, lettered));
    EXPECT_EQ(doc->Selection()->TransparentColour, clBlack);
    EXPECT_TRUE(doc->Selection()->HasMask());
    EXPECT_EQ(ToolSettings().Tool, TTool::SelectRect);
    EXPECT_TRUE(m_main->ToolAction(TTool::SelectRect)->isChecked());
    EXPECT_EQ(dialog().RecentTexts().front(), QStringLiteral("Hello  "));
    EXPECT_TRUE(samePixels(doc->Picture(), original)); // still floating

    // A second text commits the first, recording picture and selection for one undo step.
    const int steps = doc->UndoStack().Count();
    ToolSettings().Tool = TTool::Text;
    const QPoint press = doc->PictureScrollBox().PictureToView(QPoint(310, 210));
    typeAndConfirm(QStringLiteral("again"));
    QTest::mouseClick(doc->PictureScrollBox().viewport(), Qt::LeftButton, {}, press);
    EXPECT_EQ(doc->UndoStack().Count(), steps + 1);
    EXPECT_FALSE(samePixels(doc->Picture(), original));
    ASSERT_TRUE(doc->UndoLast());
    EXPECT_TRUE(samePixels(doc->Picture(), original));
    ASSERT_NE(doc->Selection(), nullptr);
    merged = original;
    doc->Selection()->CommitInto(&merged);
    EXPECT_TRUE(samePixels(merged, lettered));
}

TEST_F(MainTextTest, TheTextBoxKeysAndTheRecentList)
{
    dialog().SetRecentTexts({QStringLiteral("one"), QStringLiteral("Two\nlines"), QStringLiteral("three")});
    bool checked = false;
    whenShown([&](TAddTextDialog& d) {
        EXPECT_EQ(d.focusWidget(), d.TextBox());
        EXPECT_EQ(d.RecentBox()->currentIndex(), 0);
        emit d.RecentBox()->activated(1);
        EXPECT_EQ(d.TextBox()->toPlainText(), QStringLiteral("Two\nlines"));
        // Enter appends an empty line and keeps the dialog open.
        QTest::keyClick(d.TextBox(), Qt::Key_Return);
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(d.Text(), QStringLiteral("Two\nlines\n"));
        QTest::keyClick(d.TextBox(), Qt::Key_Tab);
        EXPECT_NE(d.focusWidget(), d.TextBox());
        EXPECT_EQ(d.Text(), QStringLiteral("Two\nlines\n"));
        d.TextBox()->setFocus();
        QTest::keyClick(d.TextBox(), Qt::Key_Escape);
        checked = true;
    });
    EXPECT_FALSE(dialog().Execute());
    EXPECT_TRUE(checked);

    // Confirmed texts go to the top; a match in another case takes the new spelling.
    dialog().SetMaxRecentTexts(3);
    dialog().SetText(QStringLiteral("ONE"));
    whenShown([](TAddTextDialog& d) { d.accept(); });
    ASSERT_TRUE(dialog().Execute());
    EXPECT_EQ(dialog().RecentTexts(),
              QStringList({QStringLiteral("ONE"), QStringLiteral("Two\nlines"), QStringLiteral("three")}));
    dialog().SetText(QStringLiteral("four"));
    whenShown([](TAddTextDialog& d) { d.accept(); });
    ASSERT_TRUE(dialog().Execute());
    EXPECT_EQ(dialog().RecentTexts(),
              QStringList({QStringLiteral("four"), QStringLiteral("ONE"), QStringLiteral("Two\nlines")}));
}

TEST_F(MainTextTest, RecentTextsComeBackAfterARestart)
{
    struct Case {
        int max;
        QStringList stored; // RecentText1, 2, ...; an empty entry is a missing value
        int expectedMax;
        QStringList expected;
    } const cases[] = {
        {258, {QStringLiteral("a\r\nb"), QStringLiteral("c"), QStringLiteral("d")}, 2,
         {QStringLiteral("a\nb"), QStringLiteral("c")}},
        {10, {QStringLiteral("x"), QString(), QStringLiteral("z")}, 10, {QStringLiteral("x")}},
    };
    for (const Case& c : cases) {
        stop();
        QFile::remove(m_dir.filePath(QStringLiteral("Vellum.xml")));
        {
            TXMLRegistryFile reg(m_dir.filePath(QStringLiteral("Vellum.xml")));
            ASSERT_TRUE(reg.OpenKey(QStringLiteral("Vellum\\Main\\Recent_Text"), true));
            reg.WriteInteger(QStringLiteral("MaxRecentList"), c.max);
            for (int i = 0; i < c.stored.size(); ++i)
                if (!c.stored[i].isEmpty())
                    reg.WriteString(QStringLiteral("RecentText%1").arg(i + 1), c.stored[i]);
        }
        start();
        EXPECT_EQ(dialog().MaxRecentTexts(), c.expectedMax);
        EXPECT_EQ(dialog().RecentTexts(), c.expected);
    }

    // A text used in this run is there after the next start.
    TVLPicChildWin* doc = m_main->NewPicture(50, 40, clWhite);
    ASSERT_NE(doc, nullptr);
    typeAndConfirm(QStringLiteral("kept"));
    chooseText();
    doc->SetModified(false);
    stop();
    start();
    EXPECT_EQ(dialog().RecentTexts().front(), QStringLiteral("kept"));
    EXPECT_EQ(dialog().RecentTexts().size(), 2);
}

TEST_F(MainTextTest, WithoutAPictureOrWithATextTooLargeNothingIsPlaced)
{
    typeAndConfirm(QStringLiteral("nowhere to go"));
    chooseText(); // nothing open: the dialog still asks, nothing happens
    EXPECT_EQ(dialog().RecentTexts().front(), QStringLiteral("nowhere to go"));

    TVLPicChildWin* doc = m_main->NewPicture(50, 40, clWhite);
    ASSERT_NE(doc, nullptr);
    TFont font;
    font.Size = 20;
    dialog().SetFont(font);
    testing::MessageAnswers answers({QMessageBox::Ok});
    whenShown([](TAddTextDialog& d) {
        d.TextBox()->setPlainText(QString(5000, QLatin1Char('W')));
        d.accept();
    });
    chooseText();
    ASSERT_EQ(answers.texts.size(), 1);
    EXPECT_TRUE(answers.texts.front().contains(QStringLiteral("32768")));
    EXPECT_EQ(doc->Selection(), nullptr);
    EXPECT_EQ(ToolSettings().Tool, TTool::Text);
}

TEST_F(MainTextTest, UndoWhileAShapeIsDraggedBringsBackThePictureWithoutOutline)
{
    TVLPicChildWin* doc = m_main->NewPicture(60, 40, clWhite);
    ASSERT_NE(doc, nullptr);
    QCoreApplication::processEvents();
    const TXBitmap original = doc->Picture();
    m_main->ToolAction(TTool::Shapes)->trigger();
    ToolSettings().ShapeKind = TShapeKind::Rectangle;
    QWidget* surface = doc->PictureScrollBox().viewport();
    QTest::mousePress(surface, Qt::LeftButton, {}, QPoint(5, 5));
    QMouseEvent move(QEvent::MouseMove, QPointF(30, 25), surface->mapToGlobal(QPointF(30, 25)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(surface, &move);
    ASSERT_FALSE(samePixels(doc->Picture(), original));
    m_main->ActUndo()->trigger();
    EXPECT_FALSE(doc->Dragging());
    EXPECT_TRUE(samePixels(doc->Picture(), original));
    EXPECT_FALSE(doc->Modified());
    QTest::mouseRelease(surface, Qt::LeftButton, {}, QPoint(30, 25));
    EXPECT_TRUE(samePixels(doc->Picture(), original));
}

} // namespace
} // namespace vellum
