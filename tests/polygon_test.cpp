#include "level/element_ops.h"

#include "clicks.h"

#include <gtest/gtest.h>

namespace kivo {
namespace {

struct Pixel {
    double x;
    double y;
};

void ExpectNear(const Point& p, Pixel expected) {
    EXPECT_NEAR(double(p.x) * 20.0, expected.x, 0.01);
    EXPECT_NEAR(double(p.y) * 30.0, expected.y, 0.01);
}

class Placement : public ::testing::Test, protected Clicks {};

// Where the corners land, from the points already there and the click.
TEST_F(Placement, CornersLieWhereTheAnchorsAndTheClickPutThem) {
    const struct {
        std::vector<Point> before;
        float x, y;
        int sides;
        std::vector<Pixel> corners; // of the first corners, in list order
    } cases[] = {
        // A free square runs clockwise from the side right of the click.
        {{}, 200, 100, 4, {{230, 100}, {230, 130}, {200, 130}, {200, 100}}},
        // A nearest point without neighbours gives a free polygon at the click.
        {{{77, 5.0f, 2.0f}}, 300, 200, 3, {{100, 60}, {330, 200}, {315, 225.98}, {300, 200}}},
        // On the line through the anchors: built on the edge from the second to the first.
        {{{1, 10, 4}, {2, 11.5f, 4}}, 190, 120, 4, {{200, 120}, {230, 120}, {200, 90}, {230, 90}}},
        // A corner inside the merge box (0.2 and 0.15 pixels off) reuses the point.
        {{{9, 10.01f, 3.3383f}}, 200, 100, 3, {{200.2, 100.15}, {230, 100}, {215, 125.98}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << ", " << c.y);
        level = Level{};
        level.points = c.before;
        level.pointCount = int16_t(c.before.size());
        ASSERT_EQ(Click(c.x, c.y, c.sides), PlaceResult::Placed);
        ASSERT_EQ(level.points.size(), c.corners.size());
        for (size_t k = 0; k < c.corners.size(); ++k) {
            ExpectNear(level.points[k], c.corners[k]);
        }
        EXPECT_EQ(level.shapes.at(0).entryCount, float(c.sides + 1));
    }
}

TEST_F(Placement, InsideMeansWithinTheOutlineOnEverySideAndAClickThereAddsNothing) {
    Click(200, 100, 4); // square (200..230, 100..130)
    Click(190, 115, 3); // triangle on its left side, closed by the shared upright side
    const struct {
        float x, y;
        bool inside;
    } cases[] = {{203, 103, true},  {227, 103, true},  {203, 127, true},  {227, 127, true},
                 {215, 97, false},  {215, 133, false}, {233, 115, false}, {185, 110, true},
                 {150, 110, false}, {170, 110, false}, {185, 97, false},  {230, 115, false}};
    for (const auto& c : cases) {
        EXPECT_EQ(IsInsideAnyShape(level, c.x, c.y), c.inside) << c.x << ", " << c.y;
    }
    const Level before = level;
    EXPECT_EQ(Click(185, 110), PlaceResult::InsideShape);
    EXPECT_EQ(level, before);
}

TEST_F(Placement, ABadSideCountOrAFullLevelAddsNothing) {
    Click(200, 100, 3);
    const Level before = level;
    for (int sides : {0, 2, 13, 16, 255}) {
        EXPECT_EQ(Click(300, 200, sides), PlaceResult::BadSideCount) << sides;
        BuildPolygon(level, random, 300.0f, 200.0f, 0, 0, uint8_t(sides));
        EXPECT_EQ(level, before) << sides;
    }
    for (int sides : {3, 12}) {
        Level built = before;
        BuildPolygon(built, random, 300.0f, 200.0f, 0, 0, uint8_t(sides));
        EXPECT_EQ(built.shapes.size(), 2u) << sides;
    }
    // GIVABLE_ID_COUNT ids in all; a triangle needs 3 points, 3 connectors and a shape.
    level = Level{};
    for (int id = 0; id < GIVABLE_ID_COUNT - 8; ++id) {
        level.points.push_back({int16_t(id), float(id), 1000.0f});
    }
    level.connectors.push_back({-1, {0, 1}, {}, {}});
    level.shapes.push_back({});
    level.shapes[0].id = -2;
    level.pointCount = 1;
    const Level full = level;
    EXPECT_EQ(Click(200, 100), PlaceResult::LevelFull);
    EXPECT_EQ(level, full);
    level.points.pop_back();
    EXPECT_EQ(Click(200, 100), PlaceResult::Placed);
    EXPECT_EQ(level.shapes.size(), 2u);
}

} // namespace
} // namespace kivo
