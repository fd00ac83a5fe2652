// Fuzz target for the picture database file: any bytes, read as a folder's "PicBrowser.pbf",
// must end in checked entries or a rebuild, and every cell of the entries must draw.
#include <cstdint>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include "browser/PicDB.h"
#include "raster/VellumError.h"

namespace {

// Captions need fonts, fonts need the application object.
QGuiApplication& Application()
{
    static int argc = 1;
    static char name[] = "fuzz_picdb";
    static char* argv[] = {name, nullptr};
    static QGuiApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QGuiApplication(argc, argv);
    }();
    return *app;
}

// A thumbnail whose data are damaged behind a sound header is reported, never drawn.
void DrawCell(vellum::TCustomPictureDB& database, int index, bool selected)
{
    try {
        (void)database.GetCellImage(index, selected);
    } catch (const vellum::VellumException&) {
    }
}

void Exercise(vellum::TCustomPictureDB& database)
{
    for (int i = 0; i < database.Count(); ++i) {
        DrawCell(database, i, i % 2 == 1);
        (void)database.GetSizeText(i);
        (void)database.GetDateText(i);
    }
    for (int kind = 0; kind < 4; ++kind)
        database.Sort(kind, kind % 2 == 0);
    if (database.Count() > 1) {
        database.MoveEntry(0, database.Count() - 1);
        database.DeleteEntry(database.Count() / 2);
        DrawCell(database, 0, false);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Application();
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    {
        // As stored, not compared with a folder: every entry is drawn.
        vellum::TPictureDB database(110, 130, 8, 0xD77800, 0, 0xFFFFFF);
        (void)database.LoadStoredEntries(bytes);
        Exercise(database);
    }
    // As a folder's file: the folder (one picture-less file) brings it up to date.
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("PicBrowser.pbf")));
    if (file.open(QIODevice::WriteOnly)) {
        file.write(bytes);
        file.close();
        vellum::TPictureDB database(110, 130, 8, 0xD77800, 0, 0xFFFFFF);
        database.SetFileTypes(QStringLiteral("bmp,jpg,jpeg,gif"));
        database.OpenDirectory(dir.path());
        Exercise(database);
    }
    return 0;
}
