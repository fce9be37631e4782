// The contact sheet of a pack: every slot's tile, as the pack overview shows it, in one
// picture with the pack's name and the slot summary above.
#pragma once

#include <QImage>
#include <QString>

namespace kivo {

constexpr int SHEET_COLUMNS = 10;

// The sheet, or a null image with `error` saying why the folder is not a pack.
QImage ContactSheet(const QString& packDir, QString& error);

} // namespace kivo
