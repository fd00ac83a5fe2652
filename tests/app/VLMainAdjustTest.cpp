#include "app/VLMain.h"

#include <cstring>
#include <functional>
#include <memory>

#include <QAction>
#include <QApplication>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <gtest/gtest.h>

#include "app/AdjBrightDlg.h"
#include "app/RotateDlg.h"
#include "app/VLGlobal.h"
#include "controls/WholeNumberBox.h"
#include "document/VLPicChildWn.h"

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

QStringList entries(const QMenu* menu)
{
    QStringList result;
    for (QAction* a : menu->actions())
        result << (a->isSeparator() ? QStringLiteral("|") : a->text());
    return result;
}

class MainAdjustTest : public ::testing::Test {
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
        for (QMdiSubWindow* w : m_main->ClientArea()->subWindowList())
            if (auto* doc = qobject_cast<TVLPicChildWin*>(w))
                doc->SetModified(false);
        m_main.reset();
        m_global.reset();
    }

    TVLPicChildWin* picture()
    {
        TVLPicChildWin* doc = m_main->NewPicture(40, 30, clWhite);
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x)
                StorePixel(doc->Picture().ScanLine(y) + 3 * x, RGBColor(5 * x, 7 * y, 90));
        return doc;
    }

    // Runs the command; once its dialog shows, act works on it.
    void runWith(QAction* action, const std::function<void(TBaseAdjDialog&)>& act)
    {
        bool done = false;
        QTimer poll;
        poll.setInterval(5);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<TBaseAdjDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr || done)
                return;
            done = true;
            act(*dialog);
        });
        poll.start();
        action->trigger();
        EXPECT_TRUE(done);
    }

    QTemporaryDir m_dir;
    std::unique_ptr<TVLGlobal> m_global;
    std::unique_ptr<TVellumMain> m_main;
};

TEST_F(MainAdjustTest, CommandsHaveTheirMenuPlacesHintsAndButtons)
{
    EXPECT_EQ(entries(m_main->ImageMenu()),
              (QStringList{"Flip", "Mirror", "Rotate", "|", "Crop Picture", "Clear", "Enlarge canvas", "Resize",
                           "Resample", "|", "Effects"}));
    QMenu* effects = m_main->ImageMenu()->actions().last()->menu();
    ASSERT_NE(effects, nullptr);
    EXPECT_EQ(effects->actions(), QList<QAction*>{m_main->ActBlurPic()});
    EXPECT_EQ(entries(m_main->ColourMenu()),
              (QStringList{"Adjust Brightness", "Gamma Correct", "Adjust RGB", "Grey Scale", "Negative Image"}));

    struct Hint { QAction* action; const char* name; const char* tip; const char* status; };
    const Hint hints[] = {
        {m_main->ActRotatePic(), "ActRotatePic", "Rotate", "Rotate picture"},
        {m_main->ActBlurPic(), "ActBlurPic", "Blur", "Blur picture"},
        {m_main->ActBrightenPic(), "ActBrightenPic", "Brighten", "Adjust the brightness of the picture"},
        {m_main->ActGammaCorrectPic(), "ActGammaCorrectPic", "Gamma Correct", "Gamma correct the picture"},
        {m_main->ActAdjustRGBPic(), "ActAdjustRGBPic", "Adjust RGB", "Adjust the RGB values of the picture"},
    };
    for (const Hint& h : hints) {
        EXPECT_EQ(h.action->objectName(), QLatin1String(h.name));
        EXPECT_EQ(h.action->toolTip(), QLatin1String(h.tip)) << h.name;
        EXPECT_EQ(h.action->statusTip(), QLatin1String(h.status)) << h.name;
        EXPECT_FALSE(h.action->icon().isNull()) << h.name;
    }

    auto* image = m_main->findChild<QToolBar*>(QStringLiteral("ImageToolbar"));
    auto* colour = m_main->findChild<QToolBar*>(QStringLiteral("ColourToolbar"));
    ASSERT_NE(image, nullptr);
    ASSERT_NE(colour, nullptr);
    QList<QAction*> imageButtons = image->actions();
    ASSERT_EQ(imageButtons.size(), 8);
    EXPECT_EQ(imageButtons.mid(0, 3), (QList<QAction*>{m_main->ActFlipPic(), m_main->ActMirrorPic(), m_main->ActRotatePic()}));
    EXPECT_TRUE(imageButtons[3]->isSeparator());
    EXPECT_EQ(colour->actions(), (QList<QAction*>{m_main->ActBrightenPic(), m_main->ActGammaCorrectPic(),
                                                  m_main->ActAdjustRGBPic(), m_main->ActGreyScalePic(),
                                                  m_main->ActNegativePic()}));
}

TEST_F(MainAdjustTest, CommandsAreEnabledExactlyWithAPictureDocument)
{
    const QList<QAction*> commands{m_main->ActRotatePic(), m_main->ActBlurPic(), m_main->ActBrightenPic(),
                                   m_main->ActGammaCorrectPic(), m_main->ActAdjustRGBPic()};
    for (QAction* a : commands)
        EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
    picture();
    for (QAction* a : commands)
        EXPECT_TRUE(a->isEnabled()) << a->objectName().toStdString();
    m_main->ClientArea()->closeAllSubWindows();
    for (QAction* a : commands)
        EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
}

TEST_F(MainAdjustTest, BrightnessRunsCommitOnOkAndCancelOnEveryOtherEnd)
{
    struct Case {
        const char* name;
        std::function<void(TBaseAdjDialog&)> act;
        bool applied;
    };
    const Case cases[] = {
        {"preview, OK", [](TBaseAdjDialog& d) { d.PreviewButton()->click(); d.OKButton()->click(); }, true},
        {"OK", [](TBaseAdjDialog& d) { d.OKButton()->click(); }, true},
        {"preview, Cancel", [](TBaseAdjDialog& d) { d.PreviewButton()->click(); d.CancelButton()->click(); }, false},
        {"preview, Esc", [](TBaseAdjDialog& d) { d.PreviewButton()->click(); QTest::keyClick(&d, Qt::Key_Escape); }, false},
        {"preview, close box", [](TBaseAdjDialog& d) { d.PreviewButton()->click(); d.close(); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TVLPicChildWin* doc = picture();
        const TXBitmap original = doc->Picture();
        runWith(m_main->ActBrightenPic(), c.act);
        EXPECT_FALSE(doc->IsPreviewing());
        TEffectsBitmap expected;
        expected.AssignOpaque(original);
        if (c.applied)
            expected.Brighten(10);
        EXPECT_TRUE(samePixels(doc->Picture(), expected));
        EXPECT_EQ(doc->UndoStack().Count(), c.applied ? 1 : 0);
        EXPECT_EQ(doc->Modified(), c.applied);
        if (c.applied) {
            m_main->ActUndo()->trigger();
            EXPECT_TRUE(samePixels(doc->Picture(), original));
        }
        doc->SetModified(false);
        doc->close();
    }
}

TEST_F(MainAdjustTest, RotateTurnsWithTheBackgroundColourAndFitsTheWindow)
{
    // Wide enough for the window to follow the picture's width.
    TVLPicChildWin* doc = m_main->NewPicture(300, 200, clWhite);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 300; ++x)
            StorePixel(doc->Picture().ScanLine(y) + 3 * x, RGBColor(x % 256, y, 90));
    m_main->SetBackgroundColour(RGBColor(10, 20, 30), false);
    const TXBitmap original = doc->Picture();
    QCoreApplication::processEvents();
    const QSize before = doc->size();
    runWith(m_main->ActRotatePic(), [](TBaseAdjDialog& d) {
        auto& rotate = static_cast<TRotateDialog&>(d);
        EXPECT_EQ(rotate.FillColour(), RGBColor(10, 20, 30));
        rotate.AngleBox()->stepBy(-1);
        rotate.OKButton()->click();
    });
    TEffectsBitmap expected;
    expected.AssignOpaque(original);
    expected.Rotate(359, RGBColor(10, 20, 30));
    EXPECT_TRUE(samePixels(doc->Picture(), expected));
    EXPECT_EQ(doc->PictureScrollBox().Bitmap().Width(), expected.Width());
    // The window grew with the picture.
    EXPECT_EQ(doc->size() - before, QSize(expected.Width() - original.Width(), expected.Height() - original.Height()));
}

} // namespace
} // namespace vellum
