#include "storage/check/level_summary.h"
#include "storage/check/pack_check.h"
#include "storage/files/paths.h"
#include "storage/level/id_problems.h"
#include "storage/pack/data_folder.h"

#include "slot_pack.h"

#include <gtest/gtest.h>

namespace kivo {
namespace {

// Levels are read on every core, yet each problem comes where a walk on one core puts it:
// the walk's order, and within a level the order IdProblems gives.
TEST(Check, ProblemsComeInTheWalksOrderWhateverTheCores) {
    SlotPack p;
    QDir(p.pack).removeRecursively();
    RandomSource random = MakeRandomSource(5);
    const std::string data = Bytes(p.data);
    ASSERT_TRUE(CreatePack(data, {}, random).result.ok);
    ASSERT_TRUE(CreatePack(data, ListPacks(data).packs, random).result.ok);
    for (const PackInfo& pack : ListPacks(data).packs) {
        for (int slot = 1; slot < PACK_SLOT_COUNT; slot += 2) { // connector 5 ends nowhere
            Write(PathText(SlotPath(pack.pack, slot)), Word(0) + Word(1) + Word(5) + Word(slot) +
                                                           Word(slot + 1) + Word(-1) + Word(100) +
                                                           Word(200));
        }
        QFile::remove(PathText(SlotPath(pack.pack, 50)));
    }
    const std::vector<std::string> paths{data, Bytes(p.base.filePath("nowhere"))};
    std::vector<std::pair<std::string, QString>> expected, found;
    for (const CheckStep& step : WalkPaths(paths).steps) {
        Level level; // every level here loads, so its problems are its ids'
        const bool read = step.problem.isEmpty() && ReadStepLevel(step, level).ok;
        for (const QString& problem : read ? IdProblems(level) : std::vector{step.problem}) {
            expected.emplace_back(step.path, problem);
        }
    }
    const CheckReport report = CheckPaths(paths);
    for (const Problem& problem : report.problems) {
        found.emplace_back(problem.path, problem.what);
    }
    ASSERT_EQ(found.size(), size_t(2 * (50 * 2 + 1) + 1)); // two ends a pack, kivo50, nowhere
    EXPECT_EQ(found, expected);
    EXPECT_EQ(report.levels, 2 * (PACK_SLOT_COUNT - 1) + 1);
    EXPECT_EQ(CheckSummary(report), "201 levels in 2 packs checked, 203 problems");
}

// Shapes are counted by their side count; a shape read with no entries or one has none. Ids
// the editor never gives are named by the element's place in its list, counted from one.
TEST(Check, ShapesAreSummedBySidesAndOddIdsNamedByPlace) {
    Level level;
    for (const float entries : {0.0f, 1.0f, 4.0f, 4.0f}) {
        level.shapes.emplace_back().entryCount = entries;
    }
    EXPECT_EQ(Summarize(level).shapesBySides, (std::map<int, int>{{0, 2}, {3, 2}}));
    Level odd;
    odd.points = {{1, 0.0f, 0.0f}, {2, 0.0f, 0.0f}};
    odd.connectors.resize(2);
    odd.connectors[0] = {3, {1, 2}};
    odd.connectors[1] = {0, {1, 2}};
    EXPECT_EQ(IdProblems(odd),
              std::vector<QString>{"connector 2 has id 0, which the editor never gives"});
}

} // namespace
} // namespace kivo
