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
    // A second editor, started as this one was, that a test sends the level verbs directly;
    // this one stays the active window.
    std::unique_ptr<MainWindow> StartSecondEditor() {
        MakeDataFolder(other.path());
        std::unique_ptr<MainWindow> second = MakeEditor(other.path(), otherAnswers);
        second->Start();
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
        return second;
    }
    QTemporaryDir other;
    Answers otherAnswers;
    // The canvas's corner, where the zoom is shown.
    QImage Corner() const {
        const QRect area = canvas()->visibleArea().translated(-canvas()->pos());
        return canvas()->grab().toImage().copy(area.right() - 40, area.top(), 41, 20);
    }
};

// At several zooms and pans made by the wheel and the middle button, the pointer's preview is
// what the click then places or deletes, and the level saves to the bytes of an editor at 100 %
// sent the same clicks at the figure points the events put under the pointer.
TEST_F(View, AZoomedClickDoesWhatItsPreviewShowed) {
    const std::unique_ptr<MainWindow> plain = StartSecondEditor();
    LevelDocument& plainLevel = plain->session().level();
    std::mt19937 rng(77);
    ExpectedView expected;
    int placed = 0, deleted = 0;
    for (int step = 0; step < 160; ++step) {
        SCOPED_TRACE(step);
        const QRect area = canvas()->visibleArea().adjusted(4, 4, -4, -4);
        const QPoint at(area.left() + int(rng() % unsigned(area.width())),
                        area.top() + int(rng() % unsigned(area.height())));
        if (step % 20 == 0) {                       // a new zoom about the pointer, then a drag
            const int notches = int(rng() % 9) - 3; // 25 % to 300 %, 100 % among them
            Key(Qt::Key_0);
            Wheel(canvas(), at, {0.0, double(notches)}, Qt::ControlModifier);
            expected = {1.0 + 0.25 * notches, at, at};
            const QPoint by(int(rng() % 41) - 20, int(rng() % 41) - 20);
            MiddleDrag(canvas(), at, at + by);
            expected.anchor += by;
            ASSERT_EQ(Zoom(), expected.zoom);
        }
        QTest::mouseMove(canvas(), at - canvas()->pos());
        const PlacementPreview shown = canvas()->preview();
        const QPointF figure = expected.Figure(at);
        const Level before = level();
        if (rng() % 4 == 0) {
            ClickCanvas(at, Qt::RightButton);
            plainLevel.DeleteNearest(float(figure.x() + 23.0), float(figure.y() + 40.0));
            EXPECT_EQ(shown.deletedId,
                      NearestShape(before, float(figure.x() + 23.0), float(figure.y() + 40.0)));
            deleted += level().shapes.size() < before.shapes.size();
        } else {
            ClickCanvas(at);
            plainLevel.Place(float(figure.x() + 12.0), float(figure.y() + 40.0), MIN_SIDE_COUNT);
            if (shown.placed.isEmpty()) {
                EXPECT_EQ(level().shapes.size(), before.shapes.size());
            } else {
                ASSERT_EQ(level().shapes.size(), before.shapes.size() + 1);
                EXPECT_EQ(shown.placed.toPolygon(), LastCorners(level()));
                ++placed;
            }
        }
        ASSERT_EQ(EncodeLevel(level()).bytes, EncodeLevel(plain->level()).bytes);
    }
    EXPECT_GT(placed, 30);
    EXPECT_GT(deleted, 5);
}

// At 100 %, after zooming and coming back with Actual Size as well as from the start, a click at
// a whole pixel places at that pixel shifted by (12, 40) and a right click searches from it
// shifted by (23, 40), as the editor always did: the same bytes as those verbs sent directly.
TEST_F(View, ClicksAt100PercentGiveTheBytesTheyAlwaysGave) {
    const std::unique_ptr<MainWindow> plain = StartSecondEditor();
    LevelDocument& plainLevel = plain->session().level();
    std::mt19937 rng(5);
    for (int step = 0; step < 80; ++step) {
        SCOPED_TRACE(step);
        if (step == 40) {
            Key(Qt::Key_Plus);
            MiddleDrag(canvas(), {300, 200}, {320, 190});
            Key(Qt::Key_0);
            ASSERT_TRUE(IsPlainView(canvas()->view()));
        }
        const QPoint at(CANVAS_LEFT + 2 + int(rng() % (CANVAS_WIDTH - 4)),
                        CANVAS_TOP + 2 + int(rng() % (CANVAS_HEIGHT - 4)));
        if (rng() % 5 == 0) {
            ClickCanvas(at, Qt::RightButton);
            plainLevel.DeleteNearest(float(at.x()) + 23.0f, float(at.y()) + 40.0f);
        } else {
            ClickCanvas(at);
            plainLevel.Place(float(at.x()) + 12.0f, float(at.y()) + 40.0f, MIN_SIDE_COUNT);
        }
        ASSERT_EQ(EncodeLevel(level()).bytes, EncodeLevel(plain->level()).bytes);
    }
}

// The View menu's keys zoom in quarter steps from 25 % to 800 % about the middle of the canvas
// and back to 100 %; Ctrl and the wheel zoom about the pointer; the zoom shows in the canvas's
// corner while it is not 100 %, and at 100 % the canvas paints as it always did.
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
    for (int k = 0; k < 40; ++k) {
        Key(Qt::Key_Plus);
    }
    EXPECT_EQ(Zoom(), 8.0);
    for (int k = 0; k < 40; ++k) {
        Key(Qt::Key_Minus);
    }
    EXPECT_EQ(Zoom(), 0.25);
    Key(Qt::Key_0);
    EXPECT_TRUE(IsPlainView(canvas()->view()));
    EXPECT_EQ(canvas()->grab().toImage(), plainCanvas);

    const QPoint pointer(250, 150);
    const QPointF under = UnmapFromView(canvas()->view(), pointer);
    Wheel(canvas(), pointer, {0, 3}, Qt::ControlModifier);
    EXPECT_EQ(Zoom(), 1.75);
    EXPECT_EQ(UnmapFromView(canvas()->view(), pointer), under);
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
