#pragma once

#include <QDoubleSpinBox>
#include <QLineEdit>

#include "controls/InvalidText.h"

namespace vellum {

// A decimal number box: typed characters are limited to digits, signs and the locale's decimal
// separator; the value shows with two decimals and is clamped to the range when set; the arrows
// and the Up and Down keys step by the single step. While typing the text is the user's: the
// value follows each text that is a number, rounded as the box will show it; the box writes its
// own format only when it loses the focus or gets Enter. Text that is not a finite number stands
// in the box while typing but changes nothing, and reads as the minimum.
class TDoubleSpinEdit : public QDoubleSpinBox {
    Q_OBJECT
public:
    explicit TDoubleSpinEdit(QWidget* parent = nullptr);

    // The number a text stands for, clamped to the range; false when it is not a finite number.
    [[nodiscard]] bool NumberOfText(const QString& text, double& value) const;
    [[nodiscard]] QLineEdit* Editor() const { return lineEdit(); }
    [[nodiscard]] TInvalidText InvalidText() const { return m_invalidText; }
    void SetInvalidText(TInvalidText mode) { m_invalidText = mode; }

protected:
    QValidator::State validate(QString& input, int& pos) const override;
    double valueFromText(const QString& text) const override;
    void fixup(QString& input) const override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    TInvalidText m_invalidText = TInvalidText::ShowValue;
};

} // namespace vellum
