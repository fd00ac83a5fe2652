#pragma once

#include "raster/VellumError.h"

namespace vellum {

// Unreadable pictures, unknown formats and pictures beyond the size limits.
class EInvalidGraphic : public VellumException {
public:
    using VellumException::VellumException;
};

// A stream ended before the bytes a reader needed ("Stream read error").
class EReadError : public VellumException {
public:
    EReadError() : VellumException(QStringLiteral("Stream read error")) {}
    using VellumException::VellumException;
};

// A stream refused bytes written to it.
class EWriteError : public VellumException {
public:
    EWriteError() : VellumException(QStringLiteral("Stream write error")) {}
    using VellumException::VellumException;
};

// A file that could not be opened or created; the message names the file and the reason.
class EFOpenError : public VellumException {
public:
    using VellumException::VellumException;
};

} // namespace vellum
