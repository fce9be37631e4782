#include "storage/id_problems.h"
#include "storage/pack_check.h"
#include "storage/pack_store.h"

#include "slot_pack.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <csignal>
#include <map>
#include <set>
#include <sys/wait.h>

namespace kivo {
namespace {

// Exactly one error, naming each of `words`.
void ExpectOneError(const PackOutcome& outcome, std::initializer_list<QString> words) {
    ASSERT_EQ(outcome.errors.size(), 1) << outcome.errors.join("\n").toStdString();
    for (const QString& word : words) {
        EXPECT_TRUE(outcome.errors[0].contains(word)) << outcome.errors[0].toStdString();
    }
}

// A start directory with a data folder and a template level.
class Packs : public ::testing::Test {
  protected:
    QTemporaryDir base;
    PackStore store;
    RandomSource random = MakeRandomSource(5);

    void SetUp() override {
        QDir(base.path()).mkdir("kivo");
        Write(Data("default.kvo"), EMPTY_LEVEL);
        store = MakePackStore(base.path());
    }
    QString Data(const QString& name) const { return base.filePath("kivo/" + name); }
    QStringList PackDirs() const {
        return QDir(Data("")).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    }
    void MakePack(const QString& dir, const QByteArray& config) {
        QDir(Data("")).mkpath(dir + "/kivo");
        Write(Data(dir + "/config.txt"), config);
    }
};

// Without the template, and then without the data folder too, the scan says once what is
// missing and where, and nothing is made. With both, the first scan of an empty data folder
// and Delete of the last pack each make a pack; a new pack never takes an existing folder's
// name or a listed pack's id.
TEST_F(Packs, NewPacksAreMadeWholeFromTheTemplateAndNeverTouchAnExistingFolder) {
    QFile::remove(Data("default.kvo"));
    for (const auto& [what, where] :
         {std::pair{"template level", Data("default.kvo")}, {"data folder", store.dataDir}}) {
        if (where == store.dataDir) {
            QDir(where).removeRecursively();
        }
        SCOPED_TRACE(what);
        ExpectOneError(ScanPacks(store, random), {what, where});
        EXPECT_FALSE(DeletePack(store, random).errors.isEmpty());
        EXPECT_TRUE(PackDirs().isEmpty());
    }
    EXPECT_FALSE(QFile::exists(Data("")));

    SetUp(); // the data folder and the template again
    const int64_t before = ClockSeconds();
    EXPECT_EQ(ScanPacks(store, random).information, PACK_CREATED_TEXT);
    ASSERT_EQ(PackDirs().size(), 1);
    const QString dir = PackDirs()[0];
    const QByteArray id = QByteArray::fromStdString(store.panel.packId);
    EXPECT_GE(id.toLongLong(), before);
    EXPECT_LE(id.toLongLong(), ClockSeconds());
    EXPECT_TRUE(dir.contains(QRegularExpression("^" + QString::number(before).left(8) + ".*_pak$")))
        << dir.toStdString();
    EXPECT_EQ(ReadAll(Data(dir + "/config.txt")),
              "New Pack\r\nNew Author\r\nWhen?\r\n" + id + "\r\n");
    for (const char* folder : {"/highscores", "/playerdata"}) { // there and empty
        EXPECT_EQ(QDir(Data(dir + folder)).entryList(QDir::AllEntries | QDir::Hidden),
                  (QStringList{".", ".."}));
    }
    EXPECT_EQ(DeletePack(store, random).information, PACK_CREATED_TEXT);
    ASSERT_EQ(PackDirs().size(), 1);

    // The same seed draws the same first suffix; make that name taken for the next seconds.
    QDir(Data(PackDirs()[0])).removeRecursively();
    random = MakeRandomSource(5);
    const QString suffix = QString::number(RandomUpTo(random, 10)) + "_pak";
    const int64_t now = ClockSeconds();
    for (int64_t second = now; second < now + 3; ++second) {
        MakePack(QString::number(second) + suffix, "Mine\r\nMe\r\nThen\r\n1\r\n");
    }
    random = MakeRandomSource(5);
    CreatePack(store, random);
    CreatePack(store, random);
    std::set<std::string> ids; // two packs made in one second still get different ids
    for (const PackInfo& pack : store.packs) {
        ids.insert(pack.packId);
    }
    EXPECT_EQ(ids.size(), 3u); // the three made by hand share id 1
    EXPECT_EQ(PackDirs().size(), 5);
}

// Only folders are packs, listed in directory order, every line end read alike and
// missing lines empty. Of two packs with one name and one id, Apply Change and Delete act on
// the shown one alone; Delete follows no link out of it, stays on its file system and names
// what it left.
TEST_F(Packs, RealFoldersAreListedAndTheShownOneAloneIsChangedAndDeleted) {
    const std::map<QString, std::pair<QByteArray, std::string>> packs{
        {"a_pak", {"Same\r\nFirst\r\nd\r\n500\r\nextra\r\n", "Same|First|d|500"}},
        {"b_pak", {"Same\nSecond\nd\n500", "Same|Second|d|500"}},
        {"c_pak", {QByteArray("Gamma\rCid\0\r\n", 12), std::string("Gamma|Cid\0||", 12)}}};
    for (const auto& [dir, config] : packs) {
        MakePack(dir, config.first);
    }
    QDir(Data("")).mkdir("by hand");
    QTemporaryDir elsewhere;
    Write(elsewhere.filePath("precious.kvo"), "keep me");
    ASSERT_TRUE(MakeSpecial(Data("fifo"), nullptr, S_IFIFO));
    ScanPacks(store, random);
    ASSERT_EQ(store.packs.size(), packs.size() + 1);
    const QStringList listing = QDir(Data("")).entryList(
        QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks, QDir::Unsorted);
    for (size_t i = 0; i < store.packs.size(); ++i) {
        const PackInfo& p = store.packs[i];
        const QString dir = listing[int(i)];
        EXPECT_EQ(p.levelsPath, Data(dir + "/kivo/").toStdString());
        EXPECT_EQ(p.name + "|" + p.author + "|" + p.dateCreated + "|" + p.packId,
                  packs.count(dir) ? packs.at(dir).second : "|||");
    }
    EXPECT_EQ(store.panel.author, store.packs[0].author);
    EXPECT_EQ(store.levelDir.toStdString(), store.packs[0].levelsPath);

    // The later of the two, so that a look-up by id would find the other.
    const QString shown = listing.indexOf("a_pak") > listing.indexOf("b_pak") ? "a_pak" : "b_pak";
    const QString other = shown == "a_pak" ? "b_pak" : "a_pak";
    ShowPackDetails(store, size_t(listing.indexOf(shown)));
    EXPECT_TRUE(ApplyPackChange(store, {"Short", "Zed", "d"}, random).errors.isEmpty());
    // The pack id and the lines after the fourth stay as they were.
    EXPECT_EQ(ReadAll(Data(shown + "/config.txt")),
              QByteArray("Short\r\nZed\r\nd\r\n500\r\n") + (shown == "a_pak" ? "extra\r\n" : ""));
    QFile::link(elsewhere.path(), Data(shown + "/kivo/linked"));
    QFile::link(elsewhere.filePath("precious.kvo"), Data(shown + "/file-link.kvo"));
    ShowPackDetails(store, size_t(listing.indexOf(shown)));
    const PackOutcome outcome = DeletePack(store, random);
    EXPECT_TRUE(outcome.errors.isEmpty()) << outcome.errors.join("\n").toStdString();
    EXPECT_FALSE(QFile::exists(Data(shown)));
    EXPECT_EQ(ReadAll(Data(other + "/config.txt")), packs.at(other).first);
    EXPECT_EQ(ReadAll(elsewhere.filePath("precious.kvo")), "keep me");

    const QString levels = QString::fromStdString(store.packs[0].levelsPath); // now shown
    ASSERT_TRUE(QDir().mkpath(levels + "mnt"));
    Write(levels + "kivo1.kvo", "level");
    TmpfsMount mount(levels + "mnt", "64k");
    if (!mount.mounted) {
        GTEST_SKIP() << "mounting a file system inside a pack is not permitted here";
    }
    Write(levels + "mnt/other.txt", "another file system's");
    const PackOutcome left = DeletePack(store, random);
    ExpectOneError(left, {"mnt\" (another file system is mounted there)"});
    EXPECT_EQ(left.errors[0].count('\n'), 1); // the mount alone, not the folders above it
    EXPECT_EQ(ReadAll(levels + "mnt/other.txt"), "another file system's");
    EXPECT_FALSE(QFile::exists(levels + "kivo1.kvo"));
}

// A config.txt the panel cannot show whole (a NUL, a line longer than a field holds, more
// than is read) or that is no regular file (a link out of the pack, a FIFO) is neither hung on nor
// rewritten: Apply Change says why and keeps the typed texts in the panel. A NUL is a character of
// its line and shifts no field; a huge file is read only as far as its bound.
TEST_F(Packs, AConfigThePanelCannotShowWholeOrThatIsNoRegularFileIsNeverRewritten) {
    const QByteArray tail("\r\nAuthor\r\nWhen?\r\n42\r\nfifth\r\n");
    const std::tuple<QByteArray, const char*, mode_t, QString> cases[] = {
        {QByteArray("Pack\0Zero", 9) + tail, nullptr, S_IFREG, "line 1 holds a NUL byte"},
        {QByteArray(MAX_PACK_TEXT_LENGTH + 1, 'n') + tail, nullptr, S_IFREG, "line 1 is longer"},
        {{}, "../default.kvo", S_IFLNK, ""},
        {{}, nullptr, S_IFIFO, "a FIFO"}};
    for (const auto& [config, linkTo, type, why] : cases) {
        SCOPED_TRACE(why.toStdString());
        QDir(Data("p_pak")).removeRecursively();
        MakePack("p_pak", config);
        if (type != S_IFREG) {
            QFile::remove(Data("p_pak/config.txt"));
            ASSERT_TRUE(MakeSpecial(Data("p_pak/config.txt"), linkTo, type));
        }
        const QString scanned = ScanPacks(store, random).errors.join("");
        ASSERT_EQ(store.packs.size(), 1u);
        ExpectOneError(ApplyPackChange(store, {"Typed", "Me", "Now"}, random), {"config.txt", why});
        EXPECT_EQ(store.panel.author, "Me");
        EXPECT_TRUE(IsA(Data("p_pak/config.txt"), type));
        if (type == S_IFREG) {
            EXPECT_EQ(ReadAll(Data("p_pak/config.txt")), config);
            EXPECT_EQ(store.packs[0].author + store.packs[0].packId, "Author42");
        } else {
            EXPECT_TRUE(scanned.contains(why)) << scanned.toStdString();
        }
    }
    EXPECT_EQ(ReadAll(Data("default.kvo")), EMPTY_LEVEL);
    EXPECT_EQ(ShownPackText(std::string("Pack\0Zero", 9)), QString::fromUtf8("Pack\u2400Zero"));
    // Sparse: a first line of NULs, read only as far as the bound.
    QDir(Data("p_pak")).removeRecursively();
    MakePack("p_pak", "");
    ASSERT_TRUE(QFile::resize(Data("p_pak/config.txt"), 4LL << 30));
    EXPECT_TRUE(ScanPacks(store, random).errors.isEmpty());
    EXPECT_EQ(store.packs[0].name.size(), size_t(MAX_CONFIG_BYTES));
    EXPECT_TRUE(store.packs[0].configProblem.contains("is longer than"));
}

// A pack named in bytes that are not UTF-8, with 8-bit texts: listed, shown and changed with
// its bytes kept, an edited text written in the encoding it was read in, and deleted whole.
TEST_F(Packs, APackNamedInBytesThatAreNotUtf8KeepsItsBytesUntilDeletedWhole) {
    const QByteArray config("Caf\xe9 Pack\r\nJos\xe9\r\n\x80\x81\r\n9\r\n");
    const std::string pack = Bytes(Data("")) + "caf\xe9_pak";
    ASSERT_EQ(mkdir(pack.c_str(), 0700), 0);
    ASSERT_EQ(mkdir((pack + "/kivo").c_str(), 0700), 0);
    ASSERT_TRUE(WriteNewFile(pack + "/kivo/l\xe9vel.kvo", "level").ok);
    ASSERT_TRUE(WriteNewFile(pack + "/config.txt", config).ok);
    ScanPacks(store, random);
    ASSERT_EQ(store.packs.size(), 1u);
    const QString shown = ShownPackText(store.panel.author);
    EXPECT_EQ(shown, QString::fromUtf8("Jos\u00e9"));
    EXPECT_EQ(StoredPackText(shown, store.panel.author), "Jos\xe9");
    EXPECT_EQ(ShownPackText("Jos\xc3\xa9"), QString::fromUtf8("Jos\u00e9"));
    ApplyPackChange(store, {store.panel.comboText, store.panel.author, store.panel.dateCreated},
                    random);
    EXPECT_EQ(ReadRegularFile(pack + "/config.txt", 100, Links::Refuse).bytes, config);
    const QString edited = QString::fromUtf8("Jos\u00e9 M\u00fcller");
    EXPECT_EQ(StoredPackText(edited, store.panel.author), "Jos\xe9 M\xfcller");
    EXPECT_EQ(StoredPackText(edited, "Jose"), "Jos\xc3\xa9 M\xc3\xbcller");
    EXPECT_EQ(StoredPackText(QString::fromUtf8("\u20ac"), "\xe9"), "\xe2\x82\xac");
    EXPECT_TRUE(DeletePack(store, random).errors.isEmpty());
    EXPECT_EQ(StatMode(QFile::decodeName(pack.c_str())), 0u);
}

// A New killed at any moment leaves either no pack or a whole one, never a listed half; the
// scan removes what a dead New left.
TEST_F(Packs, AKilledNewNeverLeavesAHalfMadePackListed) {
    MakePack(".kivo-new-pack-999999999-1", "Half\r\n");
    for (uint32_t trial = 0; trial < 30; ++trial) {
        const pid_t child = fork();
        if (child == 0) {
            CreatePack(store, random);
            _exit(0);
        }
        usleep(useconds_t(RandomUpTo(random, 4000)));
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
    }
    ScanPacks(store, random);
    for (const PackInfo& pack : store.packs) {
        EXPECT_EQ(pack.name, "New Pack");
        EXPECT_EQ(QDir(QString::fromStdString(pack.levelsPath)).entryList(QDir::Files).size(),
                  PACK_SLOT_COUNT);
    }
    EXPECT_EQ(QDir(Data("")).entryList({".kivo-new-pack-*"}, QDir::Hidden | QDir::AllEntries),
              QStringList());
}

// A read-only data folder gets one attempt at a first pack; what Delete cannot remove is named
// and listed again.
TEST_F(Packs, ReadOnlyFoldersWithoutRootAreReportedAndLoseNothing) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "permissions do not stop root";
    }
    {
        const ReadOnlyFor data(Data(""));
        ExpectOneError(ScanPacks(store, random), {"cannot be created"});
    }
    MakePack("p_pak", "P\r\nA\r\nD\r\n1\r\n");
    Write(Data("p_pak/kivo/kivo1.kvo"), "level");
    ScanPacks(store, random);
    const ReadOnlyFor levels(Data("p_pak/kivo"));
    ExpectOneError(DeletePack(store, random), {"kivo1.kvo"});
    EXPECT_EQ(store.packs.size(), 1u); // the remains are listed again
}

// Levels are read on every core, yet each problem comes where a walk on one core puts it:
// the walk's order, and within a level the order IdProblems gives.
TEST_F(Packs, CheckProblemsComeInTheWalksOrderWhateverTheCores) {
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
