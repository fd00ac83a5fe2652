#include "app/VLGlobal.h"

#include <chrono>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStyle>

#include "raster/Random.h"

namespace vellum {

namespace {
TVLGlobal* g_instance = nullptr;
}

QString ChooseProgramPath(const QString& executableDir, const QString& userConfigDir)
{
    const QFileInfo exe(executableDir);
    QString path = exe.isDir() && exe.isWritable() ? executableDir : userConfigDir;
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    return path;
}

TVLGlobal::TVLGlobal(const QString& programPath)
{
    Q_ASSERT(g_instance == nullptr);
    g_instance = this;

    m_extraBtnImage = QImage(QStringLiteral(":/images/extrabtn.png"));
    m_nonCanvasImage = QImage(QStringLiteral(":/images/noncanvas.png"));
    ReadWindowMetrics();

    const auto now = std::chrono::high_resolution_clock::now().time_since_epoch().count();
    SeedProgramRandom(static_cast<std::uint32_t>(now ^ (now >> 32)));

    if (!programPath.isEmpty()) {
        m_programPath = ChooseProgramPath(programPath, programPath);
    } else {
        const QString userDir =
            QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/Vellum");
        m_programPath = ChooseProgramPath(QCoreApplication::applicationDirPath(), userDir);
    }
    QDir().mkpath(m_programPath);
}

TVLGlobal::~TVLGlobal()
{
    g_instance = nullptr;
}

TVLGlobal& TVLGlobal::Instance()
{
    Q_ASSERT(g_instance != nullptr);
    return *g_instance;
}

bool TVLGlobal::Exists()
{
    return g_instance != nullptr;
}

void TVLGlobal::ReadWindowMetrics()
{
    const QStyle* style = QApplication::style();
    if (style == nullptr)
        return;
    TWindowMetrics m;
    m.frameWidth = m.frameHeight = style->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth);
    m.edgeWidth = m.edgeHeight = style->pixelMetric(QStyle::PM_DefaultFrameWidth);
    m.captionHeight = style->pixelMetric(QStyle::PM_TitleBarHeight);
    m.hScrollHeight = m.vScrollWidth = style->pixelMetric(QStyle::PM_ScrollBarExtent);
    m.captionButtonWidth = style->pixelMetric(QStyle::PM_TitleBarButtonSize);
    m_metrics = m;
    emit WindowMetricsChanged();
}

int TVLGlobal::ExtraBtnRightOffset() const
{
    return m_extraBtnImage.width() + 3 * m_metrics.captionButtonWidth + m_metrics.frameWidth;
}

int TVLGlobal::ExtraBtnTopOffset() const
{
    return (m_metrics.captionHeight - m_extraBtnImage.height()) / 2 + m_metrics.frameHeight;
}

QString ProgramPath()
{
    return TVLGlobal::Instance().ProgramPath();
}

} // namespace vellum
