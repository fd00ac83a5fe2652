#pragma once

#include <QDoubleSpinBox>
#include <QLineEdit>

namespace vellum {

// A decimal number box: typed characters are limited to digits, signs and the locale's decimal
// separator; the value shows with two decimals and is clamped to the range when set; the arrows
// and the Up and Down keys step by the single step. Text that is not a finite number stands in
// the box while typing but changes nothing, and reads as the minimum.
class TDoubleSpinEdit : public QDoubleSpinBox {
    Q_OBJECT
public:
    explicit TDoubleSpinEdit(QWidget* parent = nullptr);

    // The number a text stands for, clamped to the range; false when it is not a finite number.
    [[nodiscard]] bool NumberOfText(const QString& text, double& value) const;
    [[nodiscard]] QLineEdit* Editor() const { return lineEdit(); }

protected:
    QValidator::State validate(QString& input, int& pos) const override;
    double valueFromText(const QString& text) const override;
    void fixup(QString& input) const override;
};

} // namespace vellum
