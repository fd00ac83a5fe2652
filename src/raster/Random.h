#pragma once

#include <cstdint>
#include <random>

namespace vellum {

// The program's one random source. Start-up seeds it once from the clock; tests seed it with a
// fixed value so that random strokes are reproducible. Used only on the user-interface thread.
std::mt19937& ProgramRandom();

void SeedProgramRandom(std::uint32_t seed);

// A uniform integer from 0 to range - 1 (0 when range <= 0) made from exactly one draw of
// ProgramRandom(), so that a seeded sequence of calls is reproducible everywhere.
[[nodiscard]] int RandomBelow(int range);

} // namespace vellum
