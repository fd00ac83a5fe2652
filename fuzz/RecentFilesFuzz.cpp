// The recent-files file as any program or damage may leave it: read every record and thumbnail,
// then write what was read back out.
#include <cstdint>

#include <QBuffer>
#include <QByteArray>

#include "browser/PicPopupThumbnailFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace vellum;
    QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer input(&bytes);
    input.open(QIODevice::ReadOnly);
    const std::vector<TRecentFileRecord> records = TPicPopupThumbnailFile::Read(input, QStringLiteral("Vellum RFP"));
    std::vector<const TRecentFileRecord*> pointers;
    for (const TRecentFileRecord& record : records)
        pointers.push_back(&record);
    QByteArray written;
    QBuffer output(&written);
    output.open(QIODevice::WriteOnly);
    TPicPopupThumbnailFile::Write(output, QStringLiteral("Vellum RFP"), pointers);
    return 0;
}
