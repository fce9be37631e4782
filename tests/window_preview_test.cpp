// Seeing what a click will do before it is made, and working the window from the keyboard:
// the placement preview, the canvas cursor, what the slider and the side-count buttons tell
// assistive technology, and score fields that take only what a level file holds.
#include "window_fixture.h"

#include <QAccessible>
#include <QImage>

namespace kivo {
namespace {

// The corners a placement preview draws for the last shape placed: its outline without the
// repeated first corner, to whole pixels, as the shape frame rounds.
QPolygon LastCorners(const Level& level) {
    QPolygonF outline = ContentOutline(level.shapes.back());
    outline.removeLast();
    return outline.toPolygon();
}

// The preview is drawn while the pointer is on the canvas, in colours of its own; it goes when
// the pointer leaves and when the View menu turns it off, and a click then places all the same.
TEST_F(Window, ThePreviewIsDrawnWhileThePointerIsOnTheCanvasAndTheViewMenuHasItOn) {
    Canvas* canvas = ui().canvas;
    const QImage bare = canvas->grab().toImage();
    const QPoint at(300, 200);
    Click(ui().sideButtons[3]);
    ClickCanvas(at);
    // Off the new hexagon the preview adds one, and marks the hexagon a right click takes.
    QTest::mouseMove(canvas, QPoint(5, 5));
    const PlacementPreview shown = canvas->preview();
    EXPECT_FALSE(shown.cursor.has_value()); // the keys have not taken the canvas
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
    const QImage left = canvas->grab().toImage();
    QTest::mouseMove(canvas, at - canvas->pos());
    ui().placementPreviewItem->trigger();
    EXPECT_TRUE(canvas->preview().placed.isEmpty());
    EXPECT_EQ(canvas->grab().toImage(), left);
    ui().placementPreviewItem->trigger();
    const PlacementPreview onAt = canvas->preview();
    EXPECT_FALSE(onAt.placed.isEmpty());
    ui().placementPreviewItem->trigger(); // off again for the click
    ClickCanvas(at);
    ASSERT_EQ(level().shapes.size(), 2u);
    EXPECT_EQ(onAt.placed.toPolygon(), LastCorners(level()));
    EXPECT_EQ(Steps(), 2); // looking is no step
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

    Press(canvas, Qt::Key_Right, 4);
    QTest::keyClick(canvas, Qt::Key_Down, Qt::ShiftModifier);
    const PlacementPreview shown = canvas->preview();
    EXPECT_EQ(shown.cursor, QPoint(410, 231));
    ASSERT_EQ(shown.placed.size(), 3);
    EXPECT_EQ(shown.placed[0], QPointF(440, 231)); // a free triangle's first corner
    QTest::keyClick(canvas, Qt::Key_Return);
    ASSERT_EQ(level().shapes.size(), 1u);
    EXPECT_EQ(shown.placed.toPolygon(), LastCorners(level()));
    Press(canvas, Qt::Key_Up, 6);
    QTest::keyClick(canvas, Qt::Key_Enter);
    EXPECT_EQ(level().shapes.size(), 2u);
    QTest::keyClick(canvas, Qt::Key_Delete);
    EXPECT_EQ(level().shapes.size(), 1u);

    // The cursor stays inside the canvas however far the keys push it.
    Press(canvas, Qt::Key_Left, 120);
    EXPECT_EQ(canvas->cursorPosition().x(), canvas->x() + canvas->contentsRect().left());

    // Leaving the canvas by Tab takes the cursor and the preview away.
    QTest::keyClick(canvas, Qt::Key_Tab);
    EXPECT_FALSE(canvas->preview().cursor.has_value());
    EXPECT_TRUE(canvas->preview().placed.isEmpty());
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
    Press(slider, Qt::Key_Right, 3);
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
    QTest::keyClick(target, Qt::Key_End);
    Press(target, Qt::Key_Backspace, 6);
    EXPECT_NE(target->palette().color(QPalette::Base), normal);

    Type(ui().expertScoreField, "1x"); // the expert field too: a number keeps, the rest goes
    EXPECT_EQ(ui().expertScoreField->text(), "1");
}

// Typing into a score field is one step of the history per visit of the field: from taking
// the keyboard until giving it up or Enter. Each undo takes back one visit's typing.
TEST_F(Window, TypingAScoreIsOneStepPerVisitOfTheField) {
    QLineEdit* target = ui().targetScoreField;
    Type(target, "1234");
    EXPECT_EQ(Steps(), 1);
    QTest::keyClick(target, Qt::Key_Tab); // the keyboard goes to the next control
    ASSERT_FALSE(target->hasFocus());
    Type(target, "77");
    EXPECT_EQ(Steps(), 2);
    QTest::keyClick(target, Qt::Key_Return);
    QTest::keyClicks(target, "8");
    EXPECT_EQ(Steps(), 3);
    Type(ui().expertScoreField, "5");
    EXPECT_EQ(Steps(), 4);
    ui().clearButton->setFocus();
    QStringList undone;
    for (int k = 0; k < 4; ++k) {
        undone << target->text() + "|" + ui().expertScoreField->text();
        Undo();
    }
    undone << target->text() + "|" + ui().expertScoreField->text();
    EXPECT_EQ(undone, (QStringList{"778|5", "778|200", "77|200", "1234|200", "100|200"}));
}

// The first shape of a loaded level has id 0, which is also what the nearest-shape search
// answers for none: the preview marks it all the same, and a right click deletes it.
TEST_F(Window, ThePreviewMarksTheShapeWithIdZero) {
    ClickCanvas({300, 200});
    SaveAs("one.kvo");
    Load("one.kvo");
    ASSERT_EQ(level().shapes.size(), 1u);
    ASSERT_EQ(level().shapes[0].id, 0);
    Canvas* canvas = ui().canvas;
    QTest::mouseMove(canvas, QPoint(300, 200) - canvas->pos());
    EXPECT_EQ(canvas->preview().deleted, ContentOutline(level().shapes[0]));
    ClickCanvas({300, 200}, Qt::RightButton);
    EXPECT_TRUE(level().shapes.empty());
}

} // namespace
} // namespace kivo
