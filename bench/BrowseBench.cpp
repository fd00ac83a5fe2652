// Refreshing an unchanged folder of 10,000 pictures against one listing of it with each file's
// time, in the same run. The folder (copies of one small JPEG, thumbnails of a few KB) and its
// database file are made once before the timings.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>

#include "BenchPhoto.h"
#include "browser/PicDB.h"
#include "raster/PictureCodecs.h"

namespace {

constexpr int kPictures = 10000;

std::unique_ptr<vellum::TPictureDB> BrowserDatabase()
{
    auto database = std::make_unique<vellum::TPictureDB>(110, 130, 8, vellum::RGBColor(0, 120, 215), vellum::clBlack, vellum::clWhite);
    database->SetFileTypes(QStringLiteral("bmp,jpg,jpeg,gif"));
    return database;
}

const QTemporaryDir& Folder()
{
    // Removed at exit.
    static const std::unique_ptr<QTemporaryDir> dir = [] {
        auto made = std::make_unique<QTemporaryDir>();
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        vellum::WriteJpeg(buffer, vellum::bench::SyntheticPhoto(200, 150), 90);
        for (int i = 0; i < kPictures; ++i) {
            QFile file(made->filePath(QStringLiteral("photo%1.jpg").arg(i, 5, 10, QLatin1Char('0'))));
            if (file.open(QIODevice::WriteOnly))
                file.write(jpeg);
        }
        // Built, then refreshed once so that the timed runs find a warm cache.
        for (int pass = 0; pass < 2; ++pass) {
            auto database = BrowserDatabase();
            database->OpenDirectory(made->path());
            database->Clear(false);
        }
        return made;
    }();
    return *dir;
}

void RefreshUnchanged(benchmark::State& state)
{
    const QString path = Folder().path();
    for (auto _ : state) {
        auto database = BrowserDatabase();
        database->OpenDirectory(path);
        database->Clear(false);
        const vellum::TOpenReport& report = database->LastOpen();
        if (report.Made != 0 || report.Reused != kPictures || database->LastSave() != vellum::TSaveOutcome::Unchanged)
            state.SkipWithError("the refresh decoded or wrote something");
    }
}
BENCHMARK(RefreshUnchanged)->Unit(benchmark::kMillisecond)->UseRealTime();

void ListingWithTimes(benchmark::State& state)
{
    const QByteArray path = QFile::encodeName(Folder().path());
    for (auto _ : state) {
        DIR* dir = ::opendir(path.constData());
        const int fd = ::dirfd(dir);
        std::int64_t total = 0;
        while (const dirent* entry = ::readdir(dir)) {
            struct stat status {};
            if (::fstatat(fd, entry->d_name, &status, 0) == 0)
                total += status.st_mtime;
        }
        ::closedir(dir);
        benchmark::DoNotOptimize(total);
    }
}
BENCHMARK(ListingWithTimes)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
