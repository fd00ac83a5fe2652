#pragma once

// The picture's place on a printer page: position and size in device pixels, the options that
// choose them, and the four fields that show them in inches or millimetres. Works on plain
// page metrics, so it runs without a printer; the dialog mirrors its state in widgets and draws
// the preview when asked.
#include <array>
#include <cstdint>
#include <functional>

#include <QRect>
#include <QSize>
#include <QString>

namespace vellum {

// A printer page in device pixels: the paper, the printable area's offset from the paper's
// top-left corner and its size, and the resolution in pixels per inch.
struct TPageMetrics {
    int PhysWidth = 0;
    int PhysHeight = 0;
    int OffsetX = 0;
    int OffsetY = 0;
    int PageWidth = 0;
    int PageHeight = 0;
    double DpiX = 0;
    double DpiY = 0;

    // Exclusive right and bottom edges of the printable area, from the paper's corner.
    [[nodiscard]] int PrintRight() const { return PageWidth + OffsetX; }
    [[nodiscard]] int PrintBottom() const { return PageHeight + OffsetY; }
    bool operator==(const TPageMetrics&) const = default;
};

// Rounding of the layout: trunc(v + 0.5), so positive halves go up; saturated to the 64-bit
// range, NaN gives 0.
[[nodiscard]] std::int64_t RoundHalfUp(double v);

enum class TLayoutField { FromLeft = 0, FromTop = 1, Width = 2, Height = 3 };
// What a change of page did to the picture: kept its size and place on paper, or moved it
// inside the printable area, or fitted it to that area because it was larger.
enum class TPageChange { Kept, Moved, Fitted };
enum class TPrintUnits { Inches = 0, Millimetres = 1 };

class TPageLayout {
public:
    // The preview area: the drawing surface's size at creation.
    static constexpr int PreviewWidth = 283;
    static constexpr int PreviewHeight = 258;

    // Asked to redraw the preview (rescale: the picture's size may have changed). Never called
    // while drawing is suspended.
    std::function<void(bool rescale)> OnRedraw;
    // A field's text changed.
    std::function<void(TLayoutField field, const QString& text)> OnShowField;
    // The options (boxes, units) or the fields' enabled states changed.
    std::function<void()> OnShowOptions;

    // The initial layout for a picture of the given size on the page: the picture fitted to
    // the printable area with its aspect kept, in inches; then one full redraw.
    void Open(const TPageMetrics& metrics, int pictureWidth, int pictureHeight);

    // Takes the page's metrics and derives the preview's scale and rectangles.
    void ReadPage(const TPageMetrics& metrics);
    // After the printer setup: new metrics re-lay the picture out when the printable size
    // changed, and keep it inside the printable area otherwise.
    void Setup(const TPageMetrics& metrics);
    // The page chosen for printing, which may differ from the previewed one in paper, margins
    // or resolution. The picture keeps its size and place on paper (in inches) when they lie
    // within the new printable area; a fitted picture is fitted again and a centred one
    // centred again. Otherwise it is moved inside the area, or fitted to it when larger, and
    // the result says so: the preview then shows something the user has not seen yet.
    [[nodiscard]] TPageChange ChangePage(const TPageMetrics& metrics);

    void SetPrintX(int x);
    void SetPrintY(int y);
    void SetPrintWidth(int w);
    void SetPrintHeight(int h);
    void SetFitToPage(bool on);
    void SetCentrePicture(bool on);
    void SetKeepAspect(bool on);
    void SetUnits(TPrintUnits units);
    void FitPicture();
    void Centre();

    // The user left a field holding text: a finite number whose pixel value fits an int goes to
    // the field's setter, anything else brings the current value back.
    void LeaveField(TLayoutField field, const QString& text);
    // The frame dragged on the preview, in preview pixels (right and bottom exclusive), becomes
    // the picture's place: no longer fitted or centred.
    void ApplyPreviewFrame(const QRect& frame);

    [[nodiscard]] const TPageMetrics& Metrics() const { return m_page; }
    [[nodiscard]] int PrintX() const { return m_printX; }
    [[nodiscard]] int PrintY() const { return m_printY; }
    [[nodiscard]] int PrintWidth() const { return m_printWidth; }
    [[nodiscard]] int PrintHeight() const { return m_printHeight; }
    [[nodiscard]] bool FitToPage() const { return m_fitToPage; }
    [[nodiscard]] bool CentrePicture() const { return m_centrePicture; }
    [[nodiscard]] bool KeepAspect() const { return m_keepAspect; }
    [[nodiscard]] TPrintUnits Units() const { return m_units; }
    [[nodiscard]] double PictureAspect() const { return m_pictureAspect; }
    [[nodiscard]] QString FieldText(TLayoutField field) const { return m_fieldText[int(field)]; }
    [[nodiscard]] bool FieldEnabled(TLayoutField field) const;
    [[nodiscard]] bool DrawingEnabled() const { return m_drawingEnabled; }

    // Preview pixels per device pixel, the page image's size, the printable area and the
    // picture's rectangle (right and bottom exclusive) on it, and the scaled picture's size.
    [[nodiscard]] double PreviewScale() const { return m_previewScale; }
    [[nodiscard]] QSize PageImageSize() const;
    [[nodiscard]] QRect PrintableRectP() const;
    [[nodiscard]] QRect PictureRectP() const;

    // Field text of a pixel value on the field's axis in the current unit, and back (false
    // when the text is no usable number).
    [[nodiscard]] QString FieldValue(TLayoutField field, int pixels) const;
    [[nodiscard]] bool FieldPixels(TLayoutField field, const QString& text, int& pixels) const;

    // Suspends redraws for a scope; the state before comes back at its end.
    class SuspendDrawing {
    public:
        explicit SuspendDrawing(TPageLayout& layout) : m_layout(layout), m_was(layout.m_drawingEnabled)
        {
            layout.m_drawingEnabled = false;
        }
        ~SuspendDrawing() { m_layout.m_drawingEnabled = m_was; }
        SuspendDrawing(const SuspendDrawing&) = delete;
        SuspendDrawing& operator=(const SuspendDrawing&) = delete;

    private:
        TPageLayout& m_layout;
        bool m_was;
    };

private:
    void redraw(bool rescale);
    void showField(TLayoutField field, int pixels);
    void showAllFields();
    void showOptions();
    void fitSizes();
    // The size on the other axis that keeps the picture's aspect (at least one pixel).
    [[nodiscard]] std::int64_t heightFor(int width) const;
    [[nodiscard]] std::int64_t widthFor(int height) const;

    TPageMetrics m_page;
    int m_printX = 0;
    int m_printY = 0;
    int m_printWidth = 0;
    int m_printHeight = 0;
    bool m_fitToPage = true;
    bool m_centrePicture = false;
    bool m_keepAspect = true;
    TPrintUnits m_units = TPrintUnits::Inches;
    double m_pictureAspect = 1;
    double m_previewScale = 0;
    bool m_drawingEnabled = false;
    std::array<QString, 4> m_fieldText;
};

} // namespace vellum
