#pragma once

// Helpers shared by the main window's source files (one file per menu); not for other units.

#include <exception>
#include <new>

#include <QApplication>
#include <QCursor>
#include <QMessageBox>
#include <QString>

#include "app/SettingsKeys.h"
#include "app/VLGlobal.h"
#include "raster/XBitmap.h"

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

// The error box for a failure: memory that ran short reads as the documents' own message,
// never as the library's class name.
inline void errorBox(QWidget* parent, const std::exception& e)
{
    errorBox(parent, dynamic_cast<const std::bad_alloc*>(&e) != nullptr ? EOutOfMemory().message()
                                                                        : QString::fromUtf8(e.what()));
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
