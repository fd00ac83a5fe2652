#pragma once

#include <cstdint>

#include <QByteArray>
#include <QString>

namespace vellum {

// One picture of the browsed folder. Name holds the file system's bytes (shown as UTF-8).
// Caption, CaptionX, ThumbX and ThumbY are never stored: the database lays them out before it
// hands a record out (LaidOut tells whether they are current).
struct TFileRecord {
    QByteArray Name;
    std::int32_t Width = 0;         // of the picture, not of the thumbnail
    std::int32_t Height = 0;
    std::int32_t FileDate = 0;      // packed DOS date-time (FileAge.h)
    std::int32_t ThumbOffset = 0;   // into the thumbnail data
    std::int32_t ThumbSize = 0;
    QString Caption;
    std::int32_t CaptionX = 0;
    std::int32_t ThumbX = 0;
    std::int32_t ThumbY = 0;
    bool LaidOut = false;
};

} // namespace vellum
