#include "level/shape_deletion.h"

#include "clicks.h"

#include <gtest/gtest.h>

namespace kivo {
namespace {

TEST(DeleteShape, TwoTrianglesSharingASideOneAfterTheOther) {
    Clicks c;
    c.Click(200, 100);
    c.Click(220, 90);
    const Point lowerApex = c.level.points[1];
    const Connector shared = c.level.connectors[2];
    ASSERT_TRUE(DeleteShape(c.level, c.level.shapes[0].id));

    ASSERT_EQ(c.level.shapes.size(), 1u);
    EXPECT_EQ(c.level.connectors.size(), 3u);
    EXPECT_EQ(c.level.points.size(), 3u);
    for (const Point& p : c.level.points) {
        EXPECT_NE(p.id, lowerApex.id);
    }
    EXPECT_EQ(c.level.connectors[0], shared); // list order is kept
    EXPECT_EQ(c.level.pointCount, 4);
    EXPECT_EQ(c.level.connectorCount, 5);
    EXPECT_EQ(c.level.shapeCount, 2);

    ASSERT_TRUE(DeleteShape(c.level, c.level.shapes[0].id));
    EXPECT_TRUE(c.level.points.empty());
    EXPECT_TRUE(c.level.connectors.empty());
    EXPECT_TRUE(c.level.shapes.empty());
    EXPECT_EQ(c.level.pointCount, 4);
}

TEST(DeleteShape, AnUnknownIdChangesNothingAndAsksForNoErase) {
    Clicks c;
    c.Click(200, 100, 5);
    const Level before = c.level;
    EXPECT_FALSE(DeleteShape(c.level, int16_t(c.level.shapes[0].id + 1)));
    EXPECT_EQ(c.level, before);
    Level empty;
    EXPECT_FALSE(DeleteShape(empty, 0));
}

TEST(DeleteShape, ANeighbourKeepsItsSidesAndCornersInAStrip) {
    Clicks c;
    c.Click(200, 100, 4); // square
    c.Click(215, 90, 3);  // triangle on its top side
    c.Click(240, 115, 3); // triangle on its right side
    ASSERT_EQ(c.level.shapes.size(), 3u);
    ASSERT_TRUE(DeleteShape(c.level, c.level.shapes[0].id));
    // Both triangles stay whole: their 6 sides and 6 corners (two shared with nothing now).
    EXPECT_EQ(c.level.shapes.size(), 2u);
    EXPECT_EQ(c.level.connectors.size(), 6u);
    EXPECT_EQ(c.level.points.size(), 5u);
}

TEST(DeleteShape, EveryShapeWithTheIdGoesAndPointsSharedByConnectorsStay) {
    Level level;
    level.points = {{1, 0, 0}, {2, 1, 0}, {3, 2, 0}};
    Connector a;
    a.id = 10;
    a.pointIds[0] = 1;
    a.pointIds[1] = 2;
    Connector b = a;
    b.id = 11;
    b.pointIds[0] = 2;
    b.pointIds[1] = 3;
    level.connectors = {a, b};
    Shape s;
    s.id = 5;
    s.entryCount = 2.0f;
    s.connectorIds[0] = 10;
    s.connectorIds[1] = 10;
    level.shapes = {s, s};
    EXPECT_TRUE(DeleteShape(level, 5));
    EXPECT_TRUE(level.shapes.empty());
    ASSERT_EQ(level.connectors.size(), 1u);
    EXPECT_EQ(level.connectors[0].id, 11);
    ASSERT_EQ(level.points.size(), 2u);
    EXPECT_EQ(level.points[0].id, 2);
}

} // namespace
} // namespace kivo
