#include "browser/FileAdmin.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProgressDialog>

#include "browser/Trash.h"

namespace vellum {

namespace {

QWidget* owner()
{
    return QApplication::activeWindow();
}

TFileAdminPrompts defaultPrompts()
{
    TFileAdminPrompts prompts;
    prompts.Ask = [](const QString& question) {
        return QMessageBox::question(owner(), QLatin1String(kFileAdminTitle), question,
                                     QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
            == QMessageBox::Yes;
    };
    prompts.Error = [](const QString& message) {
        QMessageBox::critical(owner(), QLatin1String(kFileAdminTitle), message, QMessageBox::Ok);
    };
    prompts.ChooseFolder = [](const QString& title, QString& folder) {
        const QString start = QFileInfo(folder).isDir() ? folder : QString();
        const QString chosen = QFileDialog::getExistingDirectory(owner(), title, start, QFileDialog::ShowDirsOnly);
        if (chosen.isEmpty())
            return false;
        folder = chosen;
        return true;
    };
    return prompts;
}

TFileAdminPrompts& prompts()
{
    static TFileAdminPrompts current = defaultPrompts();
    return current;
}

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

void reportFailure(const char* pattern, const QString& name, const QString& reason)
{
    prompts().Error(QString::fromLatin1(pattern).arg(name, reason));
}

QByteArray encoded(const QString& path)
{
    return QFile::encodeName(path);
}

bool pathExists(const QString& path)
{
    struct stat status {};
    return ::lstat(encoded(path).constData(), &status) == 0;
}

// What the link at path holds, as written.
QByteArray linkTarget(const QString& path)
{
    QByteArray text(4096, Qt::Uninitialized);
    const ssize_t length = ::readlink(encoded(path).constData(), text.data(), std::size_t(text.size()));
    return length < 0 ? QByteArray() : text.left(length);
}

// A name that stays inside its folder.
bool plainName(const QString& name)
{
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && name != QLatin1String(".")
        && name != QLatin1String("..") && !name.contains(QChar(0));
}

enum class TCopyResult { Done, Cancelled, Failed };

bool writeAll(int descriptor, const char* data, qint64 size)
{
    while (size > 0) {
        const ssize_t count = ::write(descriptor, data, std::size_t(size));
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0) {
            if (count == 0)
                errno = EIO;
            return false;
        }
        data += count;
        size -= count;
    }
    return true;
}

// The content of source into target through a hidden temporary file beside target, renamed
// over it only when complete: a failed or cancelled copy leaves target as it was and no
// partial file. Renaming replaces whatever target is, a link included, and never writes
// through a link. The copy gets the source's permission bits and times. A progress window
// without file names shows when the copy takes longer than 500 ms.
TCopyResult copyContents(const QString& source, const QString& target, QString& reason)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        reason = in.errorString();
        return TCopyResult::Failed;
    }
    struct stat sourceStatus {};
    if (::fstat(in.handle(), &sourceStatus) != 0) {
        reason = systemReason(errno);
        return TCopyResult::Failed;
    }
    const qsizetype slash = target.lastIndexOf(QLatin1Char('/'));
    QByteArray temporary = encoded(target.left(slash + 1) + QStringLiteral(".vellum-copy-XXXXXX"));
    int descriptor = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (descriptor < 0) {
        reason = systemReason(errno);
        return TCopyResult::Failed;
    }
    auto fail = [&](int error) {
        if (descriptor >= 0)
            ::close(descriptor);
        ::unlink(temporary.constData());
        reason = systemReason(error);
        return TCopyResult::Failed;
    };

    const qint64 total = std::max<qint64>(in.size(), 1);
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    QElapsedTimer clock;
    clock.start();
    std::unique_ptr<QProgressDialog> progress;
    qint64 done = 0;
    for (;;) {
        const qint64 count = in.read(buffer.data(), buffer.size());
        if (count < 0) {
            const QString readError = in.errorString();
            fail(EIO);
            reason = readError;
            return TCopyResult::Failed;
        }
        if (count == 0)
            break;
        if (!writeAll(descriptor, buffer.constData(), count))
            return fail(errno);
        done += count;
        if (!progress && clock.elapsed() > 500 && qobject_cast<QApplication*>(QCoreApplication::instance())) {
            progress = std::make_unique<QProgressDialog>(QString(), QStringLiteral("Cancel"), 0, 1000, owner());
            progress->setWindowTitle(QLatin1String(kFileAdminTitle));
            progress->setWindowModality(Qt::ApplicationModal);
            progress->setMinimumDuration(0);
        }
        if (progress) {
            progress->setValue(int(done * 1000 / total));
            if (progress->wasCanceled()) {
                fail(ECANCELED);
                return TCopyResult::Cancelled;
            }
        }
    }
    // A private picture stays private; the browser's database compares the file's time.
    const timespec times[2] = {sourceStatus.st_atim, sourceStatus.st_mtim};
    if (::fchmod(descriptor, sourceStatus.st_mode & 0777) != 0 || ::futimens(descriptor, times) != 0
        || ::fsync(descriptor) != 0)
        return fail(errno);
    const int closed = ::close(descriptor);
    descriptor = -1;
    if (closed != 0)
        return fail(errno);
    if (::rename(temporary.constData(), encoded(target).constData()) != 0)
        return fail(errno);
    return TCopyResult::Done;
}

std::optional<struct stat> linkStatus(const QString& path)
{
    struct stat status {};
    if (::lstat(encoded(path).constData(), &status) != 0)
        return std::nullopt;
    return status;
}

// The checks copying and moving share; false when reported.
bool checkTransfer(const char* pattern, const QString& name, const QString& source, const QString& target,
                   bool confirm, const QString& toFolder)
{
    if (!plainName(name)) {
        reportFailure(pattern, name, QStringLiteral("the name is not a plain file name"));
        return false;
    }
    struct stat status {};
    if (::stat(encoded(source).constData(), &status) != 0) {
        reportFailure(pattern, name, systemReason(errno));
        return false;
    }
    if (!S_ISREG(status.st_mode)) {
        reportFailure(pattern, name, QStringLiteral("it is not a regular file"));
        return false;
    }
    const std::optional<struct stat> existing = linkStatus(target);
    if (!existing)
        return true;
    // Replacing a file by itself would delete the only copy. A link at the target is replaced
    // itself, so it may lead to the source.
    const std::optional<struct stat> sourceEntry = linkStatus(source);
    const bool sameEntry = sourceEntry && sourceEntry->st_dev == existing->st_dev && sourceEntry->st_ino == existing->st_ino;
    if (sameEntry || (!S_ISLNK(existing->st_mode) && IsSameFile(source, target))) {
        prompts().Error(QString::fromLatin1(pattern).arg(name, QStringLiteral("it is the same file")) + QLatin1Char('.'));
        return false;
    }
    if (!confirm)
        return true;
    if (S_ISLNK(existing->st_mode))
        return prompts().Ask(QStringLiteral("%1 already exists in %2 as a link to %3. Replace the link?")
                                 .arg(name, toFolder, QFile::decodeName(linkTarget(target))));
    return prompts().Ask(QStringLiteral("%1 already exists in %2. Replace it?").arg(name, toFolder));
}

} // namespace

const TFileAdminPrompts& FileAdminPrompts()
{
    return prompts();
}

void SetFileAdminPrompts(const TFileAdminPrompts& replacement)
{
    if (replacement.Ask)
        prompts().Ask = replacement.Ask;
    if (replacement.Error)
        prompts().Error = replacement.Error;
    if (replacement.ChooseFolder)
        prompts().ChooseFolder = replacement.ChooseFolder;
}

void ResetFileAdminPrompts()
{
    prompts() = defaultPrompts();
}

bool IsSameFile(const QString& a, const QString& b)
{
    struct stat first {};
    struct stat second {};
    return ::stat(encoded(a).constData(), &first) == 0 && ::stat(encoded(b).constData(), &second) == 0
        && first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

bool ShellCopy(const QString& name, const QString& fromFolder, const QString& toFolder, bool confirm)
{
    constexpr char pattern[] = "Could not copy %1: %2";
    try {
        const QString source = fromFolder + name;
        const QString target = toFolder + name;
        if (!checkTransfer(pattern, name, source, target, confirm, toFolder))
            return false;
        QString reason;
        const TCopyResult result = copyContents(source, target, reason);
        if (result == TCopyResult::Failed)
            reportFailure(pattern, name, reason);
        return result == TCopyResult::Done;
    } catch (...) {
        return false;
    }
}

bool ShellMove(const QString& name, const QString& fromFolder, const QString& toFolder, bool confirm, bool* copied)
{
    constexpr char pattern[] = "Could not move %1: %2";
    if (copied != nullptr)
        *copied = false;
    try {
        const QString source = fromFolder + name;
        const QString target = toFolder + name;
        if (!checkTransfer(pattern, name, source, target, confirm, toFolder))
            return false;
        if (::rename(encoded(source).constData(), encoded(target).constData()) == 0)
            return true;
        if (errno != EXDEV) {
            reportFailure(pattern, name, systemReason(errno));
            return false;
        }
        // Another file system: the source goes only once the target is complete.
        QString reason;
        const TCopyResult result = copyContents(source, target, reason);
        if (result == TCopyResult::Failed)
            reportFailure(pattern, name, reason);
        if (result != TCopyResult::Done)
            return false;
        if (::unlink(encoded(source).constData()) != 0) {
            const int error = errno;
            if (copied != nullptr)
                *copied = true;
            prompts().Error(QStringLiteral("Could not move %1: it was copied to %2, but the original in %3 cannot be removed: %4")
                                .arg(name, toFolder, fromFolder, systemReason(error)));
            return false;
        }
        return true;
    } catch (...) {
        return false;
    }
}

bool ShellRename(const QString& oldName, const QString& newName, const QString& folder, bool /*confirm*/)
{
    constexpr char pattern[] = "Could not rename %1: %2";
    try {
        if (!plainName(oldName) || !plainName(newName)) {
            reportFailure(pattern, oldName, QStringLiteral("A file name cannot contain '/'."));
            return false;
        }
        const QByteArray source = encoded(folder + oldName);
        const QByteArray target = encoded(folder + newName);
        // A file system that ignores letter case finds the new name taken by the file itself
        // (no entry of that exact name is listed); the plain rename then changes the case.
        if (oldName != newName && oldName.compare(newName, Qt::CaseInsensitive) == 0
            && IsSameFile(folder + oldName, folder + newName)
            && !QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System).contains(newName)) {
            if (::rename(source.constData(), target.constData()) != 0) {
                reportFailure(pattern, oldName, systemReason(errno));
                return false;
            }
            return true;
        }
        // Never over an existing file: the rename fails and that file keeps its name.
        if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
            return true;
        if (errno != EINVAL && errno != ENOSYS) {
            reportFailure(pattern, oldName, systemReason(errno));
            return false;
        }
        // A file system without the no-replace rename.
        if (pathExists(folder + newName)) {
            reportFailure(pattern, oldName, systemReason(EEXIST));
            return false;
        }
        if (::rename(source.constData(), target.constData()) != 0) {
            reportFailure(pattern, oldName, systemReason(errno));
            return false;
        }
        return true;
    } catch (...) {
        return false;
    }
}

bool ShellDelete(const QString& path, bool confirm)
{
    try {
        const QString name = QFileInfo(path).fileName();
        if (confirm && !prompts().Ask(QStringLiteral("Move %1 to the trash?").arg(name)))
            return false;
        if (!pathExists(path)) {
            reportFailure("Could not move %1 to the trash: %2", name, systemReason(ENOENT));
            return false;
        }
        // The trash either takes the file or leaves it where it is: never deleted outright.
        const TTrashResult trashed = MoveToTrash(path);
        if (!trashed.Done) {
            reportFailure("Could not move %1 to the trash: %2", name, trashed.Reason);
            return false;
        }
        return true;
    } catch (...) {
        return false;
    }
}

bool SelectFolder(const QString& title, QString& folder)
{
    return prompts().ChooseFolder(title, folder);
}

} // namespace vellum
