#include "slot_pack.h"

#include "cli/sheet.h"
#include "painting/slot_tile.h"
#include "storage/pack_slots.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>

namespace kivo {
namespace {

// A slot's kind, counts and verdict as a screen reader hears them; a problem as Load says it.
// The contact sheet shows each slot's thumbnail where its play order puts it, painted as the
// canvas paints, and kivo-level writes it as a PNG.
TEST(PackSlots, EachSlotIsMarkedAndTheContactSheetShowsThemInPlayOrder) {
    SlotPack p;
    p.Put(1, Triangle());
    p.Put(2, TwoSquares());
    QFile::remove(p.Path(3));
    Level dangling; // a triangle whose first connector ends at a point id no point has
    DecodeLevel(Triangle(), dangling);
    dangling.connectors[0].pointIds[1] = 12345;
    p.Put(5, EncodeLevel(dangling).bytes);
    p.Put(6, EMPTY_LEVEL + QByteArray(4, '\0')); // an empty level with trailing bytes
    p.Put(12, LevelOf({4}));
    std::vector<SlotState> states;
    for (int slot = 0; slot < PACK_SLOT_COUNT; ++slot) {
        states.push_back(ReadSlot(p.pack, slot, EMPTY_LEVEL).state);
    }
    const std::pair<int, QString> described[] = {
        {0, "unlimited, 0 connectors \u00b7 0 shapes, solvable, marked empty"},
        {1, "kivo1, 3 connectors \u00b7 1 shape, solvable"},
        {2, "kivo2, 7 connectors \u00b7 2 shapes, not solvable, marked not solvable"},
        {3, "kivo3, no level, marked problem"},
        {5, "kivo5, 3 connectors \u00b7 1 shape, solvable, marked problem"},
        {6, "kivo6, 0 connectors \u00b7 0 shapes, solvable, marked empty"}};
    for (const auto& [slot, description] : described) {
        EXPECT_EQ(SlotDescription(states[slot]), description);
    }
    for (int slot : {1, 3}) {
        Level level;
        EXPECT_EQ(states[slot].problem, LoadLevel(level, p.Path(slot)).message) << slot;
    }
    EXPECT_TRUE(states[5].problem.contains(p.Path(5)) &&
                states[5].problem.contains("ends at point id 12345, which no point has"));
    EXPECT_EQ(SlotSummary(states),
              "3 of 101 slots built \u00b7 1 not solvable in Classic Mode \u00b7 2 problems");
    EXPECT_EQ(SlotSummary({states[1], states[3]}),
              "1 of 101 slots built \u00b7 0 not solvable in Classic Mode \u00b7 1 problem");

    const QString out = p.base.filePath("sheet.png");
    ASSERT_EQ(QProcess::execute(KIVO_LEVEL_PROGRAM, {"sheet", p.pack, "-o", out}), 0);
    const QImage sheet = QImage(out).convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(sheet.isNull());
    const int rows = (PACK_SLOT_COUNT + SHEET_COLUMNS - 1) / SHEET_COLUMNS;
    EXPECT_EQ(sheet.width(), SHEET_COLUMNS * TILE_WIDTH);
    const int header = sheet.height() - rows * TILE_HEIGHT;
    const int margin = (TILE_WIDTH - THUMBNAIL_WIDTH) / 2;
    for (int slot : {1, 12}) {
        Level level;
        ASSERT_TRUE(LoadLevel(level, p.Path(slot)).ok);
        const QImage thumbnail = PaintThumbnail(level).convertToFormat(QImage::Format_RGB32);
        const QPoint at((slot % SHEET_COLUMNS) * TILE_WIDTH + margin,
                        header + (slot / SHEET_COLUMNS) * TILE_HEIGHT + margin);
        const QRect inside = QRect(QPoint(), thumbnail.size()).adjusted(1, 1, -1, -1); // framed
        EXPECT_EQ(sheet.copy(inside.translated(at)), thumbnail.copy(inside)) << slot;
    }
    EXPECT_EQ(QProcess::execute(KIVO_LEVEL_PROGRAM, {"sheet", p.pack}), 2);
    EXPECT_EQ(QProcess::execute(KIVO_LEVEL_PROGRAM, {"sheet", p.data, "-o", out}), 1);
}

// Each edit writes only its slots and is undone; an exchange whose second write fails puts
// the first slot back; neither a linked slot nor a linked level folder is ever written.
TEST(PackSlots, SlotEditsWriteOnlyTheirSlotsFollowNoLinkAndNeverStopHalfWay) {
    SlotPack p;
    p.Put(1, Triangle());
    p.Put(2, TwoSquares());
    QFile::remove(p.Path(3));
    const QString outside = p.base.filePath("outside.kvo");
    Write(outside, Triangle());
    QFile::remove(p.Path(7));
    ASSERT_TRUE(QFile::link(outside, p.Path(7)));
    const std::map<QString, QByteArray> start = p.Files();
    // Each edit with the slots it changes (a null array: no file); the pack is as it was before
    // each, as the undo of the one before brings it back.
    const std::pair<SlotEdit, std::map<int, QByteArray>> edits[] = {
        {PlanExchange(p.pack, 1, 2), {{1, TwoSquares()}, {2, Triangle()}}},
        {PlanExchange(p.pack, 1, 3), {{1, QByteArray()}, {3, Triangle()}}},
        {PlanCopy(p.pack, 2, 100), {{100, TwoSquares()}}},
        {PlanReset(p.pack, 2), {{2, EMPTY_LEVEL}}}};
    for (const auto& [edit, changed] : edits) {
        ASSERT_TRUE(edit.result.ok) << edit.result.message.toStdString();
        std::map<QString, QByteArray> after = start;
        for (const auto& [slot, bytes] : changed) {
            bytes.isNull() ? void(after.erase(p.Path(slot))) : void(after[p.Path(slot)] = bytes);
        }
        ASSERT_TRUE(WriteSlots(p.pack, edit.after).ok);
        EXPECT_EQ(Differing(p.Files(), after), "");
        ASSERT_TRUE(WriteSlots(p.pack, edit.before).ok);
        EXPECT_EQ(Differing(p.Files(), start), "");
    }
    for (const SlotEdit& refused :
         {PlanCopy(p.pack, 3, 4), PlanExchange(p.pack, 1, 1), PlanExchange(p.pack, 7, 8),
          PlanExchange(p.pack, 0, PACK_SLOT_COUNT), PlanReset(p.pack, -1)}) {
        EXPECT_FALSE(refused.result.ok); // nothing to copy, the same slot, a link, no such slot
    }
    int writes = 0;
    const SlotWriter failSecond = [&writes](const QString& path, const QByteArray& bytes) {
        return ++writes == 2 ? FileResult{false, "the disk is full"}
                             : ReplaceLevelFile(path, bytes);
    };
    const FileResult result = WriteSlots(p.pack, PlanExchange(p.pack, 1, 2).after, failSecond);
    EXPECT_EQ(std::pair(result.ok, result.message), std::pair(false, QString("the disk is full")));
    EXPECT_EQ(writes, 3);
    EXPECT_FALSE(WriteSlots(p.pack, {{7, TwoSquares()}}).ok ||
                 WriteSlots(p.pack, {{7, std::nullopt}}).ok);
    EXPECT_EQ(Differing(p.Files(), start), "");
    EXPECT_TRUE(QFileInfo(p.Path(7)).isSymLink());
    QFile::remove(TemplatePath(p.pack));
    EXPECT_FALSE(PlanReset(p.pack, 2).result.ok);
    const QString levels = p.pack + "/" + LEVELS_FOLDER_NAME;
    ASSERT_TRUE(QDir(levels).removeRecursively());
    ASSERT_TRUE(QFile::link(p.base.path(), levels));
    EXPECT_FALSE(WriteSlots(p.pack, {{8, TwoSquares()}}).ok);
    EXPECT_FALSE(QFileInfo::exists(p.base.filePath(SlotFileName(8))));
}

} // namespace
} // namespace kivo
