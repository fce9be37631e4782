#include "level/shape_deletion.h"
#include "level/status_line.h"

#include "clicks.h"

#include <gtest/gtest.h>

namespace kivo {
namespace {

const std::string SOLVABLE = " Connectors ::  This KIVO can be solved in Classic Mode";
const std::string NOT_SOLVABLE = " Connectors ::  This KIVO can not be solved in Classic Mode";

TEST(StatusLine, ConnectorCountAndVerdictFollowTheSmallestPolygon) {
    Clicks square;
    square.Click(200, 100, 4);
    square.Click(215, 90, 3);
    EXPECT_EQ(UpdateStatusLine(square.level), "6" + SOLVABLE);
    EXPECT_EQ(square.level.smallestSideCount, 3);
    square.Click(240, 115, 3);
    EXPECT_EQ(UpdateStatusLine(square.level), "8" + NOT_SOLVABLE);

    Clicks dodecagon;
    dodecagon.Click(300, 200, 12);
    EXPECT_EQ(UpdateStatusLine(dodecagon.level), "12" + SOLVABLE);
    EXPECT_EQ(dodecagon.level.smallestSideCount, 12);
    dodecagon.Click(315, 190, 3);
    EXPECT_EQ(UpdateStatusLine(dodecagon.level), "14" + NOT_SOLVABLE);
}

// Deletion never lowers the 16-bit counters: with every polygon deleted the line counts 0
// connectors, and after 16384 squares the connector counter wraps to 0, where the status line
// and the level stand still until the next side is placed, as they do after a clear.
TEST(StatusLine, StandsStillWhileTheConnectorCounterIsZero) {
    Clicks c;
    for (int i = 0; i < 16383; ++i) {
        c.Click(200, 100, 4);
        DeleteShape(c.level, c.level.shapes[0].id);
    }
    EXPECT_EQ(c.level.connectorCount, -4);
    EXPECT_EQ(UpdateStatusLine(c.level), "0" + SOLVABLE);
    EXPECT_EQ(c.level.smallestSideCount, NO_SHAPE_MINIMUM);
    c.Click(200, 100, 4);
    EXPECT_EQ(c.level.connectorCount, 0);
    EXPECT_EQ(c.level.connectors.size(), 4u);
    c.level.smallestSideCount = 3; // not recounted while the line stands still
    const Level frozen = c.level;
    EXPECT_EQ(UpdateStatusLine(c.level), std::nullopt);
    EXPECT_EQ(c.level, frozen);
    c.Click(500, 300, 4); // the point counter wrapped too: a second free square
    EXPECT_EQ(c.level.connectorCount, 4);
    EXPECT_EQ(UpdateStatusLine(c.level), "8" + SOLVABLE);
    // An empty level counts its 0 connectors instead of keeping the old count.
    ClearElements(c.level);
    c.level.smallestSideCount = 5;
    EXPECT_EQ(UpdateStatusLine(c.level), "0" + SOLVABLE);
    EXPECT_EQ(c.level.smallestSideCount, 5);
}

TEST(StatusLine, ASmallestSideCountOfZeroOrLessIsNotSolvable) {
    const int cases[][3] = {{0, 0, 0}, {6, 0, 0}, {6, -1, 0}, {6, 1, 1}, {0, 99, 1}, {7, 3, 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(IsClassicModeSolvable(c[0], c[1]), bool(c[2])) << c[0] << ", " << c[1];
    }

    Level level;
    level.connectorCount = 4;
    level.shapes.push_back(Shape{});
    level.shapes[0].entryCount = 1.0f; // an outline with one entry: no sides
    EXPECT_EQ(UpdateStatusLine(level), "0" + NOT_SOLVABLE);
    EXPECT_EQ(level.smallestSideCount, 0);
}

} // namespace
} // namespace kivo
