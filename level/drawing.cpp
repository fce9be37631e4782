#include "drawing.h"

#include <cmath>

namespace kivo {

constexpr double PIXEL_LIMIT = 1.0e6;

int32_t RoundPixel(double v) {
    if (std::isnan(v)) {
        return 0;
    }
    const double clamped = std::fmax(-PIXEL_LIMIT, std::fmin(PIXEL_LIMIT, v));
    return static_cast<int32_t>(std::nearbyint(clamped));
}

static DrawItem Line(Colour colour, int x1, int y1, int x2, int y2) {
    return {DrawKind::Line, colour, x1, y1, x2, y2};
}

void DrawCrosshair(std::vector<DrawItem>& out) {
    // Four arms around the canvas centre (390, 230), leaving its middle open.
    out.push_back(Line(CROSSHAIR_COLOUR, 390, 225, 390, 205));
    out.push_back(Line(CROSSHAIR_COLOUR, 390, 235, 390, 255));
    out.push_back(Line(CROSSHAIR_COLOUR, 385, 230, 365, 230));
    out.push_back(Line(CROSSHAIR_COLOUR, 395, 230, 415, 230));
}

void DrawLevel(const Level& level, std::vector<DrawItem>& out) {
    for (const Connector& c : level.connectors) {
        out.push_back(Line(CONNECTOR_COLOUR, RoundPixel(double(c.endX[0]) - LEVEL_OFFSET_X),
                           RoundPixel(double(c.endY[0]) - LEVEL_OFFSET_Y),
                           RoundPixel(double(c.endX[1]) - LEVEL_OFFSET_X),
                           RoundPixel(double(c.endY[1]) - LEVEL_OFFSET_Y)));
    }
    // The centre is stored in the shape frame: scale it and take off the 5-pixel shift too.
    for (const Shape& s : level.shapes) {
        out.push_back({DrawKind::Disc, CENTRE_COLOUR,
                       RoundPixel(double(s.centreX) * X_SCALE - (SHAPE_OFFSET + LEVEL_OFFSET_X)),
                       RoundPixel(double(s.centreY) * Y_SCALE - (SHAPE_OFFSET + LEVEL_OFFSET_Y)),
                       CENTRE_DOT_RADIUS, CENTRE_DOT_RADIUS});
    }
}

std::vector<DrawItem> DrawingList(const Level& level) {
    std::vector<DrawItem> out;
    out.reserve(4 + level.connectors.size() + level.shapes.size());
    DrawCrosshair(out);
    DrawLevel(level, out);
    return out;
}

bool operator==(const DrawItem& a, const DrawItem& b) {
    return a.kind == b.kind && a.colour.r == b.colour.r && a.colour.g == b.colour.g &&
           a.colour.b == b.colour.b && a.x1 == b.x1 && a.y1 == b.y1 && a.x2 == b.x2 && a.y2 == b.y2;
}

} // namespace kivo
