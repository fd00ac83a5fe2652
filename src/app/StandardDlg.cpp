#include "app/StandardDlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vellum {

TStandardDialog::TStandardDialog(QWidget* parent)
    : QDialog(parent)
{
    auto* layout = new QVBoxLayout(this);
    m_body = new QVBoxLayout;
    layout->addLayout(m_body);
    auto* buttons = new QDialogButtonBox(this);
    m_okButton = buttons->addButton(QStringLiteral("&OK"), QDialogButtonBox::AcceptRole);
    m_cancelButton = buttons->addButton(QStringLiteral("&Cancel"), QDialogButtonBox::RejectRole);
    m_okButton->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // OK and Cancel keep the platform's order; the row is right-aligned, and buttons of the
    // dialog's own stand just left of the box whatever that order is.
    buttons->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    m_extraButtons = new QHBoxLayout;
    row->addLayout(m_extraButtons);
    row->addWidget(buttons);
    layout->addLayout(row);
}

void TStandardDialog::AddButtonLeftOfOK(QPushButton* button)
{
    button->setParent(this);
    m_extraButtons->addWidget(button);
}

void TStandardDialog::accept()
{
    if (okPressed())
        QDialog::accept();
}

void TStandardDialog::setVisible(bool visible)
{
    QDialog::setVisible(visible);
    if (!visible)
        return;
    // The first field has the focus with its text selected: typing 800, Tab, 600, Enter works.
    // (After QDialog's own choice, which favours the default button.)
    for (QWidget* w = nextInFocusChain(); w != nullptr && w != this; w = w->nextInFocusChain()) {
        auto* edit = qobject_cast<QLineEdit*>(w);
        if (edit != nullptr && edit->isEnabled() && edit->isVisibleTo(this)) {
            edit->setFocus(Qt::TabFocusReason);
            edit->selectAll();
            break;
        }
    }
}

void TStandardDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_placed)
        return;
    if (const QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr) {
        QRect frame = frameGeometry();
        frame.moveCenter(owner->frameGeometry().center());
        move(frame.topLeft());
    }
}

} // namespace vellum
