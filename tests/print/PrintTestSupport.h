#pragma once

// Printers and pictures for the print tests: a PDF printer with a known page, and pictures
// whose every pixel is distinct enough to be found again.
#include <memory>
#include <random>

#include <QApplication>
#include <QFrame>
#include <QMarginsF>
#include <QMouseEvent>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>

#include "raster/XBitmap.h"

namespace vellum::printtest {

// A4 portrait at dpi with margins of 10 mm left and right, 15 mm top and bottom.
inline std::unique_ptr<QPrinter> pdfPrinter(const QString& file, int dpi = 300)
{
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(file);
    printer->setResolution(dpi);
    printer->setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(10, 15, 10, 15),
                                       QPageLayout::Millimeter));
    return printer;
}

// Random colours, no channel above 200, so no pixel passes for the white paper.
inline TXBitmap noisePicture(int width, int height, unsigned seed = 5)
{
    TXBitmap picture(width, height);
    std::mt19937 random(seed);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < 3 * width; ++x)
            picture.ScanLine(y)[x] = std::uint8_t(random() % 200);
    return picture;
}

// A mouse event on the preview surface at a point of the page image.
inline void mouse(QWidget* surface, QEvent::Type type, QPoint imagePoint, Qt::MouseButton button,
                  Qt::MouseButtons buttons)
{
    const auto* frame = qobject_cast<QFrame*>(surface);
    const QPointF at = QPointF(imagePoint + (frame != nullptr ? frame->contentsRect().topLeft() : QPoint()));
    QMouseEvent event(type, at, surface->mapToGlobal(at), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(surface, &event);
}

} // namespace vellum::printtest
