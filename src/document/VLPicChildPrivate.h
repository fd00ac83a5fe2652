#pragma once

// Helpers shared by the picture document's source files; not part of its interface.

#include <exception>
#include <new>

#include <QString>

#include "document/VLChildClasses.h"
#include "raster/XBitmap.h"

namespace vellum {

// Runs BeginWait/EndWait around a scope, also when it is left by an exception.
class WaitScope {
public:
    explicit WaitScope(TBasicVLChild& window) : m_window(window) { m_window.BeginWait(); }
    ~WaitScope() { m_window.EndWait(); }
    WaitScope(const WaitScope&) = delete;
    WaitScope& operator=(const WaitScope&) = delete;

private:
    TBasicVLChild& m_window;
};

inline QString messageOf(const std::exception& e)
{
    if (dynamic_cast<const std::bad_alloc*>(&e) != nullptr)
        return EOutOfMemory().message();
    return QString::fromUtf8(e.what());
}

} // namespace vellum
