// The private clipboard stream as another process may hand it over: walk it, decode every
// item, and run the operations that rewrite it.
#include <cstdint>

#include <QByteArray>
#include <QtEndian>

#include "clipboard/VLClipbrd.h"
#include "raster/XBitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace vellum;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    TVLClipboardStream walked(bytes);
    walked.seek(TVLClipboardStream::FirstItemOffset);
    TXBitmap picture;
    std::int32_t id = 0;
    std::int32_t tag = 0;
    std::int32_t lastId = -1;
    while (walked.ReadNextItem(id, picture, tag))
        lastId = id;

    try {
        TVLClipboardStream first(bytes);
        first.GetFirstItem(picture, tag);
    } catch (const VellumException&) {
    }

    // Each rewriting operation on a fresh copy; decoding failures may raise, nothing else may.
    const std::int32_t someId = bytes.size() >= 8 ? qFromLittleEndian<std::int32_t>(bytes.constData() + 4) : 0;
    for (const std::int32_t target : {lastId, someId}) {
        try {
            TVLClipboardStream promote(bytes);
            promote.PromoteItem(target, &picture, tag);
        } catch (const VellumException&) {
        }
        try {
            TVLClipboardStream remove(bytes);
            remove.DeleteItem(target, &picture, tag);
        } catch (const VellumException&) {
        }
    }
    TVLClipboardStream truncated(bytes);
    truncated.TruncateItems(3);
    return 0;
}
