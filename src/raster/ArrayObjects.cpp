#include "raster/ArrayObjects.h"

#include <cstdlib>
#include <new>

#include "raster/PictureCodecs.h"

namespace vellum {

namespace {

constexpr std::size_t kHugePage = 2 * 1024 * 1024;

} // namespace

void* AllocateArrayStorage(std::size_t bytes)
{
    void* block = nullptr;
    if (bytes >= 2 * kHugePage) {
        const std::size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
        block = std::aligned_alloc(kHugePage, rounded);
        if (block)
            AdviseHugePages(block, rounded);
    } else {
        block = std::malloc(std::max<std::size_t>(bytes, 1));
    }
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
