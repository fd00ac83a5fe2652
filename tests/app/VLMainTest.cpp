#include "app/VLMain.h"

#include <QAction>
#include <QCloseEvent>
#include <QFile>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include "app/VLGlobal.h"
#include "app/XMLRegFile.h"

namespace vellum {
namespace {

class VLMainTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_global = std::make_unique<TVLGlobal>(m_dir.path());
        m_settings = ProgramPath() + QStringLiteral("Vellum.xml");
    }

    void writeMain(const QList<std::pair<QString, QString>>& values) const
    {
        TXMLRegistryFile reg(m_settings);
        ASSERT_TRUE(reg.OpenKey(QStringLiteral("Vellum\\Main"), true));
        for (const auto& [name, value] : values)
            reg.WriteString(name, value);
    }

    [[nodiscard]] QString readMain(const char* name) const
    {
        TXMLRegistryFile reg(m_settings);
        if (!reg.OpenKey(QStringLiteral("Vellum\\Main"), false) || !reg.ValueExists(QString::fromLatin1(name)))
            return QStringLiteral("<absent>");
        return reg.ReadString(QString::fromLatin1(name));
    }

    static QRect screen() { return QGuiApplication::primaryScreen()->geometry(); }

    QTemporaryDir m_dir;
    std::unique_ptr<TVLGlobal> m_global;
    QString m_settings;
};

TEST_F(VLMainTest, WithoutSettingsTheWindowIsCentredAtItsDesignedSize)
{
    TVellumMain window;
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Vellum"));
    EXPECT_EQ(window.geometry().size(), QSize(647, 529));
    EXPECT_EQ(window.geometry().left(), (screen().width() - 647) / 2);
    EXPECT_EQ(window.geometry().top(), (screen().height() - 529) / 2);
    EXPECT_FALSE(window.windowState() & Qt::WindowMaximized);
    EXPECT_NE(qobject_cast<QMdiArea*>(window.centralWidget()), nullptr);
}

TEST_F(VLMainTest, StoredRectangleIsClampedToTheScreen)
{
    writeMain({{"WinNormLeft", "-20"}, {"WinNormTop", "30"}, {"WinNormRight", QString::number(screen().width() + 500)},
               {"WinNormBottom", "330"}});
    TVellumMain window;
    EXPECT_EQ(window.geometry(), QRect(0, 30, screen().width(), 300));
}

TEST_F(VLMainTest, IncompleteRectangleIsIgnored)
{
    writeMain({{"WinNormLeft", "10"}, {"WinNormTop", "10"}, {"WinNormRight", "300"}});
    TVellumMain window;
    EXPECT_EQ(window.geometry().size(), QSize(647, 529));
}

TEST_F(VLMainTest, RectangleAndMaximisedStateComeBackAfterARestart)
{
    {
        TVellumMain window;
        window.show();
        window.setGeometry(40, 50, 500, 400);
        window.showMaximized();
        ASSERT_TRUE(window.close());
    }
    EXPECT_EQ(readMain("WinMaximized"), QStringLiteral("Yes"));
    EXPECT_EQ(readMain("WinNormLeft"), QStringLiteral("40"));
    EXPECT_EQ(readMain("WinNormTop"), QStringLiteral("50"));
    EXPECT_EQ(readMain("WinNormRight"), QStringLiteral("540"));
    EXPECT_EQ(readMain("WinNormBottom"), QStringLiteral("450"));

    TVellumMain again;
    again.show();
    EXPECT_TRUE(again.isMaximized());
    again.showNormal();
    EXPECT_EQ(again.geometry(), QRect(40, 50, 500, 400));
}

TEST_F(VLMainTest, ExitClosesAndSavesThePlacement)
{
    TVellumMain window;
    window.show();
    window.ActFileExit()->trigger();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(readMain("WinMaximized"), QStringLiteral("No"));
    EXPECT_EQ(readMain("WinNormRight").toInt() - readMain("WinNormLeft").toInt(), 647);
}

// A document window that refuses to close, as one with unsaved changes does at Cancel.
class RefusingDocument : public QWidget {
protected:
    void closeEvent(QCloseEvent* event) override { event->ignore(); }
};

TEST_F(VLMainTest, ADocumentThatRefusesStopsTheShutdown)
{
    TVellumMain window;
    window.show();
    auto* other = window.ClientArea()->addSubWindow(new QWidget);
    other->setAttribute(Qt::WA_DeleteOnClose, false);
    other->show();
    auto* refusing = window.ClientArea()->addSubWindow(new RefusingDocument);
    refusing->show();
    window.ClientArea()->setActiveSubWindow(refusing); // front-most: asked first

    EXPECT_FALSE(window.close());
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(other->isVisible());
    EXPECT_FALSE(QFile::exists(m_settings));
}

} // namespace
} // namespace vellum
