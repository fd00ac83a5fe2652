#pragma once

#include <QDialog>
#include <QImage>
#include <QTimer>

namespace vellum {

// The borderless window shown while the program starts: our picture with the version drawn
// on it, the busy cursor, closed after two seconds or at any mouse press inside it.
class TSplashDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int WidthPx = 231;
    static constexpr int HeightPx = 125;
    static constexpr int DisplayMs = 2000;

    explicit TSplashDialog(QWidget* parent = nullptr);

    // The splash picture with text drawn into the band from (118, 40) to (213, 60): the band is
    // first filled with the colour of the pixel at (118, 40), then the text is drawn clipped to
    // it, from its top, centred horizontally.
    [[nodiscard]] static QImage RenderSplashPicture(const QImage& art, const QFont& font, const QString& text);

    [[nodiscard]] const QImage& SplashImage() const { return m_splashImage; }
    [[nodiscard]] QTimer& SplashTimer() { return m_splashTimer; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QImage m_splashImage;
    QTimer m_splashTimer;
};

} // namespace vellum
