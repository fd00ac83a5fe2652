#include "PictureTestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace vellum::test {

QString TempPath(const QString& name)
{
    static QTemporaryDir dir;
    return dir.filePath(name);
}

void WriteFile(const QString& path, const QByteArray& data)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(data);
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace vellum::test
