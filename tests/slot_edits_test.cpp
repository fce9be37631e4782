#include "slot_pack.h"

#include "storage/pack_store.h"
#include "storage/slot_edits.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <sys/wait.h>

namespace kivo {
namespace {

// Each edit writes only its slots, and its undo puts the pack back as it was; Save Into Slot
// is an edit like the others.
TEST(SlotEdits, EachEditWritesOnlyItsSlotsAndIsUndone) {
    FilledPack p;
    const std::map<QString, QByteArray> start = p.Files();
    // What each edit changes; a null array: no file.
    const std::tuple<const char*, SlotEdit, std::map<int, QByteArray>> cases[] = {
        {"exchange", PlanExchange(p.pack, 1, 2), {{1, TwoSquares()}, {2, Triangle()}}},
        {"exchange with none", PlanExchange(p.pack, 1, 3), {{1, QByteArray()}, {3, Triangle()}}},
        {"exchange from none", PlanExchange(p.pack, 3, 2), {{3, TwoSquares()}, {2, QByteArray()}}},
        {"copy into no file", PlanCopy(p.pack, 1, 3), {{3, Triangle()}}},
        {"reset", PlanReset(p.pack, 2), {{2, EMPTY_LEVEL}}},
        {"save into slot", PlanSaveIntoSlot(p.pack, 5, Triangle()), {{5, Triangle()}}}};
    for (const auto& [name, edit, changed] : cases) {
        SCOPED_TRACE(name);
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

// Links (the template's among them), FIFOs, a linked level folder or pack folder and slots
// that do not exist are refused, each saying why.
TEST(SlotEdits, LinksSpecialFilesAndLinkedFoldersAreRefused) {
    FilledPack p;
    QFile::remove(p.Path(7));
    ASSERT_TRUE(QFile::link(TemplatePath(p.pack), p.Path(7)));
    QFile::remove(p.Path(9));
    ASSERT_TRUE(MakeSpecial(p.Path(9), nullptr, S_IFIFO));
    const QString linkedLevels = p.data + "/2_pak", linkedPack = p.data + "/3_pak";
    ASSERT_TRUE(QDir().mkpath(linkedLevels));
    ASSERT_TRUE(QFile::link(p.pack + "/kivo", linkedLevels + "/kivo"));
    ASSERT_TRUE(QFile::link(p.pack, linkedPack));
    QFile::remove(TemplatePath(p.pack));
    ASSERT_TRUE(QFile::link(p.Path(1), TemplatePath(p.pack)));
    const std::pair<const char*, SlotEdit> refused[] = {
        {"link", PlanCopy(p.pack, 7, 4)},
        {"FIFO", PlanExchange(p.pack, 8, 9)},
        {"itself", PlanExchange(p.pack, 1, 1)},
        {"past the last slot", PlanExchange(p.pack, 0, PACK_SLOT_COUNT)},
        {"no file", PlanCopy(p.pack, 3, 4)},
        {"before the first slot", PlanReset(p.pack, -1)},
        {"linked template", PlanReset(p.pack, 2)},
        {"linked level folder", PlanExchange(linkedLevels, 1, 2)},
        {"linked pack", PlanSaveIntoSlot(linkedPack, 1, Triangle())}};
    for (const auto& [what, edit] : refused) {
        SCOPED_TRACE(what);
        EXPECT_FALSE(edit.result.ok);
        EXPECT_FALSE(edit.result.message.isEmpty());
    }
}

// Undo and redo write only over the bytes the step left, and only into the level folder the
// step was made in: a file another program rewrote, removed or put in place is named, as is a
// folder put in the pack's place, and no slot is written. When the second of two writes fails,
// the first slot gets its file back.
TEST(SlotEdits, AStepStopsBeforeWritingOverChangesAndUndoesAFailedWrite) {
    FilledPack p;
    const SlotEdit exchange = PlanExchange(p.pack, 1, 2);
    const std::map<QString, QByteArray> start = p.Files();
    int writes = 0;
    const FileResult full =
        WriteSlots(p.pack, exchange.folder, {{1, Triangle()}, {2, TwoSquares()}},
                   {{1, EMPTY_LEVEL}, {2, EMPTY_LEVEL}},
                   [&writes](const char*) { return ++writes == 2 ? ENOSPC : 0; });
    EXPECT_TRUE(full.message.contains("the disk is full")) << full.message.toStdString();
    EXPECT_EQ(Differing(p.Files(), start), "");

    ASSERT_TRUE(DoSlotEdit(p.pack, exchange).ok);
    const QByteArray theirs = LevelOf({6});
    p.Put(2, theirs);
    const FileResult undone = UndoSlotEdit(p.pack, exchange);
    EXPECT_TRUE(undone.message.contains(p.Path(2))) << undone.message.toStdString();
    EXPECT_EQ(p.Bytes(2), theirs);
    EXPECT_EQ(p.Bytes(1), TwoSquares());

    const SlotEdit copy = PlanCopy(p.pack, 1, 3);
    ASSERT_TRUE(DoSlotEdit(p.pack, copy).ok);
    QFile::remove(p.Path(3));
    EXPECT_FALSE(UndoSlotEdit(p.pack, copy).ok);
    EXPECT_FALSE(QFile::exists(p.Path(3)));
    p.Put(3, theirs);
    EXPECT_FALSE(DoSlotEdit(p.pack, copy).ok); // a redo over a file made since
    EXPECT_EQ(p.Bytes(3), theirs);
    const FileResult unread = WriteSlots(p.pack, copy.folder, {}, {{4, theirs}});
    EXPECT_TRUE(unread.message.contains(p.Path(4))) << unread.message.toStdString();
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
    // Where one slot has no file, one rename moves the other and no journal is kept.
    for (const auto& [journal, bothFiles] :
         {std::pair{false, true}, {true, true}, {false, false}}) {
        for (int stop = 1;; ++stop) {
            SCOPED_TRACE(testing::Message() << "journal " << journal << ", both files " << bothFiles
                                            << ", killed at call " << stop);
            SlotPack p;
            p.Put(1, Triangle());
            bothFiles ? p.Put(2, TwoSquares()) : void(QFile::remove(p.Path(2)));
            const SlotEdit edit = PlanExchange(p.pack, 1, 2);
            const pid_t child = fork();
            if (child == 0) {
                int calls = 0;
                DoSlotEdit(p.pack, edit, [&, journal = journal](const char* call) {
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
            EXPECT_EQ((std::multiset{p.Bytes(1), p.Bytes(2)}),
                      (std::multiset{Triangle(), bothFiles ? TwoSquares() : QByteArray()}));
            EXPECT_EQ(QDir(p.pack + "/kivo").entryList(QDir::Files | QDir::Hidden).size(),
                      PACK_SLOT_COUNT - !bothFiles);
            if (!killed) {
                EXPECT_EQ(p.Bytes(2), Triangle());
                break;
            }
        }
    }
}

// The exchange a running editor is making, and a file that only looks like a journal, are
// left alone; an exchange whose editor is gone is finished as one killed above.
TEST(SlotEdits, AJournalOfARunningEditorOrNamingNoSlotsIsLeftAlone) {
    SlotPack p;
    const QString levels = p.pack + "/kivo/";
    const std::pair<QString, QByteArray> journals[] = {
        {QStringLiteral(".kivo-exchange-%1-1").arg(getpid()), "kivo1.kvo\nkivo2.kvo\n"},
        {".kivo-exchange-999999999-2", "../outside.kvo\nkivo2.kvo\n"}};
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
