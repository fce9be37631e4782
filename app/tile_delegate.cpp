#include "tile_delegate.h"

#include "painting/slot_tile.h"

#include <QPainter>

namespace kivo {

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
    if (option.state & QStyle::State_HasFocus) {
        painter->setPen(QPen(option.palette.highlight().color(), 1, Qt::DotLine));
        painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
    }
}

QSize TileDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const {
    return {TILE_WIDTH, TILE_HEIGHT};
}

} // namespace kivo
