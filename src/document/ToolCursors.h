#pragma once

#include <QCursor>

#include "document/VLToolVars.h"

namespace vellum {

// The cursor of the program's resources registered under a cursor number (10 to 26); the arrow
// for an unknown number.
[[nodiscard]] QCursor ToolCursor(int number);

// The cursor number of the current tool (the Shapes tool's depends on its kind and style).
[[nodiscard]] std::int16_t CursorNumberForTool(const TToolSettings& settings);

} // namespace vellum
