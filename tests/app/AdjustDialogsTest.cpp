#include <cstring>
#include <memory>

#include <QApplication>
#include <QDialogButtonBox>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QProxyStyle>
#include <QPushButton>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include "app/AdjBrightDlg.h"
#include "app/AdjGammaDlg.h"
#include "app/AdjRGBDlg.h"
#include "app/BlurDlg.h"
#include "app/RotateDlg.h"
#include "app/SettingsKeys.h"
#include "app/VLGlobal.h"
#include "app/XMLRegFile.h"
#include "controls/Dial.h"
#include "controls/DoubleSpinEdit.h"
#include "controls/TrackBar.h"
#include "controls/WholeNumberBox.h"
#include "document/VLPicChildWn.h"
#include "document/VLToolVars.h"
#include "raster/ScaleDown.h"
#include "raster/BothPaths.h"

namespace vellum {
namespace {

bool samePixels(const TXBitmap& a, const TXBitmap& b)
{
    if (a.Width() != b.Width() || a.Height() != b.Height())
        return false;
    for (int y = 0; y < a.Height(); ++y)
        if (std::memcmp(a.ScanLine(y), b.ScanLine(y), 3 * static_cast<std::size_t>(a.Width())) != 0)
            return false;
    return true;
}

// What a dialog's preview of the picture shows before any effect.
TEffectsBitmap reduced(const TXBitmap& picture, QSize size)
{
    TEffectsBitmap result;
    ScaleDownTo(picture, result, size.width(), size.height());
    return result;
}

// The platform's order of dialog buttons, chosen by the test.
class ButtonOrderStyle : public QProxyStyle {
public:
    ButtonOrderStyle(QStyle* base, int order) : QProxyStyle(base), m_order(order) {}
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* data) const override
    {
        if (hint == SH_DialogButtonLayout)
            return m_order;
        return QProxyStyle::styleHint(hint, option, widget, data);
    }

private:
    int m_order;
};

class AdjustDialogsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_global = std::make_unique<TVLGlobal>(m_dir.path());
        TBaseAdjDialog::ShowInformation = [this](QWidget*, const QString& message) { m_messages << message; };
        TBaseAdjDialog::ShowError = [this](QWidget*, const QString& message) { m_messages << QStringLiteral("error: ") + message; };
    }
    void TearDown() override
    {
        m_mdi.reset();
        m_global.reset();
    }

    // A document of the size whose pixels vary in every channel.
    TVLPicChildWin* document(int width, int height)
    {
        m_mdi = std::make_unique<QMdiArea>();
        auto* doc = new TVLNewPicChildWin(width, height, clWhite, QStringLiteral("New Picture #1"), nullptr);
        m_mdi->addSubWindow(doc);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                StorePixel(doc->Picture().ScanLine(y) + 3 * x, RGBColor((3 * x + y) % 256, (5 * y + x) % 256, (x * y) % 256));
        return doc;
    }
    static void typeInto(QLineEdit* editor, const QString& text)
    {
        editor->selectAll();
        QTest::keyClicks(editor, text);
    }

    // The dialog as the user finds it: shown modal and active, its box focused with the text
    // selected.
    static void openActive(QDialog& dialog)
    {
        dialog.open();
        dialog.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    }
    // Keys as the user types them, one at a time into what has the focus; empty text deletes
    // the selection.
    static void typeKeys(const QString& text)
    {
        QWidget* focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        if (text.isEmpty())
            QTest::keyClick(focus, Qt::Key_Delete);
        for (const QChar c : text)
            QTest::keyClicks(focus, QString(c));
    }
    enum class Way { Enter, Click, AltO };
    // OK reached as the user reaches it; waits until the dialog has answered.
    void pressOK(QDialog& dialog, QPushButton* ok, Way way)
    {
        QWidget* focus = QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : &dialog;
        switch (way) {
        case Way::Enter:
            QTest::keyClick(focus, Qt::Key_Return);
            break;
        case Way::Click:
            QTest::mouseClick(ok, Qt::LeftButton);
            break;
        case Way::AltO:
            QTest::keyClick(focus, Qt::Key_O, Qt::AltModifier);
            break;
        }
        EXPECT_TRUE(QTest::qWaitFor([&] { return !m_messages.isEmpty() || !dialog.isVisible(); }, 2000))
            << "OK gave no answer";
    }
    static const char* nameOf(Way way)
    {
        return way == Way::Enter ? "Enter" : way == Way::Click ? "click" : "Alt+O";
    }

    QTemporaryDir m_dir;
    std::unique_ptr<TVLGlobal> m_global;
    std::unique_ptr<QMdiArea> m_mdi;
    QStringList m_messages;
};

TEST_F(AdjustDialogsTest, PreviewSizesKeepTheAspectAndNeverDropToZero)
{
    struct Case { int w, h; QSize simple, rotate; };
    const Case cases[] = {
        {100, 100, {100, 100}, {100, 100}},
        {600, 400, {230, 153}, {191, 127}},
        {400, 600, {152, 228}, {127, 191}},
        {920, 460, {230, 115}, {205, 102}},
        {10000, 1, {230, 1}, {229, 1}},   // 0.023 rounds to 0: one pixel instead
        {1, 10000, {1, 228}, {1, 229}},
        {30000, 50, {230, 1}, {229, 1}},
        {5, 3, {5, 3}, {5, 3}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(AdjPreviewSize(c.w, c.h, TSimpleAdjDialog::PreviewBox), c.simple) << c.w << "x" << c.h;
        EXPECT_EQ(RotatePreviewSize(c.w, c.h, TRotateDialog::PreviewSide), c.rotate) << c.w << "x" << c.h;
    }
}

TEST_F(AdjustDialogsTest, AStoredPlaceIsKeptOnTheScreen)
{
    const QRect screen(0, 0, 1024, 768);
    const QSize dialog(400, 300);
    struct Case { std::optional<int> left, top; std::optional<QPoint> place; };
    const Case cases[] = {
        {100, 50, QPoint(100, 50)},
        {900, 700, QPoint(624, 468)},
        {-40, -5, QPoint(0, 0)},
        {100, std::nullopt, std::nullopt},
        {std::nullopt, 50, std::nullopt},
        {2147483647, -2147483647, QPoint(624, 0)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AdjDialogPlace(c.left, c.top, dialog, screen), c.place);
    // Larger than the screen: the title bar stays on it.
    EXPECT_EQ(AdjDialogPlace(500, 500, QSize(2000, 1000), screen), QPoint(0, 0));
}

TEST_F(AdjustDialogsTest, BrightnessOpensAtTenWithABrightenedPreview)
{
    TVLPicChildWin* doc = document(600, 400);
    EXPECT_THROW(TAdjBrightDialog(nullptr, nullptr), EVellumError);
    TAdjBrightDialog dialog(nullptr, doc);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Adjust Brightness"));
    EXPECT_EQ(dialog.MainLabel()->text(), QStringLiteral("Brightness (%)"));
    auto* box = dialog.findChild<TWholeNumberBox*>(QStringLiteral("BFactorSpin"));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->toolTip(), QStringLiteral("Brightness factor"));
    EXPECT_EQ(box->text(), QStringLiteral("10"));
    EXPECT_EQ(dialog.MainTrackBar()->value(), 10);
    EXPECT_EQ(dialog.MainTrackBar()->minimum(), -100);
    EXPECT_EQ(dialog.MainTrackBar()->maximum(), 100);
    EXPECT_EQ(dialog.PreviewButton()->text(), QStringLiteral("Pre&view"));
    EXPECT_EQ(dialog.AdjImage()->size(), QSize(230, 153));
    TEffectsBitmap expected = reduced(doc->Picture(), {230, 153});
    expected.Brighten(10);
    EXPECT_TRUE(samePixels(dialog.AdjustedPreview(), expected));

    // The track bar reaches -100, which three typed characters cannot.
    dialog.MainTrackBar()->setValue(-100);
    EXPECT_EQ(box->text(), QStringLiteral("-100"));
    EXPECT_EQ(dialog.Brightness(), -100);
    expected = reduced(doc->Picture(), {230, 153});
    expected.Brighten(-100);
    EXPECT_TRUE(samePixels(dialog.AdjustedPreview(), expected));

    // Typing changes value, track bar and preview at once; unfinished text changes nothing.
    typeInto(box->Editor(), QStringLiteral("45"));
    EXPECT_EQ(dialog.MainTrackBar()->value(), 45);
    typeInto(box->Editor(), QStringLiteral("-"));
    EXPECT_EQ(dialog.Brightness(), 45);
    expected = reduced(doc->Picture(), {230, 153});
    expected.Brighten(45);
    EXPECT_TRUE(samePixels(dialog.AdjustedPreview(), expected));
    EXPECT_FALSE(doc->IsPreviewing());
}

TEST_F(AdjustDialogsTest, GammaTrackBarAndBoxKeepInStep)
{
    TVLPicChildWin* doc = document(300, 200);
    TAdjGammaDialog dialog(nullptr, doc);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Gamma Correction"));
    auto* box = dialog.findChild<TDoubleSpinEdit*>(QStringLiteral("GCFactorSpin"));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), QStringLiteral("1.00"));
    EXPECT_EQ(dialog.MainTrackBar()->value(), 100);
    dialog.MainTrackBar()->setValue(250);
    EXPECT_EQ(box->text(), QStringLiteral("2.50"));
    EXPECT_DOUBLE_EQ(dialog.Value(), 2.5);
    dialog.MainTrackBar()->setValue(251); // 2.51 is a hair below 251 hundredths in binary
    EXPECT_EQ(dialog.MainTrackBar()->value(), 251);
    EXPECT_EQ(box->text(), QStringLiteral("2.51"));
    typeInto(box->Editor(), QStringLiteral("7"));
    EXPECT_DOUBLE_EQ(dialog.Value(), 4.99);
    EXPECT_EQ(box->text(), QStringLiteral("7")); // the typing stands until the box is left
    EXPECT_EQ(dialog.MainTrackBar()->value(), 499);
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(box, &out);
    EXPECT_EQ(box->text(), QStringLiteral("4.99"));
    TEffectsBitmap expected = reduced(doc->Picture(), dialog.SourcePreview().BoundsRect().size());
    expected.GammaCorrect(4.99);
    EXPECT_TRUE(samePixels(dialog.AdjustedPreview(), expected));
}

TEST_F(AdjustDialogsTest, BlurPreviewsTheRadiusScaledToThePreviewAndRefusesText)
{
    TVLPicChildWin* doc = document(920, 460); // four times the preview's width
    TBlurDialog dialog(nullptr, doc);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Blur Picture"));
    EXPECT_DOUBLE_EQ(dialog.PreviewScale(), 0.25);
    auto* box = dialog.findChild<TDoubleSpinEdit*>(QStringLiteral("BlurFactorSpin"));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), QStringLiteral("1.00"));
    EXPECT_EQ(dialog.MainTrackBar()->maximum(), 2000);
    TEffectsBitmap expected = reduced(doc->Picture(), {230, 115});
    expected.Blur(0.25);
    EXPECT_TRUE(samePixels(dialog.AdjustedPreview(), expected));

    dialog.show();
    box->Editor()->setText(QStringLiteral("abc"));
    dialog.OKButton()->click();
    EXPECT_EQ(m_messages, QStringList{QStringLiteral("The blur radius is invalid")});
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_DOUBLE_EQ(dialog.Value(), 1.0); // the last valid value stays
    box->Editor()->setText(QStringLiteral("2"));
    dialog.OKButton()->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_DOUBLE_EQ(dialog.Value(), 2.0);
}

TEST_F(AdjustDialogsTest, EachTrackBarDialogNamesItsInvalidValue)
{
    TVLPicChildWin* doc = document(40, 30);
    TAdjBrightDialog bright(nullptr, doc);
    TAdjGammaDialog gamma(nullptr, doc);
    struct Case { TTrackBarAdjDialog* dialog; QLineEdit* editor; const char* message; };
    const Case cases[] = {
        {&bright, bright.FactorBox()->Editor(), "The brightness factor is invalid"},
        {&gamma, gamma.FactorBox()->Editor(), "The correction factor is invalid"},
    };
    for (const Case& c : cases) {
        m_messages.clear();
        c.dialog->show();
        c.editor->setText(QStringLiteral("-"));
        c.dialog->OKButton()->click();
        EXPECT_EQ(m_messages, QStringList{QLatin1String(c.message)});
        EXPECT_TRUE(c.dialog->isVisible());
        c.dialog->reject();
    }
}

TEST_F(AdjustDialogsTest, DecimalsTypedKeyByKeyStandAsTypedAndTheValueShownIsApplied)
{
    TVLPicChildWin* doc = document(60, 40);
    struct Case { bool blur; const char* typed; const char* shown; double value; };
    const Case cases[] = {
        {false, "2.5", "2.50", 2.5},
        {false, "1.005", "1.00", 1.0}, // the third decimal never reaches the picture
        {false, "7", "4.99", 4.99},    // clamped
        {true, "12.75", "12.75", 12.75},
        {true, "0.5", "0.50", 0.5},
    };
    for (const Case& c : cases) {
        for (const Way way : {Way::Enter, Way::Click, Way::AltO}) {
            const std::string label = std::string(c.typed) + " by " + nameOf(way);
            std::unique_ptr<TDecimalAdjDialog> dialog;
            if (c.blur)
                dialog = std::make_unique<TBlurDialog>(nullptr, doc);
            else
                dialog = std::make_unique<TAdjGammaDialog>(nullptr, doc);
            TDoubleSpinEdit* box = dialog->FactorBox();
            openActive(*dialog);
            ASSERT_EQ(box->Editor()->selectedText(), QStringLiteral("1.00")) << label;
            QString typed;
            for (const char key : std::string(c.typed)) {
                typeKeys(QString(QLatin1Char(key)));
                typed += QLatin1Char(key);
                EXPECT_EQ(box->text(), typed) << label; // never "2.5.00"
            }
            EXPECT_DOUBLE_EQ(dialog->Value(), c.value) << label;
            EXPECT_EQ(dialog->MainTrackBar()->value(), static_cast<int>(std::lround(c.value * 100))) << label;
            if (!c.blur) {
                TEffectsBitmap expected;
                expected.Assign(dialog->SourcePreview());
                expected.GammaCorrect(c.value);
                EXPECT_TRUE(samePixels(dialog->AdjustedPreview(), expected)) << label;
            }
            pressOK(*dialog, dialog->OKButton(), way);
            EXPECT_EQ(dialog->result(), QDialog::Accepted) << label;
            EXPECT_TRUE(m_messages.isEmpty()) << label;
            // What the box shows is what the main window applies.
            EXPECT_EQ(box->text(), QLatin1String(c.shown)) << label;
            EXPECT_DOUBLE_EQ(dialog->Value(), c.value) << label;
            EXPECT_DOUBLE_EQ(box->text().toDouble(), dialog->Value()) << label;
        }
    }
}

TEST_F(AdjustDialogsTest, InvalidTextAtOkIsNamedWhicheverWayOkIsReached)
{
    TVLPicChildWin* doc = document(40, 30);
    struct Case { int dialog; const char* typed; const char* message; };
    const Case cases[] = {
        {0, "", "The brightness factor is invalid"}, {0, "-", "The brightness factor is invalid"},
        {1, "", "The correction factor is invalid"}, {1, "-", "The correction factor is invalid"},
        {2, "", "The blur radius is invalid"},       {2, "+", "The blur radius is invalid"},
    };
    for (const Case& c : cases) {
        for (const Way way : {Way::Enter, Way::Click, Way::AltO}) {
            const std::string label = std::string(c.message) + " '" + c.typed + "' by " + nameOf(way);
            std::unique_ptr<TTrackBarAdjDialog> dialog;
            if (c.dialog == 0)
                dialog = std::make_unique<TAdjBrightDialog>(nullptr, doc);
            else if (c.dialog == 1)
                dialog = std::make_unique<TAdjGammaDialog>(nullptr, doc);
            else
                dialog = std::make_unique<TBlurDialog>(nullptr, doc);
            const double start = dialog->Value();
            openActive(*dialog);
            typeKeys(QLatin1String(c.typed));
            m_messages.clear();
            pressOK(*dialog, dialog->OKButton(), way);
            EXPECT_EQ(m_messages, QStringList{QLatin1String(c.message)}) << label;
            EXPECT_TRUE(dialog->isVisible()) << label;
            EXPECT_NE(dialog->result(), QDialog::Accepted) << label;
            // The refused text stays for the user to mend; nothing was taken from it.
            EXPECT_EQ(dialog->ValueBox()->text(), QLatin1String(c.typed)) << label;
            EXPECT_DOUBLE_EQ(dialog->Value(), start) << label;

            // Mended, the same way gets through.
            if (!dialog->isVisible())
                continue;
            m_messages.clear();
            dialog->ValueBox()->setFocus();
            dialog->ValueBox()->selectAll();
            typeKeys(QStringLiteral("3"));
            pressOK(*dialog, dialog->OKButton(), way);
            EXPECT_EQ(dialog->result(), QDialog::Accepted) << label;
            EXPECT_DOUBLE_EQ(dialog->Value(), 3.0) << label;
        }
    }
}

TEST_F(AdjustDialogsTest, PreviewStandsLeftOfOkInEveryPlatformsButtonOrder)
{
    TVLPicChildWin* doc = document(60, 40);
    const QString original = QApplication::style()->name();
    struct Case { QDialogButtonBox::ButtonLayout order; const char* name; };
    const Case cases[] = {{QDialogButtonBox::WinLayout, "Windows"}, {QDialogButtonBox::MacLayout, "Mac"},
                          {QDialogButtonBox::KdeLayout, "KDE"}, {QDialogButtonBox::GnomeLayout, "GNOME"}};
    for (const Case& c : cases) {
        QApplication::setStyle(new ButtonOrderStyle(QStyleFactory::create(original), c.order));
        TAdjGammaDialog dialog(nullptr, doc);
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        auto place = [&dialog](const QWidget* w) { return QRect(w->mapTo(&dialog, QPoint(0, 0)), w->size()); };
        const QRect preview = place(dialog.PreviewButton());
        const QRect ok = place(dialog.OKButton());
        const QRect cancel = place(dialog.CancelButton());
        EXPECT_TRUE(dialog.PreviewButton()->isVisible()) << c.name;
        EXPECT_TRUE(dialog.rect().contains(preview)) << c.name;
        EXPECT_EQ(preview.center().y(), ok.center().y()) << c.name;
        EXPECT_LT(preview.right(), ok.left()) << c.name;
        EXPECT_LT(preview.right(), cancel.left()) << c.name; // never between OK and Cancel
        // Next to OK, or to Cancel where the platform puts Cancel before OK.
        const QRect neighbour = cancel.left() < ok.left() ? cancel : ok;
        EXPECT_LE(neighbour.left() - preview.right(), 20) << c.name;
        dialog.reject();
    }
    QApplication::setStyle(QStyleFactory::create(original));
}

TEST_F(AdjustDialogsTest, RgbChannelsMoveTogetherWithTheirTrackBars)
{
    TVLPicChildWin* doc = document(200, 100);
    TAdjRGBDialog dialog(nullptr, doc);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Adjust RGB"));
    for (const char* name : {"RedFactorSpin", "GreenFactorSpin", "BlueFactorSpin"}) {
        auto* box = dialog.findChild<TWholeNumberBox*>(QLatin1String(name));
        ASSERT_NE(box, nullptr) << name;
        EXPECT_EQ(box->text(), QStringLiteral("0"));
        EXPECT_EQ(box->toolTip(), QStringLiteral("Brightness factor"));
    }
    EXPECT_TRUE(samePixels(dialog.AdjustedPreview(), reduced(doc->Picture(), {200, 100})));
    dialog.TrackBar(TAdjRGBDialog::Red)->setValue(-100);
    typeInto(dialog.Box(TAdjRGBDialog::Green)->Editor(), QStringLiteral("150")); // clamped
    typeInto(dialog.Box(TAdjRGBDialog::Blue)->Editor(), QStringLiteral("30"));
    typeInto(dialog.Box(TAdjRGBDialog::Blue)->Editor(), QStringLiteral("-")); // ignored
    EXPECT_EQ(dialog.Box(TAdjRGBDialog::Red)->text(), QStringLiteral("-100"));
    EXPECT_EQ(dialog.Box(TAdjRGBDialog::Green)->text(), QStringLiteral("100"));
    EXPECT_EQ(dialog.TrackBar(TAdjRGBDialog::Green)->value(), 100);
    EXPECT_EQ(dialog.TrackBar(TAdjRGBDialog::Blue)->value(), 30);
    EXPECT_EQ(dialog.ChannelValue(TAdjRGBDialog::Blue), 30);
    TEffectsBitmap expected = reduced(doc->Picture(), {200, 100});
    expected.AdjustRGB(-100, 100, 30);
    EXPECT_TRUE(samePixels(dialog.AdjustedPreview(), expected));
}

TEST_F(AdjustDialogsTest, RotateButtonsBoxAndDialWrapAround)
{
    TVLPicChildWin* doc = document(600, 400);
    TRotateDialog dialog(nullptr, RGBColor(9, 9, 9), doc);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Rotate Picture"));
    EXPECT_EQ(dialog.SourcePreview().BoundsRect().size(), QSize(191, 127));
    EXPECT_EQ(dialog.AdjImage()->size(), QSize(229, 229));
    auto* aw = dialog.findChild<QToolButton*>(QStringLiteral("RotateAWBut"));
    auto* cw = dialog.findChild<QToolButton*>(QStringLiteral("RotateCWBut"));
    ASSERT_NE(aw, nullptr);
    ASSERT_NE(cw, nullptr);
    EXPECT_EQ(aw->toolTip(), QStringLiteral("Rotate 90 AntiClockWise"));
    EXPECT_EQ(cw->toolTip(), QStringLiteral("Rotate 90 ClockWise"));
    QLineEdit* editor = dialog.AngleBox()->Editor();
    struct Step { std::function<void()> act; int angle; const char* text; };
    const Step steps[] = {
        {[&] { aw->click(); }, 270, "270"},
        {[&] { cw->click(); }, 0, "0"},
        {[&] { dialog.AngleBox()->stepBy(-1); }, 359, "359"},
        {[&] { dialog.AngleBox()->stepBy(1); }, 0, "0"},
        {[&] { typeInto(editor, QStringLiteral("720")); }, 0, "0"}, // two whole turns are none
        {[&] { typeInto(editor, QStringLiteral("45")); }, 45, "45"},
        {[&] { typeInto(editor, QStringLiteral("-")); }, 45, "-"},
        {[&] { dialog.AngleBox()->stepBy(1); }, 45, "45"}, // invalid text: the angle shows again
        {[&] { typeInto(editor, QStringLiteral("-5")); }, 355, "355"},
        {[&] { dialog.Dial()->SetPosition(200); }, 200, "200"},
    };
    for (const Step& s : steps) {
        s.act();
        EXPECT_EQ(dialog.Angle(), s.angle) << s.text;
        EXPECT_EQ(editor->text(), QLatin1String(s.text));
        EXPECT_EQ(dialog.Dial()->Position(), s.angle) << s.text;
    }
    dialog.SetAngle(90);
    EXPECT_EQ(dialog.AdjustedPreview().BoundsRect().size(), QSize(127, 191));
    TEffectsBitmap expected = reduced(doc->Picture(), {191, 127});
    expected.Rotate(90, RGBColor(9, 9, 9));
    EXPECT_TRUE(samePixels(dialog.AdjustedPreview(), expected));
    // The display shows the turned preview centred on the button face.
    const QImage& display = dialog.DisplayPicture();
    EXPECT_EQ(display.pixelColor(0, 0), dialog.palette().color(QPalette::Button));
    EXPECT_EQ(display.pixel(51, 19), qRgb(GetRValue(expected.PixelColour(0, 0)), GetGValue(expected.PixelColour(0, 0)),
                                          GetBValue(expected.PixelColour(0, 0))));
    // A new palette redraws the background.
    QPalette palette = dialog.palette();
    palette.setColor(QPalette::Button, QColor(1, 2, 3));
    dialog.setPalette(palette);
    EXPECT_EQ(dialog.DisplayPicture().pixelColor(0, 0), QColor(1, 2, 3));
}

TEST_F(AdjustDialogsTest, RotateDisplayIsTheTurnedPreviewCentredOnTheFace)
{
    // Pictures shrinking, growing, of odd and even sizes, a face colour changed between: every
    // pixel of the display as a fresh face with the turned preview drawn centred on it, with the
    // rows converted by the vector code and by the portable code.
    TVLPicChildWin* doc = document(600, 400);
    test::OnBothPaths([&] {
        TRotateDialog dialog(nullptr, RGBColor(9, 9, 9), doc);
        for (const int angle : {45, 90, 0, 30, 359, 180, 271}) {
            if (angle == 180) {
                QPalette palette = dialog.palette();
                palette.setColor(QPalette::Button, QColor(1, 2, 3));
                dialog.setPalette(palette);
            }
            dialog.SetAngle(angle);
            TEffectsBitmap turned = reduced(doc->Picture(), {191, 127});
            turned.Rotate(angle, RGBColor(9, 9, 9));
            QImage expected(TRotateDialog::PreviewSide, TRotateDialog::PreviewSide, QImage::Format_RGB32);
            expected.fill(dialog.palette().color(QPalette::Button));
            const int left = std::max(0, expected.width() - turned.Width()) / 2;
            const int top = std::max(0, expected.height() - turned.Height()) / 2;
            for (int y = 0; y < std::min(turned.Height(), expected.height() - top); ++y)
                for (int x = 0; x < std::min(turned.Width(), expected.width() - left); ++x) {
                    const TColor c = turned.PixelColour(x, y);
                    expected.setPixel(left + x, top + y, qRgb(GetRValue(c), GetGValue(c), GetBValue(c)));
                }
            // Byte for byte: the alpha byte of an RGB32 pixel is 0xFF as well.
            const QImage& display = dialog.DisplayPicture();
            ASSERT_EQ(display.size(), expected.size());
            for (int y = 0; y < expected.height(); ++y)
                ASSERT_EQ(std::memcmp(display.constScanLine(y), expected.constScanLine(y),
                                      4 * static_cast<std::size_t>(expected.width())),
                          0)
                    << "angle " << angle << ", row " << y;
        }
    });
}

TEST_F(AdjustDialogsTest, ThinPicturesGetPreviewsAndABlurScale)
{
    TVLPicChildWin* doc = document(10000, 1);
    TBlurDialog blur(nullptr, doc);
    EXPECT_EQ(blur.SourcePreview().BoundsRect().size(), QSize(230, 1));
    EXPECT_GT(blur.PreviewScale(), 0.0);
    TRotateDialog rotate(nullptr, clWhite, doc);
    EXPECT_EQ(rotate.SourcePreview().BoundsRect().size(), QSize(229, 1));
}

TEST_F(AdjustDialogsTest, AShapedSelectionPreviewShowsThePatternOutsideUntouched)
{
    TVLPicChildWin* doc = document(120, 80);
    const TColor key = RGBColor(0, 255, 0);
    TXBitmap pasted(60, 40);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 60; ++x)
            StorePixel(pasted.ScanLine(y) + 3 * x, x < y ? key : RGBColor(2 * x, 3 * y, 77));
    doc->CreateBitmapSelection(&pasted, QPoint(10, 10), key);
    ASSERT_NE(doc->Selection(), nullptr);
    ASSERT_TRUE(doc->Selection()->HasMask());

    TAdjBrightDialog dialog(nullptr, doc);
    const TBool2DArray* mask = dialog.PreviewMask();
    ASSERT_NE(mask, nullptr);
    const TEffectsBitmap& source = dialog.SourcePreview();
    const TEffectsBitmap& adjusted = dialog.AdjustedPreview();
    EXPECT_EQ(source.BoundsRect().size(), QSize(doc->Selection()->Image.Width(), doc->Selection()->Image.Height()));
    TXBitmap pattern(source.Width(), source.Height());
    FillNonCanvas(pattern);
    int outside = 0;
    for (int y = 0; y < source.Height(); ++y)
        for (int x = 0; x < source.Width(); ++x) {
            if (mask->GetItem(x, y)) {
                ++outside;
                EXPECT_EQ(source.PixelColour(x, y), pattern.PixelColour(x, y));
                EXPECT_EQ(adjusted.PixelColour(x, y), pattern.PixelColour(x, y));
            } else {
                TEffectsBitmap one(1, 1);
                StorePixel(one.ScanLine(0), source.PixelColour(x, y));
                one.Brighten(10);
                EXPECT_EQ(adjusted.PixelColour(x, y), one.PixelColour(0, 0));
            }
        }
    EXPECT_GT(outside, 0);

    // The Rotate dialog fills the outside with a colour the preview lacks and draws it
    // transparently on the pattern.
    TRotateDialog rotate(nullptr, clWhite, doc);
    EXPECT_TRUE(rotate.PreviewsSelection());
    EXPECT_NE(rotate.FillColour(), clWhite);
}

TEST_F(AdjustDialogsTest, ThePreviewButtonShowsTheEffectInTheDocument)
{
    TVLPicChildWin* doc = document(50, 40);
    const TXBitmap original = doc->Picture();
    TAdjBrightDialog dialog(nullptr, doc);
    dialog.PreviewButton()->click();
    EXPECT_TRUE(doc->IsPreviewing());
    TEffectsBitmap expected;
    expected.AssignOpaque(original);
    expected.Brighten(10);
    EXPECT_TRUE(samePixels(doc->Picture(), expected));
    doc->CancelPreview();
    EXPECT_TRUE(samePixels(doc->Picture(), original));
}

TEST_F(AdjustDialogsTest, APreviewThatCannotStartShowsTheErrorAndChangesNothing)
{
    TVLPicChildWin* doc = document(50, 40);
    doc->CreateRectSelection(QRect(5, 5, 20, 20), -1);
    ASSERT_NE(doc->Selection(), nullptr);
    const TXBitmap image = doc->Selection()->Image;
    const int steps = doc->UndoStack().Count();
    TAdjGammaDialog dialog(nullptr, doc);
    // A selection whose parent picture went empty cannot be copied for the preview.
    TEffectsBitmap empty;
    TEffectsBitmap* parent = doc->Selection()->Parent;
    doc->Selection()->Parent = &empty;
    dialog.SetValue(2.0);
    dialog.PreviewButton()->click();
    doc->Selection()->Parent = parent;
    ASSERT_EQ(m_messages.size(), 1);
    EXPECT_TRUE(m_messages[0].startsWith(QStringLiteral("error: ")));
    EXPECT_FALSE(doc->IsPreviewing());
    EXPECT_TRUE(samePixels(doc->Selection()->Image, image));
    EXPECT_EQ(doc->UndoStack().Count(), steps);
}

TEST_F(AdjustDialogsTest, EveryDialogOpensWhereTheLastOneClosed)
{
    TVLPicChildWin* doc = document(50, 40);
    const QString file = m_dir.filePath(QLatin1String(settings::FileName));
    {
        TAdjGammaDialog first(nullptr, doc);
        EXPECT_FALSE(first.PositionLoaded());
        first.show();
        first.move(123, 77);
        first.reject();
    }
    {
        TXMLRegistryFile reg(file);
        ASSERT_TRUE(reg.OpenKey(QLatin1String(settings::KeyDialogs), false));
        EXPECT_EQ(reg.ReadInteger(QLatin1String(settings::WinLeft)), 123);
        EXPECT_EQ(reg.ReadInteger(QLatin1String(settings::WinTop)), 77);
    }
    TRotateDialog next(nullptr, clWhite, doc);
    EXPECT_TRUE(next.PositionLoaded());
    EXPECT_EQ(next.pos(), QPoint(123, 77));

    // Damaged or partial values: centred (nothing loaded) or clamped.
    struct Case { const char* left; const char* top; bool loaded; };
    for (const Case c : {Case{"10", nullptr, false}, Case{"ten", "20", false}, Case{"99999999999", "5", false},
                         Case{"99999", "-99999", true}}) {
        QFile::remove(file);
        {
            TXMLRegistryFile reg(file);
            reg.OpenKey(QLatin1String(settings::KeyDialogs), true);
            reg.WriteString(QLatin1String(settings::WinLeft), QLatin1String(c.left));
            if (c.top != nullptr)
                reg.WriteString(QLatin1String(settings::WinTop), QLatin1String(c.top));
        }
        TAdjBrightDialog dialog(nullptr, doc);
        EXPECT_EQ(dialog.PositionLoaded(), c.loaded) << c.left;
        if (c.loaded) {
            const QRect screen = QGuiApplication::primaryScreen()->geometry();
            EXPECT_EQ(dialog.x(), std::max(screen.left(), screen.right() + 1 - dialog.width()));
            EXPECT_EQ(dialog.y(), screen.top());
        }
    }
}

} // namespace
} // namespace vellum
