#include "document/TextPicture.h"

#include "raster/VellumError.h"

namespace vellum {

TTextPicture RenderTextPicture(const QString& text, const TFont& font)
{
    TTextPicture result;
    result.Background = font.Color == clWhite ? clBlack : clWhite;
    // Measured without a picture: an unbounded width keeps each line whole.
    TXBitmap probe;
    TCanvas measure(probe);
    measure.Font = font;
    QRect extent(0, 0, 100, 100);
    extent.setSize(measure.TextExtent(text));
    const std::int64_t pixels = static_cast<std::int64_t>(extent.width()) * extent.height();
    if (extent.width() > kMaxPictureSide || extent.height() > kMaxPictureSide || pixels > kMaxPicturePixels)
        throw EVellumError(QStringLiteral("The text would make a picture of %1 x %2 pixels, larger than the limit "
                                          "of %3 pixels a side and %4 million pixels")
                               .arg(extent.width())
                               .arg(extent.height())
                               .arg(kMaxPictureSide)
                               .arg(kMaxPicturePixels / (1024 * 1024)));
    if (extent.isEmpty())
        return result;
    result.Picture = TXBitmap(extent.width(), extent.height(), TPixelFormat::pf24bit);
    TCanvas& canvas = result.Picture.Canvas();
    canvas.Font = font;
    canvas.Brush.Style = TBrushStyle::bsSolid;
    canvas.Brush.Color = result.Background;
    canvas.FillRect(extent);
    canvas.Brush.Style = TBrushStyle::bsClear;
    canvas.DrawText(extent, text);
    canvas.Brush.Style = TBrushStyle::bsSolid;
    return result;
}

} // namespace vellum
