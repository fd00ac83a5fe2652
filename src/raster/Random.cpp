#include "raster/Random.h"

namespace vellum {

std::mt19937& ProgramRandom()
{
    static std::mt19937 generator;
    return generator;
}

void SeedProgramRandom(std::uint32_t seed)
{
    ProgramRandom().seed(seed);
}

} // namespace vellum
