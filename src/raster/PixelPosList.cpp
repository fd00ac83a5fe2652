#include "raster/PixelPosList.h"

namespace vellum {

namespace {
const QString EmptyMessage = QStringLiteral("Can not get last item - the list is empty");
}

const TPixelPosList::Pos& TPixelPosList::last() const
{
    if (m_items.empty())
        throw EPixelPosListException(EmptyMessage);
    return m_items.back();
}

void TPixelPosList::Pop()
{
    if (m_items.empty())
        throw EPixelPosListException(EmptyMessage);
    m_items.pop_back();
}

const TPixelPosList::Pos& TPixelPosList::at(int index) const
{
    if (index < 0 || index >= Count())
        throw EPixelPosListException(QStringLiteral("Invalid Index"));
    return m_items[static_cast<std::size_t>(index)];
}

} // namespace vellum
