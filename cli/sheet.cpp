#include "sheet.h"

#include "painting/slot_tile.h"
#include "painting/slot_view.h"
#include "storage/check/slot_reading.h"
#include "storage/files/paths.h"
#include "storage/pack/pack.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>

namespace kivo {

namespace {

constexpr int HEADER_HEIGHT = 44;
constexpr int HEADER_MARGIN = 8;

TileView TileOf(const SlotReading& reading) {
    return SlotTile(SlotName(reading.state.slot), reading.state, PaintThumbnail(reading.level));
}

void PaintHeader(QPainter& painter, int width, const QString& name, const QString& summary) {
    QFont font = painter.font();
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::black);
    const QRect area(HEADER_MARGIN, 0, width - 2 * HEADER_MARGIN, HEADER_HEIGHT / 2);
    painter.drawText(area, Qt::AlignLeft | Qt::AlignBottom, name);
    font.setBold(false);
    painter.setFont(font);
    painter.drawText(area.translated(0, HEADER_HEIGHT / 2), Qt::AlignLeft | Qt::AlignTop, summary);
}

} // namespace

Picture ContactSheet(const QString& packDir) {
    const Pack pack = PackAt(packDir);
    if (!QFileInfo(PathText(LevelFolderPath(pack))).isDir()) {
        return {{false, QStringLiteral("it is not a pack: it has no level folder %1/")
                            .arg(QString::fromLatin1(LEVELS_FOLDER_NAME))},
                {}};
    }
    const std::optional<QByteArray> blank = TemplateBytes(pack);
    const int rows = (PACK_SLOT_COUNT + SHEET_COLUMNS - 1) / SHEET_COLUMNS;
    QImage sheet(SHEET_COLUMNS * TILE_WIDTH, HEADER_HEIGHT + rows * TILE_HEIGHT,
                 QImage::Format_RGB32);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    std::vector<SlotState> states;
    for (int slot = 0; slot < PACK_SLOT_COUNT; ++slot) {
        const SlotReading reading = ReadSlotState(pack, slot, blank);
        states.push_back(reading.state);
        const QRect area((slot % SHEET_COLUMNS) * TILE_WIDTH,
                         HEADER_HEIGHT + (slot / SHEET_COLUMNS) * TILE_HEIGHT, TILE_WIDTH,
                         TILE_HEIGHT);
        PaintTile(painter, area, TileOf(reading));
    }
    PaintHeader(painter, sheet.width(), PackDisplayName(pack), SlotSummary(states));
    return {{}, sheet};
}

} // namespace kivo
