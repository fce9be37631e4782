#include "slot_pack.h"

#include "cli/sheet.h"
#include "level/element_ops.h"
#include "painting/level_painting.h"
#include "painting/slot_tile.h"
#include "painting/slot_view.h"
#include "storage/check/slot_reading.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QProcess>

namespace kivo {
namespace {

// A slot's kind, counts and verdict as a screen reader hears them, and what ids that do not
// hold together make of it. The contact sheet shows each slot's thumbnail where its play order
// puts it, painted as the canvas paints, and kivo-level writes it as a PNG.
TEST(PackSlots, EachSlotIsMarkedAndTheContactSheetShowsThemInPlayOrder) {
    FilledPack p;
    // Two squares whose first point has id 0, which a click cannot find, and whose first
    // connector ends at a point id no point has.
    Level badIds;
    DecodeLevel(TwoSquares(), badIds);
    badIds.points[0].id = NO_ELEMENT_ID;
    badIds.connectors[0].pointIds[1] = 12345;
    p.Put(5, EncodeLevel(badIds).bytes);
    p.Put(6, EMPTY_LEVEL + QByteArray(4, '\0')); // an empty level with trailing bytes
    p.Put(12, LevelOf({4}));
    const auto state = [&p](int slot) { return ReadSlotState(p.value(), slot, EMPTY_LEVEL).state; };
    // A slot with no level, template or missing, gives no verdict.
    const std::pair<int, QString> described[] = {
        {0, "unlimited, no level, marked empty"},
        {1, "kivo1, 3 connectors \u00b7 1 shape, solvable"},
        {2, "kivo2, 7 connectors \u00b7 2 shapes, not solvable, marked not solvable"},
        {3, "kivo3, no level, marked problem"},
        {5, "kivo5, 7 connectors \u00b7 2 shapes, not solvable, marked problem"},
        {6, "kivo6, no level, marked empty"}};
    for (const auto& [slot, description] : described) {
        SCOPED_TRACE(slot);
        EXPECT_EQ(SlotDescription(SlotName(slot), state(slot)), description);
    }
    // Ids that do not hold together load, yet make the slot a problem naming its file.
    const QString badIdsSaid = QString::fromStdString(state(5).problem);
    for (const QString& part : {p.Path(5), QString("\npoint 1 has id 0, which a click never finds"),
                                QString("ends at point id 12345, which no point has")}) {
        SCOPED_TRACE(part.toStdString());
        EXPECT_TRUE(badIdsSaid.contains(part)) << badIdsSaid.toStdString();
    }
    // Only built levels count as not solvable, and the count is of the pack's slots.
    EXPECT_EQ(SlotSummary({state(1), state(5)}),
              "1 of 101 slots built \u00b7 0 not solvable in Classic Mode \u00b7 1 problem");

    const QString out = p.base.filePath("sheet.png");
    ASSERT_EQ(QProcess::execute(KIVO_LEVEL_PROGRAM, {"sheet", p.pack, "-o", out}), 0);
    const QImage sheet = QImage(out).convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(sheet.width(), SHEET_COLUMNS * TILE_WIDTH);
    const int rows = (PACK_SLOT_COUNT + SHEET_COLUMNS - 1) / SHEET_COLUMNS;
    const int header = sheet.height() - rows * TILE_HEIGHT;
    for (int slot : {1, 12}) {
        Level level;
        ASSERT_TRUE(LoadLevel(level, p.Path(slot)).result.ok);
        const QImage thumbnail = PaintThumbnail(level).convertToFormat(QImage::Format_RGB32);
        const QPoint at((slot % SHEET_COLUMNS) * TILE_WIDTH + TILE_MARGIN,
                        header + (slot / SHEET_COLUMNS) * TILE_HEIGHT + TILE_MARGIN);
        const QRect inside = QRect(QPoint(), thumbnail.size()).adjusted(1, 1, -1, -1); // framed
        EXPECT_EQ(sheet.copy(inside.translated(at)), thumbnail.copy(inside)) << slot;
    }
}

// The pixels of a picture that are not white, as a bounding box; empty when all are white.
QRect Inked(const QImage& image) {
    QRect inked;
    for (int at = 0; at < image.width() * image.height(); ++at) {
        const QPoint pixel(at % image.width(), at / image.width());
        inked |= image.pixel(pixel) == qRgb(255, 255, 255) ? QRect() : QRect(pixel, QSize(1, 1));
    }
    return inked;
}

int CountOf(const QImage& image, Colour colour) {
    int n = 0;
    for (int at = 0; at < image.width() * image.height(); ++at) {
        n += image.pixel(at % image.width(), at / image.width()) ==
             qRgb(colour.r, colour.g, colour.b);
    }
    return n;
}

// A thumbnail shows its figure large, whole, inside a margin and below the band its mark takes,
// wherever the figure lies on the canvas; an empty level shows the canvas's crosshair. Painted
// into a marked tile, none of the figure is hidden by the mark.
TEST(PackSlots, ThumbnailsFitTheirFigureAndKeepItClearOfTheMark) {
    Clicks topLeft; // three polygons against the canvas's top left corner
    for (float x : {160.0f, 200.0f, 240.0f}) {
        topLeft.Click(x, 70.0f, 5);
    }
    Clicks wide; // a row reaching past both sides of the canvas
    for (float x = 100.0f; x < 700.0f; x += 40.0f) {
        wide.Click(x, 250.0f, 4);
    }
    Level triangle; // its first side is its top edge
    ASSERT_TRUE(DecodeLevel(Triangle(), triangle).ok);
    const QRect room(THUMBNAIL_MARGIN, MARK_HEIGHT + THUMBNAIL_MARGIN,
                     THUMBNAIL_WIDTH - 2 * THUMBNAIL_MARGIN,
                     THUMBNAIL_HEIGHT - MARK_HEIGHT - 2 * THUMBNAIL_MARGIN);
    // Lines land on whole pixels, so the figure may reach one pixel into the margin.
    const QRect allowed = room.adjusted(-1, -1, 1, 1);
    const std::pair<const char*, Level> levels[] = {{"top left", topLeft.level},
                                                    {"wide", wide.level},
                                                    {"triangle", triangle},
                                                    {"empty", Level{}}};
    for (const auto& [name, level] : levels) {
        SCOPED_TRACE(name);
        const QImage thumbnail = PaintThumbnail(level);
        const QRect inked = Inked(thumbnail);
        EXPECT_TRUE(allowed.contains(inked))
            << inked.x() << "," << inked.y() << " " << inked.width() << "x" << inked.height();
        if (level.shapes.size() > 1) { // large enough to fill the room along one side
            EXPECT_GE(std::max(double(inked.width()) / room.width(),
                               double(inked.height()) / room.height()),
                      0.9);
        } else if (level.shapes.size() == 1) { // small: enlarged, not a speck, and whole
            EXPECT_GE(inked.width(), FigureBounds(level).width() * 3 / 2);
            EXPECT_GE(CountOf(thumbnail.copy(inked.left(), inked.top(), inked.width(), 1),
                              CONNECTOR_COLOUR),
                      inked.width() / 2); // its top edge is drawn too
        }
        QImage painted(TILE_WIDTH, TILE_HEIGHT, QImage::Format_RGB32);
        painted.fill(Qt::white);
        QPainter painter(&painted);
        PaintTile(painter, painted.rect(), {thumbnail, "kivo1", "", "not solvable", {225, 120, 0}});
        painter.end();
        EXPECT_EQ(painted.copy(allowed.translated(TILE_MARGIN, TILE_MARGIN)),
                  thumbnail.copy(allowed));
    }
}

// Every count a level file can hold is shown whole on the tile, at the overview's font and at
// a large one: a line too wide breaks at its dot, and the font shrinks only when it must.
TEST(PackSlots, TileCaptionsShowTheCountsInFull) {
    const std::pair<size_t, size_t> counts[] = {{1, 1}, {373, 170}, {17000, 9300}, {32767, 32768}};
    QFont large;
    large.setPointSizeF(16.0);
    for (const QFont& font : {QFont(), large}) {
        for (const auto& [connectors, shapes] : counts) {
            for (bool solvable : {true, false}) {
                SCOPED_TRACE(::testing::Message() << font.pointSizeF() << "pt " << connectors << " "
                                                  << shapes << " " << solvable);
                const SlotState state{100, SlotKind::Built, solvable, connectors, shapes, ""};
                const TileText text = LayOutTileText(font, SlotTile("kivo100", state, QImage()));
                EXPECT_EQ(text.captionLines.join(" \u00b7 "),
                          SlotCaption(state).replace('\n', " \u00b7 "));
                const QFontMetrics metrics(text.font);
                for (const QString& line : text.captionLines) {
                    EXPECT_LE(metrics.horizontalAdvance(line), TILE_TEXT_AREA.width())
                        << line.toStdString();
                }
                EXPECT_LE((1 + text.captionLines.size()) * text.lineHeight,
                          TILE_TEXT_AREA.height());
                if (font == QFont()) {
                    EXPECT_EQ(text.font.pointSizeF(), font.pointSizeF());
                }
                if (font == QFont() && connectors == 1) { // fits: broken only before the verdict
                    EXPECT_EQ(text.captionLines.size(), 2);
                }
            }
        }
    }
}

} // namespace
} // namespace kivo
