// The indexes must give exactly what the scans give; these tests run both side by side.
#include "level/element_index.h"

#include "construction/level_transform.h"
#include "construction/polygon.h"
#include "construction/reference_scans.h"
#include "level/element_ops.h"
#include "level/reference_scans.h"
#include "level/shape_deletion.h"
#include "storage/level_file.h"
#include "storage/reference_scans.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace kivo {
namespace {

// Coordinates that often fall within 0.02 of each other, on cell edges, or out of reach.
float NearbyCoordinate(RandomSource& dice) {
    switch (RandomUpTo(dice, 20)) {
    case 0:
        return std::numeric_limits<float>::quiet_NaN();
    case 1:
        return std::numeric_limits<float>::infinity();
    case 2:
        return 2.0e9f;
    case 3:
        return float(RandomUpTo(dice, 10)) * 0.04f; // on cell edges
    default:
        return float(RandomUpTo(dice, 400)) * 0.0125f - 1.0f;
    }
}

TEST(ElementIndex, PointsMergeAsTheScanMergesThem) {
    for (uint32_t seed = 1; seed <= 30; ++seed) {
        SCOPED_TRACE(seed);
        RandomSource dice = MakeRandomSource(seed);
        Level scanned;
        Level indexed;
        PointGrid grid = BuildPointGrid(indexed);
        for (int i = 0; i < 400; ++i) {
            const auto id = int16_t(RandomUpTo(dice, 500));
            const float x = NearbyCoordinate(dice);
            const float y = NearbyCoordinate(dice);
            ASSERT_EQ(AddPoint(indexed, grid, id, x, y), AddPoint(scanned, id, x, y));
        }
        ASSERT_EQ(indexed.points, scanned.points);
        // A grid built from a level finds the same first points as one grown with it.
        PointGrid rebuilt = BuildPointGrid(indexed);
        for (int i = 0; i < 100; ++i) {
            const float x = NearbyCoordinate(dice);
            const float y = NearbyCoordinate(dice);
            ASSERT_EQ(AddPoint(indexed, rebuilt, 7, x, y), AddPoint(scanned, 7, x, y));
        }
    }
}

TEST(ElementIndex, ConnectorsAreFoundAsTheScanFindsThem) {
    RandomSource dice = MakeRandomSource(3);
    Level scanned;
    Level indexed;
    ConnectorIndex index = BuildConnectorIndex(indexed);
    for (int i = 0; i < 3000; ++i) {
        const auto id = int16_t(RandomUpTo(dice, 65535) - 32768);
        const auto a = int16_t(RandomUpTo(dice, 40) - 20);
        const auto b = int16_t(RandomUpTo(dice, 40) - 20);
        ASSERT_EQ(AddConnector(indexed, index, id, a, b), AddConnector(scanned, id, a, b));
    }
    EXPECT_EQ(indexed.connectors, scanned.connectors);
}

TEST(ElementIndex, ConnectorEndsFollowTheFirstPointOfEachIdAsTheScanDoes) {
    RandomSource dice = MakeRandomSource(4);
    Level level;
    for (int i = 0; i < 300; ++i) {
        level.points.push_back({int16_t(RandomUpTo(dice, 100) - 50), float(i), float(-i)});
    }
    for (int i = 0; i < 500; ++i) {
        AddConnector(level, int16_t(i), int16_t(RandomUpTo(dice, 140) - 70),
                     int16_t(RandomUpTo(dice, 140) - 70));
    }
    Level reference = level;
    RefreshConnectorEnds(level);
    RefreshConnectorEndsByScan(reference);
    EXPECT_EQ(level.connectors, reference.connectors);
}

TEST(ElementIndex, FreshIdsAreTheScansIdsOnSparseAndNearlyFullLevels) {
    for (int fill : {0, 100, 32000, 32760, 32769}) {
        SCOPED_TRACE(fill);
        Level level;
        for (int draw = 0; draw < fill; ++draw) {
            level.points.push_back({IdOfDraw(draw), 0.0f, 0.0f});
        }
        level.points.push_back({-5, 0.0f, 0.0f}); // ids out of the draw range count too
        const IdSet ids = UsedIds(level);
        for (uint32_t seed = 1; seed <= 5; ++seed) {
            RandomSource a = MakeRandomSource(seed);
            RandomSource b = MakeRandomSource(seed);
            ASSERT_EQ(NewUniqueId(ids, a), NewUniqueId(level, b));
            ASSERT_EQ(RandomUpTo(a, 1000), RandomUpTo(b, 1000)); // the same draws were used
        }
    }
}

TEST(ElementIndex, ClickSequencesBuildTheSameLevelsAsTheScans) {
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE(seed);
        RandomSource dice = MakeRandomSource(seed + 1000);
        Level indexed;
        Level scanned;
        RandomSource indexedIds = MakeRandomSource(seed);
        RandomSource scannedIds = MakeRandomSource(seed);
        for (int step = 0; step < 60; ++step) {
            const int action = RandomUpTo(dice, 9);
            const float x = float(100 + RandomUpTo(dice, 600));
            const float y = float(50 + RandomUpTo(dice, 450));
            if (action == 0) {
                const int16_t id = NearestShape(indexed, x, y);
                DeleteShape(indexed, id);
                DeleteShape(scanned, id);
            } else if (action == 1) {
                const float angle = float(RandomUpTo(dice, 360));
                RotateLevel(indexed, angle);
                RotateLevel(scanned, angle);
            } else {
                const uint8_t n = uint8_t(3 + RandomUpTo(dice, 9));
                ASSERT_EQ(PlacePolygon(indexed, indexedIds, x, y, n),
                          PlacePolygonByScan(scanned, scannedIds, x, y, n));
            }
            ASSERT_EQ(indexed, scanned) << "step " << step;
        }
    }
}

TEST(ElementIndex, ANearlyFullLevelGetsTheSameIdsAsTheScan) {
    Level indexed;
    for (int draw = 0; draw < 32769 - 40; ++draw) {
        indexed.points.push_back({IdOfDraw(draw), float(draw % 100) + 1000.0f, float(draw / 100)});
    }
    indexed.pointCount = 1;
    Level scanned = indexed;
    RandomSource a = MakeRandomSource(8);
    RandomSource b = MakeRandomSource(8);
    for (int k = 0; k < 6; ++k) {
        const float x = float(100 + 40 * k);
        ASSERT_EQ(PlacePolygon(indexed, a, x, 100.0f, 3),
                  PlacePolygonByScan(scanned, b, x, 100.0f, 3));
    }
    EXPECT_EQ(indexed, scanned);
}

TEST(ElementIndex, FilesLoadAsTheScanLoadsThem) {
    for (uint32_t seed = 1; seed <= 30; ++seed) {
        SCOPED_TRACE(seed);
        RandomSource dice = MakeRandomSource(seed);
        const int points = RandomUpTo(dice, 300);
        const int connectors = RandomUpTo(dice, 400);
        QByteArray bytes = Word(points);
        for (int i = 0; i < points; ++i) {
            bytes += Word(RandomUpTo(dice, 200)) + Float(NearbyCoordinate(dice)) +
                     Float(NearbyCoordinate(dice));
        }
        bytes += Word(connectors);
        for (int i = 0; i < connectors; ++i) {
            bytes += Word(RandomUpTo(dice, 2000)) + Word(RandomUpTo(dice, 30)) +
                     Word(RandomUpTo(dice, 30));
        }
        bytes += Word(0) + Word(3);
        for (int k = 0; k < 3; ++k) {
            bytes += Word(RandomUpTo(dice, 30)) + Float(NearbyCoordinate(dice)) +
                     Float(NearbyCoordinate(dice));
        }
        bytes += Word(100) + Word(200);
        Level indexed;
        Level scanned;
        ASSERT_TRUE(DecodeLevel(bytes, indexed).ok);
        ASSERT_TRUE(DecodeLevelByScan(bytes, scanned).ok);
        EXPECT_EQ(indexed, scanned);
    }
}

} // namespace
} // namespace kivo
