#include "storage/files/call_seam.h"
#include "storage/files/paths.h"
#include "storage/pack/data_folder.h"
#include "storage/pack/tidy_up.h"

#include "ended_at.h"
#include "slot_pack.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <set>

namespace kivo {
namespace {

// A start directory with a data folder and a template level.
class DataFolder : public ::testing::Test {
  protected:
    QTemporaryDir base;
    RandomSource random = MakeRandomSource(5);

    void SetUp() override {
        QDir(base.path()).mkdir("kivo");
        Write(Data("default.kvo"), EMPTY_LEVEL);
    }
    QString Data(const QString& name) const { return base.filePath("kivo/" + name); }
    std::string data() const { return Bytes(base.filePath("kivo")); }
    QStringList Folders() const {
        return QDir(Data("")).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                                        QDir::Name);
    }
    void MakePack(const QString& dir, const QByteArray& config, int count = 0) {
        QDir(Data("")).mkpath(dir + "/kivo");
        Write(Data(dir + "/config.txt"), config);
        for (int slot = 0; slot < count; ++slot) {
            Write(Data(dir + "/kivo/") + QString::fromStdString(SlotFileName(slot)), Triangle());
        }
    }
    std::vector<PackInfo> Listed() const { return ListPacks(data()).packs; }
    // A pack as New leaves it: config.txt, the two empty folders and 101 copies of the template.
    void ExpectWhole(const Pack& pack) {
        const QString dir = PathText(pack.folder);
        EXPECT_TRUE(ReadAll(dir + "/config.txt").startsWith("New Pack\r\nNew Author\r\nWhen?\r\n"));
        for (const char* folder : {"/highscores", "/playerdata"}) {
            EXPECT_EQ(QDir(dir + folder).entryList(QDir::AllEntries | QDir::Hidden),
                      (QStringList{".", ".."}));
        }
        const QStringList levels = QDir(dir + "/kivo").entryList(QDir::Files | QDir::Hidden);
        EXPECT_EQ(levels.size(), PACK_SLOT_COUNT);
        for (const QString& level : levels) {
            EXPECT_EQ(ReadAll(dir + "/kivo/" + level), EMPTY_LEVEL) << level.toStdString();
        }
    }
};

// New says which pack it made, whole, with an id no listed pack has; without the template it
// says what is missing and where, and makes nothing. A name that is taken is drawn again.
TEST_F(DataFolder, NewMakesAWholePackFromTheTemplateAndSaysWhichOne) {
    QFile::remove(Data("default.kvo"));
    const NewPack none = CreatePack(data(), {}, random);
    EXPECT_TRUE(none.result.message.contains("the template level \"" + Data("default.kvo")))
        << none.result.message.toStdString();
    EXPECT_TRUE(Folders().isEmpty());

    SetUp();
    const int64_t before = ClockSeconds();
    const NewPack made = CreatePack(data(), {}, random);
    ASSERT_TRUE(made.result.ok) << made.result.message.toStdString();
    EXPECT_EQ(Folders(), QStringList{PathText(NamePart(made.pack.folder))});
    EXPECT_TRUE(Folders()[0].contains(
        QRegularExpression("^" + QString::number(before).left(8) + ".*_pak$")));
    ExpectWhole(made.pack);
    const std::vector<PackInfo> listed = Listed();
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_GE(std::stoll(listed[0].packId), before);

    // The same seed draws the same first suffix; make that name taken for the next seconds.
    QDir(PathText(made.pack.folder)).removeRecursively();
    random = MakeRandomSource(5);
    const QString suffix = QString::number(RandomUpTo(random, 10)) + "_pak";
    const int64_t now = ClockSeconds();
    for (int64_t second = now; second < now + 3; ++second) {
        MakePack(QString::number(second) + suffix, "Mine\r\nMe\r\nThen\r\n1\r\n");
    }
    random = MakeRandomSource(5);
    ASSERT_TRUE(CreatePack(data(), Listed(), random).result.ok);
    ASSERT_TRUE(CreatePack(data(), Listed(), random).result.ok);
    std::set<std::string> ids; // two packs made in one second still get different ids
    for (const PackInfo& pack : Listed()) {
        ids.insert(pack.packId);
        EXPECT_EQ(ReadAll(PathText(pack.pack.folder) + "/config.txt").left(4),
                  pack.packId == "1" ? "Mine" : "New ");
    }
    EXPECT_EQ(ids.size(), 3u); // the three made by hand share id 1
}

// Only real folders are packs, in the order of their names' bytes, the editor's unlisted
// folders left out; every line end is read alike and missing lines are empty.
TEST_F(DataFolder, PacksAreTheRealFoldersInTheOrderOfTheirNamesBytes) {
    MakePack("c_pak", QByteArray("Gamma\rCid\0\r\n", 12));
    MakePack("b_pak", "Same\nSecond\nd\n500");
    MakePack("\xc3\xa9_pak", "Accent\r\n");
    MakePack("a_pak", "Same\r\nFirst\r\nd\r\n500\r\nextra\r\n");
    QDir(Data("")).mkdir("by hand");
    QDir(Data("")).mkdir(".kivo-unlisted-1");
    QDir(Data("")).mkdir(".kivo-new-pack-2");
    ASSERT_TRUE(MakeSpecial(Data("fifo"), nullptr, S_IFIFO));
    ASSERT_TRUE(MakeSpecial(Data("linked_pak"), Bytes(Data("a_pak")).c_str()));
    std::vector<std::string> found;
    for (const PackInfo& p : Listed()) {
        found.push_back(NamePart(p.pack.folder) + "=" + p.name + "|" + p.author + "|" +
                        p.dateCreated + "|" + p.packId + "|" + p.configRest);
    }
    EXPECT_EQ(found, (std::vector<std::string>{"a_pak=Same|First|d|500|extra\r\n",
                                               "b_pak=Same|Second|d|500|", "by hand=||||",
                                               std::string("c_pak=Gamma|Cid\0|||", 19),
                                               "\xc3\xa9_pak=Accent||||"}));
}

// Apply Change rewrites the given pack's config.txt alone, keeping its id and the lines after
// the fourth; a config.txt the panel cannot show whole, or that is no regular file, is never
// rewritten, and the reason is given.
TEST_F(DataFolder, ApplyChangeRewritesOnlyAConfigItCanKeepWhole) {
    MakePack("a_pak", "Same\r\nFirst\r\nd\r\n500\r\nextra\r\n");
    MakePack("b_pak", "Same\r\nSecond\r\nd\r\n500\r\nfifth\r\n");
    EXPECT_TRUE(ApplyPackChange(Listed()[1], {"Short", "Zed\nNext", "d"}).ok);
    EXPECT_EQ(ReadAll(Data("b_pak/config.txt")), "Short\r\nZed Next\r\nd\r\n500\r\nfifth\r\n");
    EXPECT_EQ(ReadAll(Data("a_pak/config.txt")), "Same\r\nFirst\r\nd\r\n500\r\nextra\r\n");

    const QByteArray tail("\r\nAuthor\r\nWhen?\r\n42\r\nfifth\r\n");
    const std::tuple<QByteArray, const char*, mode_t, QString> cases[] = {
        {QByteArray("Pack\0Zero", 9) + tail, nullptr, S_IFREG, "line 1 holds a NUL byte"},
        {QByteArray(MAX_PACK_TEXT_LENGTH + 1, 'n') + tail, nullptr, S_IFREG, "line 1 is longer"},
        {{}, nullptr, S_IFIFO, "a FIFO"}};
    for (const auto& [config, linkTo, type, why] : cases) {
        SCOPED_TRACE(why.toStdString());
        QDir(Data("p_pak")).removeRecursively();
        MakePack("p_pak", config);
        if (type != S_IFREG) {
            QFile::remove(Data("p_pak/config.txt"));
            ASSERT_TRUE(MakeSpecial(Data("p_pak/config.txt"), linkTo, type));
        }
        const PackListing listing = ListPacks(data());
        const FileResult applied = ApplyPackChange(listing.packs.back(), {"Typed", "Me", "Now"});
        EXPECT_TRUE(applied.message.contains(why)) << applied.message.toStdString();
        EXPECT_TRUE(IsA(Data("p_pak/config.txt"), type));
        if (type == S_IFREG) {
            EXPECT_EQ(ReadAll(Data("p_pak/config.txt")), config);
        } else {
            EXPECT_TRUE(listing.errors.join("").contains(why));
        }
    }
    // Sparse: a first line of NULs, read only as far as the bound.
    QDir(Data("p_pak")).removeRecursively();
    MakePack("p_pak", "");
    ASSERT_TRUE(QFile::resize(Data("p_pak/config.txt"), 4LL << 30));
    const PackListing huge = ListPacks(data());
    EXPECT_TRUE(huge.errors.isEmpty());
    EXPECT_EQ(huge.packs.back().name.size(), size_t(MAX_CONFIG_BYTES));
    EXPECT_TRUE(huge.packs.back().configProblem.contains("is longer than"));
}

// Delete removes the pack alone: no link out of it is followed, nothing on another file system
// is touched, and what it cannot remove is named and listed again under the pack's name.
TEST_F(DataFolder, DeleteRemovesThePackAloneAndListsAgainWhatItCannotRemove) {
    MakePack("a_pak", "A\r\n", 3);
    MakePack("b_pak", "B\r\n", 3);
    QTemporaryDir elsewhere;
    Write(elsewhere.filePath("precious.kvo"), "keep me");
    QFile::link(elsewhere.path(), Data("a_pak/kivo/linked"));
    QFile::link(elsewhere.filePath("precious.kvo"), Data("a_pak/file-link.kvo"));
    EXPECT_EQ(DeletePack(Listed()[0].pack), QStringList());
    EXPECT_EQ(Folders(), QStringList{"b_pak"});
    EXPECT_EQ(ReadAll(elsewhere.filePath("precious.kvo")), "keep me");

    const QString levels = Data("b_pak/kivo/");
    ASSERT_TRUE(QDir().mkpath(levels + "mnt"));
    TmpfsMount mount(levels + "mnt", "64k");
    if (!mount.mounted) {
        GTEST_SKIP() << "mounting a file system inside a pack is not permitted here";
    }
    Write(levels + "mnt/other.txt", "another file system's");
    const QStringList left = DeletePack(Listed()[0].pack);
    EXPECT_EQ(left, QStringList{"\"" + levels + "mnt\" (another file system is mounted there)"});
    EXPECT_EQ(ReadAll(levels + "mnt/other.txt"), "another file system's");
    EXPECT_FALSE(QFile::exists(levels + "kivo1.kvo"));
    EXPECT_EQ(Folders(), QStringList{"b_pak"});
}

// A folder swapped for a link while Delete runs (another program, a sync tool) never leads it
// out of the pack: it walks by descriptor, so another pack keeps every level.
TEST_F(DataFolder, AFolderSwappedForALinkDuringDeleteLeadsNowhere) {
    MakePack("alpha_pak", "Alpha\r\n", PACK_SLOT_COUNT);
    MakePack("beta_pak", "Beta\r\n", PACK_SLOT_COUNT);
    int removals = 0;
    SetCallSeam([&](const char* call) {
        if (std::string(call) == "remove" && ++removals == 5) {
            const QString hidden =
                Data(QDir(Data("")).entryList({".kivo-unlisted-*"}, QDir::Dirs | QDir::Hidden)[0]);
            QDir().rename(hidden + "/kivo", hidden + "/moved");
            QFile::link(Data("alpha_pak/kivo"), hidden + "/kivo");
        }
        return 0;
    });
    const QStringList left = DeletePack(Listed()[1].pack);
    SetCallSeam({});
    EXPECT_EQ(QDir(Data("alpha_pak/kivo")).entryList(QDir::Files).size(), PACK_SLOT_COUNT);
    EXPECT_EQ(left.size(), 1) << left.join("\n").toStdString();
}

// The calls at which a verb is ended: every call site once, and each call of a loop at its
// first, a middle and its last turn. A run of calls of one name is a loop's.
template <typename Verb> std::set<int> StopsOf(Verb verb) {
    std::vector<std::string> calls;
    SetCallSeam([&](const char* call) {
        calls.emplace_back(call);
        return 0;
    });
    verb();
    SetCallSeam({});
    std::set<int> stops;
    for (size_t start = 0, end = 0; start < calls.size(); start = end) {
        for (end = start; end < calls.size() && calls[end] == calls[start];) {
            ++end;
        }
        stops.insert({int(start) + 1, int(start + end) / 2 + 1, int(end)});
    }
    stops.insert(int(calls.size()) + 1); // not ended at all
    return stops;
}

// New and Delete ended at any call that changes a folder leave either the pack whole and
// listed or no pack at all; the tidy-up removes what was left unlisted.
TEST_F(DataFolder, NewAndDeleteKilledAtAnyCallLeaveNoHalfPackListed) {
    for (const bool deleting : {false, true}) {
        const auto setUp = [&] {
            QDir(Data("")).removeRecursively();
            SetUp();
            if (deleting) {
                ASSERT_TRUE(CreatePack(data(), {}, random).result.ok);
            }
        };
        const auto verb = [&] {
            const std::vector<PackInfo> before = Listed();
            deleting ? void(DeletePack(before[0].pack)) : void(CreatePack(data(), before, random));
        };
        setUp();
        for (const int stop : StopsOf(verb)) {
            SCOPED_TRACE(testing::Message()
                         << (deleting ? "Delete" : "New") << " killed at " << stop);
            setUp();
            const bool killed = EndedAt(stop, verb);
            EXPECT_EQ(TidyDataFolder(data()), QStringList());
            EXPECT_EQ(QDir(Data("")).entryList({".kivo-*"}, QDir::AllEntries | QDir::Hidden),
                      QStringList());
            for (const PackInfo& pack : Listed()) {
                ExpectWhole(pack.pack);
            }
            if (!killed) {
                EXPECT_EQ(Listed().size(), deleting ? 0u : 1u);
            }
        }
    }
}

// A read-only data folder gets no pack; what Delete cannot remove is named and listed again.
TEST_F(DataFolder, ReadOnlyFoldersWithoutRootAreReportedAndLoseNothing) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "permissions do not stop root";
    }
    {
        const ReadOnlyFor readOnly(Data(""));
        const NewPack made = CreatePack(data(), {}, random);
        EXPECT_TRUE(made.result.message.contains("cannot be written"))
            << made.result.message.toStdString();
    }
    MakePack("p_pak", "P\r\nA\r\nD\r\n1\r\n", 2);
    const ReadOnlyFor levels(Data("p_pak/kivo"));
    const QStringList left = DeletePack(Listed()[0].pack);
    EXPECT_TRUE(left.join("").contains("kivo1.kvo")) << left.join("\n").toStdString();
    EXPECT_EQ(Folders(), QStringList{"p_pak"});
}

} // namespace
} // namespace kivo
