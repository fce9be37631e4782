#include "tile_delegate.h"

#include "painting/slot_tile.h"

#include <QPainter>

namespace kivo {

namespace {

const QColor EDITED_FRAME(45, 120, 200);
constexpr int EDITED_FRAME_WIDTH = 3;
const QColor DROP_TARGET_LINE(30, 150, 60);
const QColor DROP_TARGET_FILL(30, 150, 60, 40);
constexpr int DROP_TARGET_WIDTH = 2;
constexpr int INSERT_MARK_WIDTH = 4;

} // namespace

void TileDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const {
    if (option.state & QStyle::State_Selected) {
        QColor highlight = option.palette.highlight().color();
        highlight.setAlpha(110);
        painter->fillRect(option.rect, highlight);
    }
    const QColor colour = index.data(MARK_COLOUR_ROLE).value<QColor>();
    const TileView tile{
        index.data(THUMBNAIL_ROLE).value<QImage>(), index.data(Qt::DisplayRole).toString(),
        index.data(CAPTION_ROLE).toString(), index.data(MARK_ROLE).toString(),
        Colour{uint8_t(colour.red()), uint8_t(colour.green()), uint8_t(colour.blue())}};
    PaintTile(*painter, option.rect, tile);
    // The level being edited is framed, and the tile a drag would land on is outlined.
    painter->save();
    if (index.data(EDITED_ROLE).toBool()) {
        painter->setPen(QPen(EDITED_FRAME, EDITED_FRAME_WIDTH));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(QRectF(option.rect).adjusted(1.5, 1.5, -1.5, -1.5));
    }
    const int drop = index.data(DROP_TARGET_ROLE).toInt();
    if (drop == DROP_ON) {
        painter->setPen(QPen(DROP_TARGET_LINE, DROP_TARGET_WIDTH, Qt::DashLine));
        painter->setBrush(DROP_TARGET_FILL);
        painter->drawRect(QRectF(option.rect).adjusted(2, 2, -2, -2));
    } else if (drop == DROP_BEFORE || drop == DROP_AFTER) {
        const QRect& r = option.rect;
        const int x = drop == DROP_BEFORE ? r.left() : r.right() - INSERT_MARK_WIDTH + 1;
        painter->fillRect(QRect(x, r.top(), INSERT_MARK_WIDTH, r.height()), DROP_TARGET_LINE);
    }
    painter->restore();
    if (option.state & QStyle::State_HasFocus) {
        painter->setPen(QPen(option.palette.highlight().color(), 1, Qt::DotLine));
        painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
    }
}

QSize TileDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const {
    return {TILE_WIDTH, TILE_HEIGHT};
}

} // namespace kivo
