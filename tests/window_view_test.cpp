// Zooming and moving the view of the canvas: the View menu's keys, the wheel and the middle
// button; a click placing what the preview showed at every zoom; and marks at the edges beyond
// which part of the figure lies.
#include "window_fixture.h"

#include "level/element_ops.h"
#include "painting/level_painting.h"

#include <QApplication>
#include <QImage>
#include <QWheelEvent>

#include <random>

namespace kivo {
namespace {

constexpr double NOTCH = 120.0;

// One turn of the wheel over the canvas at a position in window content coordinates.
void Wheel(Canvas* canvas, QPoint content, QPointF notches, Qt::KeyboardModifiers modifiers) {
    const QPointF local = content - canvas->pos();
    QWheelEvent event(local, canvas->mapToGlobal(local), QPoint(), (notches * NOTCH).toPoint(),
                      Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
    QApplication::sendEvent(canvas, &event);
}

// A drag with the middle button between two positions in window content coordinates.
void MiddleDrag(Canvas* canvas, QPoint from, QPoint to) {
    QTest::mousePress(canvas, Qt::MiddleButton, Qt::NoModifier, from - canvas->pos());
    QTest::mouseMove(canvas, to - canvas->pos());
    QTest::mouseRelease(canvas, Qt::MiddleButton, Qt::NoModifier, to - canvas->pos());
}

// The view as a designer made it, worked out from the events alone: the figure point shown
// at a position in window content coordinates.
struct ExpectedView {
    double zoom = 1.0;
    QPointF anchor; // the shown point that stays put while zooming
    QPointF figureAtAnchor;
    QPointF Figure(QPointF shown) const { return figureAtAnchor + (shown - anchor) / zoom; }
};

// A shape's outline as the deletion mark draws it, its first corner repeated at the end; empty
// when no shape has the id.
QPolygonF Outline(const Level& level, int16_t id) {
    for (const Shape& s : level.shapes) {
        if (s.id == id) {
            return ContentOutline(s);
        }
    }
    return {};
}

QPolygon LastCorners(const Level& level) {
    QPolygonF outline = ContentOutline(level.shapes.back());
    outline.removeLast();
    return outline.toPolygon();
}

class View : public Window {
  protected:
    Canvas* canvas() const { return ui().canvas; }
    double Zoom() const { return canvas()->view().zoom; }
    // The View menu's keys reach the window that is active.
    void Key(Qt::Key key) { QTest::keyClick(window.get(), key, Qt::ControlModifier); }
    // The canvas's corner, where the zoom is shown.
    QImage Corner() const {
        const QRect area = canvas()->visibleArea().translated(-canvas()->pos());
        return canvas()->grab().toImage().copy(area.right() - 40, area.top(), 41, 20);
    }
};

// Random clicks with random side counts, each first looked at with the pointer: at 100 % from
// the start and after Actual Size, and at zooms and pans made by the wheel and the middle
// button. The preview is what the click then places or deletes, and the level saves to the
// bytes of an editor sent the verbs directly at the figure points under the pointer: at 100 % a
// click places at its pixel shifted by (12, 40) and a right click searches from (23, 40) away.
TEST_F(View, AClickAtAnyZoomDoesWhatItsPreviewShowed) {
    QTemporaryDir other; // a second editor, started as this one was, sent the verbs directly
    MakeDataFolder(other.path());
    Answers otherAnswers;
    const std::unique_ptr<MainWindow> plain = MakeEditor(other.path(), otherAnswers);
    plain->Start();
    window->activateWindow(); // this one stays active, to take the View menu's keys
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    LevelDocument& plainLevel = plain->session().level();
    std::mt19937 rng(77);
    ExpectedView expected;
    uint8_t sides = MIN_SIDE_COUNT;
    int placed = 0, refused = 0, deleted = 0;
    for (int step = 0; step < 240; ++step) {
        SCOPED_TRACE(step);
        const QRect area = canvas()->visibleArea().adjusted(4, 4, -4, -4);
        const QPoint at(area.left() + int(rng() % unsigned(area.width())),
                        area.top() + int(rng() % unsigned(area.height())));
        if (step % 20 == 0 && step > 0) { // back to 100 %, and every other time a new zoom
            Key(Qt::Key_0);
            expected = {};
            if (step % 40 == 20) {
                const int notches = int(rng() % 9) - 3; // 25 % to 300 %, 100 % among them
                Wheel(canvas(), at, {0.0, double(notches)}, Qt::ControlModifier);
                expected = {1.0 + 0.25 * notches, at, at};
                const QPoint by(int(rng() % 41) - 20, int(rng() % 41) - 20);
                MiddleDrag(canvas(), at, at + by);
                expected.anchor += by;
            }
            ASSERT_EQ(Zoom(), expected.zoom);
        }
        const unsigned action = rng() % 10;
        if (action == 0) {
            sides = uint8_t(MIN_SIDE_COUNT + rng() % 10);
            Click(ui().sideButtons[size_t(sides - MIN_SIDE_COUNT)]);
            continue;
        }
        QTest::mouseMove(canvas(), at - canvas()->pos());
        const PlacementPreview shown = canvas()->preview();
        const QPointF figure = expected.Figure(at);
        const Level before = level();
        if (action < 3) {
            ClickCanvas(at, Qt::RightButton);
            plainLevel.DeleteNearest(float(figure.x() + 23.0), float(figure.y() + 40.0));
            EXPECT_EQ(shown.deletedId,
                      NearestShape(before, float(figure.x() + 23.0), float(figure.y() + 40.0)));
            EXPECT_EQ(shown.deleted, Outline(before, shown.deletedId));
            deleted += level().shapes.size() < before.shapes.size();
        } else {
            ClickCanvas(at);
            plainLevel.Place(float(figure.x() + 12.0), float(figure.y() + 40.0), sides);
            if (shown.placed.isEmpty()) {
                EXPECT_EQ(level().shapes.size(), before.shapes.size());
                ++refused;
            } else {
                ASSERT_EQ(level().shapes.size(), before.shapes.size() + 1);
                EXPECT_EQ(shown.placed.toPolygon(), LastCorners(level()));
                ++placed;
            }
        }
        ASSERT_EQ(EncodeLevel(level()).bytes, EncodeLevel(plain->level()).bytes);
    }
    // The walk met every case.
    EXPECT_GT(placed, 60);
    EXPECT_GT(refused, 20);
    EXPECT_GT(deleted, 20);
}

// The View menu's keys zoom in quarter steps about the middle of the canvas and back to 100 %;
// Ctrl and the wheel zoom about the pointer; the zoom shows in the canvas's corner while it is
// not 100 %, and at 100 % the canvas paints as it always did.
TEST_F(View, TheKeysAndTheWheelZoomAndTheCornerSaysHowFar) {
    ClickCanvas({300, 200});
    const QImage plainCanvas = canvas()->grab().toImage();
    const QImage plainCorner = Corner();
    Key(Qt::Key_Plus);
    EXPECT_EQ(Zoom(), 1.25);
    Key(Qt::Key_Equal);
    EXPECT_EQ(Zoom(), 1.5);
    EXPECT_NE(Corner(), plainCorner);
    Key(Qt::Key_Minus);
    EXPECT_EQ(Zoom(), 1.25);
    const QPointF middle = QRectF(canvas()->visibleArea()).center();
    EXPECT_NEAR(UnmapFromView(canvas()->view(), middle).x(), middle.x(), 1e-9);
    Key(Qt::Key_0);
    EXPECT_TRUE(IsPlainView(canvas()->view()));
    EXPECT_EQ(canvas()->grab().toImage(), plainCanvas);

    const QPoint pointer(250, 150);
    const QPointF under = UnmapFromView(canvas()->view(), pointer);
    Wheel(canvas(), pointer, {0, 3}, Qt::ControlModifier);
    Wheel(canvas(), pointer, {0, -1}, Qt::ControlModifier);
    EXPECT_EQ(Zoom(), 1.5);
    EXPECT_EQ(UnmapFromView(canvas()->view(), pointer), under);
    // A touchpad turns in parts of a notch: they add up to steps.
    Wheel(canvas(), pointer, {0, 0.5}, Qt::ControlModifier);
    EXPECT_EQ(Zoom(), 1.5);
    Wheel(canvas(), pointer, {0, 0.75}, Qt::ControlModifier);
    EXPECT_EQ(Zoom(), 1.75);
    EXPECT_EQ(Steps(), 1); // the view is no step of the level
}

// The middle button drags the view; while it is zoomed the wheel moves it up and down, and
// sideways with Shift; at 100 % the wheel leaves it. The arrow keys move the keyboard cursor,
// and the view follows it when it leaves what is shown; Center KIVO brings the canvas's own
// area back.
TEST_F(View, TheViewIsMovedByTheMiddleButtonTheWheelAndTheCursor) {
    Wheel(canvas(), {300, 200}, {0, 2}, Qt::NoModifier);
    EXPECT_TRUE(IsPlainView(canvas()->view()));
    MiddleDrag(canvas(), {300, 200}, {330, 180});
    EXPECT_EQ(canvas()->view(), (CanvasView{1.0, 30.0, -20.0}));
    Key(Qt::Key_0);
    Key(Qt::Key_Plus);
    Key(Qt::Key_Plus); // 150 %
    CanvasView view = canvas()->view();
    Wheel(canvas(), {300, 200}, {0, -1}, Qt::NoModifier);
    EXPECT_EQ(canvas()->view(), Panned(view, {0.0, -40.0}));
    Wheel(canvas(), {300, 200}, {0, 1}, Qt::ShiftModifier);
    EXPECT_EQ(canvas()->view(), Panned(view, {40.0, -40.0}));

    QTest::mouseMove(ui().clearButton);
    canvas()->setFocus();
    const QPointF start = canvas()->cursorPosition();
    Press(canvas(), Qt::Key_Right, 3);
    EXPECT_EQ(canvas()->cursorPosition(), start + QPointF(10.0, 0.0)); // 5 shown pixels a key
    Press(canvas(), Qt::Key_Down, 60);
    const QRect area = canvas()->visibleArea();
    const QPointF shown = MapToView(canvas()->view(), canvas()->cursorPosition());
    EXPECT_TRUE(QRectF(area).contains(shown)) << shown.x() << "," << shown.y();
    EXPECT_GT(canvas()->cursorPosition().y(), start.y() + 150.0);
    const PlacementPreview previewed = canvas()->preview();
    QTest::keyClick(canvas(), Qt::Key_Return);
    ASSERT_EQ(level().shapes.size(), 1u);
    EXPECT_EQ(previewed.placed.toPolygon(), LastCorners(level()));

    Click(ui().centerButton);
    EXPECT_EQ(MapToView(canvas()->view(), QPointF(CROSS_X, CROSS_Y)), QPointF(CROSS_X, CROSS_Y));
    EXPECT_EQ(Zoom(), 1.5);
}

// A polygon placed on the canvas's bottom row lies partly under the frame: the bottom edge is
// marked along it, also at 100 %, and nowhere else; Fit Level brings it into view unmarked, and
// so does Center KIVO.
TEST_F(View, PartsBeyondTheEdgeAreMarkedAndFitLevelBringsThemBack) {
    const QRect area = canvas()->visibleArea();
    const QImage bare = canvas()->grab().toImage();
    Click(ui().sideButtons[1]);
    ClickCanvas({300, area.bottom()});
    const QRect figure = FigureBounds(level());
    ASSERT_GT(figure.bottom(), area.bottom());
    const QImage marked = canvas()->grab().toImage();
    const QPoint edge = QPoint(figure.center().x(), area.bottom() - 1) - canvas()->pos();
    EXPECT_EQ(bare.pixelColor(edge), Qt::white);
    EXPECT_NE(marked.pixelColor(edge), Qt::white);
    EXPECT_NE(marked.pixelColor(edge), QColor(55, 55, 55)); // not the figure's own side
    const QPoint top = QPoint(figure.center().x(), area.top() + 1) - canvas()->pos();
    EXPECT_EQ(marked.pixelColor(top), bare.pixelColor(top));

    Key(Qt::Key_9);
    EXPECT_GT(Zoom(), 1.0); // a single square fits larger
    EXPECT_TRUE(QRectF(area).contains(MapToView(canvas()->view(), QRectF(figure))));
    EXPECT_EQ(canvas()->grab().toImage().pixelColor(edge), Qt::white);

    Key(Qt::Key_0);
    EXPECT_NE(canvas()->grab().toImage().pixelColor(edge), Qt::white);
    Click(ui().centerButton);
    EXPECT_EQ(canvas()->grab().toImage().pixelColor(edge), Qt::white);
}

} // namespace
} // namespace kivo
