// The view of the canvas as a value: its mapping and inverse, its zoom steps, the fitted view
// and the marks at the edges.
#include "painting/canvas_view.h"

#include <gtest/gtest.h>

#include <random>

namespace kivo {
namespace {

// The plain view is the identity, bit for bit; every view's unmapping undoes its mapping.
TEST(CanvasView, UnmappingUndoesMappingAndThePlainViewChangesNothing) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> coordinate(-2000.0, 2000.0);
    for (int k = 0; k < 1000; ++k) {
        SCOPED_TRACE(k);
        const QPointF whole(std::round(coordinate(rng)), std::round(coordinate(rng)));
        EXPECT_EQ(UnmapFromView({}, whole).x(), whole.x());
        EXPECT_EQ(UnmapFromView({}, whole).y(), whole.y());
        const CanvasView view{MIN_ZOOM + ZOOM_STEP * double(rng() % 32), coordinate(rng),
                              coordinate(rng)};
        const QPointF p(coordinate(rng), coordinate(rng));
        const QPointF back = UnmapFromView(view, MapToView(view, p));
        EXPECT_NEAR(back.x(), p.x(), 1e-9);
        EXPECT_NEAR(back.y(), p.y(), 1e-9);
    }
}

// Zooms are quarter steps from 25 % to 800 %; a zoom about a point keeps the figure point
// shown there.
TEST(CanvasView, ZoomsAreQuarterStepsAboutAPoint) {
    EXPECT_EQ(ZoomStepAtOrBelow(1.3), 1.25);
    EXPECT_EQ(ZoomStepAtOrBelow(1.5), 1.5);
    const CanvasView start{1.5, 17.0, -40.0};
    const QPointF anchor(250.0, 120.0);
    const CanvasView in = ZoomedBySteps(start, 3, anchor);
    EXPECT_EQ(in.zoom, 2.25);
    EXPECT_NEAR(MapToView(in, UnmapFromView(start, anchor)).x(), anchor.x(), 1e-9);
    EXPECT_NEAR(MapToView(in, UnmapFromView(start, anchor)).y(), anchor.y(), 1e-9);
    EXPECT_EQ(ZoomedBySteps(start, -40, anchor).zoom, MIN_ZOOM);
    EXPECT_EQ(ZoomedBySteps(start, 40, anchor).zoom, MAX_ZOOM);
}

// Fit Level takes the largest step at which the figure and its margin fit, centred; the next
// step would not fit.
TEST(CanvasView, FittingTakesTheLargestStepThatLeavesTheMargin) {
    const QRect area(142, 24, 498, 412);
    for (const QRect& figure : {QRect(600, 300, 30, 26), QRect(-900, -50, 2400, 700),
                                QRect(100, 100, 400, 5), QRect(0, 0, 1, 1)}) {
        SCOPED_TRACE(figure.width());
        const CanvasView view = FittedTo(figure, area);
        const QRectF shown = MapToView(view, QRectF(figure));
        EXPECT_TRUE(QRectF(area)
                        .adjusted(FIT_MARGIN, FIT_MARGIN, -FIT_MARGIN, -FIT_MARGIN)
                        .contains(shown) ||
                    view.zoom == MIN_ZOOM);
        EXPECT_NEAR(shown.center().x(), QRectF(area).center().x(), 1e-9);
        if (view.zoom < MAX_ZOOM) {
            const double next = view.zoom + ZOOM_STEP;
            EXPECT_TRUE(figure.width() * next > area.width() - 2 * FIT_MARGIN ||
                        figure.height() * next > area.height() - 2 * FIT_MARGIN);
        }
    }
    EXPECT_TRUE(IsPlainView(FittedTo(QRect(), area)));
}

// The smallest pan brings a point into the area; a point inside leaves the view as it is.
TEST(CanvasView, FollowingAPointPansNoMoreThanItMust) {
    const QRect area(0, 0, 100, 80);
    const CanvasView view{2.0, 5.0, 5.0};
    EXPECT_EQ(Following(view, {50.0, 40.0}, area, 0), view);
    EXPECT_EQ(Following(view, {120.0, 40.0}, area, 0), Panned(view, {-20.0, 0.0}));
    EXPECT_EQ(Following(view, {50.0, -7.0}, area, 2), Panned(view, {0.0, 9.0}));
}

// Each edge with figure beyond it gets one band inside it, along the figure's stretch (a
// sliver at least EDGE_MARK_MIN_LENGTH long); a figure inside gets none.
TEST(CanvasView, EdgesWithFigureBeyondThemAreMarked) {
    const QRect area(10, 10, 200, 100);
    EXPECT_TRUE(EdgeMarks(QRect(20, 20, 50, 50), area).empty());
    EXPECT_TRUE(EdgeMarks(area, area).empty());
    EXPECT_EQ(EdgeMarks(QRect(50, 90, 40, 40), area),
              std::vector<QRect>{QRect(QPoint(50, area.bottom() - 2), QPoint(89, area.bottom()))});
    const std::vector<QRect> sliver = EdgeMarks(QRect(300, 50, 2, 2), area);
    ASSERT_EQ(sliver.size(), 1u);
    EXPECT_EQ(sliver[0].right(), area.right());
    EXPECT_GE(sliver[0].height(), 12);
    EXPECT_EQ(EdgeMarks(QRect(-100, -100, 500, 500), area).size(), 4u);
}

} // namespace
} // namespace kivo
