// Pictures of levels as the editor's canvas shows them.
#pragma once

#include "level/level.h"

#include <QImage>
#include <QString>

namespace kivo {

struct RenderOptions {
    int scale = 1;
    bool fit = false; // crop to the figure instead of showing the canvas
};

constexpr int MAX_PICTURE_SIDE = 16384;

// The picture, or a null image with `error` set when it would be too large.
QImage RenderLevel(const Level& level, const RenderOptions& options, QString& error);

} // namespace kivo
