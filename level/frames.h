// The coordinate frames of the editor and the conversions between them. Every frame has y
// pointing down the screen.
//
// - Window content: the main window's content area in whole pixels. The canvas control and
//   the drawing list live here.
// - Level pixels: window content shifted by (12, 40). Clicks are placed and hit-tested here.
// - Point frame: level pixels divided by (20, 30); a Point stores its position in it.
// - Shape frame: level pixels plus 5 on both axes, divided by (20, 30); a Shape stores its
//   outline entries and its centre in it.
//
// The float rule: every position and angle the level keeps is a 32-bit float, and each step
// that makes one computes in double precision and then rounds to a float with StoreFloat. The
// saved level files depend on every one of those roundings, so they have to happen on every
// compiler at every optimisation level: StoreFloat hides the rounded value from the
// optimiser, which can then neither keep the double in its place nor fuse the step with the
// next (a vectorised loop at -O3 did drop such a rounding). The core's libraries are also
// compiled without contracted multiply-adds and without fast-math, whatever the build asks for.
#pragma once

namespace kivo {

// Rounds a result computed in double precision to the 32-bit float that is stored.
inline float StoreFloat(double v) {
    float stored = float(v);
#if defined(__GNUC__) && defined(__SSE_MATH__)
    asm("" : "+x"(stored));
#elif defined(__GNUC__) && defined(__aarch64__)
    asm("" : "+w"(stored));
#else
    volatile float opaque = stored;
    stored = opaque;
#endif
    return stored;
}

// A position in the frame its user names.
struct Position {
    float x;
    float y;
};

// Level pixels are window content shifted by this much.
constexpr double LEVEL_OFFSET_X = 12.0;
constexpr double LEVEL_OFFSET_Y = 40.0;
// The nearest-shape search of a right click is handed content x shifted by this instead.
constexpr double SHAPE_SEARCH_OFFSET_X = 23.0;

// Level pixels per stored unit of the point and shape frames, and the shape frame's offset.
constexpr double X_SCALE = 20.0;
constexpr double Y_SCALE = 30.0;
constexpr double SHAPE_OFFSET = 5.0;

// The canvas control, in window content.
constexpr int CANVAS_LEFT = 141;
constexpr int CANVAS_TOP = 23;
constexpr int CANVAS_WIDTH = 500;
constexpr int CANVAS_HEIGHT = 414;

// The canvas centre in level pixels: centring moves the level onto it, rotation turns about
// it, and the crosshair marks it at CROSS_X, CROSS_Y in window content.
constexpr double CANVAS_CENTRE_X = 402.0;
constexpr double CANVAS_CENTRE_Y = 270.0;
constexpr int CROSS_X = int(CANVAS_CENTRE_X - LEVEL_OFFSET_X);
constexpr int CROSS_Y = int(CANVAS_CENTRE_Y - LEVEL_OFFSET_Y);

// Where a left click at (x, y) in window content lands in level pixels. A zoomed canvas hands
// the unrounded point of the figure under the click; at 100 % it is whole pixels.
inline Position PlacementPixels(double x, double y) {
    return {float(x + LEVEL_OFFSET_X), float(y + LEVEL_OFFSET_Y)};
}

// Where a right click at (x, y) in window content looks for the nearest shape: the same
// distance from the click in level pixels at every zoom.
inline Position ShapeSearchPixels(double x, double y) {
    return {float(x + SHAPE_SEARCH_OFFSET_X), float(y + LEVEL_OFFSET_Y)};
}

// Point frame <-> level pixels.
inline Position PointToLevel(float x, float y) {
    return {StoreFloat(double(x) * X_SCALE), StoreFloat(double(y) * Y_SCALE)};
}
inline Position LevelToPoint(Position p) {
    return {StoreFloat(double(p.x) / X_SCALE), StoreFloat(double(p.y) / Y_SCALE)};
}

// Shape frame <-> level pixels.
inline Position ShapeToLevel(float x, float y) {
    return {StoreFloat(double(x) * X_SCALE - SHAPE_OFFSET),
            StoreFloat(double(y) * Y_SCALE - SHAPE_OFFSET)};
}
inline Position LevelToShape(Position p) {
    return {StoreFloat((double(p.x) + SHAPE_OFFSET) / X_SCALE),
            StoreFloat((double(p.y) + SHAPE_OFFSET) / Y_SCALE)};
}

// Level pixels and shape-frame values to window content, unrounded, for drawing.
inline double LevelToContentX(double x) {
    return x - LEVEL_OFFSET_X;
}
inline double LevelToContentY(double y) {
    return y - LEVEL_OFFSET_Y;
}
inline double ShapeToContentX(float x) {
    return double(x) * X_SCALE - (SHAPE_OFFSET + LEVEL_OFFSET_X);
}
inline double ShapeToContentY(float y) {
    return double(y) * Y_SCALE - (SHAPE_OFFSET + LEVEL_OFFSET_Y);
}

} // namespace kivo
