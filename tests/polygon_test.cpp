#include "construction/angles.h"
#include "level/element_ops.h"

#include "clicks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace kivo {
namespace {

struct Pixel {
    double x;
    double y;
};

Pixel PointPixel(const Point& p) {
    return {double(p.x) * 20.0, double(p.y) * 30.0};
}

Pixel EntryPixel(const Shape& s, int k) {
    return {double(s.entryX[k]) * 20.0 - 5.0, double(s.entryY[k]) * 30.0 - 5.0};
}

void ExpectNear(Pixel actual, Pixel expected) {
    EXPECT_NEAR(actual.x, expected.x, 0.01);
    EXPECT_NEAR(actual.y, expected.y, 0.01);
}

class Placement : public ::testing::Test, protected Clicks {};

TEST(Angles, PiIsTheFloatOfArccosMinusOneAndAtan2TakesYFirst) {
    EXPECT_EQ(PI, 3.1415927f);
    EXPECT_GT(Atan2(1.0f, 0.0f), 1.5); // (y, x): straight down the screen is +90 degrees
    EXPECT_LT(Atan2(-1.0f, 0.0f), -1.5);
}

TEST_F(Placement, FreeTriangleOnAnEmptyLevel) {
    ASSERT_EQ(Click(200, 100), PlaceResult::Placed);
    ASSERT_EQ(level.points.size(), 3u);
    ExpectNear(PointPixel(level.points[1]), {215, 125.98});
    EXPECT_EQ(level.points[0].x, 11.5f);
    EXPECT_EQ(level.points[0].y, float(100.0 / 30.0));
    EXPECT_EQ(level.points[2].x, 10.0f);
    ASSERT_EQ(level.shapes.size(), 1u);
    const Shape& s = level.shapes[0];
    EXPECT_EQ(s.entryCount, 4.0f);
    EXPECT_EQ(s.entryX[0], 11.75f);
    EXPECT_EQ(s.entryY[0], float(105.0 / 30.0));
    EXPECT_EQ(s.entryX[3], s.entryX[0]);
    EXPECT_EQ(s.entryY[3], s.entryY[0]);
    EXPECT_EQ(s.connectorIds[3], s.connectorIds[2]);
    ExpectNear(EntryPixel(s, 1), {215, 125.98});
    EXPECT_NEAR(double(s.centreX) * 20.0 - 5.0, 215.0, 0.01);
    EXPECT_NEAR(double(s.centreY) * 30.0 - 5.0, 108.66, 0.01);
    EXPECT_EQ(level.pointCount, 3);
    EXPECT_EQ(level.connectorCount, 3);
    EXPECT_EQ(level.shapeCount, 1);
    // Every side runs from corner k to corner k + 1, the closing one back to corner 0.
    ASSERT_EQ(level.connectors.size(), 3u);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(level.connectors[k].pointIds[0], level.points[k].id);
        EXPECT_EQ(level.connectors[k].pointIds[1], level.points[(k + 1) % 3].id);
        EXPECT_EQ(s.connectorIds[k], level.connectors[k].id);
    }
    EXPECT_EQ(level.connectors[0].endX[0], 230.0f);
}

TEST_F(Placement, FreeSquareRunsClockwiseFromTheSideRightOfTheClick) {
    Click(200, 100, 4);
    const Pixel corners[] = {{230, 100}, {230, 130}, {200, 130}, {200, 100}};
    ASSERT_EQ(level.points.size(), 4u);
    for (int k = 0; k < 4; ++k) {
        ExpectNear(PointPixel(level.points[size_t(k)]), corners[k]);
    }
    EXPECT_EQ(level.shapes[0].entryCount, 5.0f);
}

TEST_F(Placement, ClickAboveATriangleBuildsAnUpwardTriangleOnItsTopSide) {
    Click(200, 100);
    const int16_t topSide = level.connectors[2].id; // (200, 100) -> (230, 100)
    ASSERT_EQ(Click(220, 90), PlaceResult::Placed);
    ASSERT_EQ(level.points.size(), 4u);
    ExpectNear(PointPixel(level.points[3]), {215, 74.02});
    EXPECT_EQ(level.connectors.size(), 5u);
    EXPECT_EQ(level.pointCount, 4);
    EXPECT_EQ(level.connectorCount, 5);
    EXPECT_EQ(level.shapeCount, 2);
    const Shape& upper = level.shapes[1];
    bool sharesSide = false;
    for (int k = 0; k < EntryTotal(upper); ++k) {
        sharesSide = sharesSide || upper.connectorIds[k] == topSide;
    }
    EXPECT_TRUE(sharesSide);
    EXPECT_FALSE(IsInsideAnyShape(level, 215.0f, 60.0f));
    EXPECT_TRUE(IsInsideAnyShape(level, 215.0f, 90.0f));
}

TEST_F(Placement, InsideMeansWithinTheOutlineOnEverySideAndAClickThereAddsNothing) {
    Click(200, 100, 4); // square (200..230, 100..130)
    Click(190, 115, 3); // triangle on its left side, closed by the shared upright side
    const struct {
        float x, y;
        bool inside;
    } cases[] = {{203, 103, true},  {227, 103, true},  {203, 127, true},  {227, 127, true},
                 {215, 97, false},  {215, 133, false}, {233, 115, false}, {185, 110, true},
                 {150, 110, false}, {170, 110, false}, {185, 97, false}};
    for (const auto& c : cases) {
        EXPECT_EQ(IsInsideAnyShape(level, c.x, c.y), c.inside) << c.x << ", " << c.y;
    }
    const Level before = level;
    EXPECT_EQ(Click(185, 110), PlaceResult::InsideShape);
    EXPECT_EQ(level, before);
}

TEST_F(Placement, AFarClickAttachesAtTheNearestPointOnTheClicksSide) {
    Click(200, 100, 4); // square (200..230, 100..130)
    ASSERT_EQ(Click(500, 400, 4), PlaceResult::Placed);
    EXPECT_EQ(level.points.size(), 6u); // shares the corner (230, 130) and a neighbour
    EXPECT_EQ(level.shapes.size(), 2u);
    const Pixel centre = EntryPixel(level.shapes[1], 0);
    EXPECT_LT(centre.y, 200.0); // built next to the figure, not at the click
    // The new square lies below or right of the old one, on the click's side.
    const Shape& s = level.shapes[1];
    const double cx = double(s.centreX) * 20.0 - 5.0;
    const double cy = double(s.centreY) * 30.0 - 5.0;
    EXPECT_TRUE(cx > 230.0 || cy > 130.0);
}

TEST_F(Placement, ANearestPointWithoutNeighboursGivesAFreePolygonAtTheClick) {
    AddPoint(level, 77, 5.0f, 2.0f); // a lone point at (100, 60)
    level.pointCount = 1;
    ASSERT_EQ(Click(300, 200), PlaceResult::Placed);
    ASSERT_EQ(level.points.size(), 4u);
    ExpectNear(PointPixel(level.points[1]), {330, 200});
    ExpectNear(PointPixel(level.points[3]), {300, 200});
}

TEST_F(Placement, AClickOnTheLineThroughTheAnchorsBuildsOnTheEdgeFromSecondToFirst) {
    // Two points joined by a side, and a click on the line through them beyond the first.
    AddPoint(level, 1, 10.0f, 4.0f); // (200, 120)
    AddPoint(level, 2, 11.5f, 4.0f); // (230, 120)
    level.pointCount = 2;
    ASSERT_EQ(Click(190, 120, 4), PlaceResult::Placed);
    // Built to the right of 2 -> 1, the edge pointing left, so the square hangs upwards.
    ASSERT_EQ(level.points.size(), 4u);
    ExpectNear(PointPixel(level.points[2]), {200, 90});
    ExpectNear(PointPixel(level.points[3]), {230, 90});
}

TEST_F(Placement, ACornerInsideTheMergeBoxReusesThePoint) {
    AddPoint(level, 9, 10.01f, 3.3383f); // 0.2 and 0.15 pixels off the click (200, 100)
    level.pointCount = 1;
    BuildPolygon(level, random, 200.0f, 100.0f, 0, 0, 3);
    EXPECT_EQ(level.points.size(), 3u);
    EXPECT_EQ(level.pointCount, 3);
    EXPECT_EQ(level.connectors[1].pointIds[1], 9);
}

TEST_F(Placement, ASideCountOutsideThreeToTwelveAddsNothing) {
    Click(200, 100, 3);
    const Level before = level;
    for (int sides : {0, 2, 13, 16, 255}) {
        EXPECT_EQ(Click(300, 200, sides), PlaceResult::BadSideCount) << sides;
        BuildPolygon(level, random, 300.0f, 200.0f, 0, 0, uint8_t(sides));
        EXPECT_EQ(level, before) << sides;
    }
}

TEST_F(Placement, AFullLevelAddsNothingAtAll) {
    // 32769 ids in all; a triangle needs 3 points, 3 connectors and a shape.
    for (int id = 0; id < 32769 - 6; ++id) {
        level.points.push_back({int16_t(id), float(id), 1000.0f});
    }
    level.pointCount = 1;
    const Level before = level;
    EXPECT_EQ(Click(200, 100), PlaceResult::LevelFull);
    EXPECT_EQ(level, before);
    level.points.pop_back();
    EXPECT_EQ(Click(200, 100), PlaceResult::Placed);
    EXPECT_EQ(level.shapes.size(), 1u);
}

template <typename T> bool HasId(const std::vector<T>& list, int16_t id) {
    return std::any_of(list.begin(), list.end(), [id](const T& e) { return e.id == id; });
}

// Every rule placement keeps, checked on the whole level: ends and outlines refer to
// elements that exist, outlines close, no two points merge, and the counters and the
// smallest side count agree with the lists.
void ExpectInvariants(const Level& level) {
    for (const Connector& c : level.connectors) {
        EXPECT_TRUE(HasId(level.points, c.pointIds[0]) && HasId(level.points, c.pointIds[1]));
    }
    int smallest = NO_SHAPE_MINIMUM;
    for (const Shape& s : level.shapes) {
        const int n = EntryTotal(s) - 1;
        EXPECT_TRUE(n >= 3 && n <= 12) << n;
        smallest = std::min(smallest, n);
        EXPECT_EQ(s.entryX[n], s.entryX[0]);
        EXPECT_EQ(s.entryY[n], s.entryY[0]);
        for (int k = 0; k <= n; ++k) {
            EXPECT_TRUE(HasId(level.connectors, s.connectorIds[k]));
        }
    }
    EXPECT_EQ(level.smallestSideCount, smallest);
    for (size_t i = 0; i < level.points.size(); ++i) {
        for (size_t j = i + 1; j < level.points.size(); ++j) {
            const Point& a = level.points[i];
            const Point& b = level.points[j];
            EXPECT_FALSE(std::fabs(a.x - b.x) < 0.02f && std::fabs(a.y - b.y) < 0.02f);
        }
    }
    EXPECT_EQ(level.shapeCount, int16_t(level.shapes.size()));
    EXPECT_EQ(level.pointCount, int16_t(level.points.size()));
    EXPECT_EQ(level.connectorCount, int16_t(level.connectors.size()));
}

TEST(RandomPlacement, EveryInvariantHoldsAfterRandomClickSequences) {
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE(seed);
        Clicks c;
        c.random = MakeRandomSource(seed);
        RandomSource dice = MakeRandomSource(seed * 7919);
        for (int i = 0; i < 25; ++i) {
            const int sides = 3 + RandomUpTo(dice, 9);
            const float x = float(141 + RandomUpTo(dice, 500));
            c.Click(x, float(63 + RandomUpTo(dice, 414)), sides);
        }
        EXPECT_GT(c.level.shapes.size(), 1u);
        ExpectInvariants(c.level);
    }
}

} // namespace
} // namespace kivo
