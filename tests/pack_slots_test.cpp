#include "slot_pack.h"

#include "cli/sheet.h"
#include "painting/slot_tile.h"
#include "storage/pack_slots.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QImage>
#include <QProcess>

namespace kivo {
namespace {

std::vector<SlotState> States(const SlotPack& p) {
    std::vector<SlotState> states;
    for (int slot = 0; slot < PACK_SLOT_COUNT; ++slot) {
        states.push_back(ReadSlot(p.pack, slot, EMPTY_LEVEL).state);
    }
    return states;
}

QString LoadMessage(const QString& path) {
    Level level;
    return LoadLevel(level, path).message;
}

TEST(PackSlots, EachSlotIsMarkedAndTheSummaryCountsThem) {
    SlotPack p;
    p.Put(1, Triangle());
    p.Put(2, TwoSquares());
    QFile::remove(p.Path(3));
    p.Put(4, Triangle().left(20));
    p.Put(5, DanglingTriangle());
    p.Put(6, EMPTY_LEVEL + QByteArray(4, '\0')); // an empty level with trailing bytes
    const std::vector<SlotState> states = States(p);
    struct Expected {
        int slot;
        SlotKind kind;
        bool solvable;
        QString problem;
    };
    for (const Expected& e :
         std::vector<Expected>{{0, SlotKind::Template, true, ""},
                               {1, SlotKind::Built, true, ""},
                               {2, SlotKind::Built, false, ""},
                               {3, SlotKind::Problem, true, LoadMessage(p.Path(3))},
                               {4, SlotKind::Problem, true, LoadMessage(p.Path(4))},
                               {6, SlotKind::Template, true, ""},
                               {100, SlotKind::Template, true, ""}}) {
        SCOPED_TRACE(e.slot);
        EXPECT_EQ(states[e.slot].kind, e.kind);
        EXPECT_EQ(states[e.slot].solvable, e.solvable);
        EXPECT_EQ(states[e.slot].problem, e.problem);
    }
    EXPECT_FALSE(LoadMessage(p.Path(4)).isEmpty());
    EXPECT_TRUE(states[5].kind == SlotKind::Problem && states[5].problem.contains(p.Path(5)) &&
                states[5].problem.contains("ends at point id 12345, which no point has"));
    EXPECT_EQ(SlotCaption(states[2]), "7 connectors \u00b7 2 shapes\nnot solvable");
    EXPECT_EQ(SlotDescription(states[3]), "kivo3, no level, marked problem");
    EXPECT_EQ(SlotSummary(states),
              "2 of 101 slots built \u00b7 1 not solvable in Classic Mode \u00b7 3 problems");
    EXPECT_EQ(SlotSummary({states[1], states[3]}),
              "1 of 101 slots built \u00b7 0 not solvable in Classic Mode \u00b7 1 problem");
}

// Applies the edit, checks what it wrote and that nothing else changed, then undoes it.
void EditAndUndo(const SlotPack& p, const SlotEdit& edit,
                 const std::map<int, QByteArray>& expected) {
    ASSERT_TRUE(edit.result.ok) << edit.result.message.toStdString();
    std::map<QString, QByteArray> files = p.Files();
    ASSERT_TRUE(WriteSlots(p.pack, edit.after).ok);
    for (const auto& [slot, bytes] : expected) {
        if (bytes.isNull()) {
            files.erase(p.Path(slot));
        } else {
            files[p.Path(slot)] = bytes;
        }
    }
    const std::map<QString, QByteArray> before = p.Files();
    EXPECT_EQ(Differing(before, files), "");
    ASSERT_TRUE(WriteSlots(p.pack, edit.before).ok);
    EXPECT_NE(Differing(p.Files(), before), "");
}

TEST(PackSlots, ExchangeCopyAndResetWriteOnlyTheirSlotsAndCanBeUndone) {
    SlotPack p;
    p.Put(1, Triangle());
    p.Put(2, TwoSquares());
    QFile::remove(p.Path(3));
    const std::map<QString, QByteArray> start = p.Files();
    EditAndUndo(p, PlanExchange(p.pack, 1, 2), {{1, TwoSquares()}, {2, Triangle()}});
    EditAndUndo(p, PlanExchange(p.pack, 1, 3), {{1, QByteArray()}, {3, Triangle()}});
    EditAndUndo(p, PlanCopy(p.pack, 2, 100), {{100, TwoSquares()}});
    EditAndUndo(p, PlanReset(p.pack, 2), {{2, EMPTY_LEVEL}});
    EXPECT_EQ(Differing(p.Files(), start), "");
    for (const SlotEdit& refused :
         {PlanCopy(p.pack, 3, 4), PlanExchange(p.pack, 1, 1),
          PlanExchange(p.pack, 0, PACK_SLOT_COUNT), PlanReset(p.pack, -1)}) {
        EXPECT_FALSE(refused.result.ok); // nothing to copy, the same slot, no such slot
    }
    QFile::remove(TemplatePath(p.pack));
    EXPECT_FALSE(PlanReset(p.pack, 2).result.ok);
    EXPECT_EQ(p.Files().size(), start.size() - 1);
}

TEST(PackSlots, AnExchangeStoppedHalfWayLeavesBothSlotsWhole) {
    SlotPack p;
    p.Put(1, Triangle());
    p.Put(2, TwoSquares());
    int writes = 0;
    const SlotWriter failSecond = [&writes](const QString& path, const QByteArray& bytes) {
        return ++writes == 2 ? FileResult{false, "the disk is full"}
                             : ReplaceLevelFile(path, bytes);
    };
    const FileResult result = WriteSlots(p.pack, PlanExchange(p.pack, 1, 2).after, failSecond);
    EXPECT_EQ(std::pair(result.ok, result.message), std::pair(false, QString("the disk is full")));
    EXPECT_EQ(writes, 3); // the first slot was put back
    EXPECT_EQ(p.Bytes(1) + p.Bytes(2), Triangle() + TwoSquares());
}

TEST(PackSlots, LinksAndSpecialFilesAreNeverFollowed) {
    SlotPack p;
    const QString outside = p.base.filePath("outside.kvo");
    Write(outside, Triangle());
    QFile::remove(p.Path(7));
    ASSERT_TRUE(QFile::link(outside, p.Path(7)));
    const std::map<QString, QByteArray> start = p.Files();
    EXPECT_FALSE(PlanExchange(p.pack, 7, 8).result.ok ||
                 WriteSlots(p.pack, {{7, TwoSquares()}}).ok ||
                 WriteSlots(p.pack, {{7, std::nullopt}}).ok);
    EXPECT_TRUE(ReadAll(outside) == Triangle() && QFileInfo(p.Path(7)).isSymLink());
    // A level folder that is a link to another pack's is not this pack's to write.
    const QString levels = p.pack + "/" + LEVELS_FOLDER_NAME;
    ASSERT_TRUE(QDir(levels).removeRecursively());
    ASSERT_TRUE(QFile::link(p.base.path(), levels));
    EXPECT_FALSE(WriteSlots(p.pack, {{8, TwoSquares()}}).ok);
    EXPECT_FALSE(QFileInfo::exists(p.base.filePath(SlotFileName(8))));
}

// The sheet shows each slot's thumbnail where its play order puts it, painted as the canvas
// paints; kivo-level writes it as a PNG.
TEST(PackSlots, TheContactSheetShowsEverySlotInPlayOrder) {
    SlotPack p;
    p.Put(1, Triangle());
    p.Put(12, LevelOf({4}));
    QString error;
    const QImage sheet = ContactSheet(p.pack, error);
    ASSERT_FALSE(sheet.isNull()) << error.toStdString();
    const int rows = (PACK_SLOT_COUNT + SHEET_COLUMNS - 1) / SHEET_COLUMNS;
    EXPECT_EQ(sheet.width(), SHEET_COLUMNS * TILE_WIDTH);
    const int header = sheet.height() - rows * TILE_HEIGHT;
    for (int slot : {1, 12}) {
        Level level;
        ASSERT_TRUE(LoadLevel(level, p.Path(slot)).ok);
        const QImage thumbnail = PaintThumbnail(level);
        const QPoint at((slot % SHEET_COLUMNS) * TILE_WIDTH + (TILE_WIDTH - THUMBNAIL_WIDTH) / 2,
                        header + (slot / SHEET_COLUMNS) * TILE_HEIGHT +
                            (TILE_WIDTH - THUMBNAIL_WIDTH) / 2);
        const QRect inside = QRect(QPoint(), thumbnail.size()).adjusted(1, 1, -1, -1); // framed
        EXPECT_EQ(sheet.copy(inside.translated(at)), thumbnail.copy(inside)) << slot;
    }
    EXPECT_TRUE(ContactSheet(p.data, error).isNull() && error.contains("is not a pack"));

    const QString out = p.base.filePath("sheet.png");
    EXPECT_EQ(QProcess::execute(KIVO_LEVEL_PROGRAM, {"sheet", p.pack, "-o", out}), 0);
    EXPECT_EQ(QImage(out).size(), sheet.size());
    EXPECT_EQ(QProcess::execute(KIVO_LEVEL_PROGRAM, {"sheet", p.pack}), 2);
    EXPECT_EQ(QProcess::execute(KIVO_LEVEL_PROGRAM, {"sheet", p.data, "-o", out}), 1);
}

} // namespace
} // namespace kivo
