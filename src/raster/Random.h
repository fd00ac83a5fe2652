#pragma once

#include <cstdint>
#include <random>

namespace vellum {

// The program's one random source. Start-up seeds it once from the clock; tests seed it with a
// fixed value so that random strokes are reproducible. Used only on the user-interface thread.
std::mt19937& ProgramRandom();

void SeedProgramRandom(std::uint32_t seed);

} // namespace vellum
