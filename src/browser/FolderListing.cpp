#include "browser/FolderListing.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCollator>
#include <QFile>

#include "browser/FileAge.h"

namespace vellum {

bool MatchesExtension(const QByteArray& name, const QStringList& extensions)
{
    const qsizetype dot = name.lastIndexOf('.');
    if (dot < 0)
        return false;
    const QString extension = QFile::decodeName(name.mid(dot + 1));
    for (const QString& e : extensions)
        if (extension.compare(e, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

struct TNameOrder::Data {
    QCollator Collator;
};

TNameOrder::TNameOrder() : m_data(std::make_unique<Data>())
{
    m_data->Collator.setCaseSensitivity(Qt::CaseInsensitive);
}

TNameOrder::~TNameOrder() = default;

int TNameOrder::Compare(const QByteArray& a, const QByteArray& b) const
{
    const int text = m_data->Collator.compare(QFile::decodeName(a), QFile::decodeName(b));
    if (text != 0)
        return text < 0 ? -1 : 1;
    const int bytes = a.compare(b);
    return bytes < 0 ? -1 : (bytes > 0 ? 1 : 0);
}

TFolderListing ListFolder(const QString& directory, const QStringList& extensions)
{
    TFolderListing listing;
    const int dirFd = ::open(QFile::encodeName(directory).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0)
        return listing;
    DIR* dir = ::fdopendir(dirFd);
    if (!dir) {
        ::close(dirFd);
        return listing;
    }
    listing.Readable = true;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (!MatchesExtension(name, extensions) || name == "." || name == "..")
            continue;
        struct stat status {};
        // Links are followed; FIFOs, sockets, devices and folders are no pictures.
        if (::fstatat(dirFd, entry->d_name, &status, 0) != 0 || !S_ISREG(status.st_mode))
            continue;
        listing.FileDates.emplace(name, DosDateTime(status.st_mtime));
        listing.Names.push_back(name);
    }
    ::closedir(dir);
    return listing;
}

bool RegularFileDate(const QString& directory, const QByteArray& name, std::int32_t& fileDate)
{
    struct stat status {};
    const QByteArray path = QFile::encodeName(directory) + name;
    if (::stat(path.constData(), &status) != 0 || !S_ISREG(status.st_mode))
        return false;
    fileDate = DosDateTime(status.st_mtime);
    return true;
}

} // namespace vellum
