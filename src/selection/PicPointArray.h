#pragma once

#include <memory>
#include <vector>

#include <QPoint>
#include <QRect>

namespace vellum {

// A growable array of points (picture or view coordinates, as its owner says).
class TPicPointArray {
public:
    static constexpr int MaxPoints = 134217727;

    // Appends the point and returns its index; raises EPicSelectionError when full.
    int Add(const QPoint& point);
    [[nodiscard]] int Count() const { return static_cast<int>(m_points.size()); }
    // Raise EPicSelectionError for an index outside the array or an empty array.
    [[nodiscard]] QPoint Point(int index) const;
    [[nodiscard]] QPoint First() const;
    [[nodiscard]] QPoint Last() const;
    void SetLast(const QPoint& point);
    void SetLastX(int x);
    void SetLastY(int y);
    void Assign(const TPicPointArray& other) { m_points = other.m_points; }
    // Exactly five points: (left, top), (right - 1, top), (right - 1, bottom - 1),
    // (left, bottom - 1), (left, top); right and bottom of rect are exclusive.
    void SetRect(int left, int top, int right, int bottom);
    void Offset(int dx, int dy);
    // The rectangle the points span, right and bottom inclusive; an empty array gives all 0.
    struct TBounds {
        int Left = 0;
        int Top = 0;
        int Right = 0;
        int Bottom = 0;
    };
    [[nodiscard]] TBounds BoundsOf() const;
    [[nodiscard]] const std::vector<QPoint>& Points() const { return m_points; }
    void Clear() { m_points.clear(); }

private:
    [[nodiscard]] QPoint& lastRef();
    std::vector<QPoint> m_points;
};

// The points the freehand tool collects (picture coordinates).
class TFreehandPoints : public TPicPointArray {};

// The marching-ants outline: polylines plus the origin they are currently shifted to.
class TPicSelectionPoints {
public:
    TPicSelectionPoints() = default;
    TPicSelectionPoints(const TPicSelectionPoints& other) { Assign(other); }
    TPicSelectionPoints& operator=(const TPicSelectionPoints& other)
    {
        Assign(other);
        return *this;
    }

    // Frees the polylines; the origin becomes (0, 0).
    void Clear();
    TPicPointArray& AddArray();
    [[nodiscard]] int Count() const { return static_cast<int>(m_arrays.size()); }
    // Raises EPicSelectionError for an index outside the set.
    [[nodiscard]] const TPicPointArray& Array(int index) const;
    void Assign(const TPicSelectionPoints& other);
    [[nodiscard]] QPoint Origin() const { return m_origin; }
    // Shifts every point by the difference to the new origin (nothing when it is the same).
    void MoveOrigin(const QPoint& origin);

private:
    std::vector<std::unique_ptr<TPicPointArray>> m_arrays;
    QPoint m_origin;
};

} // namespace vellum
