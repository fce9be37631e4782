#include "level/shape_deletion.h"

#include "clicks.h"

#include <gtest/gtest.h>

#include <tuple>

namespace kivo {
namespace {

// A square with a triangle on its top side and one on its right side, taken away one polygon
// at a time: each takes the sides and corners no other polygon uses, the rest keep their list
// order, and the counters never go down.
TEST(DeleteShape, EachPolygonTakesOnlyWhatNoOtherUsesButNotAnUnknownId) {
    Clicks c;
    c.Click(200, 100, 4);
    c.Click(215, 90, 3);
    c.Click(240, 115, 3);
    const Level before = c.level;
    EXPECT_FALSE(DeleteShape(c.level, int16_t(c.level.shapes[2].id + 1)));
    EXPECT_EQ(c.level, before);
    ASSERT_TRUE(DeleteShape(c.level, c.level.shapes[0].id));
    // Both triangles stay whole: their 6 sides and 5 corners (one shared by both).
    EXPECT_EQ(c.level.shapes.size(), 2u);
    EXPECT_EQ(c.level.connectors.size(), 6u);
    EXPECT_EQ(c.level.points.size(), 5u);
    ASSERT_TRUE(DeleteShape(c.level, c.level.shapes[0].id));
    const std::vector<Point> points = before.points;
    EXPECT_EQ(c.level.points, (std::vector<Point>{points[0], points[1], points[5]}));
    const std::vector<Connector> sides = before.connectors;
    EXPECT_EQ(c.level.connectors, (std::vector<Connector>{sides[0], sides[6], sides[7]}));
    EXPECT_EQ(std::tuple(c.level.pointCount, c.level.connectorCount, c.level.shapeCount),
              std::tuple(before.pointCount, before.connectorCount, before.shapeCount));
    ASSERT_TRUE(DeleteShape(c.level, c.level.shapes[0].id));
    EXPECT_TRUE(c.level.points.empty());
    EXPECT_TRUE(c.level.connectors.empty());
    EXPECT_TRUE(c.level.shapes.empty());
}

// Loaded files may repeat ids: every element with the id goes, not only the first.
TEST(DeleteShape, EveryElementWithTheIdGoesAndPointsSharedByConnectorsStay) {
    Level level;
    level.points = {{1, 0, 0}, {2, 1, 0}, {1, 5, 5}, {3, 2, 0}};
    level.connectors.resize(3);
    const int16_t ends[][3] = {{10, 1, 2}, {0, 2, 3}, {10, 3, 2}};
    for (int i = 0; i < 3; ++i) {
        level.connectors[size_t(i)] = {ends[i][0], {ends[i][1], ends[i][2]}, {}, {}};
    }
    // Each element is asked to go once, so a second copy cannot be taken by a second call.
    // The second shape has no outline entries.
    level.shapes.resize(2);
    level.shapes[0].id = level.shapes[1].id = 5;
    level.shapes[0].entryCount = 1.0f;
    level.shapes[0].connectorIds[0] = 10;
    EXPECT_TRUE(DeleteShape(level, 5));
    EXPECT_TRUE(level.shapes.empty());
    ASSERT_EQ(level.connectors.size(), 1u);
    EXPECT_EQ(level.connectors[0].id, 0); // the shape without entries takes no connector 0
    ASSERT_EQ(level.points.size(), 2u);
    EXPECT_EQ(level.points[0].id, 2);
    EXPECT_EQ(level.points[1].id, 3);
}

} // namespace
} // namespace kivo
