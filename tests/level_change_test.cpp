#include "level/level_change.h"

#include "clicks.h"
#include "construction/level_transform.h"
#include "level/element_ops.h"
#include "level/shape_deletion.h"

#include <gtest/gtest.h>

namespace kivo {
namespace {

using PointKind = ListChange<Point>::Kind;
using ShapeKind = ListChange<Shape>::Kind;

// Makes one edit, then checks that undo gives back the level before it and redo the one
// after it, bit for bit, twice over.
template <typename Edit> LevelChange ExpectUndoable(Clicks& c, Edit edit) {
    Level before = c.level;
    edit();
    const Level after = c.level;
    LevelChange change = DiffLevels(before, after);
    for (int round = 0; round < 2; ++round) {
        UndoChange(change, c.level);
        EXPECT_EQ(c.level, before);
        RedoChange(change, c.level);
        EXPECT_EQ(c.level, after);
    }
    return change;
}

// Placing and deleting keep only what they appended or removed; turning, centring and
// clearing keep the lists whole. A click inside a polygon and the deletion of an unknown id
// change nothing, and a score typed after an edit survives its undo.
TEST(LevelChange, EachEditKeepsWhatItChangedAndIsTakenBackBitForBit) {
    Clicks c;
    c.Click(200, 100, 4);
    const Level square = c.level;
    c.Click(215, 115, 3);
    DeleteShape(c.level, 12345);
    EXPECT_TRUE(IsEmpty(DiffLevels(square, c.level)));
    LevelChange change = ExpectUndoable(c, [&] { c.Click(215, 90, 3); });
    EXPECT_FALSE(IsEmpty(change));
    EXPECT_EQ(change.points.kind, PointKind::Appended);
    EXPECT_TRUE(change.points.elements.size() == 1 && change.shapes.elements.size() == 1);
    EXPECT_TRUE(change.before.smallestSideCount == 4 && change.after.smallestSideCount == 3);
    c.Click(240, 115, 3);
    change = ExpectUndoable(c, [&] { DeleteShape(c.level, c.level.shapes[0].id); });
    EXPECT_TRUE(change.shapes.kind == ShapeKind::Removed && change.shapes.indices.size() == 1 &&
                change.shapes.indices[0] == 0);
    // The one corner no triangle shares, and the two sides; the rest keep their order.
    EXPECT_TRUE(change.points.kind == PointKind::Removed && change.points.elements.size() == 1);
    EXPECT_EQ(change.connectors.kind, ListChange<Connector>::Kind::Removed);
    change = ExpectUndoable(c, [&] { RotateLevel(c.level, 33.0f); });
    EXPECT_EQ(change.points.kind, PointKind::Replaced);
    EXPECT_EQ(change.before.lastRotationAngle, 0.0f);
    c.level.targetScore = "555"; // typed after the turn
    UndoChange(change, c.level);
    EXPECT_EQ(c.level.targetScore, "555");
    RedoChange(change, c.level);
    ExpectUndoable(c, [&] { CenterLevel(c.level); });
    change = ExpectUndoable(c, [&] {
        ClearElements(c.level);
        c.level.targetScore = "100";
    });
    EXPECT_EQ(change.after.targetScore, "100");
}

TEST(LevelChange, RandomEditsAreTakenBackToTheStartAndBroughtBackToTheEnd) {
    for (uint32_t seed = 1; seed <= 20; ++seed) {
        SCOPED_TRACE(seed);
        Clicks c;
        RandomSource dice = MakeRandomSource(seed);
        std::vector<LevelChange> history;
        std::vector<Level> states{c.level};
        for (int step = 0; step < 40; ++step) {
            const Level before = c.level;
            switch (RandomUpTo(dice, 5)) {
            case 0:
                RotateLevel(c.level, float(RandomUpTo(dice, 360)));
                break;
            case 1:
                CenterLevel(c.level);
                break;
            case 2:
                DeleteShape(c.level, NearestShape(c.level, float(RandomUpTo(dice, 600)),
                                                  float(RandomUpTo(dice, 500))));
                break;
            default:
                c.Click(float(150 + RandomUpTo(dice, 500)), float(70 + RandomUpTo(dice, 400)),
                        3 + RandomUpTo(dice, 9));
            }
            history.push_back(DiffLevels(before, c.level));
            states.push_back(c.level);
        }
        for (size_t k = history.size(); k-- > 0;) {
            UndoChange(history[k], c.level);
            ASSERT_EQ(c.level, states[k]);
        }
        for (size_t k = 0; k < history.size(); ++k) {
            RedoChange(history[k], c.level);
            ASSERT_EQ(c.level, states[k + 1]);
        }
    }
}

} // namespace
} // namespace kivo
