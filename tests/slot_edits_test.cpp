#include "slot_pack.h"

#include "storage/pack_store.h"
#include "storage/slot_edits.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <set>
#include <string>
#include <sys/wait.h>

namespace kivo {
namespace {

// A refused call names itself when it fails to be refused.
#define EXPECT_REFUSED(call)                                                                       \
    do {                                                                                           \
        SCOPED_TRACE(#call);                                                                       \
        const FileResult refused_ = (call);                                                        \
        EXPECT_FALSE(refused_.ok);                                                                 \
        EXPECT_FALSE(refused_.message.isEmpty());                                                  \
    } while (false)

QString Message(const FileResult& result) {
    return result.ok ? QString("(done)") : result.message;
}

// The files of the level folder and nothing else, by name.
std::map<QString, QByteArray> LevelFiles(const SlotPack& p) {
    std::map<QString, QByteArray> files;
    const QString levels = p.pack + "/" + LEVELS_FOLDER_NAME;
    for (const QString& name : QDir(levels).entryList(QDir::Files | QDir::Hidden)) {
        files[name] = ReadAll(levels + "/" + name);
    }
    return files;
}

// Each edit writes only its slots, and its undo puts the pack back as it was; Save Into Slot
// is an edit like the others.
TEST(SlotEdits, EachEditWritesOnlyItsSlotsAndIsUndone) {
    SlotPack p;
    p.Put(1, Triangle());
    p.Put(2, TwoSquares());
    QFile::remove(p.Path(3));
    QFile::remove(p.Path(4));
    const std::map<QString, QByteArray> start = p.Files();
    const QByteArray square = LevelOf({4});
    struct Case {
        const char* name;
        SlotEdit edit;
        std::map<int, QByteArray> changed; // a null array: no file
    };
    const Case cases[] = {
        {"exchange", PlanExchange(p.pack, 1, 2), {{1, TwoSquares()}, {2, Triangle()}}},
        {"exchange with no file", PlanExchange(p.pack, 1, 3), {{1, QByteArray()}, {3, Triangle()}}},
        {"exchange from no file",
         PlanExchange(p.pack, 3, 2),
         {{3, TwoSquares()}, {2, QByteArray()}}},
        {"copy", PlanCopy(p.pack, 2, 100), {{100, TwoSquares()}}},
        {"copy into no file", PlanCopy(p.pack, 1, 4), {{4, Triangle()}}},
        {"reset", PlanReset(p.pack, 2), {{2, EMPTY_LEVEL}}},
        {"save into slot", PlanSaveIntoSlot(p.pack, 5, square), {{5, square}}},
        {"save into no file", PlanSaveIntoSlot(p.pack, 3, square), {{3, square}}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(c.edit.result.ok) << c.edit.result.message.toStdString();
        std::map<QString, QByteArray> after = start;
        for (const auto& [slot, bytes] : c.changed) {
            bytes.isNull() ? void(after.erase(p.Path(slot))) : void(after[p.Path(slot)] = bytes);
        }
        EXPECT_EQ(Message(DoSlotEdit(p.pack, c.edit)), "(done)");
        EXPECT_EQ(Differing(p.Files(), after), "");
        EXPECT_EQ(Message(UndoSlotEdit(p.pack, c.edit)), "(done)");
        EXPECT_EQ(Differing(p.Files(), start), "");
    }
}

// Links, FIFOs, a linked level folder or pack folder and slots that do not exist are refused
// by every edit, Save Into Slot among them, and nothing outside the level folder is written.
TEST(SlotEdits, LinksSpecialFilesAndLinkedFoldersAreRefused) {
    SlotPack p;
    const QString outside = p.base.filePath("outside.kvo");
    Write(outside, "notes, not a level");
    QFile::remove(p.Path(7));
    ASSERT_TRUE(QFile::link(outside, p.Path(7)));
    QFile::remove(p.Path(9));
    ASSERT_TRUE(MakeSpecial(p.Path(9), nullptr, S_IFIFO));
    QFile::remove(p.Path(3));
    const QByteArray level = Triangle();
    EXPECT_REFUSED(PlanSaveIntoSlot(p.pack, 7, level).result);
    EXPECT_REFUSED(PlanSaveIntoSlot(p.pack, 9, level).result);
    EXPECT_REFUSED(PlanSaveIntoSlot(p.pack, PACK_SLOT_COUNT, level).result);
    EXPECT_REFUSED(PlanExchange(p.pack, 7, 8).result);
    EXPECT_REFUSED(PlanExchange(p.pack, 8, 9).result);
    EXPECT_REFUSED(PlanExchange(p.pack, 1, 1).result);
    EXPECT_REFUSED(PlanExchange(p.pack, 0, PACK_SLOT_COUNT).result);
    EXPECT_REFUSED(PlanCopy(p.pack, 3, 4).result);
    EXPECT_REFUSED(PlanCopy(p.pack, 7, 4).result);
    EXPECT_REFUSED(PlanReset(p.pack, -1).result);
    EXPECT_REFUSED(PlanReset(p.pack, 7).result);
    EXPECT_EQ(ReadAll(outside), "notes, not a level");
    EXPECT_TRUE(IsA(p.Path(7), S_IFLNK));
    EXPECT_TRUE(IsA(p.Path(9), S_IFIFO));

    QFile::remove(TemplatePath(p.pack));
    EXPECT_REFUSED(PlanReset(p.pack, 2).result);
    ASSERT_TRUE(QFile::link(outside, TemplatePath(p.pack)));
    EXPECT_REFUSED(PlanReset(p.pack, 2).result);

    const QString levels = p.pack + "/" + LEVELS_FOLDER_NAME;
    const QString elsewhere = p.base.filePath("elsewhere");
    ASSERT_TRUE(QDir().rename(levels, elsewhere));
    ASSERT_TRUE(QFile::link(elsewhere, levels));
    EXPECT_REFUSED(PlanSaveIntoSlot(p.pack, 1, level).result);
    EXPECT_REFUSED(PlanExchange(p.pack, 1, 2).result);
    ASSERT_TRUE(QFile::remove(levels));
    ASSERT_TRUE(QDir().rename(elsewhere, levels));
    const QString realPack = p.base.filePath("real_pak");
    ASSERT_TRUE(QDir().rename(p.pack, realPack));
    ASSERT_TRUE(QFile::link(realPack, p.pack));
    EXPECT_REFUSED(PlanSaveIntoSlot(p.pack, 1, level).result);
    EXPECT_EQ(ReadAll(realPack + "/kivo/kivo1.kvo"), EMPTY_LEVEL);
}

// A step made in one level folder never writes into another put in its place: not after the
// pack was moved away and another copied in, not through a link to the old one.
TEST(SlotEdits, AStepWritesOnlyIntoTheFolderItWasMadeIn) {
    SlotPack p;
    p.Put(1, Triangle());
    const SlotEdit edit = PlanExchange(p.pack, 1, 2);
    ASSERT_TRUE(DoSlotEdit(p.pack, edit).ok);
    const QString moved = p.base.filePath("moved_pak");
    ASSERT_TRUE(QDir().rename(p.pack, moved));
    QDir().mkpath(p.pack + "/kivo");
    for (int slot : {1, 2}) {
        ASSERT_TRUE(Write(p.Path(slot), ReadAll(moved + "/kivo/" + SlotFileName(slot))));
    }
    const std::map<QString, QByteArray> copied = p.Files();
    const FileResult undone = UndoSlotEdit(p.pack, edit);
    EXPECT_FALSE(undone.ok);
    EXPECT_TRUE(undone.message.contains("no longer the folder")) << undone.message.toStdString();
    EXPECT_EQ(Differing(p.Files(), copied), "");
    ASSERT_TRUE(QDir(p.pack).removeRecursively());
    ASSERT_TRUE(QFile::link(moved, p.pack));
    EXPECT_REFUSED(UndoSlotEdit(p.pack, edit));
    EXPECT_EQ(ReadAll(moved + "/kivo/kivo2.kvo"), Triangle());
}

// Undo and redo write only over the bytes the step left; a file another program rewrote,
// removed or put in place is named, and no slot is written.
TEST(SlotEdits, AFileChangedByAnotherProgramStopsTheStep) {
    SlotPack p;
    p.Put(1, Triangle());
    QFile::remove(p.Path(3));
    const SlotEdit exchange = PlanExchange(p.pack, 1, 2);
    ASSERT_TRUE(DoSlotEdit(p.pack, exchange).ok);
    const QByteArray theirs = LevelOf({6});
    p.Put(2, theirs);
    const FileResult undone = UndoSlotEdit(p.pack, exchange);
    EXPECT_FALSE(undone.ok);
    EXPECT_TRUE(undone.message.contains(p.Path(2))) << undone.message.toStdString();
    EXPECT_EQ(p.Bytes(2), theirs);
    EXPECT_EQ(p.Bytes(1), EMPTY_LEVEL);

    const SlotEdit copy = PlanCopy(p.pack, 1, 3);
    ASSERT_TRUE(DoSlotEdit(p.pack, copy).ok);
    QFile::remove(p.Path(3));
    EXPECT_FALSE(UndoSlotEdit(p.pack, copy).ok);
    EXPECT_FALSE(QFile::exists(p.Path(3)));
    p.Put(3, theirs);
    EXPECT_FALSE(DoSlotEdit(p.pack, copy).ok); // a redo over a file made since
    EXPECT_EQ(p.Bytes(3), theirs);
    EXPECT_REFUSED(WriteSlots(p.pack, copy.folder, {}, {{4, theirs}})); // 4 was never read
}

// When the second of two writes fails, the first slot gets its file back.
TEST(SlotEdits, AFailedWritePutsTheSlotsAlreadyWrittenBack) {
    SlotPack p;
    p.Put(1, Triangle());
    const std::map<QString, QByteArray> start = p.Files();
    const SlotEdit edit = PlanSaveIntoSlot(p.pack, 1, TwoSquares());
    int writes = 0;
    const FileResult result =
        WriteSlots(p.pack, edit.folder, {{1, Triangle()}, {2, EMPTY_LEVEL}},
                   {{1, TwoSquares()}, {2, TwoSquares()}},
                   [&writes](const char*) { return ++writes == 2 ? ENOSPC : 0; });
    EXPECT_TRUE(result.message.contains("the disk is full")) << result.message.toStdString();
    EXPECT_EQ(Differing(p.Files(), start), "");
}

// Which calls of an exchange a child made before it was killed at call `stop`; -1 when it
// finished without reaching it. With `journal`, the file system refuses the one-rename
// exchange.
int ExchangeKilledAt(const SlotPack& p, const SlotEdit& edit, int stop, bool journal) {
    const pid_t child = fork();
    if (child == 0) {
        int calls = 0;
        DoSlotEdit(p.pack, edit, [&](const char* call) {
            if (++calls == stop) {
                _exit(3);
            }
            return journal && std::string(call) == "exchange" ? EINVAL : 0;
        });
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 3 ? stop : -1;
}

// An exchange killed between any two of its calls, by one rename or by the journal where the
// file system has no such rename, leaves both levels in the pack: never removable, and back
// in the two slots at the next edit or scan.
TEST(SlotEdits, AnExchangeKilledAtEveryStepKeepsBothLevels) {
    for (const bool journal : {false, true}) {
        for (const bool bothFiles : {true, false}) {
            for (int stop = 1;; ++stop) {
                SCOPED_TRACE(testing::Message() << "journal " << journal << ", both files "
                                                << bothFiles << ", killed at call " << stop);
                SlotPack p;
                p.Put(1, Triangle());
                bothFiles ? p.Put(2, TwoSquares()) : void(QFile::remove(p.Path(2)));
                const SlotEdit edit = PlanExchange(p.pack, 1, 2);
                ASSERT_TRUE(edit.result.ok);
                const bool killed = ExchangeKilledAt(p, edit, stop, journal) == stop;
                const std::string levels = Bytes(p.pack + "/kivo");
                for (const auto& [name, bytes] : LevelFiles(p)) {
                    EXPECT_FALSE(IsRemovableLeftover(name.toStdString())) << name.toStdString();
                }
                EXPECT_TRUE(EditorLeftovers(levels).empty());
                PackStore store = MakePackStore(p.base.path());
                RandomSource random = MakeRandomSource(1);
                ScanPacks(store, random);
                std::multiset<QByteArray> held{p.Bytes(1), p.Bytes(2)};
                std::multiset<QByteArray> both{Triangle(), TwoSquares()};
                if (!bothFiles) {
                    both = {Triangle(), QByteArray()};
                }
                EXPECT_EQ(held, both);
                EXPECT_EQ(LevelFiles(p).size(), size_t(PACK_SLOT_COUNT - !bothFiles));
                if (!killed) {
                    EXPECT_EQ(p.Bytes(2), Triangle());
                    break;
                }
            }
        }
    }
}

// A journal is finished only when its editor is gone and it names two slots; the exchange a
// running editor is making, and a file that only looks like a journal, are left alone.
TEST(SlotEdits, OnlyTheExchangeOfAnEditorThatIsGoneIsFinished) {
    SlotPack p;
    const QString levels = p.pack + "/kivo/";
    const QString running = QStringLiteral(".kivo-exchange-%1-1").arg(getpid());
    const QString gone = ".kivo-exchange-999999999-1";
    const QString hostile = ".kivo-exchange-999999999-2";
    const std::pair<QString, QByteArray> journals[] = {{running, "kivo1.kvo\nkivo2.kvo\n"},
                                                       {hostile, "../outside.kvo\nkivo2.kvo\n"}};
    QFile::remove(p.Path(1));
    for (const auto& [stem, names] : journals) {
        ASSERT_TRUE(Write(levels + stem + ".journal", names));
        ASSERT_TRUE(Write(levels + stem + ".level", Triangle()));
    }
    FinishInterruptedExchanges(Bytes(p.pack));
    for (const auto& [stem, names] : journals) {
        SCOPED_TRACE(stem.toStdString());
        EXPECT_TRUE(QFile::exists(levels + stem + ".journal"));
        EXPECT_EQ(ReadAll(levels + stem + ".level"), Triangle());
    }
    EXPECT_FALSE(QFile::exists(p.Path(1)));
    ASSERT_TRUE(QFile::rename(levels + running + ".journal", levels + gone + ".journal"));
    ASSERT_TRUE(QFile::rename(levels + running + ".level", levels + gone + ".level"));
    FinishInterruptedExchanges(Bytes(p.pack));
    EXPECT_EQ(p.Bytes(1), Triangle());
    EXPECT_FALSE(QFile::exists(levels + gone + ".journal"));
    EXPECT_FALSE(QFile::exists(levels + gone + ".level"));
    EXPECT_FALSE(QFile::exists(p.base.filePath("kivo/1_pak/outside.kvo")));
}

} // namespace
} // namespace kivo
