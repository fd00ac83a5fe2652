#include "selection/PicPointArray.h"

#include <algorithm>

#include "selection/PicSelectionError.h"

namespace vellum {

int TPicPointArray::Add(const QPoint& point)
{
    if (Count() >= MaxPoints)
        throw EPicSelectionError(QStringLiteral("Add Error - Can not exceed maximum index"));
    m_points.push_back(point);
    return Count() - 1;
}

QPoint TPicPointArray::Point(int index) const
{
    if (index < 0 || index >= Count())
        throw EPicSelectionError(QStringLiteral("Get Point - Point index invalid"));
    return m_points[static_cast<std::size_t>(index)];
}

QPoint TPicPointArray::First() const
{
    if (m_points.empty())
        throw EPicSelectionError(QStringLiteral("Can not get first point"));
    return m_points.front();
}

QPoint TPicPointArray::Last() const
{
    if (m_points.empty())
        throw EPicSelectionError(QStringLiteral("Can not get last point"));
    return m_points.back();
}

QPoint& TPicPointArray::lastRef()
{
    if (m_points.empty())
        throw EPicSelectionError(QStringLiteral("Can not get last point"));
    return m_points.back();
}

void TPicPointArray::SetLast(const QPoint& point) { lastRef() = point; }
void TPicPointArray::SetLastX(int x) { lastRef().setX(x); }
void TPicPointArray::SetLastY(int y) { lastRef().setY(y); }

void TPicPointArray::SetRect(int left, int top, int right, int bottom)
{
    m_points = {QPoint(left, top), QPoint(right - 1, top), QPoint(right - 1, bottom - 1), QPoint(left, bottom - 1),
                QPoint(left, top)};
}

void TPicPointArray::Offset(int dx, int dy)
{
    for (QPoint& p : m_points)
        p += QPoint(dx, dy);
}

TPicPointArray::TBounds TPicPointArray::BoundsOf() const
{
    if (m_points.empty())
        return {};
    TBounds b{m_points.front().x(), m_points.front().y(), m_points.front().x(), m_points.front().y()};
    for (const QPoint& p : m_points) {
        b.Left = std::min(b.Left, p.x());
        b.Top = std::min(b.Top, p.y());
        b.Right = std::max(b.Right, p.x());
        b.Bottom = std::max(b.Bottom, p.y());
    }
    return b;
}

void TPicSelectionPoints::Clear()
{
    m_arrays.clear();
    m_origin = QPoint(0, 0);
}

TPicPointArray& TPicSelectionPoints::AddArray()
{
    m_arrays.push_back(std::make_unique<TPicPointArray>());
    return *m_arrays.back();
}

const TPicPointArray& TPicSelectionPoints::Array(int index) const
{
    if (index < 0 || index >= Count())
        throw EPicSelectionError(QStringLiteral("Get Point - index invalid"));
    return *m_arrays[static_cast<std::size_t>(index)];
}

void TPicSelectionPoints::Assign(const TPicSelectionPoints& other)
{
    if (&other == this)
        return;
    m_arrays.clear();
    for (const auto& a : other.m_arrays)
        m_arrays.push_back(std::make_unique<TPicPointArray>(*a));
    m_origin = other.m_origin;
}

void TPicSelectionPoints::MoveOrigin(const QPoint& origin)
{
    if (origin == m_origin)
        return;
    const QPoint d = origin - m_origin;
    for (auto& a : m_arrays)
        a->Offset(d.x(), d.y());
    m_origin = origin;
}

} // namespace vellum
