#include "controls/DoubleSpinEdit.h"

#include <algorithm>
#include <cmath>

#include <QKeyEvent>

namespace vellum {

TDoubleSpinEdit::TDoubleSpinEdit(QWidget* parent) : QDoubleSpinBox(parent)
{
    setDecimals(2);
    setSingleStep(0.01);
    setKeyboardTracking(true);
    setGroupSeparatorShown(false);
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
}

bool TDoubleSpinEdit::NumberOfText(const QString& text, double& value) const
{
    const QString trimmed = text.trimmed();
    const QChar separator = locale().decimalPoint().at(0);
    // Only a sign, digits and one separator: no exponents, no "inf" or "nan".
    int digits = 0;
    int separators = 0;
    for (qsizetype i = 0; i < trimmed.size(); ++i) {
        const QChar c = trimmed[i];
        if (c.isDigit() && c.unicode() < 128)
            ++digits;
        else if (c == separator)
            ++separators;
        else if ((c == u'+' || c == u'-') && i == 0)
            continue;
        else
            return false;
    }
    if (digits == 0 || separators > 1)
        return false;
    QString plain = trimmed;
    plain.replace(separator, QLatin1Char('.'));
    bool ok = false;
    const double number = plain.toDouble(&ok);
    if (!ok || !std::isfinite(number))
        return false;
    // Rounded as the box shows it: the value taken is the value the box will show.
    const double shown = QString::number(std::clamp(number, minimum(), maximum()), 'f', decimals()).toDouble();
    value = std::clamp(shown, minimum(), maximum());
    return true;
}

QValidator::State TDoubleSpinEdit::validate(QString& input, int&) const
{
    const QChar separator = locale().decimalPoint().at(0);
    for (const QChar c : input)
        if (!((c.isDigit() && c.unicode() < 128) || c == u'+' || c == u'-' || c == separator || c == u' '))
            return QValidator::Invalid;
    double value = 0;
    // Unfinished text ("-", empty) may stand while typing; it just changes nothing.
    return NumberOfText(input, value) ? QValidator::Acceptable : QValidator::Intermediate;
}

double TDoubleSpinEdit::valueFromText(const QString& text) const
{
    double number = 0;
    return NumberOfText(text, number) ? number : minimum();
}

void TDoubleSpinEdit::fixup(QString& input) const
{
    input = textFromValue(value());
}

void TDoubleSpinEdit::focusOutEvent(QFocusEvent* event)
{
    const QString typed = lineEdit()->text();
    double number = 0;
    const bool keep = m_invalidText == TInvalidText::Keep && !NumberOfText(typed, number);
    QDoubleSpinBox::focusOutEvent(event);
    // The spin box has put back its last value; the owner is to see the text and refuse it.
    if (keep && lineEdit()->text() != typed)
        lineEdit()->setText(typed);
}

void TDoubleSpinEdit::keyPressEvent(QKeyEvent* event)
{
    double number = 0;
    if (m_invalidText == TInvalidText::Keep && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        && !NumberOfText(lineEdit()->text(), number)) {
        // Passed on untouched to the dialog's default button, which refuses the text.
        event->ignore();
        return;
    }
    QDoubleSpinBox::keyPressEvent(event);
}

} // namespace vellum
