// The picture browser window opening the folder of the 123 photographs (offscreen, no database
// file at the start), one run, printed as ratios against their targets:
//  - the first 20 cells painted within 0.3 x the time the whole folder takes;
//  - the longest gap between ticks of a 10 ms timer while it opens at most 0.5 x the time of one
//    thumbnail of the 6000 x 4000 photograph;
//  - repainting a full grid of 98 cells at most 1.5 x decoding their 98 thumbnails once.
// The photographs come from bench/compare-browse.sh's cache (VELLUM_PHOTOS, default
// ~/.cache/vellum-photos); without them the program says so and ends.
#include <algorithm>
#include <cstdio>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTimer>

#include "app/VLBrwsrChildWn.h"
#include "app/VLGlobal.h"
#include "browser/AdvSelectDrawGrid.h"
#include "browser/PicDB.h"
#include "browser/Thumbnail.h"
#include "raster/XBitmap.h"

using namespace vellum;

namespace {

// Notes when the grid first paints with at least 20 cells.
class FirstPaint : public QObject {
public:
    FirstPaint(TAdvSelectDrawGrid* grid, const QElapsedTimer& clock) : m_grid(grid), m_clock(clock) {}
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && m_at < 0 && m_grid->NumOfCells() >= 20)
            m_at = m_clock.nsecsElapsed();
        return false;
    }
    qint64 m_at = -1;

private:
    TAdvSelectDrawGrid* m_grid;
    const QElapsedTimer& m_clock;
};

void waitUntilOpen(const TVLBrowserChildWn& browser)
{
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (!browser.IsOpening())
            loop.quit();
    });
    poll.start(1);
    loop.exec();
}

// Reports events that keep the user-interface thread longer than 50 ms (VELLUM_BENCH_SLOW=1).
class TimingApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override
    {
        if (!m_report)
            return QApplication::notify(receiver, event);
        QElapsedTimer timer;
        timer.start();
        const int type = event->type();
        const bool result = QApplication::notify(receiver, event);
        if (timer.elapsed() > 50)
            std::printf("  slow event %d to %s: %lld ms\n", type, receiver->metaObject()->className(), timer.elapsed());
        return result;
    }
    bool m_report = qEnvironmentVariableIsSet("VELLUM_BENCH_SLOW");
};

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    TimingApplication app(argc, argv);
    const QString cache = qEnvironmentVariable("VELLUM_PHOTOS", QDir::homePath() + QStringLiteral("/.cache/vellum-photos"));
    const QDir photos(cache + QStringLiteral("/photos"));
    const QString big = cache + QStringLiteral("/big/photo-6000x4000.jpg");
    const QStringList names = photos.entryList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Name);
    if (names.isEmpty() || !QFile::exists(big)) {
        std::printf("no photographs in %s: run bench/compare-browse.sh once\n", qPrintable(cache));
        return 0;
    }
    QTemporaryDir work;
    TVLGlobal global(work.path());
    const QString folder = work.filePath(QStringLiteral("photos/"));
    QDir().mkpath(folder);
    for (const QString& name : names)
        QFile::link(photos.filePath(name), folder + name);
    const QString settings = work.filePath(QStringLiteral("Vellum.xml"));
    QWidget mainWindow;
    {
        // In the program the main window's menus have drawn text before any browser opens:
        // the font machinery starts outside the timings.
        QImage image(64, 16, QImage::Format_RGB32);
        QPainter painter(&image);
        painter.drawText(0, 12, QStringLiteral("Vellum"));
    }

    // One thumbnail of the big photograph, made as the browser makes them.
    QElapsedTimer clock;
    clock.start();
    const TThumbnail thumbnail = MakeThumbnail(big, 94, 98, TThumbnailMode::Reduced);
    const double oneThumbnail = clock.nsecsElapsed() / 1e6;

    // Opening the folder from scratch.
    qint64 lastTick = -1;
    qint64 longestGap = 0;
    qint64 gapAt = 0;
    QTimer ticks;
    ticks.setInterval(10);
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (lastTick >= 0 && now - lastTick > longestGap) {
            longestGap = now - lastTick;
            gapAt = lastTick;
        }
        lastTick = now;
    });
    double whole = 0;
    double first20 = 0;
    {
        TVLBrowserChildWn browser(&mainWindow, false, true, folder, settings);
        browser.resize(1200, 900);
        FirstPaint paint(browser.ThumbnailGrid(), clock);
        browser.ThumbnailGrid()->viewport()->installEventFilter(&paint);
        clock.restart();
        ticks.start();
        browser.show();
        waitUntilOpen(browser);
        whole = clock.nsecsElapsed() / 1e6;
        ticks.stop();
        first20 = paint.m_at / 1e6;
        browser.close();
    }

    // A full grid of 98 cells (14 x 7) repainted, against decoding the same thumbnails.
    double repaint = 0;
    double decode = 0;
    int shown = 0;
    {
        TVLBrowserChildWn browser(&mainWindow, false, false, folder, settings);
        browser.resize(14 * 110 + 8 + 40, 7 * 130 + 40);
        browser.show();
        waitUntilOpen(browser);
        TAdvSelectDrawGrid* grid = browser.ThumbnailGrid();
        QCoreApplication::processEvents();
        shown = std::min(grid->ColCount() * (grid->viewport()->height() / 130), browser.EntryCount());
        grid->viewport()->repaint();
        clock.restart();
        grid->viewport()->repaint();
        repaint = clock.nsecsElapsed() / 1e6;
        const TPictureDB& database = browser.Database();
        TXBitmap picture;
        clock.restart();
        for (int i = 0; i < shown; ++i) {
            const TFileRecord& record = database.Record(i);
            DecodeThumbnail(database.ThumbnailData().constData() + record.ThumbOffset, record.ThumbSize, picture);
        }
        decode = clock.nsecsElapsed() / 1e6;
        browser.close();
    }

    std::printf("%d photographs; one thumbnail of the 6000 x 4000 photograph %.1f ms\n", int(names.size()), oneThumbnail);
    std::printf("first 20 cells painted %.1f ms, whole folder %.1f ms: ratio %.3f (target <= 0.3)\n", first20, whole,
                first20 / whole);
    std::printf("longest gap between 10 ms ticks %.1f ms (from %.0f ms on): ratio %.3f to one thumbnail (target <= 0.5)\n",
                longestGap / 1e6, gapAt / 1e6, longestGap / 1e6 / oneThumbnail);
    std::printf("repainting %d cells %.2f ms, decoding their thumbnails %.2f ms: ratio %.2f (target <= 1.5)\n", shown,
                repaint, decode, repaint / decode);
    (void)thumbnail;
    return 0;
}
