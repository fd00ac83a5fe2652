#pragma once

#include <cstdint>
#include <functional>

#include <QColor>
#include <QWidget>

class QPainter;

namespace vellum {

// A colour value: red in bits 0 to 7, green 8 to 15, blue 16 to 23 (the same type the raster
// engine uses; repeating the alias keeps this library free of the engine).
using TColor = std::int32_t;

// The Qt colour of a colour value (bits 24 to 31 ignored).
[[nodiscard]] inline QColor QColorOfValue(TColor colour)
{
    return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

// The colour value of a Qt colour.
[[nodiscard]] inline TColor ValueOfQColor(const QColor& colour)
{
    return static_cast<TColor>(colour.red() | (colour.green() << 8) | (colour.blue() << 16));
}

// A small drawing control that tells when the mouse enters and leaves it. Qt grabs the mouse
// for a widget while a button is held on it, so the control keeps the mouse from a left press
// to the release.
class TXGraphicControl : public QWidget {
public:
    explicit TXGraphicControl(QWidget* parent = nullptr);

    [[nodiscard]] bool MouseInside() const { return m_mouseInside; }

    std::function<void(TXGraphicControl* sender)> OnMouseEnter;
    std::function<void(TXGraphicControl* sender)> OnMouseLeave;

protected:
    // Each raises its event.
    virtual void DoMouseEnter();
    virtual void DoMouseLeave();

    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    bool m_mouseInside = false;
};

// A plain opaque drawing surface (previews): the owner paints it in OnPaint with a painter whose
// font and brush are the control's.
class TXVellum : public TXGraphicControl {
public:
    explicit TXVellum(QWidget* parent = nullptr);

    std::function<void(TXVellum* sender, QPainter& painter)> OnPaint;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A colour swatch, with or without a one-pixel border.
class TColourShow : public TXGraphicControl {
public:
    explicit TColourShow(QWidget* parent = nullptr);

    [[nodiscard]] TColor Colour() const { return m_colour; }
    [[nodiscard]] TColor BorderColour() const { return m_borderColour; }
    [[nodiscard]] bool ShowBorder() const { return m_showBorder; }
    // Each repaints on a change (the border colour only while the border shows).
    void SetColour(TColor colour);
    void SetBorderColour(TColor colour);
    void SetShowBorder(bool show);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TColor m_colour = 0xFFFFFF;
    TColor m_borderColour = 0;
    bool m_showBorder = true;
};

} // namespace vellum
