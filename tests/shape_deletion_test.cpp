#include "level/shape_deletion.h"

#include "clicks.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace kivo {
namespace {

TEST(DeleteShape, TwoTrianglesSharingASideOneAfterTheOtherButNotAnUnknownId) {
    Clicks c;
    c.Click(200, 100);
    c.Click(220, 90);
    const Point lowerApex = c.level.points[1];
    const Connector shared = c.level.connectors[2];
    const Level before = c.level;
    EXPECT_FALSE(DeleteShape(c.level, int16_t(c.level.shapes[1].id + 1))); // an unknown id
    EXPECT_EQ(c.level, before);
    ASSERT_TRUE(DeleteShape(c.level, c.level.shapes[0].id));

    ASSERT_EQ(c.level.shapes.size(), 1u);
    EXPECT_EQ(c.level.connectors.size(), 3u);
    ASSERT_EQ(c.level.points.size(), 3u);
    EXPECT_TRUE(std::none_of(c.level.points.begin(), c.level.points.end(),
                             [&](const Point& p) { return p.id == lowerApex.id; }));
    EXPECT_EQ(c.level.connectors[0], shared); // list order is kept
    // The counters never go down.
    EXPECT_TRUE(c.level.pointCount == 4 && c.level.connectorCount == 5 && c.level.shapeCount == 2);

    ASSERT_TRUE(DeleteShape(c.level, c.level.shapes[0].id));
    EXPECT_TRUE(c.level.points.empty() && c.level.connectors.empty() && c.level.shapes.empty());
}

TEST(DeleteShape, ANeighbourKeepsItsSidesAndCornersInAStrip) {
    Clicks c;
    c.Click(200, 100, 4); // square
    c.Click(215, 90, 3);  // triangle on its top side
    c.Click(240, 115, 3); // triangle on its right side
    ASSERT_EQ(c.level.shapes.size(), 3u);
    ASSERT_TRUE(DeleteShape(c.level, c.level.shapes[0].id));
    // Both triangles stay whole: their 6 sides and 5 corners (one shared by both).
    EXPECT_TRUE(c.level.shapes.size() == 2 && c.level.connectors.size() == 6 &&
                c.level.points.size() == 5);
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
