#pragma once

// Folders of small pictures and waiting for picture browsers, for the browser tests.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <QTest>

#include "app/VLBrwsrChildWn.h"
#include "browser/DirTreeView.h"
#include "browser/PicDB.h"
#include "raster/Canvas.h"
#include "raster/XBitmap.h"

#include <ostream>

// Readable strings in test failures.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace vellum::testing {

// Makes folder (with its parents) holding a small picture for each name; returns it with '/'.
inline QString PictureFolder(const QString& folder, const QStringList& names, int width = 24, int height = 16)
{
    QDir().mkpath(folder);
    int seed = 0;
    for (const QString& name : names) {
        TXBitmap picture(width, height);
        picture.Canvas().Brush.Color = RGBColor(seed * 20 % 256, 80, 160);
        picture.Canvas().FillRect(QRect(0, 0, width, height));
        picture.SavePicture(folder + QLatin1Char('/') + name);
        ++seed;
    }
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

// Names p01.bmp, p02.bmp, ... pN.bmp.
inline QStringList NumberedNames(int count, const QString& extension = QStringLiteral("bmp"))
{
    QStringList names;
    for (int i = 1; i <= count; ++i)
        names << QStringLiteral("p%1.%2").arg(i, 2, 10, QLatin1Char('0')).arg(extension);
    return names;
}

// Until the browser has read its folder and made the thumbnails of files that appeared.
inline bool WaitForBrowser(const TVLBrowserChildWn& browser)
{
    return QTest::qWaitFor(
        [&] { return !browser.IsOpening() && !browser.AddsPending() && !browser.DirTreeView()->TestsPending(); }, 20000);
}

inline QStringList EntryNames(const TVLBrowserChildWn& browser)
{
    QStringList names;
    for (int i = 0; i < browser.EntryCount(); ++i)
        names << browser.Database().GetName(i);
    return names;
}

} // namespace vellum::testing
