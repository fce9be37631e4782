#include "level/element_ops.h"

#include <gtest/gtest.h>

namespace kivo {
namespace {

TEST(AddPoint, MergesWithinTheBoxAndAddsJustOutsideIt) {
    Level level;
    EXPECT_EQ(AddPoint(level, 5, 10.0f, 4.0f), 5);
    EXPECT_EQ(AddPoint(level, 6, 10.019f, 4.019f), 5);
    EXPECT_EQ(AddPoint(level, 7, 9.981f, 3.981f), 5);
    EXPECT_EQ(AddPoint(level, 8, 10.021f, 4.0f), 8);
    EXPECT_EQ(AddPoint(level, 9, 11.0f, 4.021f), 9);
    EXPECT_EQ(level.points.size(), 3u);
    // The box is per axis, so a point 0.019 off on both axes (0.027 away) still merges.
    EXPECT_EQ(AddPoint(level, 10, 11.019f, 4.04f), 9);
    // Of two points in reach the first in list order wins; the given id is not checked.
    AddPoint(level, 11, 11.03f, 4.0f);
    EXPECT_EQ(AddPoint(level, 12, 11.015f, 4.015f), 9);
    EXPECT_EQ(AddPoint(level, 5, 50.0f, 50.0f), 5);
    EXPECT_EQ(level.points.size(), 5u);
}

TEST(AddConnector, FindsAnExistingSideInEitherOrder) {
    Level level;
    EXPECT_EQ(AddConnector(level, 10, 1, 2), 10);
    EXPECT_EQ(AddConnector(level, 11, 2, 1), 10);
    EXPECT_EQ(AddConnector(level, 12, 1, 2), 10);
    EXPECT_EQ(AddConnector(level, 13, 1, 3), 13);
    ASSERT_EQ(level.connectors.size(), 2u);
    EXPECT_EQ(level.connectors[0].pointIds[0], 1);
    EXPECT_EQ(level.connectors[0].pointIds[1], 2);
}

TEST(ConnectorEnds, StayZeroUntilRefreshedThenFollowThePoints) {
    Level level;
    AddPoint(level, 1, 11.5f, 2.0f);
    AddPoint(level, 2, 10.0f, 3.0f);
    AddConnector(level, 3, 1, 2);
    EXPECT_EQ(level.connectors[0].endX[0], 0.0f);
    EXPECT_EQ(level.connectors[0].endY[1], 0.0f);
    RefreshConnectorEnds(level);
    EXPECT_EQ(level.connectors[0].endX[0], 230.0f);
    EXPECT_EQ(level.connectors[0].endY[0], 60.0f);
    EXPECT_EQ(level.connectors[0].endX[1], 200.0f);
    EXPECT_EQ(level.connectors[0].endY[1], 90.0f);
}

TEST(AddShapeEntry, CentreIsTheMeanOfAllButTheLastEntry) {
    Level level;
    AddShape(level, 7);
    EXPECT_TRUE(AddShapeEntry(level, 7, 2.0f, 3.0f, 1));
    EXPECT_TRUE(AddShapeEntry(level, 7, 4.0f, 3.0f, 2));
    const Shape& s = level.shapes[0];
    EXPECT_EQ(s.centreX, 2.0f);
    EXPECT_EQ(s.centreY, 3.0f);
    AddShapeEntry(level, 7, 4.0f, 5.0f, 3);
    AddShapeEntry(level, 7, 2.0f, 5.0f, 4);
    AddShapeEntry(level, 7, 2.0f, 3.0f, 4);
    EXPECT_EQ(s.entryCount, 5.0f);
    EXPECT_EQ(s.centreX, 3.0f);
    EXPECT_EQ(s.centreY, 4.0f);
    EXPECT_EQ(s.connectorIds[4], 4);
}

TEST(AddShapeEntry, ChangesOnlyTheFirstShapeWithTheIdAndRefusesMissingIds) {
    Level level;
    AddShape(level, 1);
    AddShape(level, 1);
    EXPECT_TRUE(AddShapeEntry(level, 1, 1.0f, 1.0f, 9));
    EXPECT_EQ(level.shapes[0].entryCount, 1.0f);
    EXPECT_EQ(level.shapes[1].entryCount, 0.0f);
    EXPECT_FALSE(AddShapeEntry(level, 2, 1.0f, 1.0f, 9));
}

TEST(AddShapeEntry, NeverWritesBeyondTheOutlineSlots) {
    Level level;
    AddShape(level, 1);
    for (int k = 0; k < MAX_SHAPE_ENTRIES; ++k) {
        ASSERT_TRUE(AddShapeEntry(level, 1, float(k), 0.0f, int16_t(k)));
    }
    const Shape before = level.shapes[0];
    EXPECT_FALSE(AddShapeEntry(level, 1, 99.0f, 99.0f, 99));
    EXPECT_EQ(level.shapes[0], before);
    EXPECT_EQ(level.shapes[0].entryCount, 17.0f);
}

TEST(NearestPoint, KeepsTheEarlierOfEquallyNearPoints) {
    Level level;
    AddPoint(level, 3, 11.0f, 3.0f); // (220, 90)
    AddPoint(level, 4, 9.0f, 3.0f);  // (180, 90)
    EXPECT_EQ(NearestPoint(level, 200.0f, 90.0f, 0), 3);
    level.points.clear();
    AddPoint(level, 4, 9.0f, 3.0f);
    AddPoint(level, 3, 11.0f, 3.0f);
    EXPECT_EQ(NearestPoint(level, 200.0f, 90.0f, 0), 4);
}

TEST(NearestPoint, WithAnAnchorOnlyItsNeighboursWithin33PixelsTakePart) {
    Level level;
    AddPoint(level, 1, 10.0f, 3.0f);  // anchor at (200, 90)
    AddPoint(level, 2, 11.65f, 3.0f); // (233, 90): 33 away, inclusive
    AddPoint(level, 3, 8.0f, 3.0f);   // (160, 90): too far from the anchor
    EXPECT_EQ(NearestPoint(level, 160.0f, 90.0f, 1), 2);
    EXPECT_EQ(NearestPoint(level, 160.0f, 90.0f, 0), 3);
}

TEST(NearestPoint, AnAnchorWithoutNeighboursFindsNothing) {
    Level level;
    AddPoint(level, 1, 10.0f, 3.0f);
    AddPoint(level, 2, 20.0f, 3.0f);
    EXPECT_EQ(NearestPoint(level, 400.0f, 90.0f, 1), 0);
}

TEST(NearestPoint, SkipsAPointWhoseIdEqualsTheAnchorIdAndIgnoresFarPoints) {
    Level level;
    AddPoint(level, 0, 10.0f, 3.0f);
    EXPECT_EQ(NearestPoint(level, 200.0f, 90.0f, 0), 0);
    AddPoint(level, 5, 600.0f, 3.0f); // 11800 pixels away
    EXPECT_EQ(NearestPoint(level, 0.0f, 90.0f, 0), 0);
}

TEST(NearestShape, MeasuresToTheScaledCentreAndFindsIdZero) {
    Level level;
    EXPECT_EQ(NearestShape(level, 100.0f, 100.0f), 0);
    AddShape(level, 0);
    level.shapes[0].centreX = 10.0f; // (200, 300) scaled, without the 5-pixel shift
    level.shapes[0].centreY = 10.0f;
    AddShape(level, 8);
    level.shapes[1].centreX = 12.0f;
    level.shapes[1].centreY = 10.0f;
    EXPECT_EQ(NearestShape(level, 205.0f, 300.0f), 0);
    EXPECT_EQ(NearestShape(level, 235.0f, 300.0f), 8);
    EXPECT_EQ(NearestShape(level, 220.0f, 300.0f), 0); // a tie keeps the first
}

TEST(NewUniqueId, AvoidsIdsOfEveryKind) {
    Level level;
    RandomSource random = MakeRandomSource(3);
    for (int i = 0; i < 200; ++i) {
        const int16_t id = NewUniqueId(level, random).value();
        EXPECT_FALSE(IdInUse(level, id));
        switch (i % 3) {
        case 0:
            AddPoint(level, id, float(i), 0.0f);
            break;
        case 1:
            AddConnector(level, id, int16_t(i), int16_t(i + 1));
            break;
        default:
            AddShape(level, id);
        }
    }
}

TEST(NewUniqueId, FindsTheLastFreeIdAndReportsAFullLevel) {
    Level level;
    for (int id = 0; id <= 32767; ++id) {
        level.points.push_back({int16_t(id), 0.0f, 0.0f});
    }
    RandomSource random = MakeRandomSource(11);
    EXPECT_EQ(NewUniqueId(level, random), std::optional<int16_t>(-32768));
    level.shapes.push_back(Shape{});
    level.shapes.back().id = -32768;
    EXPECT_EQ(NewUniqueId(level, random), std::nullopt);
}

} // namespace
} // namespace kivo
