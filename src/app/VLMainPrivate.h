#pragma once

// Helpers shared by the main window's source files (one file per menu); not for other units.

#include <QApplication>
#include <QCursor>
#include <QMessageBox>
#include <QString>

#include "app/SettingsKeys.h"
#include "app/VLGlobal.h"

namespace vellum::mainwindow {

[[nodiscard]] inline QString settingsFile()
{
    return ProgramPath() + QLatin1String(settings::FileName);
}

// The error box every failed command shows.
inline void errorBox(QWidget* parent, const QString& message)
{
    QMessageBox::critical(parent, QStringLiteral("Error"), message, QMessageBox::Ok);
}

// The busy cursor for a scope.
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

} // namespace vellum::mainwindow
