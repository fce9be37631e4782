#include "storage/id_problems.h"
#include "storage/pack_check.h"
#include "storage/pack_store.h"

#include "test_files.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <map>

#include <unistd.h>

namespace kivo {
namespace {

const QByteArray TEMPLATE("\x00\x00\x00\x00\xff\xff\x64\x00\xc8\x00", 10);

// A level of one connector, id 5, between points `from` and `from` + 1 that it does not have.
QByteArray DanglingConnector(int from) {
    return Word(0) + Word(1) + Word(5) + Word(from) + Word(from + 1) + Word(-1) + Word(100) +
           Word(200);
}

struct DataFolder {
    QTemporaryDir base;
    QString data = base.filePath("kivo");
    PackStore store = MakePackStore(base.path());
    RandomSource random = MakeRandomSource(3);

    DataFolder() {
        QDir(base.path()).mkdir("kivo");
        Write(data + "/default.kvo", TEMPLATE);
    }
};

// Only a real folder that is not still being built is a pack, to the store's listing and to
// a check alike: not a link to a pack, not a file, not an unfinished New.
TEST(PackCheck, TheListingAndTheCheckTakeTheSameFoldersForPacks) {
    DataFolder d;
    CreatePack(d.store, d.random);
    QDir(d.base.path()).mkpath("elsewhere/kivo");
    Write(d.base.filePath("elsewhere/config.txt"), "Elsewhere\r\n");
    ASSERT_TRUE(QFile::link(d.base.filePath("elsewhere"), d.data + "/link_pak"));
    Write(d.data + "/file_pak", "not a folder");
    // Made by this process, which still runs, so the listing leaves it be.
    const QString unfinished =
        QStringLiteral("%1%2-1").arg(QLatin1String(UNFINISHED_PACK_PREFIX)).arg(::getpid());
    QDir(d.data).mkpath(unfinished + "/kivo");
    ScanPacks(d.store, d.random);
    const CheckWalk walk = WalkPaths({Bytes(d.data)});
    EXPECT_EQ(d.store.packs.size(), size_t(1));
    EXPECT_EQ(walk.packs, 1);
    EXPECT_TRUE(IsRealFolder(Bytes(d.data + "/" + unfinished)));
    EXPECT_TRUE(IsUnfinishedPackName(Bytes(unfinished)));
    EXPECT_FALSE(IsRealFolder(Bytes(d.data + "/link_pak")));
    EXPECT_FALSE(IsRealFolder(Bytes(d.data + "/file_pak")));
    EXPECT_FALSE(IsUnfinishedPackName("new-pack_pak"));
}

// Levels are read on every core, yet each problem comes where a walk on one core puts it:
// the walk's order, and within a level the order IdProblems gives.
TEST(PackCheck, ProblemsComeInTheWalksOrderWhateverTheCores) {
    DataFolder d;
    CreatePack(d.store, d.random);
    CreatePack(d.store, d.random);
    for (const PackInfo& pack : d.store.packs) {
        for (int slot = 1; slot < PACK_SLOT_COUNT; slot += 2) {
            Write(QString::fromStdString(pack.levelsPath + SlotFileName(slot).toStdString()),
                  DanglingConnector(slot));
        }
        QFile::remove(QString::fromStdString(pack.levelsPath) + "kivo50.kvo");
    }
    const std::vector<std::string> paths{Bytes(d.data), Bytes(d.base.filePath("nowhere"))};

    std::vector<std::pair<std::string, QString>> expected;
    for (const CheckStep& step : WalkPaths(paths).steps) {
        if (!step.problem.isEmpty()) {
            expected.emplace_back(step.path, step.problem);
            continue;
        }
        Level level;
        ASSERT_TRUE(ReadLevelFile(level, step.path).ok);
        for (const QString& problem : IdProblems(level)) {
            expected.emplace_back(step.path, problem);
        }
    }
    const CheckReport report = CheckPaths(paths);
    std::vector<std::pair<std::string, QString>> found;
    for (const Problem& problem : report.problems) {
        found.emplace_back(problem.path, problem.what);
    }
    ASSERT_EQ(found.size(), size_t(2 * (50 * 2 + 1) + 1)); // two ends a pack, kivo50, nowhere
    EXPECT_EQ(found, expected);
    EXPECT_EQ(report.levels, 2 * (PACK_SLOT_COUNT - 1) + 1);
    EXPECT_EQ(CheckSummary(report), "201 levels in 2 packs checked, 203 problems");
}

// A save's leftover may go; an interrupted exchange's files may hold the only copy of a level,
// so the check names them for what they are and never calls them removable.
TEST(PackCheck, AnInterruptedExchangeIsKeptAndASavesLeftoverMayGo) {
    DataFolder d;
    const QString levels = d.base.filePath("kivo/a_pak/kivo");
    QDir().mkpath(levels);
    Write(d.base.filePath("kivo/a_pak/config.txt"), "A\r\nme\r\nnow\r\n1\r\n");
    for (int slot = 0; slot < PACK_SLOT_COUNT; ++slot) {
        Write(levels + "/" + SlotFileName(slot), TEMPLATE);
    }
    Write(levels + "/.kivo-exchange-999999-1.level", TEMPLATE);
    Write(levels + "/.kivo-save-999999-1.tmp", TEMPLATE);
    std::map<std::string, QString> found;
    for (const Problem& problem : CheckPaths({Bytes(d.data)}).problems) {
        found[problem.path.substr(problem.path.rfind('/') + 1)] = problem.what;
    }
    ASSERT_EQ(found.count(".kivo-exchange-999999-1.level"), 1u);
    EXPECT_TRUE(found[".kivo-exchange-999999-1.level"].contains("keep it"));
    EXPECT_FALSE(found[".kivo-exchange-999999-1.level"].contains("removed"));
    EXPECT_TRUE(found[".kivo-save-999999-1.tmp"].contains("can be removed"));
}

} // namespace
} // namespace kivo
