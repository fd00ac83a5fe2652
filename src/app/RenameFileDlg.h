#pragma once

#include <QString>

#include "app/StandardDlg.h"

class QLineEdit;

namespace vellum {

// "Rename File": the new name of one picture, which must keep its extension.
class TRenameFileDialog : public TStandardDialog {
    Q_OBJECT
public:
    TRenameFileDialog(const QString& oldName, QWidget* parent = nullptr);

    [[nodiscard]] QLineEdit* FileNameEdit() const { return m_edit; }
    [[nodiscard]] QString NewName() const;

    // The extension from the last dot, with the dot, in lower case; empty without one.
    [[nodiscard]] static QString LowerExtension(const QString& name);

protected:
    bool okPressed() override;

private:
    QString m_oldName;
    QLineEdit* m_edit = nullptr;
};

// An information box of the rename dialogs; the dialog stays open with the edit focused.
void RenameInformation(QWidget* dialog, QLineEdit* edit, const QString& text);

} // namespace vellum
