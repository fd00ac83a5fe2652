#pragma once

// One pass over a folder: the regular files (links followed) whose names match the picture
// extensions, each with its packed modification time.
#include <cstdint>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace vellum {

// Whether the text after the last '.' of name equals one of extensions, ignoring case.
[[nodiscard]] bool MatchesExtension(const QByteArray& name, const QStringList& extensions);

// The order of names in the browser: as text ignoring case (the locale's collation), then by
// their bytes, so that no two different names are equal.
class TNameOrder {
public:
    TNameOrder();
    ~TNameOrder();
    [[nodiscard]] int Compare(const QByteArray& a, const QByteArray& b) const;
    bool operator()(const QByteArray& a, const QByteArray& b) const { return Compare(a, b) < 0; }

private:
    struct Data;
    std::unique_ptr<Data> m_data;
};

struct TFolderListing {
    bool Readable = false;
    // Matching names in the order the folder lists them.
    std::vector<QByteArray> Names;
    // The packed time of each matching name.
    std::unordered_map<QByteArray, std::int32_t> FileDates;
};

[[nodiscard]] TFolderListing ListFolder(const QString& directory, const QStringList& extensions);

// The packed time of the regular file name in directory, or no value when there is none.
[[nodiscard]] bool RegularFileDate(const QString& directory, const QByteArray& name, std::int32_t& fileDate);

} // namespace vellum
