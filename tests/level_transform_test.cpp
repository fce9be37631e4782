#include "construction/level_transform.h"
#include "level/element_ops.h"

#include "clicks.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace kivo {
namespace {

void ExpectPointAt(const Point& p, double x, double y) {
    EXPECT_NEAR(double(p.x) * 20.0, x, 0.01);
    EXPECT_NEAR(double(p.y) * 30.0, y, 0.01);
}

TEST(CenterLevel, MovesATriangleSoItsMeanPointLiesOnTheCanvasCentre) {
    Clicks c;
    c.Click(200, 100);
    const Shape before = c.level.shapes[0];
    CenterLevel(c.level);
    ExpectPointAt(c.level.points[0], 417, 261.34);
    ExpectPointAt(c.level.points[1], 402, 287.32);
    ExpectPointAt(c.level.points[2], 387, 261.34);
    // Outline entries and the centre move as far as the corners: (187, 161.34) pixels.
    const Shape& after = c.level.shapes[0];
    for (int k = 0; k < 4; ++k) {
        EXPECT_NEAR((double(after.entryX[k]) - before.entryX[k]) * 20.0, 187.0, 0.001) << k;
        EXPECT_NEAR((double(after.entryY[k]) - before.entryY[k]) * 30.0, 161.34, 0.01) << k;
    }
    // Slots past the outline are not part of it.
    EXPECT_TRUE(std::equal(after.entryX + 4, after.entryX + MAX_SHAPE_ENTRIES, before.entryX + 4));
    EXPECT_NEAR((double(after.centreX) - before.centreX) * 20.0, 187.0, 0.001);
    EXPECT_NEAR((double(after.centreY) - before.centreY) * 30.0, 161.34, 0.01);
    EXPECT_NEAR(c.level.connectors[0].endX[0], 417.0, 0.001);
    EXPECT_EQ(c.level.lastRotationAngle, 0.0f);

    CenterLevel(c.level);
    ExpectPointAt(c.level.points[0], 417, 261.34);

    Level pointless; // nothing to take the mean of: nothing moves
    pointless.shapes.push_back(before);
    CenterLevel(pointless);
    EXPECT_EQ(pointless.shapes[0], before);
}

TEST(RotateLevel, TurnsByTheDifferenceToTheLastAngleWhichAClearKeeps) {
    Level level;
    AddPoint(level, 1, 21.6f, 9.0f); // (432, 270)
    const struct {
        float angle;
        double x, y;
    } turns[] = {{90, 402, 300}, {90, 402, 300}, {0, 432, 270}};
    for (const auto& t : turns) {
        RotateLevel(level, t.angle);
        ExpectPointAt(level.points[0], t.x, t.y);
        EXPECT_EQ(level.lastRotationAngle, t.angle);
    }
    Clicks c;
    c.Click(300, 200);
    RotateLevel(c.level, 90.0f);
    ClearElements(c.level);
    c.Click(372, 270);
    ExpectPointAt(c.level.points[0], 402, 270); // built unrotated
    RotateLevel(c.level, 100.0f);
    // 10 degrees clockwise about (402, 270): the corner 30 pixels left of the centre rises a
    // little; 100 degrees would have taken it far above the centre.
    ExpectPointAt(c.level.points[2], 402 - 30 * std::cos(10 * M_PI / 180),
                  270 - 30 * std::sin(10 * M_PI / 180));
}

} // namespace
} // namespace kivo
