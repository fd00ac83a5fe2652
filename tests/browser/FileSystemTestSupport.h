#pragma once

// File-system facts and tricks for the tests of file operations on real folders.
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace vellum::test {

inline dev_t DeviceOf(const QString& path)
{
    struct stat status {};
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_dev : dev_t(-1);
}

// The mode of path itself (a link is not followed), or 0.
inline mode_t ModeOf(const QString& path)
{
    struct stat status {};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_mode : 0;
}

// A temporary folder under /dev/shm when that is a file system apart from near's; else none.
inline std::unique_ptr<QTemporaryDir> FolderOnAnotherFileSystem(const QString& near)
{
    const QString shm = QStringLiteral("/dev/shm");
    if (!QFileInfo(shm).isDir() || DeviceOf(shm) == DeviceOf(near))
        return nullptr;
    auto folder = std::make_unique<QTemporaryDir>(shm + QStringLiteral("/vellum-files-XXXXXX"));
    if (!folder->isValid())
        return nullptr;
    return folder;
}

// Sets or clears the flag that keeps even the administrator from removing a file.
inline bool SetImmutable(const QString& path, bool on)
{
    const int descriptor = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0)
        return false;
    int flags = 0;
    bool done = ::ioctl(descriptor, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
        flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        done = ::ioctl(descriptor, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(descriptor);
    return done;
}

// Makes the file in folder (ending in '/') impossible to remove while it lives: the folder is
// made read-only, and where that does not hold (the administrator) the file gets its flag.
// Valid() is false when neither works here.
class TUnremovableFile {
public:
    TUnremovableFile(const QString& folder, const QString& name) : m_folder(folder), m_file(folder + name)
    {
        ::chmod(QFile::encodeName(m_folder).constData(), 0555);
        if (::access(QFile::encodeName(m_folder).constData(), W_OK) == 0) {
            m_immutable = SetImmutable(m_file, true);
            m_valid = m_immutable;
        } else {
            m_valid = true;
        }
    }
    ~TUnremovableFile()
    {
        if (m_immutable)
            SetImmutable(m_file, false);
        ::chmod(QFile::encodeName(m_folder).constData(), 0755);
    }
    TUnremovableFile(const TUnremovableFile&) = delete;
    TUnremovableFile& operator=(const TUnremovableFile&) = delete;
    [[nodiscard]] bool Valid() const { return m_valid; }

private:
    QString m_folder;
    QString m_file;
    bool m_immutable = false;
    bool m_valid = false;
};

} // namespace vellum::test
