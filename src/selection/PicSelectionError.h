#pragma once

#include "raster/VellumError.h"

namespace vellum {

// Failures of the selections, their point arrays and their undo snapshots.
class EPicSelectionError : public VellumException {
public:
    using VellumException::VellumException;
};

} // namespace vellum
