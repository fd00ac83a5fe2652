#pragma once

#include <vector>

#include "raster/VellumError.h"

namespace vellum {

class EPixelPosListException : public VellumException {
public:
    using VellumException::VellumException;
};

// A stack of pixel positions (flood fill, magic wand). Each coordinate keeps its full 32 bits,
// so any picture size is served.
class TPixelPosList {
public:
    void Push(int x, int y) { m_items.push_back({x, y}); }
    [[nodiscard]] int Count() const { return static_cast<int>(m_items.size()); }
    [[nodiscard]] bool Empty() const { return m_items.empty(); }

    // The newest position; raise when the list is empty.
    [[nodiscard]] int LastX() const { return last().x; }
    [[nodiscard]] int LastY() const { return last().y; }
    void Pop();

    // The position at index (0 = oldest).
    [[nodiscard]] int X(int index) const { return at(index).x; }
    [[nodiscard]] int Y(int index) const { return at(index).y; }

    void Clear() { m_items.clear(); }

private:
    struct Pos {
        int x;
        int y;
    };
    [[nodiscard]] const Pos& last() const;
    [[nodiscard]] const Pos& at(int index) const;

    std::vector<Pos> m_items;
};

} // namespace vellum
