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
