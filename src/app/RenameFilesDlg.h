#pragma once

#include <optional>

#include <QString>

#include "app/StandardDlg.h"

class QLineEdit;

namespace vellum {

// "Rename Files": a template with "%d" where each file's number goes.
class TRenameFilesDialog : public TStandardDialog {
    Q_OBJECT
public:
    explicit TRenameFilesDialog(QWidget* parent = nullptr);

    [[nodiscard]] QLineEdit* FileNameEdit() const { return m_edit; }
    [[nodiscard]] QString Template() const;

protected:
    bool okPressed() override;

private:
    QLineEdit* m_edit = nullptr;
};

// The pattern for count files: the first "%d" (any case) becomes "%.Nd", N the number of
// decimal digits of count.
[[nodiscard]] QString RenamePattern(const QString& nameTemplate, int count);
// The pattern formatted with one number: "%%" gives "%", and at most one directive of "d",
// "u" or "x" (any case) with '-', width and precision. No value when the pattern cannot be
// formatted so.
[[nodiscard]] std::optional<QString> FormatRenamePattern(const QString& pattern, int value);

} // namespace vellum
