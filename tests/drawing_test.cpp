#include "level/drawing.h"

#include "clicks.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kivo {
namespace {

DrawItem Line(Colour colour, int x1, int y1, int x2, int y2) {
    return {DrawKind::Line, colour, x1, y1, x2, y2};
}

// The crosshair, the sides, then the mean corner (215, 108.66) less (12, 40) as a dot.
TEST(Drawing, ATriangleIsThreeSidesAndACentreDotInWindowCoordinatesOverTheCrosshair) {
    Clicks c;
    c.Click(200, 100);
    const std::vector<DrawItem> expected = {
        Line(CROSSHAIR_COLOUR, 390, 225, 390, 205), Line(CROSSHAIR_COLOUR, 390, 235, 390, 255),
        Line(CROSSHAIR_COLOUR, 385, 230, 365, 230), Line(CROSSHAIR_COLOUR, 395, 230, 415, 230),
        Line(CONNECTOR_COLOUR, 218, 60, 203, 86),   Line(CONNECTOR_COLOUR, 203, 86, 188, 60),
        Line(CONNECTOR_COLOUR, 188, 60, 218, 60),   {DrawKind::Disc, CENTRE_COLOUR, 203, 69, 2, 2}};
    EXPECT_EQ(DrawingList(c.level), expected);
}

// 218.5 and 219.5 round half to even to 218 and 220, 21.5 to 22; a damaged file's ends still
// give whole pixels on the side of the canvas they lie.
TEST(Drawing, ConnectorsAreDrawnFromTheirCachedEndsRoundedHalfToEven) {
    Level level;
    level.connectors = {{0, {0, 0}, {230.5f, 231.5f}, {61.5f, 40.4f}},
                        {0, {0, 0}, {std::nanf(""), -INFINITY}, {1.0e30f, 40.4f}}};
    level.points.push_back({0, 100.0f, 100.0f}); // points themselves are not drawn
    const std::vector<DrawItem> items = DrawingList(level);
    ASSERT_EQ(items.size(), 6u);
    EXPECT_EQ(items[4], Line(CONNECTOR_COLOUR, 218, 22, 220, 0));
    EXPECT_EQ(items[5].x1, 0);
    EXPECT_GT(items[5].y1, 100000);
    EXPECT_LT(items[5].x2, -100000);
}

} // namespace
} // namespace kivo
