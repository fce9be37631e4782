// The text form of level files, the designer's diff and the merge of two versions, on files
// from the fuzz corpus and the test data and on levels built click by click.
#include "clicks.h"
#include "construction/level_transform.h"
#include "construction/polygon.h"
#include "level/element_ops.h"
#include "level/shape_deletion.h"
#include "revision/level_merge.h"
#include "revision/level_report.h"
#include "revision/level_text.h"
#include "revision/slot_changes.h"
#include "storage/level/id_problems.h"
#include "storage/level/level_file.h"
#include "storage/level/level_records.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <QDir>

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>

namespace kivo {
namespace {

// A level as a designer builds it: clicks of every side count over the canvas, now and then
// a right click.
Level Session(Level level, uint64_t seed, int steps, int deleteEvery = 0) {
    RandomSource ids = MakeRandomSource(seed);
    RandomSource dice = MakeRandomSource(seed * 31 + 7);
    for (int step = 0; step < steps; ++step) {
        const float x = float(153 + RandomUpTo(dice, 500));
        const float y = float(63 + RandomUpTo(dice, 414));
        if (deleteEvery > 0 && step % deleteEvery == deleteEvery - 1 && !level.shapes.empty()) {
            DeleteShape(level, NearestShape(level, x, y));
        } else {
            PlacePolygon(level, ids, x, y, uint8_t(MIN_SIDE_COUNT + RandomUpTo(dice, 9)));
        }
    }
    return level;
}

// Each of `parts` somewhere in `all`.
void ExpectEach(const std::string& all, std::initializer_list<const char*> parts) {
    for (const char* part : parts) {
        EXPECT_NE(all.find(part), std::string::npos) << part << " in\n" << all;
    }
}

// The level as a file and back, as the editor saves and git hands it over.
Level Saved(const Level& level) {
    Level loaded;
    EXPECT_TRUE(DecodeLevel(EncodeLevel(level).bytes, loaded).ok);
    return loaded;
}

void ExpectTextRoundTrip(const QByteArray& bytes, const std::string& name) {
    LevelRecords records;
    if (!DecodeRecords(bytes, records).ok) {
        return;
    }
    const std::string text = RecordsText(records);
    const TextRecords parsed = ParseRecordsText(text);
    ASSERT_TRUE(parsed.ok) << name << " line " << parsed.line << ": " << parsed.error;
    EXPECT_EQ(EncodeRecords(parsed.records), bytes) << name;
}

// The records decode exactly where the level reader loads, so dump takes what the editor does.
TEST(LevelText, EveryFileTheReaderTakesComesBackByteForByte) {
    int taken = 0;
    for (const QString& folder :
         {QStringLiteral(KIVO_SOURCE_DIR "/fuzz/corpus"), QStringLiteral(KIVO_TEST_DATA)}) {
        const QDir dir(folder);
        for (const QString& name : dir.entryList(QDir::Files)) {
            const QByteArray bytes = ReadAll(dir.filePath(name));
            Level level;
            LevelRecords records;
            const bool read = DecodeRecords(bytes, records).ok;
            ASSERT_EQ(DecodeLevel(bytes, level).ok, read) << name.toStdString();
            taken += read;
            ExpectTextRoundTrip(bytes, name.toStdString());
        }
    }
    EXPECT_GT(taken, 100);
    for (uint64_t seed = 1; seed <= 20; ++seed) {
        const Level level = Session({}, seed, 60, 7);
        ExpectTextRoundTrip(EncodeLevel(level).bytes, "session " + std::to_string(seed));
    }
}

float Bits(uint32_t u) {
    float v = 0.0f;
    std::memcpy(&v, &u, 4);
    return v;
}

// Values a designer never types but a file may hold: NaN payloads, negative zero, subnormals,
// infinities, negative counts, shapes of no and one entry, ids naming nothing, and a tail.
TEST(LevelText, OddValuesKeepTheirBits) {
    const QByteArray bytes = Word(2) + Word(7) + Float(Bits(0x7fc00001)) + Float(Bits(0xffa00000)) +
                             Word(-7) + Float(-0.0f) + Float(Bits(1)) + Word(-4) + Word(2) +
                             Word(0) + Word(-3) + Word(1) + Word(99) + Float(INFINITY) +
                             Float(-std::numeric_limits<float>::max()) + Word(-9) + Word(-20) +
                             QByteArray("\x00\xff tail", 7);
    LevelRecords records;
    ASSERT_TRUE(DecodeRecords(bytes, records).ok);
    EXPECT_EQ(records.shapes.size(), 3u);
    ExpectEach(RecordsText(records),
               {"nan(0x7fc00001)", "-nan(0xffa00000)", "-0(0x80000000)", "1e-45(0x00000001)",
                "points 2", "connectors -4", "shape -3", "shape 1", "inf", "tail 00ff207461696c"});
    ExpectTextRoundTrip(bytes, "odd values");
    EXPECT_EQ(FloatText(0.1f), "0.1");
    EXPECT_EQ(FloatText(11.5f), "11.5");
}

std::string TriangleText() {
    LevelRecords records;
    Clicks clicks;
    clicks.Click(400, 270);
    EXPECT_TRUE(DecodeRecords(EncodeLevel(clicks.level).bytes, records).ok);
    return RecordsText(records);
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

// What cannot be a file of the format is refused at its line with what is wrong; a hand edit
// that can be is written, also where the editor would not load it.
TEST(LevelText, TextsThatCannotBeAFileAreRefusedAtTheirLine) {
    const std::string good = TriangleText();
    ASSERT_TRUE(ParseRecordsText(good).ok);
    const auto lineOf = [&](const std::string& part) {
        return int(std::count(good.begin(), good.begin() + long(good.find(part)), '\n')) + 1;
    };
    const size_t pointAt = good.find("point ");
    const std::string firstPoint = good.substr(pointAt, good.find('\n', pointAt) - pointAt + 1);
    const struct {
        std::string text;
        int line;
        const char* why;
    } cases[] = {
        {Replaced(good, "points 3", "points 3x"), 2, "is not a whole number"},
        {Replaced(good, "target-score 100", "target-score 40000"), lineOf("target-score"),
         "from -32768 to 32767"},
        {Replaced(good, "points 3", "points 2"), lineOf("connectors") - 1,
         "one point record more than 'points 2' says"},
        {Replaced(good, "connectors 3", "connectors 4"), lineOf("last-shape-index"),
         "'connectors 4' promises more connector records"},
        {Replaced(good, "shape 4", "shape 3"), lineOf("target-score") - 1,
         "one entry record more than 'shape 3' says"},
        {Replaced(good, firstPoint, "point 1 nan(0x00000001) 2\n"), 3,
         "says one value in decimal and another in its bits"},
        {Replaced(good, firstPoint, "point 1 -nan(0x7fc00000) 2\n"), 3, "another in its bits"},
        {Replaced(good, firstPoint, "point 1 1e60 2\n"), 3, "outside what a 32-bit float holds"},
        {Replaced(good, firstPoint, "point 1 2\n"), 3, "takes 3 values"},
        {good + "tail 0g\n", lineOf("expert-score") + 1, "not two hex digits"},
        {good + "points 1\n", lineOf("expert-score") + 1, "only 'tail HEX' may follow"},
        {good.substr(0, good.find("expert-score")), lineOf("expert-score"), "the text ends"},
    };
    for (const auto& test : cases) {
        const TextRecords parsed = ParseRecordsText(test.text);
        EXPECT_FALSE(parsed.ok) << test.why;
        EXPECT_EQ(parsed.line, test.line) << test.why << ": " << parsed.error;
        EXPECT_NE(parsed.error.find(test.why), std::string::npos) << parsed.error;
    }
    // Twenty entries do not fit a shape of the editor, but the format holds them.
    const size_t shapeAt = good.find("shape 4\n");
    const size_t entryAt = good.find("entry ", shapeAt);
    const std::string entry = good.substr(entryAt, good.find('\n', entryAt) - entryAt + 1);
    std::string many = good.substr(0, shapeAt) + "shape 20\n";
    for (int i = 0; i < 20; ++i) {
        many += entry;
    }
    many += good.substr(good.find("target-score"));
    const TextRecords parsed = ParseRecordsText(many);
    ASSERT_TRUE(parsed.ok) << parsed.line << ": " << parsed.error;
    EXPECT_EQ(parsed.records.entries.size(), 20u);
}

// The diff's lines from a to b, each of `parts` in one of them.
std::vector<std::string> ExpectSays(const Level* a, const Level* b,
                                    std::initializer_list<const char*> parts) {
    const std::vector<std::string> lines = ChangeLines(FindChanges(a, b), a, b);
    std::string all;
    for (const std::string& line : lines) {
        all += line + "\n";
    }
    ExpectEach(all, parts);
    return lines;
}

TEST(LevelDiff, SaysWhatADesignerDid) {
    Clicks clicks;
    clicks.Click(400, 270, 4);
    const Level square = Saved(clicks.level);
    clicks.Click(400, 240, 3);
    const Level both = Saved(clicks.level);
    const Level again = Saved(both);
    EXPECT_TRUE(FindChanges(&both, &again).same);
    EXPECT_TRUE(ExpectSays(&both, &again, {}).empty());

    ExpectSays(&square, &both,
               {"added: triangle at (", "sharing 1 side with the square at (",
                "Classic Mode: can be solved (unchanged)"});
    ExpectSays(&both, &square, {"removed: triangle at (", "sharing 1 side with the square at ("});
    ExpectSays(nullptr, &square, {"added: square", "Classic Mode: none \u2192 can be solved"});
    ExpectSays(&square, nullptr, {"removed: square"});

    Level turned = both;
    RotateLevel(turned, 15.0f);
    EXPECT_EQ(ExpectSays(&both, &turned, {"turned 15.0\u00b0 about the canvas centre"}).size(), 2u);
    Level back = both;
    RotateLevel(back, -40.0f);
    ExpectSays(&both, &back, {"turned \u221240.0\u00b0"});

    Level centred = both;
    CenterLevel(centred);
    const LevelChanges shift = FindChanges(&both, &centred);
    EXPECT_EQ(shift.move.kind, Movement::Moved);
    EXPECT_TRUE(shift.added.empty() && shift.removed.empty());
    EXPECT_EQ(MoveText({Movement::Moved, 12, -30}), "moved by (+12, \u221230) pixels");

    Level scored = both;
    scored.targetScore = "150";
    ExpectSays(&both, &scored, {"target score: 100 \u2192 150"});
}

// Polygons as a multiset of (sides, centre to a tenth of a pixel).
std::multiset<std::tuple<int, long, long>> Polygons(const Level& level,
                                                    const std::vector<size_t>& indices) {
    std::multiset<std::tuple<int, long, long>> polygons;
    for (const size_t i : indices) {
        const Shape& s = level.shapes[i];
        const Position c = ShapeToLevel(s.centreX, s.centreY);
        polygons.insert({EntryTotal(s) - 1, std::lround(c.x * 10.0), std::lround(c.y * 10.0)});
    }
    return polygons;
}

// The indices of the shapes of `from` whose ids `in` does not have: what one side's session
// removed from the base, or added to it, told by the ids the session keeps (a file would not).
// Against an empty level, every shape.
std::vector<size_t> Missing(const Level& from, const Level& in) {
    std::vector<size_t> missing;
    for (size_t i = 0; i < from.shapes.size(); ++i) {
        if (std::none_of(in.shapes.begin(), in.shapes.end(),
                         [&](const Shape& s) { return s.id == from.shapes[i].id; })) {
            missing.push_back(i);
        }
    }
    return missing;
}

// Every connector is a side of some polygon and every point a corner of some connector, as
// placement and deletion's cascade keep them.
bool NothingLeftOver(const Level& level) {
    std::set<int16_t> sides;
    for (const Shape& s : level.shapes) {
        sides.insert(s.connectorIds, s.connectorIds + OutlineLength(s));
    }
    std::set<int16_t> corners;
    for (const Connector& c : level.connectors) {
        corners.insert(c.pointIds, c.pointIds + 2);
    }
    return std::all_of(level.connectors.begin(), level.connectors.end(),
                       [&](const Connector& c) { return sides.count(c.id) > 0; }) &&
           std::all_of(level.points.begin(), level.points.end(),
                       [&](const Point& p) { return corners.count(p.id) > 0; });
}

// Two random edit sequences from one base: whenever the merge says clean, the merged level
// holds exactly the base's polygons less both removals, plus both sides' additions, loads and
// saves back to the same bytes, and every id it refers to exists.
TEST(LevelMerge, CleanMergesHoldExactlyBothSidesPolygons) {
    int clean = 0;
    int conflicts = 0;
    for (uint64_t trial = 1; trial <= 150; ++trial) {
        const Level base = Saved(Session({}, 1000 + trial, 8));
        const Level ours = Session(base, 2000 + trial, 1 + int(trial % 4), 4);
        const Level theirs = Session(base, 3000 + trial, 1 + int(trial % 3), 4);
        const MergeResult merge = MergeLevels(base, Saved(ours), Saved(theirs));
        if (!merge.conflicts.empty()) {
            ++conflicts;
            continue;
        }
        ++clean;
        const Level& result = merge.take == MergeTake::Merged ? merge.merged
                              : merge.take == MergeTake::Ours ? ours
                                                              : theirs;
        auto expected = Polygons(base, Missing(base, {}));
        for (const Level* side : {&ours, &theirs}) {
            for (const size_t i : Missing(base, *side)) {
                const auto gone = Polygons(base, {i});
                if (const auto at = expected.find(*gone.begin()); at != expected.end()) {
                    expected.erase(at);
                }
            }
        }
        for (const Level* side : {&ours, &theirs}) {
            const auto added = Polygons(*side, Missing(*side, base));
            expected.insert(added.begin(), added.end());
        }
        const Level merged = Saved(result);
        EXPECT_EQ(Polygons(merged, Missing(merged, {})), expected) << "trial " << trial;
        EXPECT_TRUE(IdProblems(merged).empty()) << "trial " << trial;
        EXPECT_TRUE(NothingLeftOver(merged)) << "trial " << trial;
        EXPECT_EQ(EncodeLevel(merged).bytes, EncodeLevel(result).bytes) << trial;
    }
    EXPECT_GE(clean, 30);
    EXPECT_GE(conflicts, 10);
}

// The level with one more polygon clicked onto it, its new ids drawn from `seed`.
Level With(const Level& level, float x, float y, int sides, uint64_t seed = 42) {
    Clicks clicks{level, MakeRandomSource(seed)};
    EXPECT_EQ(clicks.Click(x, y, sides), PlaceResult::Placed);
    return Saved(clicks.level);
}

// A square in the middle; ours puts a triangle on its top, theirs one on its bottom with the
// same ids, which the merge must renumber.
struct Three {
    Level base = With({}, 400, 270, 4);
    Level ours = With(base, 400, 230, 3, 5);
    Level theirs = With(base, 400, 310, 3, 5);
};

// Each of `parts` in the merge's conflicts; no conflict at all when `parts` is empty.
void ExpectConflicts(const MergeResult& merge, std::initializer_list<const char*> parts) {
    std::string all;
    for (const MergeConflict& c : merge.conflicts) {
        all += c.what + "\n";
    }
    EXPECT_EQ(merge.conflicts.empty(), parts.size() == 0) << all;
    ExpectEach(all, parts);
}

// A click `distance` pixels outside the middle of side k of a level's shape.
Position Outside(const Level& level, size_t shape, int k, double distance) {
    const std::vector<Position> c = Corners(level.shapes[shape]);
    const Position a = c[size_t(k) % c.size()];
    const Position b = c[size_t(k + 1) % c.size()];
    const Position centre = ShapeToLevel(level.shapes[shape].centreX, level.shapes[shape].centreY);
    const double mx = (double(a.x) + b.x) / 2.0;
    const double my = (double(a.y) + b.y) / 2.0;
    const double length = std::hypot(mx - centre.x, my - centre.y);
    return {float(mx + (mx - centre.x) / length * distance),
            float(my + (my - centre.y) / length * distance)};
}

// Hexagons on two neighbouring sides of a hexagon share a side, without overlapping: the
// editor would have shared it. A pentagon and a triangle on the same side overlap without
// a corner of one on the other.
TEST(LevelMerge, PolygonsThatMeetOrOverlapConflict) {
    const Level hexagon = With({}, 400, 270, 6);
    // Ours places a polygon of `sides` outside side k, theirs one of `sides2` outside side k2.
    const auto merge = [&](int k, int sides, int k2, int sides2) {
        const Position at = Outside(hexagon, 0, k, 12.0);
        const Position at2 = Outside(hexagon, 0, k2, 12.0);
        return MergeLevels(hexagon, With(hexagon, at.x, at.y, sides, 3),
                           With(hexagon, at2.x, at2.y, sides2, 4));
    };
    ExpectConflicts(merge(0, 6, 1, 6), {"meet at a corner or side"});
    ExpectConflicts(merge(0, 6, 2, 6), {});
    // Triangles there meet only at the hexagon's corner, which both may use.
    const MergeResult triangles = merge(0, 3, 1, 3);
    ExpectConflicts(triangles, {});
    EXPECT_EQ(triangles.merged.points.size(), 8u);
    ExpectConflicts(merge(0, 3, 0, 5), {"overlap"});
}

TEST(LevelMerge, CombinesWhatDoesNotTouchAndNamesWhatDoes) {
    const Three t;
    MergeResult merge = MergeLevels(t.base, t.ours, t.theirs);
    ExpectConflicts(merge, {});
    const Level merged = Saved(merge.merged);
    EXPECT_EQ(merged.shapes.size(), 3u);
    EXPECT_TRUE(IdProblems(merged).empty());
    EXPECT_EQ(merged.points.size(), 6u);

    // One side alone, or both the same: that side as it is.
    EXPECT_EQ(MergeLevels(t.base, t.base, t.theirs).take, MergeTake::Theirs);
    EXPECT_EQ(MergeLevels(t.base, t.ours, t.base).take, MergeTake::Ours);
    EXPECT_EQ(MergeLevels(t.base, t.ours, t.ours).take, MergeTake::Ours);

    // A score on one side, polygons on the other.
    Level scored = t.base;
    scored.expertScore = "250";
    merge = MergeLevels(t.base, t.ours, scored);
    ExpectConflicts(merge, {});
    EXPECT_EQ(merge.merged.expertScore, "250");
    EXPECT_EQ(merge.merged.shapes.size(), 2u);

    // Both changed the score differently.
    Level other = t.ours;
    other.expertScore = "300";
    ExpectConflicts(MergeLevels(t.base, other, scored),
                    {"Both sides changed the expert score from 200: ours to 300, theirs to 250"});

    // The same place on both sides.
    merge = MergeLevels(t.base, t.ours, With(t.base, 400, 232, 3, 9));
    ExpectConflicts(merge, {"Ours' new triangle at (", "overlap"});
    ASSERT_EQ(merge.conflicts.size(), 1u);
    EXPECT_EQ(merge.conflicts[0].polygons.size(), 2u);

    // Theirs removed the square that ours' triangle stands on.
    Level removed = t.base;
    DeleteShape(removed, removed.shapes[0].id);
    ExpectConflicts(MergeLevels(t.base, t.ours, Saved(removed)),
                    {"Theirs removed the square at (415.0, 285.0), to which ours' new triangle"});

    // Ours turned the level while theirs added a polygon; a score alone goes with a turn.
    Level turned = t.base;
    RotateLevel(turned, 30.0f);
    ExpectConflicts(MergeLevels(t.base, turned, t.theirs),
                    {"Ours turned 30.0\u00b0 about the canvas centre, while theirs"});
    merge = MergeLevels(t.base, Saved(turned), scored);
    ASSERT_TRUE(merge.conflicts.empty());
    EXPECT_EQ(merge.merged.expertScore, "250");
    EXPECT_EQ(merge.merged.points[0].x, Saved(turned).points[0].x);

    // Another level altogether.
    ExpectConflicts(MergeLevels(t.base, t.ours, With({}, 300, 200, 5, 77)),
                    {"Theirs is another level altogether"});
}

// Moves and exchanges are told by content; template slots, which all hold the same bytes, are
// never called moved.
TEST(SlotChanges, TellMovesAndExchangesByContent) {
    const std::string t = "template";
    const SlotContents before = {t, "a", "b", "c", t, "d", std::nullopt, "e"};
    const SlotContents after = {t, "b", "a", t, "c", "d2", "f", std::nullopt};
    const std::vector<SlotOutcome> o = CompareSlots(before, after, t);
    // Slot 3 now holds the template: changed, not moved.
    const std::pair<SlotChange, int> expected[] = {
        {SlotChange::Unchanged, -1}, {SlotChange::Exchanged, 2}, {SlotChange::Exchanged, 1},
        {SlotChange::Changed, -1},   {SlotChange::MovedIn, 3},   {SlotChange::Changed, -1},
        {SlotChange::Added, -1},     {SlotChange::Removed, -1}};
    ASSERT_EQ(o.size(), std::size(expected));
    for (size_t slot = 0; slot < o.size(); ++slot) {
        SCOPED_TRACE(slot);
        EXPECT_EQ(std::pair(o[slot].change, o[slot].from), expected[slot]);
    }
}

} // namespace
} // namespace kivo
