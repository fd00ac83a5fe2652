#include "app/AboutDlg.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QLocale>
#include <QPixmap>
#include <QPushButton>
#include <QRegularExpression>
#include <QSysInfo>
#include <QVBoxLayout>

#include "app/VLGlobal.h"

namespace vellum {

TSystemInfo ReadSystemInfo(const QString& meminfoPath)
{
    TSystemInfo info;
    QFile meminfo(meminfoPath);
    if (!meminfo.open(QIODevice::ReadOnly))
        return info;
    const QString text = QString::fromLatin1(meminfo.read(64 * 1024));
    const QRegularExpressionMatch total = QRegularExpression(QStringLiteral("^MemTotal:\\s+(\\d+)\\s+kB"),
                                                             QRegularExpression::MultilineOption)
                                              .match(text);
    if (!total.hasMatch())
        return info;
    bool ok = false;
    const qulonglong kilobytes = total.captured(1).toULongLong(&ok);
    if (!ok)
        return info;
    info.OsName = QSysInfo::prettyProductName();
    info.Build = QStringLiteral("Build ") + QSysInfo::kernelVersion();
    info.TotalMemory = QStringLiteral("Total Memory: ") + QLocale(QLocale::English).toString(kilobytes) +
                       QStringLiteral(" KB");
    return info;
}

TAboutBox::TAboutBox(QWidget* parent, const TSystemInfo& info)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About Vellum"));
    auto* layout = new QVBoxLayout(this);
    auto* picture = new QLabel(this);
    picture->setPixmap(QPixmap(QStringLiteral(":/images/vellum-64.png")));
    picture->setAlignment(Qt::AlignHCenter);
    layout->addWidget(picture);
    for (const QString& line : {QString::fromLatin1(ProductName), QString::fromLatin1(VersionText), info.OsName,
                                info.Build, info.TotalMemory}) {
        auto* label = new QLabel(line, this);
        label->setAlignment(Qt::AlignHCenter);
        layout->addWidget(label);
    }
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("&OK"), QDialogButtonBox::AcceptRole);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}

} // namespace vellum
