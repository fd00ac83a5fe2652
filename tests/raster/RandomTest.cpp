#include "raster/Random.h"

#include <gtest/gtest.h>

namespace vellum {
namespace {

TEST(ProgramRandom, SameSeedGivesSameSequence)
{
    SeedProgramRandom(1234);
    const auto first = ProgramRandom()();
    const auto second = ProgramRandom()();
    SeedProgramRandom(1234);
    EXPECT_EQ(ProgramRandom()(), first);
    EXPECT_EQ(ProgramRandom()(), second);
}

} // namespace
} // namespace vellum
