#include "app/NewPicFrm.h"

#include <QApplication>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPixmap>

namespace vellum {

bool ValidWholeNumber(const QString& text, int* value)
{
    const QString trimmed = text.trimmed();
    bool ok = false;
    const int v = trimmed.toInt(&ok, 10);
    if (ok && value != nullptr)
        *value = v;
    return ok && !trimmed.isEmpty();
}

namespace {

QIcon swatch(TColor colour)
{
    QPixmap pixmap(16, 12);
    pixmap.fill(QColor(GetRValue(colour), GetGValue(colour), GetBValue(colour)));
    return QIcon(pixmap);
}

} // namespace

TNewPicForm::TNewPicForm(int width, int height, TColor foreColour, TColor backColour, QWidget* parent)
    : TStandardDialog(parent)
    , m_width(width > 0 ? width : DefaultWidth)
    , m_height(height > 0 ? height : DefaultHeight)
{
    setWindowTitle(QStringLiteral("New Picture"));
    auto* group = new QGroupBox(QStringLiteral("New Picture Properties"), this);
    auto* form = new QFormLayout(group);
    m_widthEdit = new QLineEdit(QString::number(m_width), group);
    m_widthEdit->setObjectName(QStringLiteral("WidthEdit"));
    m_heightEdit = new QLineEdit(QString::number(m_height), group);
    m_heightEdit->setObjectName(QStringLiteral("HeightEdit"));
    m_colourCombo = new QComboBox(group);
    m_colourCombo->setObjectName(QStringLiteral("ColourCombo"));
    const std::pair<const char*, TColor> colours[] = {
        {"Foreground Colour", foreColour}, {"Background Colour", backColour}, {"White", 16777215}, {"Black", 0},
        {"Red", 255},                      {"Green", 32768},                   {"Blue", 16711680}};
    for (const auto& [name, colour] : colours)
        m_colourCombo->addItem(swatch(colour), QString::fromLatin1(name), colour);
    m_colourCombo->setCurrentIndex(1);
    form->addRow(QStringLiteral("&Width"), m_widthEdit);
    form->addRow(QStringLiteral("&Height"), m_heightEdit);
    form->addRow(QStringLiteral("Canvas &Colour"), m_colourCombo);
    Body()->addWidget(group);

    connect(m_widthEdit, &QLineEdit::editingFinished, this, &TNewPicForm::widthLeft);
    connect(m_heightEdit, &QLineEdit::editingFinished, this, &TNewPicForm::heightLeft);
}

TColor TNewPicForm::Colour() const
{
    return static_cast<TColor>(m_colourCombo->currentData().toInt());
}

// Valid text above 0 is taken; 0 or less is ignored and the box shows the stored value again.
// Invalid text stays until OK refuses it.
void TNewPicForm::widthLeft()
{
    int value = 0;
    if (!ValidWholeNumber(m_widthEdit->text(), &value))
        return;
    if (value > 0)
        m_width = value;
    m_widthEdit->setText(QString::number(m_width));
}

void TNewPicForm::heightLeft()
{
    int value = 0;
    if (!ValidWholeNumber(m_heightEdit->text(), &value))
        return;
    if (value > 0)
        m_height = value;
    m_heightEdit->setText(QString::number(m_height));
}

bool TNewPicForm::okPressed()
{
    // What was typed into the box with the focus counts, as if the focus had left it.
    if (focusWidget() == m_widthEdit)
        widthLeft();
    else if (focusWidget() == m_heightEdit)
        heightLeft();
    if (!ValidWholeNumber(m_widthEdit->text()) || !ValidWholeNumber(m_heightEdit->text())) {
        QMessageBox::information(this, windowTitle(), QStringLiteral("At least one of the new picture dimensions is invalid"),
                                 QMessageBox::Ok);
        return false;
    }
    return true;
}

} // namespace vellum
