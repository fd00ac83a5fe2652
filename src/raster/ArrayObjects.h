#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

#include "raster/VellumError.h"

namespace vellum {

class EByte2DArrayError : public VellumException {
public:
    using VellumException::VellumException;
};

class EBool2DArrayError : public VellumException {
public:
    using VellumException::VellumException;
};

// Storage blocks of arrays: a picture-sized block starts on a huge-page boundary and is backed
// by huge pages, so that passes walking a column-ordered array along picture rows (a new page
// at every column) do not miss the address translation cache each time. Raises std::bad_alloc.
void* AllocateArrayStorage(std::size_t bytes);
void FreeArrayStorage(void* block) noexcept;

// Leaves entries made without a value undefined, so that an array whose every entry is about to
// be written is not cleared first (a picture-sized clear costs as much as the pass itself).
template <typename T>
struct TDefaultInitAllocator : std::allocator<T> {
    template <typename U>
    struct rebind {
        using other = TDefaultInitAllocator<U>;
    };
    using std::allocator<T>::allocator;
    T* allocate(std::size_t n) { return static_cast<T*>(AllocateArrayStorage(n * sizeof(T))); }
    void deallocate(T* p, std::size_t) noexcept { FreeArrayStorage(p); }
    template <typename U>
    void construct(U* p) noexcept
    {
        ::new (static_cast<void*>(p)) U;
    }
    template <typename U, typename... Args>
    void construct(U* p, Args&&... args)
    {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};

// A Width x Height array stored column by column: entry (x, y) lives in column x, so
// Column(x) gives Height consecutive entries. 0 x 0 when created. Boolean entries are stored
// one byte each (0 or 1) so that hot loops read them directly.
template <typename T, typename Error>
class T2DArray {
public:
    using Storage = std::conditional_t<std::is_same_v<T, bool>, std::uint8_t, T>;

    T2DArray() = default;
    T2DArray(int width, int height) { SetSize(width, height); }
    virtual ~T2DArray() = default;

    [[nodiscard]] int Width() const { return m_width; }
    [[nodiscard]] int Height() const { return m_height; }
    [[nodiscard]] bool InRange(int x, int y) const { return x >= 0 && x < m_width && y >= 0 && y < m_height; }

    // Entries inside both the old and the new size keep their values; new entries are zero.
    virtual void SetSize(int width, int height)
    {
        if (width < 0 || height < 0)
            throw Error(QStringLiteral("SetSize - Invalid Dimensions"));
        if (width == m_width && height == m_height)
            return;
        Items resized(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), Storage{});
        const int keepWidth = std::min(width, m_width);
        const int keepHeight = std::min(height, m_height);
        for (int x = 0; x < keepWidth; ++x)
            std::copy_n(Column(x), keepHeight, resized.data() + static_cast<std::size_t>(x) * height);
        m_items = std::move(resized);
        m_width = width;
        m_height = height;
    }

    // Gives the array the size with every entry undefined, for callers that write them all. The
    // storage is kept when the entry count stays.
    void AllocateUninitialised(int width, int height)
    {
        if (width < 0 || height < 0)
            throw Error(QStringLiteral("SetSize - Invalid Dimensions"));
        const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
        if (count != m_items.size()) {
            Release(); // the old block goes before the new one is taken
            m_items.resize(count);
        }
        m_width = width;
        m_height = height;
    }

    virtual void SetItem(int x, int y, T value)
    {
        if (!InRange(x, y))
            throw Error(QStringLiteral("SetItem - Invalid Index"));
        m_items[index(x, y)] = static_cast<Storage>(value);
    }

    [[nodiscard]] virtual T GetItem(int x, int y) const
    {
        if (!InRange(x, y))
            throw Error(QStringLiteral("GetItem - Invalid Index"));
        return static_cast<T>(m_items[index(x, y)]);
    }

    virtual void Clear() { std::fill(m_items.begin(), m_items.end(), Storage{}); }

    // Frees the storage; the size becomes 0 x 0.
    virtual void Release()
    {
        m_items = Items();
        m_width = 0;
        m_height = 0;
    }

    // Column x: Height entries, row 0 first. For loops that check their bounds once.
    [[nodiscard]] Storage* Column(int x) { return m_items.data() + static_cast<std::size_t>(x) * m_height; }
    [[nodiscard]] const Storage* Column(int x) const
    {
        return m_items.data() + static_cast<std::size_t>(x) * m_height;
    }

protected:
    [[nodiscard]] std::size_t index(int x, int y) const
    {
        return static_cast<std::size_t>(x) * static_cast<std::size_t>(m_height) + static_cast<std::size_t>(y);
    }

    using Items = std::vector<Storage, TDefaultInitAllocator<Storage>>;
    Items m_items;
    int m_width = 0;
    int m_height = 0;
};

using TByte2DArray = T2DArray<std::uint8_t, EByte2DArrayError>;

// The mask type of every masked operation: true marks a pixel an operation leaves alone.
// Entries are kept one byte each so that hot loops read them directly.
class TBool2DArray : public T2DArray<bool, EBool2DArrayError> {
public:
    using T2DArray::T2DArray;

    void Fill(bool value) { std::fill(m_items.begin(), m_items.end(), static_cast<Storage>(value)); }
    // Copies the other mask's size and entries; with none, empties this one to 0 x 0.
    void Assign(const TBool2DArray* other);

    // Raises the mask's index error unless the mask covers a width x height picture; every
    // masked operation checks this before it changes a pixel.
    void CheckCovers(int width, int height) const;
};

} // namespace vellum
