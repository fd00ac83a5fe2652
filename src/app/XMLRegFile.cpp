#include "app/XMLRegFile.h"

#include <cstdio>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QSaveFile>
#include <QXmlStreamReader>

namespace vellum {

namespace {

const QString RootName = QStringLiteral("Settings");

void defaultReporter(const QString& message)
{
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr) {
        QMessageBox::critical(nullptr, QStringLiteral("Error"), message, QMessageBox::Ok);
        return;
    }
    // Headless use (tools, tests without widgets): the message still reaches the user.
    std::fprintf(stderr, "%s\n", qPrintable(message));
}

TXMLRegistryFile::ErrorReporter& reporter()
{
    static TXMLRegistryFile::ErrorReporter instance = defaultReporter;
    return instance;
}

// An element name the writer can store and the reader will parse again; anything else would
// turn the whole file into one that no longer parses.
bool isValidName(const QString& name)
{
    if (name.isEmpty())
        return false;
    QXmlStreamReader reader(QStringLiteral("<%1/>").arg(name));
    while (!reader.atEnd())
        reader.readNext();
    return !reader.hasError();
}

bool hasChildElements(const QDomElement& element)
{
    return !element.firstChildElement().isNull();
}

} // namespace

void TXMLRegistryFile::SetErrorReporter(ErrorReporter newReporter)
{
    reporter() = newReporter ? std::move(newReporter) : ErrorReporter(defaultReporter);
}

void TXMLRegistryFile::ReportError(const QString& message)
{
    reporter()(message);
}

bool TXMLRegistryFile::ParseSettings(const QByteArray& bytes, QDomDocument& doc)
{
    if (bytes.size() > MaxFileSize)
        return false;

    // A streaming pass first: it bounds the nesting depth before a tree is built (the tree's
    // own destruction is recursive) and rejects what is not well-formed.
    QXmlStreamReader reader(bytes);
    int depth = 0;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement:
            if (++depth > MaxDepth)
                return false;
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            break;
        default:
            break;
        }
    }
    if (reader.hasError())
        return false;

    QDomDocument parsed;
    if (!parsed.setContent(bytes) || parsed.documentElement().isNull())
        return false;
    doc = parsed;
    return true;
}

TXMLRegistryFile::TXMLRegistryFile(const QString& fileName)
    : m_fileName(fileName)
{
    QFile file(fileName);
    if (!fileName.isEmpty() && file.exists()) {
        if (!file.open(QIODevice::ReadOnly)) {
            // Unreadable: defaults everywhere; a later write reports its own failure.
        } else if (file.size() > MaxFileSize) {
            m_sourceDamaged = true;
        } else {
            const QByteArray bytes = file.readAll();
            if (!bytes.trimmed().isEmpty() && !ParseSettings(bytes, m_document))
                m_sourceDamaged = true;
        }
    }
    if (m_document.documentElement().isNull()) {
        m_document = QDomDocument();
        m_document.appendChild(
            m_document.createProcessingInstruction(QStringLiteral("xml"), QStringLiteral("version=\"1.0\"")));
        m_document.appendChild(m_document.createElement(RootName));
    }
    m_modified = false;
}

TXMLRegistryFile::~TXMLRegistryFile()
{
    if (!m_modified || m_fileName.isEmpty())
        return;
    QString error;
    if (!Save(&error))
        ReportError(QStringLiteral("Unable to save settings: ") + error);
}

bool TXMLRegistryFile::Save(QString* error)
{
    const QString nativeName = QDir::toNativeSeparators(m_fileName);
    if (m_sourceDamaged && QFile::exists(m_fileName)) {
        // Keep what the user had before it is replaced.
        const QString keep = m_fileName + QStringLiteral(".bad");
        QFile::remove(keep);
        if (!QFile::rename(m_fileName, keep)) {
            if (error)
                *error = QStringLiteral("cannot keep the damaged file %1 as %2")
                             .arg(nativeName, QDir::toNativeSeparators(keep));
            return false;
        }
        m_sourceDamaged = false;
    }

    QSaveFile file(m_fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = QStringLiteral("cannot write %1 (%2)").arg(nativeName, file.errorString());
        return false;
    }
    file.write(m_document.toByteArray(2));
    if (!file.commit()) {
        if (error)
            *error = QStringLiteral("cannot write %1 (%2)").arg(nativeName, file.errorString());
        return false;
    }
    return true;
}

bool TXMLRegistryFile::OpenKey(const QString& path, bool canCreate)
{
    m_currentKey = QDomElement();
    if (path.isEmpty())
        return false;

    const QStringList segments = path.split(QLatin1Char('\\'));
    QDomElement element = m_document.documentElement();
    for (const QString& segment : segments) {
        if (segment.isEmpty())
            return false;
        QDomElement child = element.firstChildElement(segment);
        if (child.isNull()) {
            if (!canCreate || !isValidName(segment))
                return false;
            child = m_document.createElement(segment);
            element.appendChild(child);
        }
        element = child;
    }
    m_currentKey = element;
    return true;
}

void TXMLRegistryFile::CloseKey()
{
    m_currentKey = QDomElement();
}

QDomElement TXMLRegistryFile::valueElement(const QString& name) const
{
    if (m_currentKey.isNull() || name.isEmpty())
        return {};
    return m_currentKey.firstChildElement(name);
}

bool TXMLRegistryFile::ValueExists(const QString& name) const
{
    const QDomElement element = valueElement(name);
    return !element.isNull() && !hasChildElements(element);
}

QString TXMLRegistryFile::ReadValue(const QString& name) const
{
    const QDomElement element = valueElement(name);
    if (element.isNull() || hasChildElements(element))
        return {};
    // The parser turns every line break into LF; callers expect CR LF.
    QString text = element.text();
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return text;
}

void TXMLRegistryFile::WriteValue(const QString& name, const QString& value)
{
    if (m_currentKey.isNull())
        return;
    QDomElement element = m_currentKey.firstChildElement(name);
    if (element.isNull()) {
        if (!isValidName(name))
            return;
        element = m_document.createElement(name);
        m_currentKey.appendChild(element);
    }
    while (!element.firstChild().isNull())
        element.removeChild(element.firstChild());
    // Line breaks are stored as the plain LF every parser reports, so that reading them back
    // gives CR LF again.
    QString text = value;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    element.appendChild(m_document.createTextNode(text));
    m_modified = true;
}

bool TXMLRegistryFile::DeleteValue(const QString& name)
{
    if (!ValueExists(name))
        return false;
    m_currentKey.removeChild(m_currentKey.firstChildElement(name));
    m_modified = true;
    return true;
}

QString TXMLRegistryFile::BoolToText(bool value) const
{
    return value ? QStringLiteral("Yes") : QStringLiteral("No");
}

bool TXMLRegistryFile::TextToBool(const QString& text) const
{
    return text == QStringLiteral("Yes");
}

QString TXMLRegistryFile::ReadString(const QString& name) const
{
    return ReadValue(name);
}

void TXMLRegistryFile::WriteString(const QString& name, const QString& value)
{
    WriteValue(name, value);
}

int TXMLRegistryFile::ReadInteger(const QString& name) const
{
    bool ok = false;
    const int value = ReadString(name).toInt(&ok, 10);
    return ok ? value : 0;
}

void TXMLRegistryFile::WriteInteger(const QString& name, int value)
{
    WriteString(name, QString::number(value));
}

bool TXMLRegistryFile::ReadBool(const QString& name) const
{
    return TextToBool(ReadString(name));
}

void TXMLRegistryFile::WriteBool(const QString& name, bool value)
{
    WriteString(name, BoolToText(value));
}

} // namespace vellum
