// The settings file: parse arbitrary bytes and read every kind of value from a few keys.
#include <cstdint>

#include <QByteArray>
#include <QDomDocument>

#include "app/XMLRegFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QDomDocument doc;
    if (!vellum::TXMLRegistryFile::ParseSettings(bytes, doc))
        return 0;
    QDomElement element = doc.documentElement();
    for (int depth = 0; !element.isNull() && depth < 8; ++depth) {
        (void)element.text();
        element = element.firstChildElement();
    }
    return 0;
}
