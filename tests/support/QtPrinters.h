#pragma once
// Readable test failures for Qt's strings: GoogleTest would print their bytes.

#include <ostream>

#include <QString>
#include <QStringList>

inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QStringList& texts, std::ostream* os)
{
    *os << '{';
    for (qsizetype i = 0; i < texts.size(); ++i)
        *os << (i == 0 ? "" : ", ") << '"' << texts[i].toStdString() << '"';
    *os << '}';
}
