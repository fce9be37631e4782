#include "level/element_ops.h"

#include "level/element_index.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kivo {
namespace {

// The box is per axis, so a point 0.019 off on both axes (0.027 away) still merges. Of two
// points in reach the first in list order wins; the given id is not checked.
TEST(AddPoint, MergesWithinTheBoxAndAddsJustOutsideIt) {
    const struct {
        int16_t id;
        float x, y;
        int16_t found;
    } adds[] = {{5, 10.0f, 4.0f, 5},    {6, 10.019f, 4.019f, 5},  {7, 9.981f, 3.981f, 5},
                {8, 10.021f, 4.0f, 8},  {9, 11.0f, 4.021f, 9},    {10, 11.019f, 4.04f, 9},
                {11, 11.03f, 4.0f, 11}, {12, 11.015f, 4.015f, 9}, {5, 50.0f, 50.0f, 5}};
    Level level;
    for (const auto& a : adds) {
        EXPECT_EQ(AddPoint(level, a.id, a.x, a.y), a.found) << a.id;
    }
    EXPECT_EQ(level.points.size(), 5u);
}

TEST(AddShapeEntry, CentreIsTheMeanOfAllButTheLastEntryAndNoEntryGoesBeyondTheSlots) {
    Level level;
    AddShape(level, 7);
    AddShape(level, 7);
    const Shape& s = level.shapes[0];
    EXPECT_TRUE(AddShapeEntry(level, 7, 2.0f, 3.0f, 1));
    EXPECT_EQ(s.centreX, 2.0f);
    EXPECT_EQ(s.centreY, 3.0f);
    const float entries[][2] = {{4, 3}, {4, 5}, {2, 5}, {2, 3}};
    for (const auto& e : entries) {
        EXPECT_TRUE(AddShapeEntry(level, 7, e[0], e[1], int16_t(e[0])));
    }
    EXPECT_EQ(s.entryCount, 5.0f);
    EXPECT_EQ(s.centreX, 3.0f);
    EXPECT_EQ(s.centreY, 4.0f);
    EXPECT_EQ(s.connectorIds[4], 2);
    EXPECT_EQ(level.shapes[1].entryCount, 0.0f); // only the first shape with the id
    EXPECT_FALSE(AddShapeEntry(level, 2, 1.0f, 1.0f, 9));
    for (int k = 5; k < MAX_SHAPE_ENTRIES; ++k) {
        ASSERT_TRUE(AddShapeEntry(level, 7, float(k), 0.0f, int16_t(k)));
    }
    const Shape full = s; // the outline's slots are all taken
    EXPECT_FALSE(AddShapeEntry(level, 7, 99.0f, 99.0f, 99));
    EXPECT_EQ(s, full);
}

// With an anchor, only its neighbours within 33 pixels take part.
TEST(NearestPoint, TheEarlierOfEquallyNearPointsAndNothingFarOrWithTheAnchorsId) {
    Level level;
    AddPoint(level, 3, 11.0f, 3.0f); // (220, 90)
    AddPoint(level, 4, 9.0f, 3.0f);  // (180, 90)
    EXPECT_EQ(NearestPoint(level, 200.0f, 90.0f, 0), 3);
    std::swap(level.points[0], level.points[1]);
    EXPECT_EQ(NearestPoint(level, 200.0f, 90.0f, 0), 4);
    EXPECT_EQ(NearestPoint(level, 30000.0f, 90.0f, 0), 0); // beyond the search start
    level.points = {{0, 10.0f, 3.0f}, {6, 13.0f, 3.0f}};   // id 0 is the "no anchor" id
    EXPECT_EQ(NearestPoint(level, 200.0f, 90.0f, 0), 6);
    // The anchor's x, 0.35f * 20, rounds to exactly 7 pixels, so a point at 40 pixels lies
    // exactly 33.0 away, and one at the next float beyond just outside.
    for (float x : {2.0f, std::nextafter(2.0f, 3.0f)}) {
        SCOPED_TRACE(x);
        level.points = {{1, 0.35f, 3.0f}, {2, x, 3.0f}, {3, 40.0f, 3.0f}};
        EXPECT_EQ(NearestPoint(level, 300.0f, 90.0f, 1), x == 2.0f ? 2 : 0);
        EXPECT_EQ(NearestPoint(level, 300.0f, 90.0f, 0), 2);
        EXPECT_EQ(NearestPoint(level, 300.0f, 90.0f, 3), 0); // no neighbours at all
    }
}

TEST(NearestShape, MeasuresToTheScaledCentreAndFindsIdZero) {
    Level level;
    EXPECT_EQ(NearestShape(level, 100.0f, 100.0f), 0);
    level.shapes.resize(2); // centres (200, 300) and (240, 300) scaled, without the shift
    level.shapes[0].centreX = level.shapes[0].centreY = level.shapes[1].centreY = 10.0f;
    level.shapes[1].centreX = 12.0f;
    level.shapes[1].id = 8;
    EXPECT_EQ(NearestShape(level, 205.0f, 300.0f), 0);
    EXPECT_EQ(NearestShape(level, 235.0f, 300.0f), 8);
    EXPECT_EQ(NearestShape(level, 220.0f, 300.0f), 0); // a tie keeps the first
}

// Both ways of drawing an id, the scan of the lists and the set, must pass over an id that a
// point, a connector or a shape holds, and over 0: a point with id 0 could not be found by a
// click, since 0 is what the searches return for none. Seed 9456 draws 0 first.
TEST(NewUniqueId, PassesOverAnIdThatAnyKindOfElementHoldsAndTheIdForNone) {
    for (int kind = 0; kind < 3; ++kind) {
        SCOPED_TRACE(kind);
        RandomSource random = MakeRandomSource(3);
        RandomSource draws = random;
        const int16_t first = IdOfDraw(RandomUpTo(draws, ID_DRAW_MAX));
        const int16_t second = IdOfDraw(RandomUpTo(draws, ID_DRAW_MAX));
        Level level;
        kind == 0   ? void(AddPoint(level, first, 0.0f, 0.0f))
        : kind == 1 ? void(AddConnector(level, first, 1, 2))
                    : void(AddShape(level, first));
        RandomSource again = random;
        EXPECT_EQ(NewUniqueId(level, random), second);
        EXPECT_EQ(NewUniqueId(UsedIds(level), again), second);
    }
    RandomSource draws = MakeRandomSource(9456);
    ASSERT_EQ(IdOfDraw(RandomUpTo(draws, ID_DRAW_MAX)), NO_ELEMENT_ID);
    const int16_t redrawn = IdOfDraw(RandomUpTo(draws, ID_DRAW_MAX));
    RandomSource scan = MakeRandomSource(9456);
    RandomSource set = MakeRandomSource(9456);
    EXPECT_EQ(NewUniqueId(Level{}, scan), redrawn);
    EXPECT_EQ(NewUniqueId(IdSet{}, set), redrawn);
}

} // namespace
} // namespace kivo
