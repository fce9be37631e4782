// Seeing what a click will do before it is made, and working the window from the keyboard:
// the placement preview, the canvas cursor, the standard file keys, what the slider and the
// side-count buttons tell assistive technology, and score fields that take only what a level
// file holds.
#include "window_fixture.h"

#include "level/element_ops.h"

#include <QAccessible>
#include <QImage>

#include <random>

namespace kivo {
namespace {

QAction* PreviewItem(MainWindow& window) {
    return window.findChild<QAction*>("placementPreviewItem");
}

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

// The corners a placement preview draws for a shape: its outline without the repeated first
// corner, to whole pixels, as the shape frame rounds.
QPolygon Corners(const Level& level, int16_t id) {
    QPolygonF outline = Outline(level, id);
    if (!outline.isEmpty()) {
        outline.removeLast();
    }
    return outline.toPolygon();
}

// A second editor started in a folder of its own, to click without the preview.
struct SecondEditor {
    QTemporaryDir start;
    Answers answers;
    std::unique_ptr<MainWindow> window;

    SecondEditor() {
        MakeDataFolder(start.path());
        window = MakeEditor(start.path(), answers);
        window->Start();
    }
    const Controls& ui() const { return window->controls(); }
};

// Random clicks on random levels, each first looked at with the pointer: the preview shows the
// outline that the left click then places and marks the shape that the right click then
// deletes, and the level, its counters and its ids stay those of an editor clicked the same
// way with the preview off.
TEST_F(Window, APreviewedClickPlacesWhatWasShownAndTheSameBytesAsAClickAlone) {
    SecondEditor plain;
    PreviewItem(*plain.window)->trigger();
    ASSERT_FALSE(PreviewItem(*plain.window)->isChecked());
    std::mt19937 rng(2024);
    Canvas* canvas = ui().canvas;
    int placed = 0, refused = 0, deleted = 0;
    for (int round = 0; round < 3; ++round) {
        for (int step = 0; step < 40; ++step) {
            SCOPED_TRACE(QString("round %1 step %2").arg(round).arg(step).toStdString());
            const unsigned action = rng() % 10;
            if (action == 0) {
                const size_t k = rng() % 10;
                Click(ui().sideButtons[k]);
                QTest::mouseClick(plain.ui().sideButtons[k], Qt::LeftButton);
                continue;
            }
            const Qt::MouseButton button = action < 3 ? Qt::RightButton : Qt::LeftButton;
            // The pointer wanders over the canvas before it comes to rest where it clicks.
            QPoint at;
            for (int move = 0; move < 3; ++move) {
                at = {CANVAS_LEFT + 4 + int(rng() % (CANVAS_WIDTH - 8)),
                      CANVAS_TOP + 4 + int(rng() % (CANVAS_HEIGHT - 8))};
                QTest::mouseMove(canvas, at - canvas->pos());
                canvas->grab();
            }
            const PlacementPreview shown = canvas->preview();
            const Level before = level();
            ClickCanvas(at, button);
            QTest::mouseClick(plain.ui().canvas, button, Qt::NoModifier,
                              at - plain.ui().canvas->pos());
            if (button == Qt::RightButton) {
                EXPECT_EQ(shown.deletedId, NearestShape(before, at.x() + 23.0f, at.y() + 40.0f));
                EXPECT_EQ(shown.deleted, Outline(before, shown.deletedId));
                EXPECT_TRUE(Outline(level(), shown.deletedId).isEmpty());
                deleted += shown.deletedId != 0;
            } else if (shown.placed.isEmpty()) {
                EXPECT_EQ(level().shapes.size(), before.shapes.size());
                ++refused;
            } else {
                ASSERT_EQ(level().shapes.size(), before.shapes.size() + 1);
                EXPECT_EQ(shown.placed.toPolygon(), Corners(level(), level().shapes.back().id));
                ++placed;
            }
            EXPECT_EQ(EncodeLevel(level()).bytes, EncodeLevel(plain.window->level()).bytes);
        }
        ClearYes();
        plain.answers.confirms = {true};
        QTest::mouseClick(plain.ui().clearButton, Qt::LeftButton);
    }
    // The walk met every case.
    EXPECT_GT(placed, 20);
    EXPECT_GT(refused, 3);
    EXPECT_GT(deleted, 3);
}

// The preview is drawn while the pointer is on the canvas, in colours of its own, for the side
// count chosen; it goes when the pointer leaves and when the View menu turns it off.
TEST_F(Window, ThePreviewFollowsThePointerTheSideCountAndTheViewMenu) {
    Canvas* canvas = ui().canvas;
    const QImage bare = canvas->grab().toImage();
    const QPoint at(300, 200);
    QTest::mouseMove(canvas, at - canvas->pos());
    PlacementPreview shown = canvas->preview();
    EXPECT_EQ(shown.deletedId, 0);
    EXPECT_FALSE(shown.cursor.has_value()); // the keys have not taken the canvas
    ASSERT_EQ(shown.placed.size(), 3);
    EXPECT_EQ(shown.placed[0], QPointF(at.x() + 30, at.y())); // a free triangle's first corner

    Click(ui().sideButtons[3]);
    ClickCanvas(at);
    ASSERT_EQ(level().shapes.size(), 1u);
    // Off the new hexagon the preview adds one, and marks the hexagon a right click takes.
    QTest::mouseMove(canvas, QPoint(5, 5));
    shown = canvas->preview();
    EXPECT_EQ(shown.placed.size(), 6);
    EXPECT_EQ(shown.deletedId, level().shapes[0].id);
    const QImage both = canvas->grab().toImage();
    // Inside each outline, below the centre and its dot: the mark of what would go is not the
    // colour of what would be added.
    auto below = [canvas](const QPolygonF& outline) {
        return outline.boundingRect().center().toPoint() + QPoint(0, 6) - canvas->pos();
    };
    const QPoint inHexagon = below(shown.deleted);
    const QPoint inPlaced = below(shown.placed);
    EXPECT_NE(both.pixel(inHexagon), bare.pixel(inHexagon));
    EXPECT_NE(both.pixel(inPlaced), bare.pixel(inPlaced));
    EXPECT_NE(both.pixel(inPlaced), both.pixel(inHexagon));

    QTest::mouseMove(ui().sideButtons[0]);
    EXPECT_TRUE(canvas->preview().placed.isEmpty());
    EXPECT_EQ(canvas->preview().deletedId, 0);
    const QImage left = canvas->grab().toImage();

    QTest::mouseMove(canvas, at - canvas->pos());
    ASSERT_TRUE(PreviewItem(*window)->isChecked());
    PreviewItem(*window)->trigger();
    EXPECT_TRUE(canvas->preview().placed.isEmpty());
    EXPECT_EQ(canvas->preview().deletedId, 0);
    EXPECT_EQ(canvas->grab().toImage(), left);
    PreviewItem(*window)->trigger();
    EXPECT_FALSE(canvas->preview().placed.isEmpty());
    EXPECT_EQ(Steps(), 1); // looking is no step
}

// Tab reaches the canvas; the arrows move a cursor that the preview follows, Enter and Return
// place at it as a left click does, Delete deletes as a right click does.
TEST_F(Window, TheCanvasIsWorkedFromTheKeyboard) {
    Canvas* canvas = ui().canvas;
    QTest::mouseMove(ui().clearButton); // the pointer rests off the canvas
    ui().clearButton->setFocus();
    for (int tab = 0; tab < 40 && QApplication::focusWidget() != canvas; ++tab) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    ASSERT_EQ(QApplication::focusWidget(), canvas);
    EXPECT_EQ(canvas->preview().cursor, QPoint(390, 230)); // the crosshair
    EXPECT_EQ(canvas->preview().placed.size(), 3);

    for (int k = 0; k < 4; ++k) {
        QTest::keyClick(canvas, Qt::Key_Right);
    }
    QTest::keyClick(canvas, Qt::Key_Down, Qt::ShiftModifier);
    PlacementPreview shown = canvas->preview();
    EXPECT_EQ(shown.cursor, QPoint(410, 231));
    EXPECT_EQ(shown.placed[0], QPointF(440, 231));
    QTest::keyClick(canvas, Qt::Key_Return);
    ASSERT_EQ(level().shapes.size(), 1u);
    EXPECT_EQ(shown.placed.toPolygon(), Corners(level(), level().shapes[0].id));

    for (int k = 0; k < 6; ++k) {
        QTest::keyClick(canvas, Qt::Key_Up);
    }
    shown = canvas->preview();
    QTest::keyClick(canvas, Qt::Key_Enter);
    ASSERT_EQ(level().shapes.size(), 2u);
    EXPECT_EQ(shown.placed.toPolygon(), Corners(level(), level().shapes[1].id));

    shown = canvas->preview();
    QTest::keyClick(canvas, Qt::Key_Delete);
    EXPECT_EQ(level().shapes.size(), 1u);
    EXPECT_TRUE(Outline(level(), shown.deletedId).isEmpty());

    // The cursor stays inside the canvas however far the keys push it.
    for (int k = 0; k < 120; ++k) {
        QTest::keyClick(canvas, Qt::Key_Left);
    }
    EXPECT_EQ(canvas->cursorPosition().x(), canvas->x() + canvas->contentsRect().left());

    // Leaving the canvas by Tab takes the cursor and the preview away.
    const QImage focused = canvas->grab().toImage();
    QTest::keyClick(canvas, Qt::Key_Tab);
    EXPECT_NE(QApplication::focusWidget(), canvas);
    EXPECT_FALSE(canvas->preview().cursor.has_value());
    EXPECT_TRUE(canvas->preview().placed.isEmpty());
    EXPECT_NE(canvas->grab().toImage(), focused);
}

// The slider has a name and shows its angle as it moves; the side-count buttons say which
// polygon they place while their captions stay the bare numbers.
TEST_F(Window, TheSliderAndTheSideButtonsTellWhatTheyDo) {
    QSlider* slider = ui().rotationSlider;
    EXPECT_EQ(QAccessible::queryAccessibleInterface(slider)->text(QAccessible::Name), "Rotation");
    auto* angle = window->findChild<QLabel*>("rotationAngle");
    ASSERT_NE(angle, nullptr);
    EXPECT_EQ(angle->text(), "0\u00b0");
    slider->setFocus();
    for (int k = 0; k < 3; ++k) {
        QTest::keyClick(slider, Qt::Key_Right);
    }
    EXPECT_EQ(angle->text(), "3\u00b0");
    EXPECT_EQ(slider->toolTip(), "3\u00b0");
    EXPECT_GT(angle->x(), slider->geometry().right()); // beside the slider, before the buttons
    EXPECT_LT(angle->geometry().right(), ui().sideButtons[0]->x());

    const QStringList names{"Triangle", "Square",  "Pentagon", "Hexagon",    "Heptagon",
                            "Octagon",  "Nonagon", "Decagon",  "Hendecagon", "Dodecagon"};
    for (int k = 0; k < 10; ++k) {
        SCOPED_TRACE(k);
        QPushButton* button = ui().sideButtons[size_t(k)];
        EXPECT_EQ(button->text(), QString::number(k + 3));
        EXPECT_EQ(QAccessible::queryAccessibleInterface(button)->text(QAccessible::Description),
                  QString("%1, %2 sides").arg(names[k]).arg(k + 3));
    }
}

// A score field refuses what can never be a score, and marks, while it is typed, a value that
// a level file cannot hold as it stands, an empty one included, which would be saved as 0.
TEST_F(Window, ScoreFieldsTakeWhatALevelFileHolds) {
    QLineEdit* target = ui().targetScoreField;
    const QColor normal = target->palette().color(QPalette::Base);
    const struct {
        const char* typed;
        const char* shown;
        bool marked;
    } rows[] = {{"abc", "100", false},      {"99999999999", "99999", true},
                {"-5", "-5", false},        {"-", "-", true},
                {"32767", "32767", false},  {"32768", "32768", true},
                {"-32768", "-32768", false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.typed);
        Type(target, row.typed);
        EXPECT_EQ(target->text(), row.shown);
        EXPECT_EQ(target->palette().color(QPalette::Base) != normal, row.marked);
        EXPECT_EQ(target->toolTip().contains("-32768 to 32767"), row.marked);
    }
    EXPECT_EQ(level().targetScore, "-32768");
    QTest::keyClick(target, Qt::Key_End);
    for (int k = 0; k < 6; ++k) {
        QTest::keyClick(target, Qt::Key_Backspace);
    }
    EXPECT_NE(target->palette().color(QPalette::Base), normal);

    // A number followed by other characters keeps the number.
    QLineEdit* expert = ui().expertScoreField;
    Type(expert, "1x");
    EXPECT_EQ(expert->text(), "1");
    EXPECT_EQ(expert->palette().color(QPalette::Base), normal);
}

} // namespace
} // namespace kivo
