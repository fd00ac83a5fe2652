#include "app/RenameFileDlg.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QVBoxLayout>

namespace vellum {

void RenameInformation(QWidget* dialog, QLineEdit* edit, const QString& text)
{
    QMessageBox::information(dialog, QStringLiteral("Information"), text, QMessageBox::Ok);
    edit->setFocus();
}

TRenameFileDialog::TRenameFileDialog(const QString& oldName, QWidget* parent)
    : TStandardDialog(parent)
    , m_oldName(oldName)
{
    setWindowTitle(QStringLiteral("Rename File"));
    m_edit = new QLineEdit(oldName, this);
    m_edit->setObjectName(QStringLiteral("FileNameEdit"));
    m_edit->setMinimumWidth(260);
    Body()->addWidget(m_edit);
}

QString TRenameFileDialog::NewName() const
{
    return m_edit->text();
}

QString TRenameFileDialog::LowerExtension(const QString& name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot).toLower();
}

bool TRenameFileDialog::okPressed()
{
    const QString text = m_edit->text();
    if (text.isEmpty()) {
        RenameInformation(this, m_edit, QStringLiteral("You have not specifed the new name for %1.").arg(m_oldName));
        return false;
    }
    // A '/' would move the file into another folder.
    if (text.contains(QLatin1Char('/'))) {
        RenameInformation(this, m_edit, QStringLiteral("A file name cannot contain '/'."));
        return false;
    }
    if (LowerExtension(text) != LowerExtension(m_oldName)) {
        RenameInformation(this, m_edit, QStringLiteral("You must specify the same file extension"));
        return false;
    }
    return true;
}

} // namespace vellum
