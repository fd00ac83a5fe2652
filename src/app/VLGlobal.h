#pragma once

#include <QImage>
#include <QObject>
#include <QString>

namespace vellum {

inline constexpr char ProductName[] = "Vellum";
inline constexpr char VersionText[] = "Version 2.2.8";

// The window metrics that document windows lay their caption out by, read from the style.
struct TWindowMetrics {
    int frameWidth = 0;
    int frameHeight = 0;
    int edgeWidth = 0;
    int edgeHeight = 0;
    int captionHeight = 0;
    int hScrollHeight = 0;
    int vScrollWidth = 0;
    int captionButtonWidth = 0;
};

// Program-wide values set at start-up, before any window: the program's folder, two pictures
// from the resources, the window metrics; seeding the random source happens here too.
// Exactly one instance lives from start-up to the end; TVLGlobal::Instance() reaches it.
class TVLGlobal : public QObject {
    Q_OBJECT
public:
    // programPath overrides the executable's folder (tests keep their settings apart).
    explicit TVLGlobal(const QString& programPath = QString());
    ~TVLGlobal() override;

    [[nodiscard]] static TVLGlobal& Instance();
    [[nodiscard]] static bool Exists();

    // The program's folder, ending in '/'.
    [[nodiscard]] const QString& ProgramPath() const { return m_programPath; }

    [[nodiscard]] const QImage& ExtraBtnImage() const { return m_extraBtnImage; }
    [[nodiscard]] const QImage& NonCanvasImage() const { return m_nonCanvasImage; }

    [[nodiscard]] const TWindowMetrics& Metrics() const { return m_metrics; }
    // Distance of the extra caption button's left edge from the window's right edge, and of its
    // top from the window's top edge.
    [[nodiscard]] int ExtraBtnRightOffset() const;
    [[nodiscard]] int ExtraBtnTopOffset() const;

    // Reads the metrics again and tells every listener (document windows lay out their caption).
    // The main window calls it when the style or the application font changes.
    void ReadWindowMetrics();

signals:
    void WindowMetricsChanged();

private:
    QString m_programPath;
    QImage m_extraBtnImage;
    QImage m_nonCanvasImage;
    TWindowMetrics m_metrics;
};

// The program's folder, where "Vellum.xml", "Vellum.rfp" and "Vellum.hlp" live: the
// executable's folder, or the per-user configuration folder when that one is not writable.
[[nodiscard]] QString ProgramPath();

// Chooses the program's folder: the executable's when writable, else the per-user one.
[[nodiscard]] QString ChooseProgramPath(const QString& executableDir, const QString& userConfigDir);

} // namespace vellum
