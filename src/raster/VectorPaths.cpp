#include "raster/VectorPaths.h"

#include <atomic>

namespace vellum {

namespace {

std::atomic<bool> avx2Allowed{true};

} // namespace

bool UseAvx2()
{
    static const bool has = __builtin_cpu_supports("avx2");
    return has && avx2Allowed.load(std::memory_order_relaxed);
}

void AllowAvx2(bool allowed)
{
    avx2Allowed.store(allowed, std::memory_order_relaxed);
}

} // namespace vellum
