#include "level/drawing.h"

#include "clicks.h"
#include "construction/level_transform.h"
#include "level/element_ops.h"
#include "level/shape_deletion.h"
#include "painting/level_painting.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace kivo {
namespace {

DrawItem Line(Colour colour, int x1, int y1, int x2, int y2) {
    return {DrawKind::Line, colour, x1, y1, x2, y2};
}

// The crosshair, the sides from their cached ends, then the mean corner (215, 108.66) less
// (12, 40) as a dot.
TEST(Drawing, ShapesAreSidesAndCentreDotsInWindowCoordinatesOverTheCrosshair) {
    Clicks c;
    c.Click(200, 100);
    const std::vector<DrawItem> expected = {
        Line(CROSSHAIR_COLOUR, 390, 225, 390, 205), Line(CROSSHAIR_COLOUR, 390, 235, 390, 255),
        Line(CROSSHAIR_COLOUR, 385, 230, 365, 230), Line(CROSSHAIR_COLOUR, 395, 230, 415, 230),
        Line(CONNECTOR_COLOUR, 218, 60, 203, 86),   Line(CONNECTOR_COLOUR, 203, 86, 188, 60),
        Line(CONNECTOR_COLOUR, 188, 60, 218, 60),   {DrawKind::Disc, CENTRE_COLOUR, 203, 69, 2, 2}};
    EXPECT_EQ(DrawingList(c.level), expected);
    // 218.5 and 219.5 round half to even to 218 and 220, 21.5 to 22; a damaged file's ends
    // still give whole pixels on the side of the canvas they lie.
    Level level;
    level.connectors = {{0, {0, 0}, {230.5f, 231.5f}, {61.5f, 40.4f}},
                        {0, {0, 0}, {std::nanf(""), -INFINITY}, {1.0e30f, 40.4f}}};
    level.points.push_back({0, 100.0f, 100.0f}); // points themselves are not drawn
    const std::vector<DrawItem> items = DrawingList(level);
    ASSERT_EQ(items.size(), 6u);
    EXPECT_EQ(items[4], Line(CONNECTOR_COLOUR, 218, 22, 220, 0));
    EXPECT_EQ(items[5].x1, 0);
    EXPECT_GT(items[5].y1, 100000);
    EXPECT_LT(items[5].x2, -100000);
}

// Each item on its own, the pen and brush set for each: the plain way the batched painting
// must match pixel for pixel.
void PaintItemByItem(QPainter& painter, const std::vector<DrawItem>& items) {
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (const DrawItem& item : items) {
        const QColor colour(item.colour.r, item.colour.g, item.colour.b);
        painter.setPen(QPen(colour, 0));
        if (item.kind == DrawKind::Line) {
            painter.setBrush(Qt::NoBrush);
            painter.drawLine(item.x1, item.y1, item.x2, item.y2);
        } else {
            const int r = item.x2;
            painter.setBrush(colour);
            painter.drawEllipse(QRect(item.x1 - r, item.y1 - r, 2 * r, 2 * r));
        }
    }
}

constexpr QPoint CANVAS_ORIGIN(141, 23);

// The canvas's picture: its frame inside clipped off, the list in window content coordinates,
// shrunk by `scale` as a thumbnail shrinks it.
QImage Painted(const Level& level, void (*paint)(QPainter&, const std::vector<DrawItem>&),
               double scale = 1.0) {
    QImage image(500, 414, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setClipRect(image.rect().adjusted(2, 2, -2, -2));
    painter.scale(scale, scale);
    painter.translate(-CANVAS_ORIGIN);
    paint(painter, DrawingList(level));
    return image;
}

// Shrunk until a centre dot is less than a pixel wide, each dot is a single pixel where its
// centre falls (give or take the rounding), and nothing else has the dots' colour.
void ExpectDotsArePixels(const Level& level, double scale) {
    const QImage image = Painted(level, PaintDrawing, scale);
    std::vector<QPoint> centres;
    for (const DrawItem& item : DrawingList(level)) {
        if (item.kind == DrawKind::Disc) {
            centres.push_back(((QPointF(item.x1, item.y1) - CANVAS_ORIGIN) * scale).toPoint());
        }
    }
    const auto near = [](QPoint a, QPoint b) {
        return std::abs(a.x() - b.x()) <= 1 && std::abs(a.y() - b.y()) <= 1;
    };
    const QRect inside = image.rect().adjusted(3, 3, -3, -3);
    std::vector<QPoint> dots;
    for (int at = 0; at < image.width() * image.height(); ++at) {
        const QPoint pixel(at % image.width(), at / image.width());
        if (image.pixel(pixel) == qRgb(CENTRE_COLOUR.r, CENTRE_COLOUR.g, CENTRE_COLOUR.b)) {
            dots.push_back(pixel);
            EXPECT_TRUE(std::any_of(centres.begin(), centres.end(),
                                    [&](QPoint c) { return near(c, pixel); }))
                << "a dot at " << pixel.x() << "," << pixel.y() << " where no centre is";
        }
    }
    EXPECT_LE(dots.size(), centres.size()) << "a dot smeared over more than one pixel";
    for (const QPoint& centre : centres) {
        EXPECT_TRUE(
            !inside.contains(centre) ||
            std::any_of(dots.begin(), dots.end(), [&](QPoint d) { return near(d, centre); }))
            << "no dot at " << centre.x() << "," << centre.y();
    }
}

// Figures that run over every edge of the canvas, turned and moved about, at the canvas's
// size and shrunk.
TEST(Painting, TheCanvasPaintsTheSamePixelsAsItemByItemAfterRandomEdits) {
    for (uint32_t seed = 1; seed <= 8; ++seed) {
        SCOPED_TRACE(seed);
        RandomSource dice = MakeRandomSource(seed);
        Clicks c;
        for (int step = 0; step < 60; ++step) {
            SCOPED_TRACE(step);
            const float x = float(RandomUpTo(dice, 700));
            const float y = float(RandomUpTo(dice, 560)) - 60.0f;
            switch (RandomUpTo(dice, 10)) {
            case 0:
                RotateLevel(c.level, float(RandomUpTo(dice, 360)));
                break;
            case 1:
                DeleteShape(c.level, NearestShape(c.level, x, y));
                break;
            default:
                c.Click(x, y, 3 + RandomUpTo(dice, 9));
            }
            if (step % 6 == 5) {
                ASSERT_EQ(Painted(c.level, PaintDrawing), Painted(c.level, PaintItemByItem));
                // A dot two pixels wide is still a disc.
                ASSERT_EQ(Painted(c.level, PaintDrawing, 0.5),
                          Painted(c.level, PaintItemByItem, 0.5));
                ExpectDotsArePixels(c.level, 0.2);
            }
        }
    }
}

} // namespace
} // namespace kivo
