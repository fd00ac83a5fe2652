#include "browser/FileAge.h"

#include <sys/stat.h>

#include <QFile>

namespace vellum {

std::int32_t DosDateTime(std::time_t time)
{
    std::tm local{};
    if (!localtime_r(&time, &local))
        return -1;
    const int year = local.tm_year + 1900;
    if (year < 1980 || year > 2107)
        return -1;
    const std::uint32_t packed = (std::uint32_t(year - 1980) << 25) | (std::uint32_t(local.tm_mon + 1) << 21)
        | (std::uint32_t(local.tm_mday) << 16) | (std::uint32_t(local.tm_hour) << 11)
        | (std::uint32_t(local.tm_min) << 5) | std::uint32_t(std::min(local.tm_sec, 59) / 2);
    return static_cast<std::int32_t>(packed);
}

std::int32_t FileAge(const QString& path)
{
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return -1;
    return DosDateTime(status.st_mtime);
}

QDateTime DosDateTimeToDateTime(std::int32_t value)
{
    const auto packed = static_cast<std::uint32_t>(value);
    const QDate date(int(packed >> 25) + 1980, int((packed >> 21) & 15), int((packed >> 16) & 31));
    const int hour = int((packed >> 11) & 31);
    const int minute = int((packed >> 5) & 63);
    const int second = int(packed & 31) * 2;
    if (!date.isValid() || !QTime::isValid(hour, minute, second))
        return QDateTime();
    return QDateTime(date, QTime(hour, minute, second));
}

} // namespace vellum
