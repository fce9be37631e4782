#include "ended_at.h"
#include "slot_pack.h"

#include "storage/files/call_seam.h"
#include "storage/files/shown_text.h"
#include "storage/pack/slot_edits.h"
#include "storage/pack/tidy_up.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <set>
#include <string>
#include <sys/file.h>

namespace kivo {
namespace {

// Four distinct levels in slots 4 to 7.
struct MovePack : FilledPack {
    std::vector<QByteArray> levels{LevelOf({3}), LevelOf({4}), LevelOf({5}), LevelOf({6})};
    MovePack() {
        for (int i = 0; i < 4; ++i) {
            Put(4 + i, levels[size_t(i)]);
        }
    }
};

// Each edit writes only its slots and says where levels went; its undo puts the pack back.
TEST(SlotEdits, EachEditWritesOnlyItsSlotsAndIsUndone) {
    MovePack p;
    const std::map<QString, QByteArray> start = p.Files();
    const auto& l = p.levels;
    // What each edit changes (a null array: no file) and where the levels went.
    const std::tuple<const char*, SlotEdit, std::map<int, QByteArray>,
                     std::set<std::pair<int, int>>>
        cases[] = {{"exchange",
                    PlanExchange(p.value(), 1, 2),
                    {{1, TwoSquares()}, {2, Triangle()}},
                    {{1, 2}, {2, 1}}},
                   {"exchange with none",
                    PlanExchange(p.value(), 1, 3),
                    {{1, {}}, {3, Triangle()}},
                    {{1, 3}, {3, 1}}},
                   {"move later",
                    PlanMoveTo(p.value(), 4, 7),
                    {{4, l[1]}, {5, l[2]}, {6, l[3]}, {7, l[0]}},
                    {{4, 7}, {5, 4}, {6, 5}, {7, 6}}},
                   {"move earlier",
                    PlanMoveTo(p.value(), 7, 5),
                    {{5, l[3]}, {6, l[1]}, {7, l[2]}},
                    {{7, 5}, {6, 7}, {5, 6}}},
                   {"put into no file", PlanPut(p.value(), 3, Triangle()), {{3, Triangle()}}, {}},
                   {"reset", PlanReset(p.value(), 2), {{2, EMPTY_LEVEL}}, {}}};
    for (const auto& [name, edit, changed, moved] : cases) {
        SCOPED_TRACE(name);
        std::map<QString, QByteArray> after = start;
        for (const auto& [slot, bytes] : changed) {
            bytes.isNull() ? void(after.erase(p.Path(slot))) : void(after[p.Path(slot)] = bytes);
        }
        std::set<std::pair<int, int>> moves;
        for (const SlotMove& move : MovesOf(edit, false)) {
            moves.insert({move.from, move.to});
        }
        EXPECT_EQ(moves, moved);
        EXPECT_EQ(DoSlotEdit(edit).message, "");
        EXPECT_EQ(Differing(p.Files(), after), "");
        EXPECT_EQ(UndoSlotEdit(edit).message, "");
        EXPECT_EQ(Differing(p.Files(), start), "");
    }
}

// What cannot be an edit is refused with the reason, and nothing is written.
TEST(SlotEdits, EditsThatCannotBeAreRefusedWithTheReason) {
    MovePack p;
    const std::map<QString, QByteArray> start = p.Files();
    const std::pair<SlotEdit, QString> refused[] = {
        {PlanExchange(p.value(), 1, 1), "cannot be exchanged with itself"},
        {PlanMoveTo(p.value(), 4, 4), "no other slot to move kivo4 to"},
        {PlanMoveTo(p.value(), 0, PACK_SLOT_COUNT), "no other slot"},
        {PlanMoveTo(p.value(), 5, 2), "kivo3 has no level file"},
        {PlanPut(p.value(), -1, Triangle()), "There is no slot -1"},
        {PlanExchange(PackAt(p.data + "/none_pak"), 1, 2), "is missing or is not a folder"}};
    for (const auto& [edit, why] : refused) {
        SCOPED_TRACE(why.toStdString());
        EXPECT_TRUE(edit.result.message.contains(why)) << edit.result.message.toStdString();
        EXPECT_FALSE(DoSlotEdit(edit).ok);
    }
    EXPECT_EQ(Differing(p.Files(), start), "");
}

// A step leaves the pack as it was when it cannot finish (a rename of a journalled move fails)
// or would write over changes: undo and redo write only over the bytes the step left, in its
// own level folder, naming a file changed, removed or made since, or a folder put in its place.
TEST(SlotEdits, AStepThatFailsOrMeetsChangesWritesNoSlot) {
    MovePack p;
    const std::map<QString, QByteArray> start = p.Files();
    int moves = 0;
    SetCallSeam(
        [&](const char* call) { return std::string(call) == "move" && ++moves == 3 ? EIO : 0; });
    const FileResult failed = DoSlotEdit(PlanMoveTo(p.value(), 4, 7));
    SetCallSeam({});
    EXPECT_TRUE(failed.message.contains(ErrnoText(EIO))) << failed.message.toStdString();
    EXPECT_EQ(Differing(p.Files(), start), "");

    const SlotEdit move = PlanMoveTo(p.value(), 4, 6);
    ASSERT_TRUE(DoSlotEdit(move).ok);
    const QByteArray theirs = LevelOf({7});
    p.Put(5, theirs);
    const std::map<QString, QByteArray> changed = p.Files();
    const FileResult undone = UndoSlotEdit(move);
    EXPECT_TRUE(undone.message.contains(p.Path(5) + "\" was changed by another program"))
        << undone.message.toStdString();
    EXPECT_EQ(Differing(p.Files(), changed), "");

    const SlotEdit put = PlanPut(p.value(), 3, Triangle());
    ASSERT_TRUE(DoSlotEdit(put).ok);
    QFile::remove(p.Path(3));
    EXPECT_FALSE(UndoSlotEdit(put).ok);
    EXPECT_FALSE(QFile::exists(p.Path(3)));
    p.Put(3, theirs);
    EXPECT_FALSE(DoSlotEdit(put).ok); // a redo over a file made since
    EXPECT_EQ(p.Bytes(3), theirs);
    ASSERT_TRUE(QDir().rename(p.pack, p.base.filePath("moved_pak")));
    ASSERT_TRUE(QDir().mkpath(p.pack + "/kivo"));
    const FileResult moved = DoSlotEdit(put);
    EXPECT_TRUE(moved.message.contains("no longer the folder")) << moved.message.toStdString();
    EXPECT_FALSE(QFile::exists(p.Path(3)));
}

// A move killed between any two of its calls, by one rename or by the journal where the file
// system has no such rename, leaves every level in the pack: in a slot, or named by a journal
// that the tidy-up finishes, after which the move is whole.
TEST(SlotEdits, AMoveKilledAtEveryCallKeepsEveryLevel) {
    struct Case {
        const char* name;
        int from, to;
        bool journal;
    };
    for (const Case& c : {Case{"exchange", 4, 5, false}, Case{"exchange by journal", 4, 5, true},
                          Case{"exchange with none", 3, 4, false}, Case{"move to", 7, 4, false}}) {
        for (int stop = 1;; ++stop) {
            SCOPED_TRACE(testing::Message() << c.name << ", killed at call " << stop);
            MovePack p;
            const std::map<QString, QByteArray> start = p.Files();
            const SlotEdit edit = PlanMoveTo(p.value(), c.from, c.to);
            ASSERT_TRUE(edit.result.ok) << edit.result.message.toStdString();
            // Without the one-rename exchange, as on file systems that lack it.
            const bool killed = EndedAt(
                stop, [&] { DoSlotEdit(edit); },
                [&](const std::string& call) {
                    return c.journal && call == "exchange" ? EINVAL : 0;
                });
            TidyDataFolder(Bytes(p.data));
            std::multiset<QByteArray> before, now;
            for (int slot = 1; slot < 8; ++slot) {
                before.insert(start.count(p.Path(slot)) ? start.at(p.Path(slot)) : QByteArray());
                now.insert(p.Bytes(slot));
            }
            EXPECT_EQ(now, before);
            EXPECT_EQ(QDir(p.pack + "/kivo").entryList(QDir::Files | QDir::Hidden).size(),
                      PACK_SLOT_COUNT - 1);
            if (!killed) {
                const auto from = start.find(p.Path(c.from));
                EXPECT_EQ(p.Bytes(c.to), from == start.end() ? QByteArray() : from->second);
                break;
            }
        }
    }
}

// The move a running editor is making (its journal locked) and a file that only looks like a
// journal are left alone; a journal killed before it named anything is removed; one of an
// older editor, named by its process, is finished like any other.
TEST(SlotEdits, OnlyJournalsOfEditorsThatAreGoneAreFinished) {
    SlotPack p;
    const QString levels = p.pack + "/kivo/";
    QFile::remove(p.Path(1));
    const QByteArray names = "kivo1.kvo\nkivo2.kvo\n";
    const std::pair<QString, QByteArray> kept[] = {{".kivo-exchange-live", names},
                                                   {".kivo-exchange-odd", "../x.kvo\nkivo2.kvo\n"}};
    for (const auto& [stem, listed] : kept) {
        ASSERT_TRUE(Write(levels + stem + ".journal", listed));
        ASSERT_TRUE(Write(levels + stem + ".level", Triangle()));
    }
    const int live = ::open(Bytes(levels + ".kivo-exchange-live.journal").c_str(), O_RDONLY);
    ASSERT_EQ(::flock(live, LOCK_EX), 0);
    ASSERT_TRUE(Write(levels + ".kivo-exchange-empty.journal", ""));
    ASSERT_TRUE(Write(levels + ".kivo-exchange-999999999-1.journal", "kivo3.kvo\nkivo4.kvo\n"));
    QFile::remove(p.Path(3));
    ASSERT_TRUE(Write(levels + ".kivo-exchange-999999999-1.level", TwoSquares()));
    TidyDataFolder(Bytes(p.data));
    for (const auto& [stem, listed] : kept) {
        SCOPED_TRACE(stem.toStdString());
        EXPECT_EQ(ReadAll(levels + stem + ".journal"), listed);
        EXPECT_EQ(ReadAll(levels + stem + ".level"), Triangle());
    }
    ::close(live);
    EXPECT_FALSE(QFile::exists(levels + ".kivo-exchange-empty.journal"));
    EXPECT_FALSE(QFile::exists(levels + ".kivo-exchange-999999999-1.journal"));
    EXPECT_EQ(p.Bytes(3), EMPTY_LEVEL); // kivo4's level went to kivo3
    EXPECT_EQ(p.Bytes(4), TwoSquares());
}

// Undo and redo finish first what a move of an editor that is gone left in the pack, as every
// slot edit does: the journal goes, and the step itself is done.
TEST(SlotEdits, AStepFinishesAnInterruptedMoveBeforeItWrites) {
    MovePack p;
    const SlotEdit edit = PlanExchange(p.value(), 1, 2);
    ASSERT_EQ(DoSlotEdit(edit).message, "");
    const QString journal = p.pack + "/kivo/.kivo-exchange-999999999-1";
    ASSERT_TRUE(Write(journal + ".journal", "kivo6.kvo\nkivo7.kvo\n"));
    ASSERT_TRUE(QFile::rename(p.Path(6), journal + ".level"));
    EXPECT_EQ(UndoSlotEdit(edit).message, "");
    EXPECT_FALSE(QFile::exists(journal + ".journal"));
    EXPECT_EQ(p.Bytes(6), p.levels[3]);
    EXPECT_EQ(p.Bytes(7), p.levels[2]);
    EXPECT_EQ(p.Bytes(1), Triangle());
}

} // namespace
} // namespace kivo
