// What the canvas shows: the centre cross, the connectors and the shape centres, as a list
// of lines and discs in window content coordinates that the window paints in order.
#pragma once

#include "level.h"

#include <vector>

namespace kivo {

struct Colour {
    uint8_t r;
    uint8_t g;
    uint8_t b;
};

constexpr Colour CROSSHAIR_COLOUR{185, 185, 185};
constexpr Colour CONNECTOR_COLOUR{55, 55, 55};
constexpr Colour CENTRE_COLOUR{255, 55, 55};
constexpr int CENTRE_DOT_RADIUS = 2;

enum class DrawKind { Line, Disc };

// A line is 1 pixel wide and includes both end pixels, from (x1, y1) to (x2, y2). A disc is
// filled and outlined in its colour, centred on (x1, y1) with radius x2, bounded by the square
// from (x1 - r, y1 - r) to (x1 + r, y1 + r).
struct DrawItem {
    DrawKind kind;
    Colour colour;
    int32_t x1;
    int32_t y1;
    int32_t x2;
    int32_t y2;
};

// The crosshair is this many items, first in the list.
constexpr size_t CROSSHAIR_ITEMS = 4;

void DrawCrosshair(std::vector<DrawItem>& out);
void DrawLevel(const Level& level, std::vector<DrawItem>& out);

// The crosshair and then the level: everything one repaint of the canvas draws.
std::vector<DrawItem> DrawingList(const Level& level);

// Rounds to the nearest whole pixel with halves to even, kept within a range any painter
// handles (a damaged file can put coordinates anywhere).
int32_t RoundPixel(double v);

bool operator==(const DrawItem& a, const DrawItem& b);

} // namespace kivo
