#pragma once

#include <QDialog>

class QRadioButton;
class QSpinBox;
class QTabWidget;

namespace vellum {

// The Save picture dialog's options: GIF transparency and JPEG compression. Saving does not use
// them yet; the main window shows a fresh form each time.
class TSaveOptionsForm : public QDialog {
    Q_OBJECT
public:
    explicit TSaveOptionsForm(QWidget* parent = nullptr);

    [[nodiscard]] QTabWidget* Pages() const { return m_pages; }
    [[nodiscard]] QSpinBox* CompressionLevel() const { return m_compression; }
    [[nodiscard]] QRadioButton* Transparency(int index) const { return m_transparency[index]; }

private:
    QTabWidget* m_pages = nullptr;
    QSpinBox* m_compression = nullptr;
    QRadioButton* m_transparency[3]{};
};

} // namespace vellum
