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
#include <map>
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
            ASSERT_EQ(DecodeLevel(bytes, level).ok, DecodeRecords(bytes, records).ok)
                << name.toStdString();
            taken += DecodeRecords(bytes, records).ok;
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
    const std::string text = RecordsText(records);
    for (const char* shown :
         {"nan(0x7fc00001)", "-nan(0xffa00000)", "-0(0x80000000)", "1e-45(0x00000001)", "points 2",
          "connectors -4", "shape -3", "shape 1", "inf", "tail 00ff207461696c"}) {
        EXPECT_NE(text.find(shown), std::string::npos) << shown << "\n" << text;
    }
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

std::vector<std::string> Lines(const Level* a, const Level* b) {
    return ChangeLines(FindChanges(a, b), a, b);
}

bool HasLine(const std::vector<std::string>& lines, const std::string& part) {
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& l) { return l.find(part) != std::string::npos; });
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string all;
    for (const std::string& line : lines) {
        all += line + "\n";
    }
    return all;
}

TEST(LevelDiff, SaysWhatADesignerDid) {
    Clicks clicks;
    clicks.Click(400, 270, 4);
    const Level square = Saved(clicks.level);
    clicks.Click(400, 240, 3);
    const Level both = Saved(clicks.level);

    EXPECT_TRUE(FindChanges(&both, &both).same);
    const Level again = Saved(both);
    EXPECT_TRUE(FindChanges(&both, &again).same);
    EXPECT_TRUE(Lines(&both, &both).empty());

    std::vector<std::string> lines = Lines(&square, &both);
    EXPECT_TRUE(HasLine(lines, "added: triangle at (")) << Joined(lines);
    EXPECT_TRUE(HasLine(lines, "sharing 1 side with the square at (")) << Joined(lines);
    EXPECT_TRUE(HasLine(lines, "Classic Mode: can be solved \u2192 can be solved") ||
                HasLine(lines, "Classic Mode: can be solved (unchanged)"))
        << Joined(lines);
    lines = Lines(&both, &square);
    EXPECT_TRUE(HasLine(lines, "removed: triangle at (")) << Joined(lines);
    EXPECT_TRUE(HasLine(lines, "sharing 1 side with the square at (")) << Joined(lines);

    lines = Lines(nullptr, &square);
    EXPECT_TRUE(HasLine(lines, "added: square")) << Joined(lines);
    EXPECT_TRUE(HasLine(lines, "Classic Mode: none \u2192 can be solved")) << Joined(lines);
    lines = Lines(&square, nullptr);
    EXPECT_TRUE(HasLine(lines, "removed: square")) << Joined(lines);

    Level turned = both;
    RotateLevel(turned, 15.0f);
    lines = Lines(&both, &turned);
    EXPECT_TRUE(HasLine(lines, "turned 15.0\u00b0 about the canvas centre")) << Joined(lines);
    EXPECT_EQ(lines.size(), 2u) << Joined(lines);
    Level back = both;
    RotateLevel(back, -40.0f);
    EXPECT_TRUE(HasLine(Lines(&both, &back), "turned \u221240.0\u00b0"))
        << Joined(Lines(&both, &back));

    Level centred = both;
    CenterLevel(centred);
    const LevelChanges shift = FindChanges(&both, &centred);
    EXPECT_EQ(shift.move.kind, Movement::Moved);
    EXPECT_TRUE(shift.added.empty() && shift.removed.empty());

    Level scored = both;
    scored.targetScore = "150";
    lines = Lines(&both, &scored);
    EXPECT_TRUE(HasLine(lines, "target score: 100 \u2192 150")) << Joined(lines);
}

TEST(LevelDiff, RecognisesAShiftByExactPixels) {
    WholeLevelMove move;
    move.kind = Movement::Moved;
    move.dx = 12;
    move.dy = -30;
    EXPECT_EQ(MoveText(move), "moved by (+12, \u221230) pixels");
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

std::vector<size_t> All(const Level& level) {
    std::vector<size_t> all(level.shapes.size());
    for (size_t i = 0; i < all.size(); ++i) {
        all[i] = i;
    }
    return all;
}

// One side's session from the base, and what it removed and added, told by the shape ids
// that the session keeps (a file would not).
struct Edited {
    Level level;
    std::vector<size_t> removed; // base indices
    std::vector<size_t> added;   // indices in level
};

Edited Edit(const Level& base, uint64_t seed, int steps) {
    Edited side{Session(base, seed, steps, 4), {}, {}};
    for (size_t i = 0; i < base.shapes.size(); ++i) {
        const int16_t id = base.shapes[i].id;
        if (std::none_of(side.level.shapes.begin(), side.level.shapes.end(),
                         [&](const Shape& s) { return s.id == id; })) {
            side.removed.push_back(i);
        }
    }
    for (size_t i = 0; i < side.level.shapes.size(); ++i) {
        const int16_t id = side.level.shapes[i].id;
        if (std::none_of(base.shapes.begin(), base.shapes.end(),
                         [&](const Shape& s) { return s.id == id; })) {
            side.added.push_back(i);
        }
    }
    return side;
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
        const Edited ours = Edit(base, 2000 + trial, 1 + int(trial % 4));
        const Edited theirs = Edit(base, 3000 + trial, 1 + int(trial % 3));
        const MergeResult merge = MergeLevels(base, Saved(ours.level), Saved(theirs.level));
        if (!merge.conflicts.empty()) {
            ++conflicts;
            continue;
        }
        ++clean;
        const Level& result = merge.take == MergeTake::Merged ? merge.merged
                              : merge.take == MergeTake::Ours ? ours.level
                                                              : theirs.level;
        auto expected = Polygons(base, All(base));
        for (const Edited* side : {&ours, &theirs}) {
            for (const size_t i : side->removed) {
                const auto gone = Polygons(base, {i});
                if (const auto at = expected.find(*gone.begin()); at != expected.end()) {
                    expected.erase(at);
                }
            }
        }
        for (const Edited* side : {&ours, &theirs}) {
            const auto added = Polygons(side->level, side->added);
            expected.insert(added.begin(), added.end());
        }
        const Level merged = Saved(result);
        EXPECT_EQ(Polygons(merged, All(merged)), expected) << "trial " << trial;
        EXPECT_TRUE(IdProblems(merged).empty()) << "trial " << trial;
        EXPECT_TRUE(NothingLeftOver(merged)) << "trial " << trial;
        EXPECT_EQ(EncodeLevel(merged).bytes, EncodeLevel(result).bytes) << trial;
    }
    EXPECT_GE(clean, 30);
    EXPECT_GE(conflicts, 10);
}

struct Three {
    Level base, ours, theirs;
};

// A square in the middle; ours puts a triangle on its top, theirs one on its bottom.
Three SquareWithTriangles() {
    Clicks clicks;
    clicks.Click(400, 270, 4);
    Three three;
    three.base = Saved(clicks.level);
    Clicks top = clicks;
    top.random = MakeRandomSource(5);
    top.Click(400, 230, 3);
    three.ours = Saved(top.level);
    Clicks bottom = clicks;
    bottom.random = MakeRandomSource(5); // the same ids: they must be renumbered
    bottom.Click(400, 310, 3);
    three.theirs = Saved(bottom.level);
    return three;
}

std::string Conflicts(const MergeResult& merge) {
    std::string all;
    for (const MergeConflict& c : merge.conflicts) {
        all += c.what + "\n";
    }
    return all;
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

// The base with one polygon of `sides` placed outside side k of its first shape.
Level PlacedOutside(const Level& base, int k, int sides, uint64_t seed) {
    Clicks clicks;
    clicks.level = base;
    clicks.random = MakeRandomSource(seed);
    const Position at = Outside(base, 0, k, 12.0);
    EXPECT_EQ(clicks.Click(at.x, at.y, sides), PlaceResult::Placed);
    return Saved(clicks.level);
}

// Hexagons on two neighbouring sides of a hexagon share a side, without overlapping: the
// editor would have shared it. A pentagon and a triangle on the same side overlap without
// a corner of one on the other.
TEST(LevelMerge, PolygonsThatMeetOrOverlapConflict) {
    Clicks clicks;
    clicks.Click(400, 270, 6);
    const Level hexagon = Saved(clicks.level);
    MergeResult merge =
        MergeLevels(hexagon, PlacedOutside(hexagon, 0, 6, 3), PlacedOutside(hexagon, 1, 6, 4));
    EXPECT_NE(Conflicts(merge).find("meet at a corner or side"), std::string::npos)
        << Conflicts(merge);
    merge = MergeLevels(hexagon, PlacedOutside(hexagon, 0, 6, 3), PlacedOutside(hexagon, 2, 6, 4));
    EXPECT_TRUE(merge.conflicts.empty()) << Conflicts(merge);
    // Triangles there meet only at the hexagon's corner, which both may use.
    merge = MergeLevels(hexagon, PlacedOutside(hexagon, 0, 3, 3), PlacedOutside(hexagon, 1, 3, 4));
    EXPECT_TRUE(merge.conflicts.empty()) << Conflicts(merge);
    EXPECT_EQ(merge.merged.points.size(), 8u);
    merge = MergeLevels(hexagon, PlacedOutside(hexagon, 0, 3, 3), PlacedOutside(hexagon, 0, 5, 4));
    EXPECT_NE(Conflicts(merge).find("overlap"), std::string::npos) << Conflicts(merge);
}

TEST(LevelMerge, CombinesWhatDoesNotTouchAndNamesWhatDoes) {
    Three t = SquareWithTriangles();
    MergeResult merge = MergeLevels(t.base, t.ours, t.theirs);
    ASSERT_TRUE(merge.conflicts.empty()) << Conflicts(merge);
    Level merged = Saved(merge.merged);
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
    ASSERT_TRUE(merge.conflicts.empty()) << Conflicts(merge);
    EXPECT_EQ(merge.merged.expertScore, "250");
    EXPECT_EQ(merge.merged.shapes.size(), 2u);

    // Both changed the score differently.
    Level other = t.ours;
    other.expertScore = "300";
    merge = MergeLevels(t.base, other, scored);
    EXPECT_NE(Conflicts(merge).find("Both sides changed the expert score from 200: ours to 300, "
                                    "theirs to 250"),
              std::string::npos)
        << Conflicts(merge);

    // The same place on both sides.
    Three same = SquareWithTriangles();
    Clicks again;
    again.level = same.base;
    again.random = MakeRandomSource(9);
    again.Click(400, 232, 3);
    merge = MergeLevels(same.base, same.ours, Saved(again.level));
    EXPECT_NE(Conflicts(merge).find("Ours' new triangle at ("), std::string::npos)
        << Conflicts(merge);
    EXPECT_NE(Conflicts(merge).find("overlap"), std::string::npos) << Conflicts(merge);
    ASSERT_EQ(merge.conflicts.size(), 1u);
    EXPECT_EQ(merge.conflicts[0].polygons.size(), 2u);

    // Theirs removed the square that ours' triangle stands on.
    Level removed = t.base;
    DeleteShape(removed, removed.shapes[0].id);
    merge = MergeLevels(t.base, t.ours, Saved(removed));
    EXPECT_NE(Conflicts(merge).find("Theirs removed the square at (415.0, 285.0), to which ours' "
                                    "new triangle"),
              std::string::npos)
        << Conflicts(merge);

    // Ours turned the level while theirs added a polygon; a score alone goes with a turn.
    Level turned = t.base;
    RotateLevel(turned, 30.0f);
    merge = MergeLevels(t.base, turned, t.theirs);
    EXPECT_NE(Conflicts(merge).find("Ours turned 30.0\u00b0 about the canvas centre, while theirs"),
              std::string::npos)
        << Conflicts(merge);
    merge = MergeLevels(t.base, Saved(turned), scored);
    ASSERT_TRUE(merge.conflicts.empty()) << Conflicts(merge);
    EXPECT_EQ(merge.merged.expertScore, "250");
    EXPECT_EQ(merge.merged.points[0].x, Saved(turned).points[0].x);

    // Another level altogether.
    Clicks elsewhere;
    elsewhere.random = MakeRandomSource(77);
    elsewhere.Click(300, 200, 5);
    merge = MergeLevels(t.base, t.ours, Saved(elsewhere.level));
    EXPECT_NE(Conflicts(merge).find("Theirs is another level altogether"), std::string::npos)
        << Conflicts(merge);
}

// Moves and exchanges are told by content; template slots, which all hold the same bytes, are
// never called moved.
TEST(SlotChanges, TellMovesAndExchangesByContent) {
    const std::string t = "template";
    const SlotContents before = {t, "a", "b", "c", t, "d", std::nullopt, "e"};
    const SlotContents after = {t, "b", "a", t, "c", "d2", "f", std::nullopt};
    const std::vector<SlotOutcome> o = CompareSlots(before, after, t);
    ASSERT_EQ(o.size(), 8u);
    EXPECT_EQ(o[0].change, SlotChange::Unchanged);
    EXPECT_EQ(o[1].change, SlotChange::Exchanged);
    EXPECT_EQ(o[1].from, 2);
    EXPECT_EQ(o[2].change, SlotChange::Exchanged);
    EXPECT_EQ(o[2].from, 1);
    EXPECT_EQ(o[3].change, SlotChange::Changed); // it now holds the template
    EXPECT_EQ(o[4].change, SlotChange::MovedIn);
    EXPECT_EQ(o[4].from, 3);
    EXPECT_EQ(o[5].change, SlotChange::Changed);
    EXPECT_EQ(o[6].change, SlotChange::Added);
    EXPECT_EQ(o[7].change, SlotChange::Removed);
}

} // namespace
} // namespace kivo
