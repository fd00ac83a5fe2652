#include "browser/Trash.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace vellum {

namespace {

QByteArray encoded(const QString& path)
{
    return QFile::encodeName(path);
}

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

std::optional<struct stat> linkStatus(const QString& path)
{
    struct stat status {};
    if (::lstat(encoded(path).constData(), &status) != 0)
        return std::nullopt;
    return status;
}

std::optional<struct stat> status(const QString& path)
{
    struct stat result {};
    if (::stat(encoded(path).constData(), &result) != 0)
        return std::nullopt;
    return result;
}

QString parentOf(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash <= 0 ? QStringLiteral("/") : path.left(slash);
}

// Makes path and every missing folder above it, private to the user; errno tells a failure.
bool makeFolders(const QString& path)
{
    if (const std::optional<struct stat> found = status(path)) {
        if (S_ISDIR(found->st_mode))
            return true;
        errno = ENOTDIR;
        return false;
    }
    if (errno != ENOENT)
        return false;
    if (path != QLatin1String("/") && !makeFolders(parentOf(path)))
        return false;
    if (::mkdir(encoded(path).constData(), 0700) != 0 && errno != EEXIST)
        return false;
    const std::optional<struct stat> made = status(path);
    if (!made)
        return false;
    if (!S_ISDIR(made->st_mode)) {
        errno = ENOTDIR;
        return false;
    }
    return true;
}

// The nearest folder at or above path that exists.
QString nearestExisting(QString path)
{
    while (path != QLatin1String("/") && !status(path))
        path = parentOf(path);
    return path;
}

// The top folder of the file system holding folder (a canonical path).
QString volumeTop(const QString& folder, dev_t device)
{
    QString top = folder;
    while (top != QLatin1String("/")) {
        const QString parent = parentOf(top);
        const std::optional<struct stat> found = status(parent);
        if (!found || found->st_dev != device)
            break;
        top = parent;
    }
    return top;
}

QString joined(const QString& folder, const QString& name)
{
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

// A trash folder (holding files/ and info/) ready for use, or the reason there is none.
struct TTrashPlace {
    QString Folder;
    // Set for a volume's trash: paths in its records are relative to it.
    QString Top;
    QString Reason;
};

bool prepare(TTrashPlace& place)
{
    for (const char* part : {"files", "info"})
        if (!makeFolders(joined(place.Folder, QLatin1String(part)))) {
            place.Reason = QStringLiteral("the trash folder %1 cannot be made: %2").arg(place.Folder, systemReason(errno));
            return false;
        }
    return true;
}

// The trash of the volume whose top is top. An administrator's ".Trash" counts only when it
// is a real folder with the sticky bit, so that no other user can have put a link there.
TTrashPlace volumeTrash(const QString& top)
{
    const QString uid = QString::number(::getuid());
    TTrashPlace shared{joined(joined(top, QStringLiteral(".Trash")), uid), top, QString()};
    if (const std::optional<struct stat> admin = linkStatus(joined(top, QStringLiteral(".Trash")));
        admin && S_ISDIR(admin->st_mode) && (admin->st_mode & S_ISVTX) != 0) {
        const std::optional<struct stat> own = linkStatus(shared.Folder);
        if ((!own || (S_ISDIR(own->st_mode) && own->st_uid == ::getuid())) && prepare(shared))
            return shared;
    }
    TTrashPlace personal{joined(top, QStringLiteral(".Trash-") + uid), top, QString()};
    if (const std::optional<struct stat> own = linkStatus(personal.Folder)) {
        if (!S_ISDIR(own->st_mode) || own->st_uid != ::getuid()) {
            personal.Reason = QStringLiteral("the trash folder %1 is not the user's own").arg(personal.Folder);
            return personal;
        }
    } else if (::mkdir(encoded(personal.Folder).constData(), 0700) != 0 && errno != EEXIST) {
        personal.Reason = QStringLiteral("the trash folder %1 cannot be made: %2").arg(personal.Folder, systemReason(errno));
        return personal;
    }
    prepare(personal);
    return personal;
}

// "photo.jpg" numbered 2 is "photo.2.jpg"; a name starting with its only dot has no extension.
QString numberedName(const QString& name, int number)
{
    if (number == 1)
        return name;
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0)
        return name + QLatin1Char('.') + QString::number(number);
    return name.left(dot) + QLatin1Char('.') + QString::number(number) + name.mid(dot);
}

bool writeAll(int descriptor, const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t count = ::write(descriptor, bytes.constData() + done, std::size_t(bytes.size() - done));
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return false;
        done += count;
    }
    return true;
}

// Files source under a name unique in place, its record first so that the name is claimed.
TTrashResult moveInto(const TTrashPlace& place, const QString& source, const struct stat& before)
{
    TTrashResult result;
    const QString name = QFileInfo(source).fileName();
    QString recorded = source;
    if (!place.Top.isEmpty() && source.startsWith(joined(place.Top, QString())))
        recorded = source.mid(joined(place.Top, QString()).size());
    const QByteArray record = "[Trash Info]\nPath=" + encoded(recorded).toPercentEncoding("/") + "\nDeletionDate="
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")).toLatin1() + '\n';
    constexpr int attempts = 10000;
    for (int number = 1; number <= attempts; ++number) {
        const QString candidate = numberedName(name, number);
        const QByteArray info = encoded(joined(joined(place.Folder, QStringLiteral("info")), candidate + QStringLiteral(".trashinfo")));
        const int descriptor = ::open(info.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (descriptor < 0) {
            if (errno == EEXIST)
                continue;
            result.Reason = systemReason(errno);
            return result;
        }
        const bool written = writeAll(descriptor, record);
        const int writeError = errno;
        if (::close(descriptor) != 0 || !written) {
            ::unlink(info.constData());
            result.Reason = systemReason(written ? errno : writeError);
            return result;
        }
        const QString target = joined(joined(place.Folder, QStringLiteral("files")), candidate);
        int moved = ::renameat2(AT_FDCWD, encoded(source).constData(), AT_FDCWD, encoded(target).constData(), RENAME_NOREPLACE);
        if (moved != 0 && (errno == EINVAL || errno == ENOSYS)) {
            // A file system without the no-replace rename.
            if (linkStatus(target))
                errno = EEXIST;
            else
                moved = ::rename(encoded(source).constData(), encoded(target).constData());
        }
        if (moved != 0) {
            const int error = errno;
            ::unlink(info.constData());
            if (error == EEXIST || error == ENOTEMPTY)
                continue;
            result.Reason = systemReason(error);
            return result;
        }
        // Done only when the trash holds this very file and its old place is free.
        const std::optional<struct stat> after = linkStatus(target);
        if (!after || after->st_dev != before.st_dev || after->st_ino != before.st_ino || linkStatus(source)) {
            result.Reason = QStringLiteral("it is not where the trash keeps it (%1)").arg(target);
            return result;
        }
        result.Done = true;
        result.TrashedPath = target;
        return result;
    }
    result.Reason = QStringLiteral("the trash %1 has no free name for it").arg(place.Folder);
    return result;
}

} // namespace

QString HomeTrashFolder()
{
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    // The rules ignore a relative setting.
    if (data.isEmpty() || !QDir::isAbsolutePath(data))
        data = QDir::homePath() + QStringLiteral("/.local/share");
    return QDir::cleanPath(data) + QStringLiteral("/Trash");
}

TTrashResult MoveToTrash(const QString& path)
{
    TTrashResult result;
    const QFileInfo info(path);
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    const QString name = info.fileName();
    if (folder.isEmpty() || name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")) {
        result.Reason = systemReason(ENOENT);
        return result;
    }
    const QString source = joined(folder, name);
    const std::optional<struct stat> before = linkStatus(source);
    if (!before) {
        result.Reason = systemReason(errno);
        return result;
    }

    TTrashPlace home{HomeTrashFolder(), QString(), QString()};
    if (prepare(home)) {
        const std::optional<struct stat> trash = status(joined(home.Folder, QStringLiteral("files")));
        if (trash && trash->st_dev == before->st_dev)
            return moveInto(home, source, *before);
    } else if (const std::optional<struct stat> above = status(nearestExisting(home.Folder));
               !above || above->st_dev == before->st_dev) {
        // The home trash is this file's trash, and it cannot be made.
        result.Reason = home.Reason;
        return result;
    }
    const TTrashPlace volume = volumeTrash(volumeTop(folder, before->st_dev));
    if (!volume.Reason.isEmpty()) {
        result.Reason = volume.Reason;
        return result;
    }
    return moveInto(volume, source, *before);
}

} // namespace vellum
