#include "app/ResizePicFrm.h"

#include <cmath>
#include <limits>
#include <utility>

#include <QCheckBox>
#include <QEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QMessageBox>

#include "app/NewPicFrm.h"
#include "raster/VellumError.h"

namespace vellum {

namespace {

// truncate(x + 0.5), saturated to the integers: a size beyond them is refused later as too
// large, never converted out of range.
int nearInt(double x)
{
    const double rounded = std::trunc(x + 0.5);
    if (!(rounded >= double(std::numeric_limits<int>::min())))
        return std::numeric_limits<int>::min();
    if (rounded > double(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    return static_cast<int>(rounded);
}

// A finite floating-point number ("nan" and "inf" are not).
bool validNumber(const QString& text, double* value)
{
    const QString trimmed = text.trimmed();
    bool ok = false;
    const double v = trimmed.toDouble(&ok);
    if (!ok || trimmed.isEmpty() || !std::isfinite(v))
        return false;
    if (value != nullptr)
        *value = v;
    return true;
}

bool fitsInt(double x)
{
    return std::isfinite(x) && std::abs(x) < double(std::numeric_limits<int>::max());
}

void refuse(QWidget* parent, const QString& message)
{
    QMessageBox::information(parent, parent->windowTitle(), message, QMessageBox::Ok);
}

} // namespace

TResizePicForm::TResizePicForm(int pictureWidth, int pictureHeight, QWidget* parent)
    : TStandardDialog(parent)
    , m_width(pictureWidth)
    , m_height(pictureHeight)
    , m_ratio(pictureHeight > 0 ? double(pictureWidth) / pictureHeight : 0)
{
    if (pictureWidth <= 0 || pictureHeight <= 0)
        throw EVellumError(QStringLiteral("Invalid picture dimensions"));
    setWindowTitle(QStringLiteral("Resize Picture"));
    auto* group = new QGroupBox(QStringLiteral("Resize Properties"), this);
    auto* form = new QFormLayout(group);
    m_widthEdit = new QLineEdit(QString::number(m_width), group);
    m_heightEdit = new QLineEdit(QString::number(m_height), group);
    m_ratioBox = new QCheckBox(QStringLiteral("Maintain aspect ratio of:"), group);
    m_ratioBox->setChecked(true);
    m_ratioEdit = new QLineEdit(QString::number(m_ratio, 'f', 2), group);
    form->addRow(QStringLiteral("&Width"), m_widthEdit);
    form->addRow(QStringLiteral("&Height"), m_heightEdit);
    form->addRow(m_ratioBox, m_ratioEdit);
    Body()->addWidget(group);
    for (const auto& [edit, rule] : {std::pair{m_widthEdit, &TResizePicForm::WidthLeft},
                                     std::pair{m_heightEdit, &TResizePicForm::HeightLeft},
                                     std::pair{m_ratioEdit, &TResizePicForm::RatioLeft}}) {
        edit->installEventFilter(this);
        m_entered[edit] = edit->text();
        connect(edit, &QLineEdit::editingFinished, this, [this, edit = edit, rule = rule] { leave(edit, rule); });
    }
    connect(m_ratioBox, &QCheckBox::clicked, this, &TResizePicForm::ratioBoxClicked);
}

bool TResizePicForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn)
        if (auto* edit = qobject_cast<QLineEdit*>(watched))
            m_entered[edit] = edit->text();
    return TStandardDialog::eventFilter(watched, event);
}

// A box's leave rule runs when its text changed since it took the focus. Otherwise a rule that
// computes the other side from a rounded value would change the size the dialog shows: 301
// typed into Width shows Height 201, and running Height's rule again at OK made Width 302.
void TResizePicForm::leave(QLineEdit* edit, void (TResizePicForm::*rule)())
{
    if (edit->text() == m_entered.value(edit))
        return;
    (this->*rule)();
    m_entered[edit] = edit->text();
}

// A value above 0 is stored, 0 or less ignored; the box then shows the stored value.
void TResizePicForm::setWidth(int value)
{
    if (value > 0)
        m_width = value;
    m_widthEdit->setText(QString::number(m_width));
}

void TResizePicForm::setHeight(int value)
{
    if (value > 0)
        m_height = value;
    m_heightEdit->setText(QString::number(m_height));
}

void TResizePicForm::bringInLine()
{
    int value = 0;
    if (ValidWholeNumber(m_widthEdit->text(), &value)) {
        setWidth(value);
        setHeight(nearInt(m_width / m_ratio));
    } else if (ValidWholeNumber(m_heightEdit->text(), &value)) {
        setHeight(value);
        setWidth(nearInt(m_height * m_ratio));
    }
}

void TResizePicForm::WidthLeft()
{
    int value = 0;
    const bool valid = ValidWholeNumber(m_widthEdit->text(), &value);
    if (m_ratioBox->isChecked()) {
        if (valid) {
            setWidth(value);
            setHeight(nearInt(m_width / m_ratio));
        } else if (ValidWholeNumber(m_heightEdit->text(), &value)) {
            setWidth(nearInt(value * m_ratio));
        }
    } else if (valid) {
        setWidth(value);
    }
}

void TResizePicForm::HeightLeft()
{
    int value = 0;
    const bool valid = ValidWholeNumber(m_heightEdit->text(), &value);
    if (m_ratioBox->isChecked()) {
        if (valid) {
            setHeight(value);
            setWidth(nearInt(m_height * m_ratio));
        } else if (ValidWholeNumber(m_widthEdit->text(), &value)) {
            setHeight(nearInt(value / m_ratio));
        }
    } else if (valid) {
        setHeight(value);
    }
}

void TResizePicForm::RatioLeft()
{
    // 0, and a ratio that would make a side beyond the integers (1e-300), keep the ratio.
    double ratio = m_ratio;
    if (!validNumber(m_ratioEdit->text(), &ratio) || ratio == 0 || !fitsInt(m_width / ratio)
        || !fitsInt(m_height * ratio))
        ratio = m_ratio;
    m_ratio = ratio;
    if (m_ratioBox->isChecked())
        bringInLine();
    m_ratioEdit->setText(QString::number(m_ratio, 'f', 2));
}

void TResizePicForm::ratioBoxClicked()
{
    m_ratioEdit->setEnabled(m_ratioBox->isChecked());
    if (m_ratioBox->isChecked())
        RatioLeft();
}

bool TResizePicForm::okPressed()
{
    if (focusWidget() == m_widthEdit)
        leave(m_widthEdit, &TResizePicForm::WidthLeft);
    else if (focusWidget() == m_heightEdit)
        leave(m_heightEdit, &TResizePicForm::HeightLeft);
    else if (focusWidget() == m_ratioEdit)
        leave(m_ratioEdit, &TResizePicForm::RatioLeft);
    if (!ValidWholeNumber(m_widthEdit->text()) || !ValidWholeNumber(m_heightEdit->text())) {
        refuse(this, QStringLiteral("At least one of the dimensions is invalid"));
        return false;
    }
    return true;
}

TEnlargeCanvasForm::TEnlargeCanvasForm(int currentHeight, int currentWidth, QWidget* parent)
    : TStandardDialog(parent)
    , m_minWidth(currentWidth)
    , m_minHeight(currentHeight)
    , m_newWidth(currentWidth)
    , m_newHeight(currentHeight)
{
    if (currentWidth <= 0 || currentHeight <= 0)
        throw EVellumError(QStringLiteral("Invalid picture dimensions"));
    setWindowTitle(QStringLiteral("Enlarge canvas"));
    auto* group = new QGroupBox(QStringLiteral("Canvas new dimensions"), this);
    auto* form = new QFormLayout(group);
    m_widthEdit = new QLineEdit(QString::number(m_newWidth), group);
    m_heightEdit = new QLineEdit(QString::number(m_newHeight), group);
    m_centreBox = new QCheckBox(QStringLiteral("Center picture on canvas"), group);
    form->addRow(QStringLiteral("&Width"), m_widthEdit);
    form->addRow(QStringLiteral("&Height"), m_heightEdit);
    form->addRow(m_centreBox);
    Body()->addWidget(group);
    connect(m_widthEdit, &QLineEdit::editingFinished, this, &TEnlargeCanvasForm::WidthLeft);
    connect(m_heightEdit, &QLineEdit::editingFinished, this, &TEnlargeCanvasForm::HeightLeft);
}

bool TEnlargeCanvasForm::CentrePicture() const
{
    return m_centreBox->isChecked();
}

// A smaller canvas is never asked for: the larger of the typed and the current value.
void TEnlargeCanvasForm::WidthLeft()
{
    int value = 0;
    if (!ValidWholeNumber(m_widthEdit->text(), &value))
        return;
    m_newWidth = std::max(value, m_minWidth);
    m_widthEdit->setText(QString::number(m_newWidth));
}

void TEnlargeCanvasForm::HeightLeft()
{
    int value = 0;
    if (!ValidWholeNumber(m_heightEdit->text(), &value))
        return;
    m_newHeight = std::max(value, m_minHeight);
    m_heightEdit->setText(QString::number(m_newHeight));
}

bool TEnlargeCanvasForm::okPressed()
{
    if (focusWidget() == m_widthEdit)
        WidthLeft();
    else if (focusWidget() == m_heightEdit)
        HeightLeft();
    if (!ValidWholeNumber(m_widthEdit->text()) || !ValidWholeNumber(m_heightEdit->text())) {
        refuse(this, QStringLiteral("At least one of the dimensions is invalid"));
        return false;
    }
    return true;
}

} // namespace vellum
