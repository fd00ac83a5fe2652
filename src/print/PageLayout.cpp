#include "print/PageLayout.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <QLocale>

namespace vellum {

namespace {

constexpr double MillimetresPerInch = 25.4;

bool isXAxis(TLayoutField field)
{
    return field == TLayoutField::FromLeft || field == TLayoutField::Width;
}

// Trunc(v) for the preview's rectangles, saturated like RoundHalfUp.
int truncToInt(double v)
{
    if (!(v == v))
        return 0;
    v = std::trunc(v);
    if (v >= double(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (v <= double(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return int(v);
}

int roundToInt(double v)
{
    const std::int64_t r = RoundHalfUp(v);
    return int(std::clamp<std::int64_t>(r, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

} // namespace

std::int64_t RoundHalfUp(double v)
{
    if (!(v == v))
        return 0;
    const double t = std::trunc(v + 0.5);
    if (t >= 9.2e18)
        return std::numeric_limits<std::int64_t>::max();
    if (t <= -9.2e18)
        return std::numeric_limits<std::int64_t>::min();
    return std::int64_t(t);
}

void TPageLayout::Open(const TPageMetrics& metrics, int pictureWidth, int pictureHeight)
{
    {
        SuspendDrawing suspend(*this);
        m_pictureAspect = pictureHeight > 0 && pictureWidth > 0 ? double(pictureWidth) / pictureHeight : 1.0;
        ReadPage(metrics);
        m_units = TPrintUnits::Inches;
        m_printWidth = 0;
        m_printHeight = 0;
        SetPrintX(0);
        SetPrintY(0);
        m_centrePicture = false;
        m_keepAspect = true;
        SetFitToPage(true);
        showAllFields();
        showOptions();
    }
    m_drawingEnabled = true;
    redraw(true);
}

void TPageLayout::ReadPage(const TPageMetrics& metrics)
{
    m_page = metrics;
    // The smaller of the two ratios: the page image never overflows the preview area, whatever
    // the paper's proportions.
    if (metrics.PhysWidth > 0 && metrics.PhysHeight > 0)
        m_previewScale = std::min(double(PreviewWidth) / metrics.PhysWidth, double(PreviewHeight) / metrics.PhysHeight);
    else
        m_previewScale = 0;
}

void TPageLayout::Setup(const TPageMetrics& metrics)
{
    if (metrics == m_page)
        return;
    const bool sizeChanged = metrics.PageWidth != m_page.PageWidth || metrics.PageHeight != m_page.PageHeight;
    {
        SuspendDrawing suspend(*this);
        ReadPage(metrics);
        if (sizeChanged) {
            if (!m_centrePicture) {
                m_printX = m_page.OffsetX;
                m_printY = m_page.OffsetY;
            }
            fitSizes();
        }
        // Margins that moved without the printable size changing still must not cut the
        // picture off: it moves inside.
        if (m_centrePicture) {
            Centre();
        } else {
            SetPrintX(m_printX);
            SetPrintY(m_printY);
        }
        showAllFields();
    }
    redraw(true);
}

TPageChange TPageLayout::ChangePage(const TPageMetrics& metrics)
{
    if (metrics == m_page)
        return TPageChange::Kept;
    // The same inches in the new page's pixels; a kept aspect follows from the longer side,
    // whose rounding weighs least.
    const double sx = m_page.DpiX > 0 && metrics.DpiX > 0 ? metrics.DpiX / m_page.DpiX : 1.0;
    const double sy = m_page.DpiY > 0 && metrics.DpiY > 0 ? metrics.DpiY / m_page.DpiY : 1.0;
    const std::int64_t x = RoundHalfUp(m_printX * sx);
    const std::int64_t y = RoundHalfUp(m_printY * sy);
    std::int64_t w = std::max<std::int64_t>(1, RoundHalfUp(m_printWidth * sx));
    std::int64_t h = std::max<std::int64_t>(1, RoundHalfUp(m_printHeight * sy));
    TPageChange change = TPageChange::Kept;
    {
        SuspendDrawing suspend(*this);
        ReadPage(metrics);
        if (m_keepAspect && w <= std::numeric_limits<int>::max() && h <= std::numeric_limits<int>::max()) {
            if (m_pictureAspect >= 1)
                h = heightFor(int(w));
            else
                w = widthFor(int(h));
        }
        // The same inches rounded on two grids may overlap an edge by a pixel: that still
        // fits, and the picture is moved or trimmed by the pixel.
        const bool sizeFits = w <= m_page.PageWidth + 1 && h <= m_page.PageHeight + 1;
        const bool placeFits = m_centrePicture
                               || (x >= m_page.OffsetX - 1 && x + w <= m_page.PrintRight() + 1
                                   && y >= m_page.OffsetY - 1 && y + h <= m_page.PrintBottom() + 1);
        if (m_fitToPage || !sizeFits) {
            if (!m_fitToPage)
                change = TPageChange::Fitted;
            // Placed directly: the setters would clamp the corner with the old page's size.
            if (!m_centrePicture) {
                m_printX = m_page.OffsetX;
                m_printY = m_page.OffsetY;
            }
            fitSizes();
        } else {
            if (!placeFits)
                change = TPageChange::Moved;
            if (w > m_page.PageWidth) {
                w = m_page.PageWidth;
                if (m_keepAspect)
                    h = heightFor(int(w));
            }
            if (h > m_page.PageHeight) {
                h = m_page.PageHeight;
                if (m_keepAspect)
                    w = widthFor(int(h));
            }
            m_printWidth = int(w);
            m_printHeight = int(h);
            // Far outside saturates; the setters below bring it inside.
            m_printX = int(std::clamp<std::int64_t>(x, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
            m_printY = int(std::clamp<std::int64_t>(y, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
        }
        if (m_centrePicture) {
            Centre();
        } else {
            SetPrintX(m_printX);
            SetPrintY(m_printY);
        }
        showAllFields();
    }
    redraw(true);
    return change;
}

void TPageLayout::SetPrintX(int x)
{
    if (std::int64_t(x) + m_printWidth > m_page.PrintRight())
        x = m_page.PrintRight() - m_printWidth;
    else if (x < m_page.OffsetX)
        x = m_page.OffsetX;
    m_printX = x;
    showField(TLayoutField::FromLeft, x);
    redraw(false);
}

void TPageLayout::SetPrintY(int y)
{
    if (std::int64_t(y) + m_printHeight > m_page.PrintBottom())
        y = m_page.PrintBottom() - m_printHeight;
    else if (y < m_page.OffsetY)
        y = m_page.OffsetY;
    m_printY = y;
    showField(TLayoutField::FromTop, y);
    redraw(false);
}

std::int64_t TPageLayout::heightFor(int width) const
{
    return std::max<std::int64_t>(1, RoundHalfUp(width / m_pictureAspect));
}

std::int64_t TPageLayout::widthFor(int height) const
{
    return std::max<std::int64_t>(1, RoundHalfUp(height * m_pictureAspect));
}

void TPageLayout::SetPrintWidth(int w)
{
    // A size of 0 or less, or one leaving the printable area, is refused: the old values stay.
    bool refused = w <= 0;
    if (!refused) {
        if (m_centrePicture && w > m_page.PageWidth)
            w = m_page.PageWidth;
        else if (!m_centrePicture && std::int64_t(m_printX) + w > m_page.PrintRight())
            refused = true;
    }
    if (!refused && m_keepAspect) {
        // The height that follows must fit the printable area too.
        const std::int64_t h = heightFor(w);
        const bool fits = m_centrePicture ? h <= m_page.PageHeight : m_printY + h <= m_page.PrintBottom();
        if (fits) {
            m_printHeight = int(h);
            showField(TLayoutField::Height, m_printHeight);
        } else {
            refused = true;
        }
    }
    if (refused) {
        showField(TLayoutField::Width, m_printWidth);
        return;
    }
    m_printWidth = w;
    showField(TLayoutField::Width, w);
    if (m_centrePicture)
        Centre();
    redraw(true);
}

void TPageLayout::SetPrintHeight(int h)
{
    bool refused = h <= 0;
    if (!refused) {
        if (m_centrePicture && h > m_page.PageHeight)
            h = m_page.PageHeight;
        else if (!m_centrePicture && std::int64_t(m_printY) + h > m_page.PrintBottom())
            refused = true;
    }
    if (!refused && m_keepAspect) {
        const std::int64_t w = widthFor(h);
        const bool fits = m_centrePicture ? w <= m_page.PageWidth : m_printX + w <= m_page.PrintRight();
        if (fits) {
            m_printWidth = int(w);
            showField(TLayoutField::Width, m_printWidth);
        } else {
            refused = true;
        }
    }
    if (refused) {
        showField(TLayoutField::Height, m_printHeight);
        return;
    }
    m_printHeight = h;
    showField(TLayoutField::Height, h);
    if (m_centrePicture)
        Centre();
    redraw(true);
}

void TPageLayout::Centre()
{
    SetPrintX((m_page.PhysWidth - m_printWidth) / 2);
    SetPrintY((m_page.PhysHeight - m_printHeight) / 2);
}

void TPageLayout::fitSizes()
{
    if (!m_keepAspect) {
        SetPrintWidth(m_page.PageWidth);
        SetPrintHeight(m_page.PageHeight);
    } else if (m_page.PageHeight > 0 && double(m_page.PageWidth) / m_page.PageHeight >= m_pictureAspect) {
        // The printable area is wider than the picture: the height fills it, the width follows.
        SetPrintHeight(m_page.PageHeight);
    } else {
        SetPrintWidth(m_page.PageWidth);
    }
}

void TPageLayout::FitPicture()
{
    SuspendDrawing suspend(*this);
    if (!m_centrePicture) {
        SetPrintX(m_page.OffsetX);
        SetPrintY(m_page.OffsetY);
    }
    fitSizes();
    if (m_centrePicture)
        Centre();
}

void TPageLayout::SetFitToPage(bool on)
{
    m_fitToPage = on;
    showOptions();
    if (on) {
        FitPicture();
        redraw(true);
    }
}

void TPageLayout::SetCentrePicture(bool on)
{
    m_centrePicture = on;
    showOptions();
    if (!on)
        return;
    {
        SuspendDrawing suspend(*this);
        Centre();
    }
    redraw(false);
}

void TPageLayout::SetKeepAspect(bool on)
{
    m_keepAspect = on;
    showOptions();
    {
        SuspendDrawing suspend(*this);
        if (m_fitToPage) {
            FitPicture();
        } else if (on) {
            // The current width decides when the height that follows fits the printable area,
            // else the current height; the picture then moves inside. A ticked box never
            // leaves a distorted picture.
            const std::int64_t h = heightFor(m_printWidth);
            const std::int64_t w = widthFor(m_printHeight);
            if (h <= m_page.PageHeight) {
                m_printHeight = int(h);
                showField(TLayoutField::Height, m_printHeight);
            } else if (w <= m_page.PageWidth) {
                m_printWidth = int(w);
                showField(TLayoutField::Width, m_printWidth);
            } else {
                FitPicture();
            }
            if (m_centrePicture) {
                Centre();
            } else {
                SetPrintX(m_printX);
                SetPrintY(m_printY);
            }
        }
    }
    redraw(true);
}

void TPageLayout::SetUnits(TPrintUnits units)
{
    if (units == m_units)
        return;
    m_units = units;
    showAllFields();
    showOptions();
}

bool TPageLayout::FieldEnabled(TLayoutField field) const
{
    if (field == TLayoutField::Width || field == TLayoutField::Height)
        return !m_fitToPage;
    return !(m_centrePicture || (m_fitToPage && !m_keepAspect));
}

QString TPageLayout::FieldValue(TLayoutField field, int pixels) const
{
    const double dpi = isXAxis(field) ? m_page.DpiX : m_page.DpiY;
    double value = dpi > 0 ? pixels / dpi : 0.0;
    if (m_units == TPrintUnits::Millimetres)
        value *= MillimetresPerInch;
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(value, 'f', 2);
}

bool TPageLayout::FieldPixels(TLayoutField field, const QString& text, int& pixels) const
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return false;
    // The user's own notation first; a '.' as the decimal point is always understood.
    bool ok = false;
    double value = QLocale().toDouble(trimmed, &ok);
    if (!ok)
        value = QLocale::c().toDouble(trimmed, &ok);
    if (!ok || !std::isfinite(value))
        return false;
    const double dpi = isXAxis(field) ? m_page.DpiX : m_page.DpiY;
    double exact = dpi * value;
    if (m_units == TPrintUnits::Millimetres)
        exact /= MillimetresPerInch;
    if (!std::isfinite(exact))
        return false;
    const std::int64_t r = RoundHalfUp(exact);
    if (r < std::numeric_limits<int>::min() || r > std::numeric_limits<int>::max())
        return false;
    pixels = int(r);
    return true;
}

void TPageLayout::LeaveField(TLayoutField field, const QString& text)
{
    int pixels = 0;
    if (!FieldPixels(field, text, pixels)) {
        // Whatever was typed gives way to the current value.
        m_fieldText[int(field)].clear();
        const int current = field == TLayoutField::FromLeft  ? m_printX
                            : field == TLayoutField::FromTop ? m_printY
                            : field == TLayoutField::Width   ? m_printWidth
                                                             : m_printHeight;
        showField(field, current);
        return;
    }
    // The setter shows its result; a value it refuses or clamps must replace the typed text
    // even when the stored value does not change.
    m_fieldText[int(field)].clear();
    switch (field) {
    case TLayoutField::FromLeft: SetPrintX(pixels); break;
    case TLayoutField::FromTop: SetPrintY(pixels); break;
    case TLayoutField::Width: SetPrintWidth(pixels); break;
    case TLayoutField::Height: SetPrintHeight(pixels); break;
    }
}

void TPageLayout::ApplyPreviewFrame(const QRect& frame)
{
    const double s = m_previewScale;
    if (s <= 0)
        return;
    {
        SuspendDrawing suspend(*this);
        SetCentrePicture(false);
        SetFitToPage(false);
        m_printX = m_page.OffsetX;
        m_printY = m_page.OffsetY;
        // Rounding between preview and device pixels must never refuse a frame the preview
        // allowed: the sizes are limited to the printable area first.
        SetPrintWidth(int(std::min<std::int64_t>(m_page.PageWidth, RoundHalfUp(frame.width() / s))));
        SetPrintHeight(int(std::min<std::int64_t>(m_page.PageHeight, RoundHalfUp(frame.height() / s))));
        SetPrintX(roundToInt(frame.left() / s));
        SetPrintY(roundToInt(frame.top() / s));
    }
    redraw(true);
}

QSize TPageLayout::PageImageSize() const
{
    return {roundToInt(m_page.PhysWidth * m_previewScale), roundToInt(m_page.PhysHeight * m_previewScale)};
}

QRect TPageLayout::PrintableRectP() const
{
    const double s = m_previewScale;
    const int left = truncToInt(m_page.OffsetX * s);
    const int top = truncToInt(m_page.OffsetY * s);
    return QRect(left, top, truncToInt(m_page.PrintRight() * s) - left, truncToInt(m_page.PrintBottom() * s) - top);
}

QRect TPageLayout::PictureRectP() const
{
    const double s = m_previewScale;
    return QRect(roundToInt(m_printX * s), roundToInt(m_printY * s), roundToInt(m_printWidth * s),
                 roundToInt(m_printHeight * s));
}

void TPageLayout::redraw(bool rescale)
{
    if (m_drawingEnabled && OnRedraw)
        OnRedraw(rescale);
}

void TPageLayout::showField(TLayoutField field, int pixels)
{
    const QString text = FieldValue(field, pixels);
    if (text == m_fieldText[int(field)])
        return;
    m_fieldText[int(field)] = text;
    if (OnShowField)
        OnShowField(field, text);
}

void TPageLayout::showAllFields()
{
    for (TLayoutField field : {TLayoutField::FromLeft, TLayoutField::FromTop, TLayoutField::Width, TLayoutField::Height})
        m_fieldText[int(field)].clear();
    showField(TLayoutField::FromLeft, m_printX);
    showField(TLayoutField::FromTop, m_printY);
    showField(TLayoutField::Width, m_printWidth);
    showField(TLayoutField::Height, m_printHeight);
}

void TPageLayout::showOptions()
{
    if (OnShowOptions)
        OnShowOptions();
}

} // namespace vellum
