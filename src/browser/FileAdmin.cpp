#include "browser/FileAdmin.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProgressDialog>
#include <QSaveFile>

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

// A name that stays inside its folder.
bool plainName(const QString& name)
{
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && name != QLatin1String(".")
        && name != QLatin1String("..") && !name.contains(QChar(0));
}

enum class TCopyResult { Done, Cancelled, Failed };

// The content of source into target through a temporary file beside target, renamed over it
// only when complete: a failed or cancelled copy leaves target as it was and no partial file.
// A progress window without file names shows when the copy takes longer than 500 ms.
TCopyResult copyContents(const QString& source, const QString& target, QString& reason)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        reason = in.errorString();
        return TCopyResult::Failed;
    }
    struct stat sourceStatus {};
    const bool haveStatus = ::fstat(in.handle(), &sourceStatus) == 0;
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly)) {
        reason = out.errorString();
        return TCopyResult::Failed;
    }
    const qint64 total = std::max<qint64>(in.size(), 1);
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    QElapsedTimer clock;
    clock.start();
    std::unique_ptr<QProgressDialog> progress;
    qint64 done = 0;
    for (;;) {
        const qint64 count = in.read(buffer.data(), buffer.size());
        if (count < 0) {
            reason = in.errorString();
            out.cancelWriting();
            return TCopyResult::Failed;
        }
        if (count == 0)
            break;
        if (out.write(buffer.constData(), count) != count) {
            reason = out.errorString();
            out.cancelWriting();
            return TCopyResult::Failed;
        }
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
                out.cancelWriting();
                return TCopyResult::Cancelled;
            }
        }
    }
    if (!out.commit()) {
        reason = out.errorString();
        return TCopyResult::Failed;
    }
    if (haveStatus) {
        // The copy keeps the file's time, as the browser's database compares it.
        const timespec times[2] = {sourceStatus.st_atim, sourceStatus.st_mtim};
        ::utimensat(AT_FDCWD, encoded(target).constData(), times, 0);
    }
    return TCopyResult::Done;
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
    if (!pathExists(target))
        return true;
    // Replacing a file by itself would delete the only copy.
    if (IsSameFile(source, target)) {
        prompts().Error(QString::fromLatin1(pattern).arg(name, QStringLiteral("it is the same file")) + QLatin1Char('.'));
        return false;
    }
    return !confirm || prompts().Ask(QStringLiteral("%1 already exists in %2. Replace it?").arg(name, toFolder));
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

bool ShellMove(const QString& name, const QString& fromFolder, const QString& toFolder, bool confirm)
{
    constexpr char pattern[] = "Could not move %1: %2";
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
            reportFailure(pattern, name, systemReason(errno));
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
        QFile file(path);
        if (!pathExists(path)) {
            reportFailure("Could not move %1 to the trash: %2", name, systemReason(ENOENT));
            return false;
        }
        // The trash either takes the file or leaves it where it is: never deleted outright.
        if (!file.moveToTrash()) {
            reportFailure("Could not move %1 to the trash: %2", name, file.errorString());
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
