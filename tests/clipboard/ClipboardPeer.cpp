// A small program that uses the clipboard store on the real system clipboard, so that tests can
// run several copies side by side:
//   copy W H R G B TAG   copies a W x H picture of one colour, then keeps serving the clipboard
//                        until another program takes it over (30 s at most)
//   enum                 prints "identifier tag width height red green blue" per picture
//   paste                prints "tag width height red green blue" of the newest picture
//   available            prints AvailableFormat
#include <cstdio>

#include <QClipboard>
#include <QGuiApplication>
#include <QTimer>

#include "clipboard/VLClipbrd.h"
#include "raster/XBitmap.h"

using namespace vellum;

namespace {

void printPicture(const TXBitmap& picture)
{
    const TColor c = picture.Empty() ? clNone : picture.PixelColour(0, 0);
    std::printf("%d %d %d %d %d", picture.Width(), picture.Height(), GetRValue(c), GetGValue(c), GetBValue(c));
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    if (args.size() < 2)
        return 2;
    TVLClipboard store(ClipboardChangedMessage);
    const QString command = args.at(1);

    if (command == QLatin1String("copy") && args.size() == 8) {
        TXBitmap picture(args.at(2).toInt(), args.at(3).toInt());
        const TColor colour = RGBColor(args.at(4).toInt(), args.at(5).toInt(), args.at(6).toInt());
        for (int y = 0; y < picture.Height(); ++y)
            for (int x = 0; x < picture.Width(); ++x)
                StorePixel(picture.ScanLine(y) + 3 * x, colour);
        store.CopyPicture(&picture, args.at(7).toInt());
        std::printf("copied\n");
        std::fflush(stdout);
        QObject::connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, &app, [] {
            if (!QGuiApplication::clipboard()->ownsClipboard())
                QCoreApplication::quit();
        });
        QTimer::singleShot(30000, &app, &QCoreApplication::quit);
        return QGuiApplication::exec();
    }
    if (command == QLatin1String("enum")) {
        store.EnumItems([](std::int32_t id, const TXBitmap& picture, std::int32_t tag, bool&) {
            std::printf("%d %d ", id, tag);
            printPicture(picture);
            std::printf("\n");
        });
        return 0;
    }
    if (command == QLatin1String("paste")) {
        TXBitmap picture;
        std::int32_t tag = 0;
        store.PastePicture(&picture, tag);
        std::printf("%d ", tag);
        printPicture(picture);
        std::printf("\n");
        return 0;
    }
    if (command == QLatin1String("available")) {
        std::printf("%d\n", store.AvailableFormat());
        return 0;
    }
    return 2;
}
