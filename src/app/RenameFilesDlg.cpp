#include "app/RenameFilesDlg.h"

#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "app/RenameFileDlg.h"

namespace vellum {

TRenameFilesDialog::TRenameFilesDialog(QWidget* parent)
    : TStandardDialog(parent)
{
    setWindowTitle(QStringLiteral("Rename Files"));
    auto* label = new QLabel(QStringLiteral("Enter a template name to rename files to.\n"
                                            "\n"
                                            "Use %d to indicate where the file index should be added\n"
                                            "e.g. If 'Name_%d' was used then the first file in the\n"
                                            "directory would be renamed 'Name_01' plus any extension."),
                             this);
    label->setObjectName(QStringLiteral("TemplateLabel"));
    Body()->addWidget(label);
    m_edit = new QLineEdit(QStringLiteral("%d"), this);
    m_edit->setObjectName(QStringLiteral("FileNameEdit"));
    Body()->addWidget(m_edit);
}

QString TRenameFilesDialog::Template() const
{
    return m_edit->text();
}

bool TRenameFilesDialog::okPressed()
{
    const QString text = m_edit->text();
    if (text.isEmpty()) {
        RenameInformation(this, m_edit, QStringLiteral("You have not specifed the new name template."));
        return false;
    }
    if (!text.contains(QLatin1String("%d"))) {
        RenameInformation(this, m_edit, QStringLiteral("You have not specifed where the index should go (%d)."));
        return false;
    }
    // A '/' would move the files into another folder.
    if (text.contains(QLatin1Char('/'))) {
        RenameInformation(this, m_edit, QStringLiteral("A file name cannot contain '/'."));
        return false;
    }
    return true;
}

QString RenamePattern(const QString& nameTemplate, int count)
{
    const qsizetype at = nameTemplate.indexOf(QLatin1String("%d"), 0, Qt::CaseInsensitive);
    if (at < 0)
        return nameTemplate;
    const int digits = int(QString::number(std::max(count, 1)).size());
    return nameTemplate.left(at) + QStringLiteral("%.%1d").arg(digits) + nameTemplate.mid(at + 2);
}

std::optional<QString> FormatRenamePattern(const QString& pattern, int value)
{
    // Names are at most 255 bytes: a larger width or precision is no file name.
    constexpr int kMaxField = 255;
    QString out;
    bool directiveSeen = false;
    const qsizetype size = pattern.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = pattern.at(i);
        if (c != QLatin1Char('%')) {
            out += c;
            continue;
        }
        if (++i >= size)
            return std::nullopt;
        if (pattern.at(i) == QLatin1Char('%')) {
            out += QLatin1Char('%');
            continue;
        }
        if (directiveSeen)
            return std::nullopt;
        directiveSeen = true;
        bool left = false;
        if (pattern.at(i) == QLatin1Char('-')) {
            left = true;
            ++i;
        }
        auto number = [&](int& field) {
            field = -1;
            while (i < size && pattern.at(i).isDigit() && pattern.at(i).unicode() < 128) {
                field = std::max(field, 0) * 10 + (pattern.at(i).unicode() - '0');
                if (field > kMaxField)
                    return false;
                ++i;
            }
            return true;
        };
        int width = -1;
        int precision = -1;
        if (!number(width))
            return std::nullopt;
        if (i < size && pattern.at(i) == QLatin1Char('.')) {
            ++i;
            if (!number(precision))
                return std::nullopt;
            precision = std::max(precision, 0);
        }
        if (i >= size)
            return std::nullopt;
        const QChar type = pattern.at(i).toLower();
        QString digits;
        if (type == QLatin1Char('d')) {
            digits = QString::number(std::abs(qint64(value)));
        } else if (type == QLatin1Char('u')) {
            digits = QString::number(quint32(value));
        } else if (type == QLatin1Char('x')) {
            digits = QString::number(quint32(value), 16).toUpper();
        } else {
            return std::nullopt;
        }
        if (precision > digits.size())
            digits = QString(precision - digits.size(), QLatin1Char('0')) + digits;
        if (type == QLatin1Char('d') && value < 0)
            digits = QLatin1Char('-') + digits;
        if (width > digits.size()) {
            const QString pad(width - digits.size(), QLatin1Char(' '));
            digits = left ? digits + pad : pad + digits;
        }
        out += digits;
    }
    return out;
}

} // namespace vellum
