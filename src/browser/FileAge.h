#pragma once

// File times in the packed DOS date-time form the database stores: year - 1980 in bits 25-31,
// month in 21-24, day in 16-20, hour in 11-15, minute in 5-10 and seconds / 2 in 0-4, all in
// local time. The form has 2-second steps, so two times within one step are equal.
#include <cstdint>
#include <ctime>

#include <QDateTime>
#include <QString>

namespace vellum {

// The packed form of a time, or -1 when its local year lies outside 1980 to 2107.
[[nodiscard]] std::int32_t DosDateTime(std::time_t time);
// The packed modification time of the file (links followed), or -1 when the file cannot be
// reached or its time has no packed form.
[[nodiscard]] std::int32_t FileAge(const QString& path);
// The local date-time of a packed value; invalid when the value names no real date and time.
[[nodiscard]] QDateTime DosDateTimeToDateTime(std::int32_t value);

} // namespace vellum
