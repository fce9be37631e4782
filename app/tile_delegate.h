// Paints the overview's tiles with the same code as kivo-level's contact sheet.
#pragma once

#include <QStyledItemDelegate>

namespace kivo {

// What a tile's item holds besides its name (Qt::DisplayRole).
enum TileRole {
    THUMBNAIL_ROLE = Qt::UserRole + 1,
    CAPTION_ROLE,
    MARK_ROLE,
    MARK_COLOUR_ROLE,
    EDITED_ROLE,      // the slot's file is the level being edited
    DROP_TARGET_ROLE, // a DropMark: where a tile being dragged would land
};

// Where a dragged tile would land: on a tile (the two levels are exchanged), or between two
// (the level moves there and those between shift by one).
enum DropMark { NO_DROP = 0, DROP_ON, DROP_BEFORE, DROP_AFTER };

class TileDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override;
};

} // namespace kivo
