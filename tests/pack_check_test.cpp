#include "storage/id_problems.h"
#include "storage/pack_check.h"
#include "storage/pack_store.h"

#include "test_files.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

namespace kivo {
namespace {

// Levels are read on every core, yet each problem comes where a walk on one core puts it:
// the walk's order, and within a level the order IdProblems gives.
TEST(PackCheck, ProblemsComeInTheWalksOrderWhateverTheCores) {
    QTemporaryDir base;
    QDir(base.path()).mkdir("kivo");
    Write(base.filePath("kivo/default.kvo"), Word(0) + Word(0) + Word(-1) + Word(100) + Word(200));
    PackStore store = MakePackStore(base.path());
    RandomSource random = MakeRandomSource(3);
    CreatePack(store, random);
    CreatePack(store, random);
    for (const PackInfo& pack : store.packs) {
        for (int slot = 1; slot < PACK_SLOT_COUNT; slot += 2) { // connector 5 ends nowhere
            Write(QString::fromStdString(pack.levelsPath + SlotFileName(slot).toStdString()),
                  Word(0) + Word(1) + Word(5) + Word(slot) + Word(slot + 1) + Word(-1) + Word(100) +
                      Word(200));
        }
        QFile::remove(QString::fromStdString(pack.levelsPath) + "kivo50.kvo");
    }
    const std::vector<std::string> paths{Bytes(base.filePath("kivo")),
                                         Bytes(base.filePath("nowhere"))};
    std::vector<std::pair<std::string, QString>> expected, found;
    for (const CheckStep& step : WalkPaths(paths).steps) {
        Level level; // every level here loads, so its problems are its ids'
        const bool read = step.problem.isEmpty() && ReadLevelFile(level, step.path).ok;
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

} // namespace
} // namespace kivo
