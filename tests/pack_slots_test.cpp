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

    QString error;
    const QImage sheet = ContactSheet(p.pack, error);
    ASSERT_FALSE(sheet.isNull()) << error.toStdString();
    const int rows = (PACK_SLOT_COUNT + SHEET_COLUMNS - 1) / SHEET_COLUMNS;
    EXPECT_EQ(sheet.width(), SHEET_COLUMNS * TILE_WIDTH);
    const int header = sheet.height() - rows * TILE_HEIGHT;
    const int margin = (TILE_WIDTH - THUMBNAIL_WIDTH) / 2;
    for (int slot : {1, 12}) {
        Level level;
        ASSERT_TRUE(LoadLevel(level, p.Path(slot)).ok);
        const QImage thumbnail = PaintThumbnail(level);
        const QPoint at((slot % SHEET_COLUMNS) * TILE_WIDTH + margin,
                        header + (slot / SHEET_COLUMNS) * TILE_HEIGHT + margin);
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
