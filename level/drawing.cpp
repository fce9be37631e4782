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
    // Four arms of 20 pixels around the canvas centre, leaving 5 pixels of its middle open.
    constexpr int x = CROSS_X;
    constexpr int y = CROSS_Y;
    out.push_back(Line(CROSSHAIR_COLOUR, x, y - 5, x, y - 25));
    out.push_back(Line(CROSSHAIR_COLOUR, x, y + 5, x, y + 25));
    out.push_back(Line(CROSSHAIR_COLOUR, x - 5, y, x - 25, y));
    out.push_back(Line(CROSSHAIR_COLOUR, x + 5, y, x + 25, y));
}

void DrawLevel(const Level& level, std::vector<DrawItem>& out) {
    for (const Connector& c : level.connectors) {
        out.push_back(Line(CONNECTOR_COLOUR, RoundPixel(LevelToContentX(c.endX[0])),
                           RoundPixel(LevelToContentY(c.endY[0])),
                           RoundPixel(LevelToContentX(c.endX[1])),
                           RoundPixel(LevelToContentY(c.endY[1]))));
    }
    for (const Shape& s : level.shapes) {
        // A shape without entries, which only a damaged file brings, has no centre to mark.
        if (OutlineLength(s) == 0) {
            continue;
        }
        out.push_back({DrawKind::Disc, CENTRE_COLOUR, RoundPixel(ShapeToContentX(s.centreX)),
                       RoundPixel(ShapeToContentY(s.centreY)), CENTRE_DOT_RADIUS,
                       CENTRE_DOT_RADIUS});
    }
}

std::vector<DrawItem> DrawingList(const Level& level) {
    std::vector<DrawItem> out;
    out.reserve(CROSSHAIR_ITEMS + level.connectors.size() + level.shapes.size());
    DrawCrosshair(out);
    DrawLevel(level, out);
    return out;
}

bool operator==(const DrawItem& a, const DrawItem& b) {
    return a.kind == b.kind && a.colour.r == b.colour.r && a.colour.g == b.colour.g &&
           a.colour.b == b.colour.b && a.x1 == b.x1 && a.y1 == b.y1 && a.x2 == b.x2 && a.y2 == b.y2;
}

} // namespace kivo
