#include <QApplication>
#include <QIcon>
#include <QMessageBox>

#include "app/SplashDlg.h"
#include "app/StartUp.h"
#include "app/VLGlobal.h"
#include "app/VLMain.h"
#include "clipboard/VLClipbrd.h"

int main(int argc, char* argv[])
{
    using namespace vellum;
    QApplication app(argc, argv);

    // Program-wide objects come first and go last, in reverse order.
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    AppParams() = TAppParams(arguments);

    int result = 0;
    {
        TVLGlobal global;
        TVLClipboard clipboardStore(ClipboardChangedMessage);
        TVLClipboard::SetErrorReporter([](const QString& message) {
            QMessageBox::critical(QApplication::activeWindow(), QStringLiteral("Error"), message, QMessageBox::Ok);
        });

        QApplication::setApplicationName(QString::fromLatin1(ProductName));
        QApplication::setWindowIcon(QIcon(QStringLiteral(":/images/vellum-256.png")));

        TVellumMain mainWindow;
        if (!AppParams().Has(TAppParams::apNoSplash)) {
            TSplashDialog splash;
            splash.exec();
        }
        mainWindow.show();
        result = QApplication::exec();
    }
    return result;
}
