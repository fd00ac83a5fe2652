#pragma once

#include <stdexcept>
#include <string>

#include <QString>

namespace vellum {

// The base of every exception the program raises. Each unit derives its own class from it;
// the message is the English text shown to the user as it stands.
class VellumException : public std::runtime_error {
public:
    explicit VellumException(const QString& message)
        : std::runtime_error(message.toStdString()) {}

    [[nodiscard]] QString message() const { return QString::fromUtf8(what()); }
};

} // namespace vellum

namespace vellum {

// The program's general error: documents that cannot be made, and the like.
class EVellumError : public VellumException {
public:
    using VellumException::VellumException;
};

} // namespace vellum
