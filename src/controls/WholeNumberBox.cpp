#include "controls/WholeNumberBox.h"

#include <algorithm>

#include <QKeyEvent>
#include <QLineEdit>

namespace vellum {

TWholeNumberBox::TWholeNumberBox(QWidget* parent) : QSpinBox(parent)
{
    setKeyboardTracking(true);
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
}

bool TWholeNumberBox::NumberOfText(const QString& text, int& value) const
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return false;
    int start = 0;
    if (trimmed[0] == u'+' || trimmed[0] == u'-')
        start = 1;
    if (start == trimmed.size())
        return false;
    for (int i = start; i < trimmed.size(); ++i)
        if (trimmed[i] < u'0' || trimmed[i] > u'9')
            return false;
    bool ok = false;
    const qlonglong number = trimmed.toLongLong(&ok, 10);
    if (!ok)
        return false;
    value = static_cast<int>(std::clamp<qlonglong>(number, minimum(), maximum()));
    return true;
}

QValidator::State TWholeNumberBox::validate(QString& input, int&) const
{
    // The limit is on typing: a value set from elsewhere (-100 from a track bar) may show.
    if (input.size() > MaxCharacters && input != textFromValue(value()))
        return QValidator::Invalid;
    int value = 0;
    // Anything else may stand in the box while typing; it just changes nothing.
    return NumberOfText(input, value) ? QValidator::Acceptable : QValidator::Intermediate;
}

int TWholeNumberBox::valueFromText(const QString& text) const
{
    int number = 0;
    return NumberOfText(text, number) ? number : value();
}

void TWholeNumberBox::fixup(QString& input) const
{
    input = textFromValue(value());
}

void TWholeNumberBox::focusOutEvent(QFocusEvent* event)
{
    const QString typed = lineEdit()->text();
    int number = 0;
    const bool keep = m_invalidText == TInvalidText::Keep && !NumberOfText(typed, number);
    QSpinBox::focusOutEvent(event);
    // The spin box has put back its last value; the owner is to see the text and refuse it.
    if (keep && lineEdit()->text() != typed)
        lineEdit()->setText(typed);
}

void TWholeNumberBox::keyPressEvent(QKeyEvent* event)
{
    int number = 0;
    if (m_invalidText == TInvalidText::Keep && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        && !NumberOfText(lineEdit()->text(), number)) {
        // Passed on untouched to the dialog's default button, which refuses the text.
        event->ignore();
        return;
    }
    QSpinBox::keyPressEvent(event);
}

} // namespace vellum
