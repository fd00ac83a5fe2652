#include "app/WindowPlacement.h"

#include <algorithm>

namespace vellum {

QRect PlaceMainWindow(const std::optional<TStoredPlacement>& stored, const QRect& screen,
                      const QSize& designedSize)
{
    if (stored) {
        // Screen coordinates start at the screen's own origin, as the stored values do.
        const int left = std::max(stored->left, screen.left());
        const int top = std::max(stored->top, screen.top());
        const int width = std::min(stored->right, screen.left() + screen.width()) - left;
        const int height = std::min(stored->bottom, screen.top() + screen.height()) - top;
        // A rectangle wholly off the screen would leave no window to see; such settings fall
        // back to the designed size.
        if (width > 0 && height > 0)
            return {left, top, width, height};
    }
    // On a screen smaller than the window the caption stays reachable.
    return {screen.left() + std::max(0, (screen.width() - designedSize.width()) / 2),
            screen.top() + std::max(0, (screen.height() - designedSize.height()) / 2), designedSize.width(),
            designedSize.height()};
}

} // namespace vellum
