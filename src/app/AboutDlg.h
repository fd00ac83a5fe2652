#pragma once

#include <QDialog>
#include <QString>

namespace vellum {

// The figures the About box shows of the system; empty when they cannot be read.
struct TSystemInfo {
    QString OsName;
    QString Build;
    QString TotalMemory;
};

// Reads the system's name, kernel version and physical memory (from a meminfo-style text).
[[nodiscard]] TSystemInfo ReadSystemInfo(const QString& meminfoPath = QStringLiteral("/proc/meminfo"));

// The modal box captioned "About Vellum": the program's picture, name and version, and the
// system's name, build and memory.
class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr, const TSystemInfo& info = ReadSystemInfo());
};

} // namespace vellum
