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

int RandomBelow(int range)
{
    const auto draw = static_cast<std::uint64_t>(static_cast<std::uint32_t>(ProgramRandom()()));
    return range > 0 ? static_cast<int>((draw * static_cast<std::uint64_t>(range)) >> 32) : 0;
}

} // namespace vellum
