#pragma once

#include <QDialog>

class QDialogButtonBox;
class QHBoxLayout;
class QPushButton;
class QVBoxLayout;

namespace vellum {

// A modal dialog with OK (the default button, Enter) and Cancel (also Esc) at the bottom,
// centred on its parent window when shown. Descendants put their controls into Body() and
// check their input in okPressed(); returning false keeps the dialog open.
class TStandardDialog : public QDialog {
    Q_OBJECT
public:
    explicit TStandardDialog(QWidget* parent = nullptr);

    [[nodiscard]] QPushButton* OKButton() const { return m_okButton; }
    [[nodiscard]] QPushButton* CancelButton() const { return m_cancelButton; }

    void accept() override;
    void setVisible(bool visible) override;

protected:
    [[nodiscard]] QVBoxLayout* Body() const { return m_body; }
    // A button of the dialog's own (not closing it) at the left of OK and Cancel, on every
    // platform's order of those two.
    void AddButtonLeftOfOK(QPushButton* button);
    virtual bool okPressed() { return true; }
    // A dialog placed by its owner is not centred when shown.
    void setPlaced(bool placed) { m_placed = placed; }
    void showEvent(QShowEvent* event) override;

private:
    QVBoxLayout* m_body = nullptr;
    QPushButton* m_okButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
    QHBoxLayout* m_extraButtons = nullptr;
    bool m_placed = false;
};

} // namespace vellum
