#pragma once

// Shared by the units that implement TEffectsBitmap's operations; not for other callers.
#include "raster/EffectsBitmap.h"

namespace vellum {

// Sends OnProgressBegin with the step count on construction and OnProgressEnd on destruction,
// also when the operation fails part-way.
class TEffectsBitmap::ProgressScope {
public:
    ProgressScope(TEffectsBitmap& picture, int steps) : m_picture(picture)
    {
        if (m_picture.OnProgressBegin)
            m_picture.OnProgressBegin(&m_picture, steps);
    }
    ~ProgressScope()
    {
        if (m_picture.OnProgressEnd)
            m_picture.OnProgressEnd(&m_picture);
    }
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;

private:
    TEffectsBitmap& m_picture;
};

} // namespace vellum
