// Pictures of levels as the editor's canvas shows them.
#pragma once

#include "storage/files/file_io.h"

#include "level/drawing.h"
#include "level/level.h"

#include <QImage>

namespace kivo {

// A picture, or why it cannot be made (the image is then null).
struct Picture {
    FileResult result;
    QImage image;
};

struct RenderOptions {
    int scale = 1;
    bool fit = false; // crop to the figure instead of showing the canvas
};

constexpr int MAX_PICTURE_SIDE = 16384;

// The picture; one that would be too large is refused.
Picture RenderLevel(const Level& level, const RenderOptions& options);

// A picture of a drawing list; `figure` is the window content the figure covers, which --fit
// crops to (an empty one shows the canvas).
Picture RenderItems(const std::vector<DrawItem>& items, const QRect& figure,
                    const RenderOptions& options);

} // namespace kivo
