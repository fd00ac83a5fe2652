#pragma once

#include <QString>
#include <QStringList>

namespace vellum {

// What the command line asked for. Parsed once at start-up; the first show of the main window
// consumes apOpenFiles and apBrowseDir.
class TAppParams {
public:
    enum TAppFlag : unsigned { apDebug = 1u << 0, apNoSplash = 1u << 1, apOpenFiles = 1u << 2, apBrowseDir = 1u << 3 };

    TAppParams() = default;
    // Parses the arguments after the program name, in order.
    explicit TAppParams(const QStringList& arguments);

    void Include(TAppFlag flag) { m_flags |= flag; }
    void Exclude(TAppFlag flag) { m_flags &= ~static_cast<unsigned>(flag); }
    [[nodiscard]] bool Has(TAppFlag flag) const { return (m_flags & flag) != 0; }

    // Appends the name unless the same name is already listed; names differing in letter case
    // are different files.
    void AddFile(const QString& name);
    [[nodiscard]] int FileCount() const { return static_cast<int>(m_files.size()); }
    // The i-th name from 0, or the empty string when i is out of range.
    [[nodiscard]] QString Files(int i) const;
    [[nodiscard]] const QString& Directory() const { return m_directory; }

private:
    void parseArgument(const QString& argument);

    unsigned m_flags = 0;
    QStringList m_files;     // exactly as typed, in command-line order
    QString m_directory;     // the first existing directory named, or empty
};

// ".bmp", ".jpeg", ".jpg", ".gif"; compared without regard to letter case.
[[nodiscard]] const QStringList& PictureExtensions();

// True when the file's attributes can be read and its extension (from the last dot of the
// name) is one of PictureExtensions.
[[nodiscard]] bool IsPictureFile(const QString& name);

// The program-wide instance, valid from start-up to the end of the program.
[[nodiscard]] TAppParams& AppParams();

} // namespace vellum
