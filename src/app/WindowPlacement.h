#pragma once

#include <optional>

#include <QRect>
#include <QSize>

namespace vellum {

// The main window's restored rectangle as stored: left, top, right, bottom in screen pixels
// (right and bottom exclusive).
struct TStoredPlacement {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// Where the main window goes at start: a stored rectangle with its left and top edges kept
// on the screen and its right and bottom edges pulled back to the screen's size; without one
// (or when nothing of it would remain) the designed size centred on the screen.
[[nodiscard]] QRect PlaceMainWindow(const std::optional<TStoredPlacement>& stored, const QRect& screen,
                                    const QSize& designedSize);

} // namespace vellum
