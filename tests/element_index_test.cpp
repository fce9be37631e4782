// The indexes must give exactly what the scans give; these tests run both side by side.
#include "level/element_index.h"

#include "construction/level_transform.h"
#include "construction/polygon.h"
#include "construction/reference_scans.h"
#include "level/element_ops.h"
#include "level/reference_scans.h"
#include "level/shape_deletion.h"

#include <gtest/gtest.h>

#include <limits>
#include <map>

namespace kivo {
namespace {

// Coordinates that often fall within 0.02 of each other, on cell edges, or out of reach.
float NearbyCoordinate(RandomSource& dice) {
    const float outOfReach[] = {std::numeric_limits<float>::quiet_NaN(),
                                std::numeric_limits<float>::infinity(), 2.0e9f};
    const int pick = RandomUpTo(dice, 20);
    return pick < 3    ? outOfReach[pick]
           : pick == 3 ? float(RandomUpTo(dice, 10)) * 0.04f // on cell edges
                       : float(RandomUpTo(dice, 400)) * 0.0125f - 1.0f;
}

TEST(ElementIndex, PointsMergeAsTheScanMergesThem) {
    for (uint32_t seed = 1; seed <= 30; ++seed) {
        SCOPED_TRACE(seed);
        RandomSource dice = MakeRandomSource(seed);
        Level scanned;
        Level indexed;
        PointGrid grid = BuildPointGrid(indexed);
        for (int i = 0; i < 500; ++i) {
            const auto id = int16_t(RandomUpTo(dice, 500));
            const float x = NearbyCoordinate(dice);
            const float y = NearbyCoordinate(dice);
            ASSERT_EQ(AddPoint(indexed, grid, id, x, y), AddPoint(scanned, id, x, y));
            if (i == 400) {
                grid = BuildPointGrid(indexed); // as if the level had been loaded
            }
        }
        EXPECT_EQ(indexed.points, scanned.points);
    }
}

// Two points 0.03 apart in neighbouring cells (0.025 in cell 0, 0.055 in cell 1), and a
// position within the merge box of both: the grid must answer with the earlier point whichever
// cell it looks into first, also once rebuilt.
TEST(ElementIndex, TheGridFindsTheEarliestOfPointsInDifferentCells) {
    for (int axis = 0; axis < 2; ++axis) {
        for (bool earlierInUpperCell : {false, true}) {
            SCOPED_TRACE(testing::Message() << axis << earlierInUpperCell);
            Level level;
            PointGrid grid = BuildPointGrid(level);
            auto add = [&](int16_t id, float along) {
                return axis == 0 ? AddPoint(level, grid, id, along, 1.0f)
                                 : AddPoint(level, grid, id, 1.0f, along);
            };
            ASSERT_EQ(add(1, earlierInUpperCell ? 0.055f : 0.025f), 1);
            ASSERT_EQ(add(2, earlierInUpperCell ? 0.025f : 0.055f), 2);
            EXPECT_EQ(add(3, 0.04f), 1);
            grid = BuildPointGrid(level);
            EXPECT_EQ(add(3, 0.04f), 1);
        }
    }
}

// Connectors found or added through the index, and their ends cached through the table of
// first points, as the scans find, add and cache them; ids and ends repeat on purpose.
TEST(ElementIndex, ConnectorsAndTheirEndsAreWhatTheScansMakeThem) {
    RandomSource dice = MakeRandomSource(3);
    Level scanned;
    for (int i = 0; i < 300; ++i) {
        scanned.points.push_back({int16_t(RandomUpTo(dice, 30) - 10), float(i + 1), float(-i)});
    }
    Level indexed = scanned;
    ConnectorIndex index = BuildConnectorIndex(indexed);
    for (int i = 0; i < 3000; ++i) {
        const auto id = int16_t(RandomUpTo(dice, 65535) - 32768);
        const auto a = int16_t(RandomUpTo(dice, 40) - 20);
        const auto b = int16_t(RandomUpTo(dice, 40) - 20);
        ASSERT_EQ(AddConnector(indexed, index, id, a, b), AddConnector(scanned, id, a, b));
        if (i == 1000) {
            index = BuildConnectorIndex(indexed); // as if the level had been loaded
        }
    }
    RefreshConnectorEnds(indexed);
    RefreshConnectorEndsByScan(scanned);
    EXPECT_EQ(indexed.connectors, scanned.connectors);
}

// The way out on a nearly full level: with a fixed seed the choice is repeatable, and over
// many choices every free drawable id comes up about equally often and nothing else does.
TEST(ChooseFreeId, ChoosesEveryFreeIdAlikeAndNeverATakenOne) {
    IdSet ids;
    ids.used.assign(ids.used.size(), true);
    const int16_t free[] = {777, 32767, -32768};
    for (int16_t id : free) {
        ids.used[uint16_t(id)] = false;
    }
    ids.used[uint16_t(-5)] = false;            // free, but no draw gives it
    ids.used[uint16_t(NO_ELEMENT_ID)] = false; // free, but never given
    RandomSource random = MakeRandomSource(5);
    std::map<int16_t, int> chosen;
    for (int i = 0; i < 900; ++i) {
        ++chosen[ChooseFreeId(ids, random).value_or(-1)];
    }
    EXPECT_EQ(chosen.size(), 3u);
    for (int16_t id : free) {
        EXPECT_NEAR(chosen[id], 300, 50) << id;
    }
    ids.used[777] = ids.used[32767] = ids.used[32768] = true;
    EXPECT_EQ(ChooseFreeId(ids, random), std::nullopt);
}

// The last seeds start from a nearly full level, where fresh ids come from the way out.
TEST(ElementIndex, ClickSequencesBuildTheSameLevelsAsTheScans) {
    for (uint32_t seed = 1; seed <= 42; ++seed) {
        SCOPED_TRACE(seed);
        RandomSource dice = MakeRandomSource(seed + 1000);
        Level indexed;
        for (int draw = 0; seed > 40 && draw < 32769 - 40; ++draw) {
            indexed.points.push_back({IdOfDraw(draw), float(draw % 100) + 1000.0f, float(draw)});
        }
        indexed.pointCount = int16_t(indexed.points.size());
        Level scanned = indexed;
        RandomSource indexedIds = MakeRandomSource(seed);
        RandomSource scannedIds = MakeRandomSource(seed);
        for (int step = 0; step < 60; ++step) {
            const int action = RandomUpTo(dice, 9);
            const float x = float(100 + RandomUpTo(dice, 600));
            const float y = float(50 + RandomUpTo(dice, 450));
            if (action == 0) {
                const int16_t id = NearestShape(indexed, x, y);
                DeleteShape(indexed, id);
                DeleteShapeByScan(scanned, id);
            } else if (action == 1) {
                const float angle = float(RandomUpTo(dice, 360));
                RotateLevel(indexed, angle);
                RotateLevelByScan(scanned, angle);
            } else {
                const uint8_t n = uint8_t(3 + RandomUpTo(dice, 9));
                ASSERT_EQ(PlacePolygon(indexed, indexedIds, x, y, n),
                          PlacePolygonByScan(scanned, scannedIds, x, y, n));
            }
            ASSERT_EQ(indexed, scanned) << "step " << step;
        }
    }
}

} // namespace
} // namespace kivo
