#include "raster/ArrayObjects.h"

#include <cstdlib>
#include <new>

#include "raster/PictureCodecs.h"

namespace vellum {

void* AllocateArrayStorage(std::size_t bytes)
{
    void* block = AllocateLargeBlock(bytes);
    if (!block)
        throw std::bad_alloc();
    return block;
}

void FreeArrayStorage(void* block) noexcept
{
    std::free(block);
}

void TBool2DArray::Assign(const TBool2DArray* other)
{
    if (other == nullptr) {
        Release();
        return;
    }
    if (other == this)
        return;
    m_items = other->m_items;
    m_width = other->m_width;
    m_height = other->m_height;
}

void TBool2DArray::CheckCovers(int width, int height) const
{
    if (width > 0 && height > 0 && (m_width < width || m_height < height))
        throw EBool2DArrayError(QStringLiteral("GetItem - Invalid Index"));
}

} // namespace vellum
