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

// The window content point at canvas coordinates drawn from the generator.
QPoint RandomCanvasPoint(std::mt19937& rng) {
    return {CANVAS_LEFT + 4 + int(rng() % (CANVAS_WIDTH - 8)),
            CANVAS_TOP + 4 + int(rng() % (CANVAS_HEIGHT - 8))};
}

// A shape's outline as the deletion mark draws it; empty when no shape has the id.
QPolygonF MarkedOutline(const Level& level, int16_t id) {
    for (const Shape& s : level.shapes) {
        if (s.id == id) {
            return ContentOutline(s);
        }
    }
    return {};
}

// Without the entry that repeats the first: the corners a placement preview draws.
QPolygonF ShapeOutline(const Level& level, int16_t id) {
    QPolygonF outline = MarkedOutline(level, id);
    if (!outline.isEmpty()) {
        outline.removeLast();
    }
    return outline;
}

// Whether two outlines have the same corners, up to the rounding of the shape frame.
bool SameCorners(const QPolygonF& a, const QPolygonF& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (qsizetype k = 0; k < a.size(); ++k) {
        const QPointF d = a[k] - b[k];
        if (std::abs(d.x()) > 1e-3 || std::abs(d.y()) > 1e-3) {
            return false;
        }
    }
    return true;
}

bool HasShape(const Level& level, int16_t id) {
    return std::any_of(level.shapes.begin(), level.shapes.end(),
                       [id](const Shape& s) { return s.id == id; });
}

// A second editor started in a folder of its own, to click without the preview.
struct SecondEditor {
    QTemporaryDir start;
    Answers answers;
    std::unique_ptr<MainWindow> window;

    SecondEditor() {
        QDir(start.path()).mkdir("kivo");
        QFile::copy(KIVO_SOURCE_DIR "/data/kivo/default.kvo", start.filePath("kivo/default.kvo"));
        QDir::setCurrent(start.path());
        ShellState shell = FindStartDirectory();
        shell.recoveryDir = start.filePath("recovery");
        window = std::make_unique<MainWindow>(shell, answers.Seam(), MakeRandomSource(9));
        window->show();
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
    int placed = 0;
    int refused = 0;
    int deleted = 0;
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
            const bool right = action < 3;
            // The pointer wanders over the canvas before it comes to rest where it clicks.
            for (int wander = 0; wander < 2; ++wander) {
                QTest::mouseMove(canvas, RandomCanvasPoint(rng) - canvas->pos());
                canvas->grab();
            }
            const QPoint at = RandomCanvasPoint(rng);
            QTest::mouseMove(canvas, at - canvas->pos());
            canvas->grab();
            const PlacementPreview shown = canvas->preview();
            const Level before = level();
            ClickCanvas(at, right ? Qt::RightButton : Qt::LeftButton);
            QTest::mouseClick(plain.ui().canvas, right ? Qt::RightButton : Qt::LeftButton,
                              Qt::NoModifier, at - plain.ui().canvas->pos());
            if (right) {
                EXPECT_EQ(shown.deletedId, NearestShape(before, at.x() + 23.0f, at.y() + 40.0f));
                EXPECT_EQ(shown.deleted, MarkedOutline(before, shown.deletedId));
                EXPECT_FALSE(HasShape(level(), shown.deletedId));
                deleted += shown.deletedId != 0;
            } else if (shown.placed.isEmpty()) {
                EXPECT_EQ(level().shapes.size(), before.shapes.size());
                ++refused;
            } else {
                ASSERT_EQ(level().shapes.size(), before.shapes.size() + 1);
                EXPECT_TRUE(
                    SameCorners(shown.placed, ShapeOutline(level(), level().shapes.back().id)));
                ++placed;
            }
            EXPECT_TRUE(level() == plain.window->level());
            EXPECT_EQ(EncodeLevel(level()).bytes, EncodeLevel(plain.window->level()).bytes);
        }
        answers.confirms = {true};
        Click(ui().clearButton);
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
    EXPECT_EQ(shown.placed.size(), 3);
    EXPECT_EQ(shown.deletedId, 0);
    EXPECT_FALSE(shown.cursor.has_value()); // the keys have not taken the canvas
    // A free triangle starts 30 pixels to the right of the click.
    EXPECT_EQ(shown.placed[0], QPointF(at.x() + 30, at.y()));
    const QImage previewed = canvas->grab().toImage();
    EXPECT_NE(previewed, bare);
    const QPoint inside = (at - canvas->pos()) + QPoint(15, 8);
    EXPECT_NE(previewed.pixel(inside), bare.pixel(inside)); // the outline is filled, faintly

    Click(ui().sideButtons[3]);
    QTest::mouseMove(canvas, at - canvas->pos());
    EXPECT_EQ(canvas->preview().placed.size(), 6);

    ClickCanvas(at);
    ASSERT_EQ(level().shapes.size(), 1u);
    // On the new hexagon a click places nothing, and the hexagon is the one a right click takes.
    const QPoint middle = at + QPoint(15, 26);
    QTest::mouseMove(canvas, middle - canvas->pos());
    shown = canvas->preview();
    EXPECT_TRUE(shown.placed.isEmpty());
    EXPECT_EQ(shown.deletedId, level().shapes[0].id);
    EXPECT_EQ(shown.deleted.size(), 7);
    const QImage marked = canvas->grab().toImage();
    QTest::mouseMove(canvas, QPoint(5, 5));
    shown = canvas->preview();
    EXPECT_EQ(shown.placed.size(), 6);
    EXPECT_EQ(shown.deletedId, level().shapes[0].id);
    const QImage both = canvas->grab().toImage();
    // Inside each outline, below the centre and its dot: the mark of what would go is not the
    // colour of what would be added.
    auto below = [canvas](const QPolygonF& outline) {
        QPointF sum;
        for (const QPointF& p : outline) {
            sum += p;
        }
        return (sum / outline.size()).toPoint() + QPoint(0, 6) - canvas->pos();
    };
    const QPoint inHexagon = below(shown.deleted);
    const QPoint inPlaced = below(shown.placed);
    EXPECT_EQ(both.pixel(inHexagon), marked.pixel(inHexagon));
    EXPECT_NE(both.pixel(inHexagon), bare.pixel(inHexagon));
    EXPECT_NE(both.pixel(inPlaced), bare.pixel(inPlaced));
    EXPECT_NE(both.pixel(inPlaced), both.pixel(inHexagon));

    QTest::mouseMove(ui().sideButtons[0]);
    EXPECT_TRUE(canvas->preview().placed.isEmpty());
    EXPECT_EQ(canvas->preview().deletedId, 0);
    const QImage left = canvas->grab().toImage();

    QTest::mouseMove(canvas, at - canvas->pos());
    EXPECT_FALSE(canvas->preview().placed.isEmpty());
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
    EXPECT_EQ(canvas->cursorPosition(), QPoint(390, 230)); // the crosshair
    EXPECT_EQ(canvas->preview().cursor, QPoint(390, 230));
    EXPECT_EQ(canvas->preview().placed.size(), 3);

    for (int k = 0; k < 4; ++k) {
        QTest::keyClick(canvas, Qt::Key_Right);
    }
    QTest::keyClick(canvas, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(canvas->cursorPosition(), QPoint(410, 231));
    PlacementPreview shown = canvas->preview();
    EXPECT_EQ(shown.placed[0], QPointF(440, 231));
    QTest::keyClick(canvas, Qt::Key_Return);
    ASSERT_EQ(level().shapes.size(), 1u);
    EXPECT_TRUE(SameCorners(shown.placed, ShapeOutline(level(), level().shapes[0].id)));

    for (int k = 0; k < 6; ++k) {
        QTest::keyClick(canvas, Qt::Key_Up);
    }
    shown = canvas->preview();
    ASSERT_FALSE(shown.placed.isEmpty());
    QTest::keyClick(canvas, Qt::Key_Enter);
    ASSERT_EQ(level().shapes.size(), 2u);
    EXPECT_TRUE(SameCorners(shown.placed, ShapeOutline(level(), level().shapes[1].id)));
    EXPECT_EQ(level().pointCount, 4); // attached on the first triangle's side

    shown = canvas->preview();
    QTest::keyClick(canvas, Qt::Key_Delete);
    EXPECT_EQ(level().shapes.size(), 1u);
    EXPECT_FALSE(HasShape(level(), shown.deletedId));
    EXPECT_EQ(Steps(), 3);

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

// Load, Save and Save As answer the platform's standard keys and show them in the menu; Redo
// keeps both of its keys.
TEST_F(Window, TheFileCommandsAnswerTheStandardKeys) {
    EXPECT_EQ(ui().loadItem->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
    EXPECT_EQ(ui().saveItem->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
    EXPECT_EQ(ui().saveAsItem->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    EXPECT_EQ(ui().loadItem->text() + "|" + ui().saveItem->text() + "|" + ui().saveAsItem->text(),
              "&Load...|Save|Save As...");

    QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier);
    QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier);
    QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_EQ(answers.dialogs.size(), 3);
    EXPECT_TRUE(answers.dialogs[0].startsWith("Load KIVO|"));
    EXPECT_TRUE(answers.dialogs[1].startsWith("Save KIVO|"));
    EXPECT_TRUE(answers.dialogs[2].startsWith("Save KIVO As...|"));

    ClickCanvas({300, 200});
    Undo();
    EXPECT_EQ(level().shapes.size(), 0u);
    QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(level().shapes.size(), 1u);
    Undo();
    Redo();
    EXPECT_EQ(level().shapes.size(), 1u);
}

// The slider has a name and shows its angle as it moves; the side-count buttons say which
// polygon they place while their captions stay the bare numbers.
TEST_F(Window, TheSliderAndTheSideButtonsTellWhatTheyDo) {
    QSlider* slider = ui().rotationSlider;
    QAccessibleInterface* spoken = QAccessible::queryAccessibleInterface(slider);
    EXPECT_EQ(spoken->text(QAccessible::Name), "Rotation");
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

// A score field refuses what can never be a score, and shows, while it is typed, a value that
// a level file cannot hold as it stands.
TEST_F(Window, ScoreFieldsTakeWhatALevelFileHolds) {
    QLineEdit* target = ui().targetScoreField;
    const QColor normal = target->palette().color(QPalette::Base);
    EXPECT_TRUE(target->toolTip().isEmpty());

    Type(target, "abc");
    EXPECT_EQ(target->text(), "100");
    EXPECT_EQ(level().targetScore, "100");

    Type(target, "99999999999");
    EXPECT_EQ(target->text(), "99999");
    EXPECT_NE(target->palette().color(QPalette::Base), normal);
    EXPECT_TRUE(target->toolTip().contains("-32768 to 32767"));

    Type(target, "-5");
    EXPECT_EQ(target->text(), "-5");
    EXPECT_EQ(target->palette().color(QPalette::Base), normal);
    EXPECT_TRUE(target->toolTip().isEmpty());

    QTest::keyClick(target, Qt::Key_Backspace);
    EXPECT_EQ(target->text(), "-");
    EXPECT_NE(target->palette().color(QPalette::Base), normal);
    QTest::keyClick(target, Qt::Key_Backspace);
    EXPECT_NE(target->palette().color(QPalette::Base), normal); // empty would be saved as 0

    Type(target, "32767");
    EXPECT_EQ(target->palette().color(QPalette::Base), normal);
    Type(target, "32768");
    EXPECT_NE(target->palette().color(QPalette::Base), normal);
    Type(target, "-32768");
    EXPECT_EQ(target->palette().color(QPalette::Base), normal);
    EXPECT_EQ(level().targetScore, "-32768");

    // A number followed by other characters keeps the number.
    QLineEdit* expert = ui().expertScoreField;
    Type(expert, "1x");
    EXPECT_EQ(expert->text(), "1");
    EXPECT_EQ(expert->palette().color(QPalette::Base), normal);
}

} // namespace
} // namespace kivo
