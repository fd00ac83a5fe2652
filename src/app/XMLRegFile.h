#pragma once

#include <functional>

#include <QDomDocument>
#include <QDomElement>
#include <QString>

namespace vellum {

// Settings kept like a small registry in one XML file. Keys are backslash-separated paths of
// elements under the root; a value is a child element of its key holding one text node.
//
// A store lives for one load or save: it parses the file when created and, when any value was
// written, rewrites the whole file when destroyed (atomically: a temporary file renamed over the
// old one). A file that is not well-formed, too large or too deeply nested reads as a missing
// file; before the first write replaces it, it is kept beside it with ".bad" appended.
class TXMLRegistryFile {
public:
    // Largest settings file we parse, and the deepest element nesting we accept. Real files are a
    // few kilobytes and four levels deep; these bounds only keep hostile files from costing
    // unbounded memory or stack.
    static constexpr qint64 MaxFileSize = 4 * 1024 * 1024;
    static constexpr int MaxDepth = 64;

    // Receives "Unable to save settings: " + reason when the destructor cannot write the file.
    // The default shows an error box when widgets exist; tests replace it.
    using ErrorReporter = std::function<void(const QString& message)>;
    static void SetErrorReporter(ErrorReporter reporter);
    static void ReportError(const QString& message);

    explicit TXMLRegistryFile(const QString& fileName);
    virtual ~TXMLRegistryFile();

    TXMLRegistryFile(const TXMLRegistryFile&) = delete;
    TXMLRegistryFile& operator=(const TXMLRegistryFile&) = delete;

    // Resolves the key path; with canCreate the missing elements are added (which alone does not
    // count as a modification). True when the key now exists and is the current key.
    bool OpenKey(const QString& path, bool canCreate);
    void CloseKey();

    // False without a current key, and for an element that holds child elements (not a value).
    [[nodiscard]] bool ValueExists(const QString& name) const;

    [[nodiscard]] QString ReadString(const QString& name) const;
    void WriteString(const QString& name, const QString& value);
    [[nodiscard]] int ReadInteger(const QString& name) const;
    void WriteInteger(const QString& name, int value);
    [[nodiscard]] bool ReadBool(const QString& name) const;
    void WriteBool(const QString& name, bool value);
    // Removes a value of the current key; false when there is none.
    bool DeleteValue(const QString& name);

    [[nodiscard]] bool Modified() const { return m_modified; }
    [[nodiscard]] const QString& FileName() const { return m_fileName; }
    // True when the file existed but could not be used (its content reads as absent).
    [[nodiscard]] bool SourceWasDamaged() const { return m_sourceDamaged; }

    // Writes the whole document now, atomically. Returns false with a reason on failure.
    bool Save(QString* error);

    // Parses settings bytes with the bounds above. False leaves doc untouched.
    static bool ParseSettings(const QByteArray& bytes, QDomDocument& doc);

protected:
    // Every read and write of a value goes through these four, so a descendant can change how
    // values and Booleans are stored.
    [[nodiscard]] virtual QString ReadValue(const QString& name) const;
    virtual void WriteValue(const QString& name, const QString& value);
    [[nodiscard]] virtual QString BoolToText(bool value) const;
    [[nodiscard]] virtual bool TextToBool(const QString& text) const;

private:
    [[nodiscard]] QDomElement valueElement(const QString& name) const;

    QDomDocument m_document;
    QDomElement m_currentKey; // null when no key is open
    QString m_fileName;
    bool m_modified = false;
    bool m_sourceDamaged = false;
};

} // namespace vellum
