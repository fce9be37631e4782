#include "slot_pack.h"

#include "storage/pack_store.h"
#include "storage/slot_edits.h"

#include <gtest/gtest.h>

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

// Each edit writes only its slots, and its undo puts the pack back as it was; Save Into Slot
// is an edit like the others.
TEST(SlotEdits, EachEditWritesOnlyItsSlotsAndIsUndone) {
    SlotPack p;
    p.Put(1, Triangle());
    p.Put(2, TwoSquares());
    QFile::remove(p.Path(3));
    const std::map<QString, QByteArray> start = p.Files();
    // What each edit changes; a null array: no file.
    const std::tuple<const char*, SlotEdit, std::map<int, QByteArray>> cases[] = {
        {"exchange", PlanExchange(p.pack, 1, 2), {{1, TwoSquares()}, {2, Triangle()}}},
        {"exchange with no file", PlanExchange(p.pack, 1, 3), {{1, QByteArray()}, {3, Triangle()}}},
        {"exchange from no file",
         PlanExchange(p.pack, 3, 2),
         {{3, TwoSquares()}, {2, QByteArray()}}},
        {"copy into no file", PlanCopy(p.pack, 1, 3), {{3, Triangle()}}},
        {"reset", PlanReset(p.pack, 2), {{2, EMPTY_LEVEL}}},
        {"save into slot", PlanSaveIntoSlot(p.pack, 5, Triangle()), {{5, Triangle()}}}};
    for (const auto& [name, edit, changed] : cases) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(edit.result.ok) << edit.result.message.toStdString();
        std::map<QString, QByteArray> after = start;
        for (const auto& [slot, bytes] : changed) {
            bytes.isNull() ? void(after.erase(p.Path(slot))) : void(after[p.Path(slot)] = bytes);
        }
        EXPECT_EQ(DoSlotEdit(p.pack, edit).message, "");
        EXPECT_EQ(Differing(p.Files(), after), "");
        EXPECT_EQ(UndoSlotEdit(p.pack, edit).message, "");
        EXPECT_EQ(Differing(p.Files(), start), "");
    }
}

// Links, FIFOs, a linked level folder or pack folder and slots that do not exist are refused.
TEST(SlotEdits, LinksSpecialFilesAndLinkedFoldersAreRefused) {
    SlotPack p;
    QFile::remove(p.Path(7));
    ASSERT_TRUE(QFile::link(TemplatePath(p.pack), p.Path(7)));
    QFile::remove(p.Path(9));
    ASSERT_TRUE(MakeSpecial(p.Path(9), nullptr, S_IFIFO));
    QFile::remove(p.Path(3));
    EXPECT_REFUSED(PlanCopy(p.pack, 7, 4).result);
    EXPECT_REFUSED(PlanExchange(p.pack, 8, 9).result);
    EXPECT_REFUSED(PlanExchange(p.pack, 1, 1).result);
    EXPECT_REFUSED(PlanExchange(p.pack, 0, PACK_SLOT_COUNT).result);
    EXPECT_REFUSED(PlanCopy(p.pack, 3, 4).result);
    EXPECT_REFUSED(PlanReset(p.pack, -1).result);
    QFile::remove(TemplatePath(p.pack));
    EXPECT_REFUSED(PlanReset(p.pack, 2).result);
    ASSERT_TRUE(QFile::link(p.Path(1), TemplatePath(p.pack)));
    EXPECT_REFUSED(PlanReset(p.pack, 2).result);

    const QString linkedLevels = p.data + "/2_pak", linkedPack = p.data + "/3_pak";
    ASSERT_TRUE(QDir().mkpath(linkedLevels));
    ASSERT_TRUE(QFile::link(p.pack + "/kivo", linkedLevels + "/kivo"));
    EXPECT_REFUSED(PlanExchange(linkedLevels, 1, 2).result);
    ASSERT_TRUE(QFile::link(p.pack, linkedPack));
    EXPECT_REFUSED(PlanSaveIntoSlot(linkedPack, 1, Triangle()).result);
}

// Undo and redo write only over the bytes the step left, and only into the level folder the
// step was made in: a file another program rewrote, removed or put in place is named, as is a
// folder put in the pack's place, and no slot is written. When the second of two writes fails,
// the first slot gets its file back.
TEST(SlotEdits, AStepStopsBeforeWritingOverChangesAndUndoesAFailedWrite) {
    SlotPack p;
    p.Put(1, Triangle());
    QFile::remove(p.Path(3));
    const SlotEdit exchange = PlanExchange(p.pack, 1, 2);
    const std::map<QString, QByteArray> start = p.Files();
    int writes = 0;
    const FileResult full =
        WriteSlots(p.pack, exchange.folder, {{1, Triangle()}, {2, EMPTY_LEVEL}},
                   {{1, TwoSquares()}, {2, TwoSquares()}},
                   [&writes](const char*) { return ++writes == 2 ? ENOSPC : 0; });
    EXPECT_TRUE(full.message.contains("the disk is full")) << full.message.toStdString();
    EXPECT_EQ(Differing(p.Files(), start), "");

    ASSERT_TRUE(DoSlotEdit(p.pack, exchange).ok);
    const QByteArray theirs = LevelOf({6});
    p.Put(2, theirs);
    const FileResult undone = UndoSlotEdit(p.pack, exchange);
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
    ASSERT_TRUE(QDir().rename(p.pack, p.base.filePath("moved_pak")));
    ASSERT_TRUE(QDir().mkpath(p.pack + "/kivo"));
    const FileResult moved = DoSlotEdit(p.pack, copy);
    EXPECT_TRUE(moved.message.contains("no longer the folder")) << moved.message.toStdString();
    EXPECT_FALSE(QFile::exists(p.Path(3)));
}

// An exchange killed between any two of its calls, by one rename or by the journal where the
// file system has no such rename (the seam fails that rename with EINVAL), leaves both levels in
// the pack: never removable, and back in the two slots at the next edit or scan.
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
                const bool killed = WIFEXITED(status) && WEXITSTATUS(status) == 3;
                EXPECT_TRUE(EditorLeftovers(Bytes(p.pack + "/kivo")).empty());
                PackStore store = MakePackStore(p.base.path());
                RandomSource random = MakeRandomSource(1);
                ScanPacks(store, random);
                const QByteArray second = bothFiles ? TwoSquares() : QByteArray();
                EXPECT_EQ((std::multiset{p.Bytes(1), p.Bytes(2)}),
                          (std::multiset{Triangle(), second}));
                EXPECT_EQ(QDir(p.pack + "/kivo").entryList(QDir::Files | QDir::Hidden).size(),
                          PACK_SLOT_COUNT - !bothFiles);
                if (!killed) {
                    EXPECT_EQ(p.Bytes(2), Triangle());
                    break;
                }
            }
        }
    }
}

// The exchange a running editor is making, and a file that only looks like a journal, are
// left alone; an exchange whose editor is gone is finished as one killed above.
TEST(SlotEdits, AJournalOfARunningEditorOrNamingNoSlotsIsLeftAlone) {
    SlotPack p;
    const QString levels = p.pack + "/kivo/";
    const QString running = QStringLiteral(".kivo-exchange-%1-1").arg(getpid());
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
}

} // namespace
} // namespace kivo
