#include "level/level_change.h"

#include "clicks.h"
#include "construction/level_transform.h"
#include "level/drawing.h"
#include "level/element_ops.h"
#include "level/shape_deletion.h"
#include "storage/level/level_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <sstream>
#include <tuple>

namespace kivo {
namespace {

using PointKind = ListChange<Point>::Kind;
using ConnectorKind = ListChange<Connector>::Kind;
using ShapeKind = ListChange<Shape>::Kind;

// What the editor saves and shows of a level, and the values the file does not hold, so that
// a step is judged by its effect and not by the level's own equality.
using Shown = std::tuple<std::string, std::vector<DrawItem>, std::string>;

Shown Show(const Level& level) {
    const Encoded encoded = EncodeLevel(level);
    EXPECT_TRUE(encoded.result.ok) << encoded.result.message.toStdString();
    uint32_t angleBits = 0;
    std::memcpy(&angleBits, &level.lastRotationAngle, sizeof angleBits);
    std::ostringstream values;
    values << level.pointCount << ' ' << level.connectorCount << ' ' << level.shapeCount << ' '
           << int(level.smallestSideCount) << ' ' << angleBits << " |" << level.targetScore << "|"
           << level.expertScore << "|";
    return {encoded.bytes.toStdString(), DrawingList(level), values.str()};
}

// Makes one edit through the recorder; the randomised test below checks its undo and redo.
LevelChange Recorded(Level& level, const ChangeReach& reach, const std::function<void()>& edit) {
    ChangeRecorder recorder = BeginChange(level, reach);
    edit();
    return EndChange(std::move(recorder), level);
}

const ChangeReach APPENDS{ReachKind::Appends};
const ChangeReach WHOLE{ReachKind::Whole};

ChangeReach Deleting(const Level& level, int16_t shapeId) {
    return {ReachKind::Removes, PlanShapeDeletion(level, shapeId)};
}

// Placing and deleting keep only what they appended or removed, turning the lists whole; a
// score typed after an edit survives its undo.
TEST(LevelChange, EachEditKeepsOnlyWhatItChanged) {
    Clicks c;
    c.Click(200, 100, 4);
    c.Click(215, 115, 3);
    LevelChange change = Recorded(c.level, APPENDS, [&] { c.Click(215, 90, 3); });
    EXPECT_FALSE(IsEmpty(change));
    EXPECT_EQ(change.points.kind, PointKind::Appended);
    EXPECT_EQ(change.points.elements.size(), 1u);
    EXPECT_EQ(change.connectors.kind, ConnectorKind::Appended);
    EXPECT_EQ(change.shapes.elements.size(), 1u);
    // A placement refreshes the cached ends of every connector; where they were stale, the
    // step keeps the connectors as they were, so that undo shows the old figure again.
    c.level.connectors[1].endX[0] += 3.0f;
    change = Recorded(c.level, APPENDS, [&] { c.Click(240, 115, 3); });
    EXPECT_EQ(change.connectors.kind, ConnectorKind::Replaced);
    const int16_t first = c.level.shapes[0].id;
    change = Recorded(c.level, Deleting(c.level, first), [&] { DeleteShape(c.level, first); });
    EXPECT_EQ(change.shapes.kind, ShapeKind::Removed);
    EXPECT_EQ(change.shapes.indices, std::vector<size_t>{0});
    // The one corner no triangle shares, and the two sides; the rest keep their order.
    EXPECT_EQ(change.points.kind, PointKind::Removed);
    EXPECT_EQ(change.points.elements.size(), 1u);
    EXPECT_EQ(change.connectors.kind, ConnectorKind::Removed);
    EXPECT_EQ(change.connectors.elements.size(), 2u);
    change = Recorded(c.level, WHOLE, [&] { RotateLevel(c.level, 33.0f); });
    EXPECT_EQ(change.points.kind, PointKind::Replaced);
    c.level.targetScore = "555"; // typed after the turn
    UndoChange(change, c.level);
    EXPECT_EQ(c.level.targetScore, "555");
    RedoChange(change, c.level);
    change = Recorded(c.level, {ReachKind::Values}, [&] { c.level.expertScore = "7"; });
    EXPECT_EQ(change.points.kind, PointKind::Same);
}

// One random edit with the reach the editor gives it.
ChangeReach RandomEdit(Clicks& c, RandomSource& dice, std::function<void()>& edit) {
    const float x = float(150 + RandomUpTo(dice, 500));
    const float y = float(70 + RandomUpTo(dice, 400));
    switch (RandomUpTo(dice, 12)) {
    case 0:
        edit = [&c, angle = float(RandomUpTo(dice, 360))] { RotateLevel(c.level, angle); };
        return WHOLE;
    case 1:
        edit = [&c] { CenterLevel(c.level); };
        return WHOLE;
    case 2:
        edit = [&c] { ClearElements(c.level); };
        return WHOLE;
    case 3:
    case 4: {
        const int16_t id = NearestShape(c.level, x, y);
        edit = [&c, id] { DeleteShape(c.level, id); };
        return Deleting(c.level, id);
    }
    case 5:
        edit = [&c, text = std::to_string(RandomUpTo(dice, 999))] { c.level.targetScore = text; };
        return {ReachKind::Values};
    default:
        edit = [&c, x, y, n = 3 + RandomUpTo(dice, 9)] { c.Click(x, y, n); };
        return APPENDS;
    }
}

// Every recorded step undoes and redoes to what a step made from two whole copies gives, and
// a history of them walks back to the start and forward to the end.
TEST(LevelChange, RecordedStepsUndoAndRedoAsStepsFromWholeCopies) {
    for (uint32_t seed = 1; seed <= 30; ++seed) {
        SCOPED_TRACE(seed);
        RandomSource dice = MakeRandomSource(seed);
        // Clicks, and connector ends left stale as a damaged state may leave them.
        Clicks c{Level{}, MakeRandomSource(uint32_t(RandomUpTo(dice, 1000)))};
        for (int k = RandomUpTo(dice, 40); k > 0; --k) {
            c.Click(float(150 + RandomUpTo(dice, 500)), float(70 + RandomUpTo(dice, 400)),
                    3 + RandomUpTo(dice, 9));
        }
        for (Connector& stale : c.level.connectors) {
            stale.endY[1] = RandomUpTo(dice, 8) == 0 ? float(RandomUpTo(dice, 600)) : stale.endY[1];
        }
        std::vector<LevelChange> recorded;
        std::vector<LevelChange> diffed;
        std::vector<Shown> states{Show(c.level)};
        for (int step = 0; step < 40; ++step) {
            SCOPED_TRACE(step);
            std::function<void()> edit;
            const ChangeReach reach = RandomEdit(c, dice, edit);
            const Level before = c.level;
            ChangeRecorder recorder = BeginChange(c.level, reach);
            edit();
            recorded.push_back(EndChange(std::move(recorder), c.level));
            diffed.push_back(DiffLevels(before, c.level));
            EXPECT_EQ(IsEmpty(recorded.back()), IsEmpty(diffed.back()));
            states.push_back(Show(c.level));
        }
        Level copied = c.level;
        for (size_t k = recorded.size(); k-- > 0;) {
            SCOPED_TRACE(k);
            UndoChange(recorded[k], c.level);
            UndoChange(diffed[k], copied);
            EXPECT_EQ(Show(copied), states[k]);
            EXPECT_EQ(Show(c.level), states[k]);
        }
        for (size_t k = 0; k < recorded.size(); ++k) {
            SCOPED_TRACE(k);
            RedoChange(recorded[k], c.level);
            RedoChange(diffed[k], copied);
            EXPECT_EQ(Show(copied), states[k + 1]);
            EXPECT_EQ(Show(c.level), states[k + 1]);
        }
        ASSERT_FALSE(HasFailure());
    }
}

} // namespace
} // namespace kivo
