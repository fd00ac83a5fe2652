#include "app/StartUp.h"

#include <QFileInfo>

namespace vellum {

TAppParams::TAppParams(const QStringList& arguments)
{
    for (const QString& argument : arguments)
        parseArgument(argument);
}

void TAppParams::parseArgument(const QString& argument)
{
    if (argument.compare(QLatin1String("-NoSplash"), Qt::CaseInsensitive) == 0) {
        Include(apNoSplash);
        return;
    }
    if (argument.compare(QLatin1String("-Debug"), Qt::CaseInsensitive) == 0) {
        Include(apDebug);
        return;
    }
    if (argument.isEmpty())
        return;
    const QFileInfo info(argument);
    if (info.isFile() && IsPictureFile(argument)) {
        Include(apOpenFiles);
        AddFile(argument);
        return;
    }
    if (!Has(apBrowseDir) && info.isDir()) {
        Include(apBrowseDir);
        m_directory = argument;
    }
}

void TAppParams::AddFile(const QString& name)
{
    if (!m_files.contains(name))
        m_files.append(name);
}

QString TAppParams::Files(int i) const
{
    return i >= 0 && i < m_files.size() ? m_files.at(i) : QString();
}

const QStringList& PictureExtensions()
{
    static const QStringList extensions{QStringLiteral(".bmp"), QStringLiteral(".jpeg"),
                                        QStringLiteral(".jpg"), QStringLiteral(".gif")};
    return extensions;
}

bool IsPictureFile(const QString& name)
{
    if (name.isEmpty() || !QFileInfo::exists(name))
        return false;
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return false;
    return PictureExtensions().contains(name.mid(dot), Qt::CaseInsensitive);
}

TAppParams& AppParams()
{
    static TAppParams instance;
    return instance;
}

} // namespace vellum
