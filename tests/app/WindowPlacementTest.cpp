#include "app/WindowPlacement.h"

#include <gtest/gtest.h>

namespace vellum {
namespace {

struct PlacementCase {
    const char* name;
    std::optional<TStoredPlacement> stored;
    QRect expected;
};

void PrintTo(const PlacementCase& c, std::ostream* os)
{
    *os << c.name;
}

class PlaceMainWindowTest : public ::testing::TestWithParam<PlacementCase> {};

TEST_P(PlaceMainWindowTest, Places)
{
    const QRect screen(0, 0, 1024, 768);
    EXPECT_EQ(PlaceMainWindow(GetParam().stored, screen, QSize(647, 529)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PlaceMainWindowTest,
    ::testing::Values(
        PlacementCase{"noSettingsCentres", std::nullopt, QRect(188, 119, 647, 529)},
        PlacementCase{"insideKept", TStoredPlacement{10, 20, 410, 320}, QRect(10, 20, 400, 300)},
        PlacementCase{"negativeLeftTopClampedToZero", TStoredPlacement{-50, -30, 400, 300}, QRect(0, 0, 400, 300)},
        PlacementCase{"rightBottomPulledBackToScreen", TStoredPlacement{600, 500, 1600, 1200},
                      QRect(600, 500, 424, 268)},
        PlacementCase{"wholeScreen", TStoredPlacement{0, 0, 1024, 768}, QRect(0, 0, 1024, 768)},
        PlacementCase{"whollyOffScreenFallsBackToCentre", TStoredPlacement{2000, 100, 2600, 600},
                      QRect(188, 119, 647, 529)},
        PlacementCase{"emptyRectangleFallsBackToCentre", TStoredPlacement{100, 100, 100, 400},
                      QRect(188, 119, 647, 529)}),
    [](const ::testing::TestParamInfo<PlacementCase>& info) { return std::string(info.param.name); });

TEST(PlaceMainWindow, ScreenSmallerThanDesignedSizeKeepsTheCaptionOnScreen)
{
    EXPECT_EQ(PlaceMainWindow(std::nullopt, QRect(0, 0, 640, 480), QSize(647, 529)), QRect(0, 0, 647, 529));
}

} // namespace
} // namespace vellum
