#include "app/SplashDlg.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include "app/VLGlobal.h"

namespace vellum {

namespace {
const QRect VersionBand(QPoint(118, 40), QPoint(212, 59)); // (118, 40) to (213, 60), exclusive

QFont versionFont()
{
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(9);
    return font;
}
} // namespace

TSplashDialog::TSplashDialog(QWidget* parent)
    : QDialog(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setFixedSize(WidthPx, HeightPx);
    setCursor(Qt::WaitCursor);
    m_splashImage = RenderSplashPicture(QImage(QStringLiteral(":/images/splash.png")), versionFont(),
                                        QString::fromLatin1(VersionText));

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect desktop = screen->geometry();
        move(desktop.left() + (desktop.width() - WidthPx) / 2, desktop.top() + (desktop.height() - HeightPx) / 2);
    }

    m_splashTimer.setSingleShot(true);
    m_splashTimer.setInterval(DisplayMs);
    connect(&m_splashTimer, &QTimer::timeout, this, &QDialog::accept);
}

QImage TSplashDialog::RenderSplashPicture(const QImage& art, const QFont& font, const QString& text)
{
    QImage picture = art.convertToFormat(QImage::Format_RGB32);
    if (!picture.rect().contains(VersionBand.topLeft()))
        return picture;

    QPainter painter(&picture);
    painter.fillRect(VersionBand, picture.pixelColor(VersionBand.topLeft()));
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.setClipRect(VersionBand);
    const QFontMetrics metrics(font, &picture);
    const int slack = VersionBand.width() - metrics.horizontalAdvance(text);
    // Rounded down, also when the text is wider than the band.
    const int left = VersionBand.left() + (slack >= 0 ? slack / 2 : -((-slack + 1) / 2));
    painter.drawText(left, VersionBand.top() + metrics.ascent(), text);
    return picture;
}

void TSplashDialog::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(0, 0, m_splashImage);
}

void TSplashDialog::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    accept();
}

void TSplashDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    m_splashTimer.start();
}

void TSplashDialog::hideEvent(QHideEvent* event)
{
    m_splashTimer.stop();
    QDialog::hideEvent(event);
}

} // namespace vellum
