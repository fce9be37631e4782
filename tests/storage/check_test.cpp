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

// Shapes are counted by their side count; a shape read with no entries or one has none.
TEST(Check, ShapesAreSummedBySides) {
    Level level;
    level.shapes.resize(4);
    const float entries[] = {0.0f, 1.0f, 4.0f, 4.0f};
    for (size_t k = 0; k < level.shapes.size(); ++k) {
        level.shapes[k].entryCount = entries[k];
    }
    EXPECT_EQ(Summarize(level).shapesBySides, (std::map<int, int>{{0, 2}, {3, 2}}));
}

// A pack's slots and its template are checked by the readers the editor uses: a linked slot is
// a problem, named with the reason, where a level file named on its own is followed.
TEST(Check, SlotsAreReadByTheEditorsRules) {
    SlotPack p;
    const QString outside = p.base.filePath("outside.kvo");
    Write(outside, Triangle());
    QFile::remove(p.Path(1));
    ASSERT_TRUE(MakeSpecial(p.Path(1), Bytes(outside).c_str()));
    ASSERT_TRUE(MakeSpecial(p.base.filePath("named.kvo"), Bytes(outside).c_str()));
    const CheckReport report = CheckPaths({Bytes(p.pack), Bytes(p.base.filePath("named.kvo"))});
    ASSERT_EQ(report.problems.size(), 1u);
    EXPECT_EQ(report.problems[0].path, Bytes(p.Path(1)));
    EXPECT_EQ(report.problems[0].what, "the level file cannot be loaded: it is a symbolic link, "
                                       "which is not followed here");
    EXPECT_EQ(report.levels, PACK_SLOT_COUNT + 1);
}

} // namespace
} // namespace kivo
