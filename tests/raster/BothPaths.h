#pragma once

#include <gtest/gtest.h>

#include "raster/VectorPaths.h"

namespace vellum::test {

// Runs the body with the vector kernels and with the portable code, naming the path in any
// failure; the vector kernels are allowed again afterwards, also when the body fails.
template <typename Body>
void OnBothPaths(Body&& body)
{
    struct AllowAvx2Again {
        ~AllowAvx2Again() { AllowAvx2(true); }
    } restore;
    for (const bool vector : {true, false}) {
        AllowAvx2(vector);
        SCOPED_TRACE(vector ? "vector kernels" : "portable code");
        body();
    }
}

} // namespace vellum::test
