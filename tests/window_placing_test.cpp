// The window as a designer first meets it, and placing, deleting, centring and turning, each
// a step of the history.
#include "window_fixture.h"

#include <QAccessible>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QStyleFactory>

#include <cmath>

namespace kivo {
namespace {

// A first start lays out the window, announces and shows the pack it creates, and gives
// assistive technology every control's visible text, with a description where the text alone
// does not say which field it is. The widest texts fit their fields at the fields' own fonts.
TEST_F(Window, TheWindowAsADesignerFirstMeetsIt) {
    EXPECT_EQ(Title(), "KIVO Level Editor V1.0");
    EXPECT_EQ(window->size(), QSize(640, 480));
    const std::vector<std::pair<QWidget*, QRect>> placed{
        {ui().rotationSlider, {25, 2, 360, 19}},   {ui().clearButton, {25, 35, 88, 19}},
        {ui().targetScoreField, {85, 95, 40, 19}}, {ui().sideButtons[0], {420, 2, 19, 19}},
        {ui().sideButtons[9], {618, 2, 19, 19}},   {ui().canvas, {141, 23, 500, 414}},
        {ui().packPanel, {0, 169, 140, 268}}};
    for (const auto& [widget, geometry] : placed) {
        EXPECT_EQ(widget->geometry(), geometry) << widget->objectName().toStdString();
    }
    QStringList fields; // the status bar's
    for (const QLabel* field : window->statusBar()->findChildren<QLabel*>()) {
        fields << QString("%1+%2").arg(field->x()).arg(field->width());
    }
    EXPECT_EQ(fields.join(' '), "0+141 141+350 491+150");
    // The panel's children stand inside its sunken edge.
    const QPoint inner = ui().packPanel->contentsRect().topLeft();
    EXPECT_EQ(inner, QPoint(1, 1));
    EXPECT_EQ(ui().deletePackButton->geometry().translated(-inner), QRect(25, 241, 88, 19));
    EXPECT_EQ(ui().canvas->mapTo(window.get(), QPoint(0, 0)).y(), window->menuBar()->height() + 23);
    EXPECT_EQ(ui().clearButton->text() + ui().centerButton->text(), "Clear KIVOCenter KIVO");
    EXPECT_EQ(ui().rotationSlider->maximum(), 360);
    EXPECT_FALSE(ui().packIdLabel->isEnabled());
    EXPECT_TRUE(ui().sideButtons[0]->isChecked());
    QStringList items;
    for (QAction* menu : window->menuBar()->actions()) {
        items << menu->text() + ":";
        for (QAction* a : menu->menu()->actions()) {
            items << (a->isSeparator() ? "-"
                                       : a->text() + "=" + a->property("menuItem").toString() +
                                             QKeySequence::listToString(a->shortcuts()));
        }
    }
    EXPECT_EQ(items.join(' '),
              "File: &Load...=8Ctrl+O Save=9Ctrl+S Save As...=10Ctrl+Shift+S - About=11 - Exit=12 "
              "Edit: Undo=Ctrl+Z Redo=Ctrl+Shift+Z; Ctrl+Y View: Placement Preview= - Zoom "
              "In=Ctrl++; Ctrl+= Zoom Out=Ctrl+- Actual Size=Ctrl+0 Fit Level=Ctrl+9 - Level "
              "History= Pack History= Pack: Level "
              "Overview\u2026=Ctrl+L");

    EXPECT_EQ(answers.told,
              QStringList{"Information|Pack Created, please select and edit Pack Details"});
    EXPECT_TRUE(ui().packCombo->lineEdit()->hasFocus()); // the new pack's name, ready to type
    EXPECT_EQ(ui().packCombo->currentText() + ui().authorField->text() +
                  ui().dateCreatedField->text() + ui().packIdLabel->text(),
              "New PackNew AuthorWhen?" +
                  QString::fromStdString(window->packs().packs()[0].packId));

    ClickCanvas({188, 60});
    auto spoken = [](QWidget* w) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        return a->text(QAccessible::Name) + "|" + a->text(QAccessible::Value) + "|" +
               a->text(QAccessible::Description);
    };
    EXPECT_EQ(spoken(ui().statusField), "3" + SOLVABLE + "||Status");
    EXPECT_EQ(spoken(ui().packIdLabel), ui().packIdLabel->text() + "||Pack ID (Unique)");
    EXPECT_EQ(spoken(ui().targetScoreField), "Target Score :|100|Target Score");
    EXPECT_EQ(spoken(ui().packCombo), "New Pack|New Pack|Current Pack");
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (w->property("control").isValid()) {
            EXPECT_FALSE(spoken(w).remove('|').isEmpty()) << w->objectName().toStdString();
        }
    }

    auto fits = [](const QWidget* w, const QString& text, int room) {
        return w->fontMetrics().horizontalAdvance(text) <= room;
    };
    const auto* idCaption = ui().packPanel->findChildren<QLabel*>()[3];
    ASSERT_EQ(idCaption->text(), "Pack ID (Unique) :");
    EXPECT_TRUE(fits(idCaption, idCaption->text(), idCaption->contentsRect().width()));
    QLineEdit* score = ui().targetScoreField; // as wide as the expert score field
    Type(score, "-32768");
    const int frame = score->style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
    EXPECT_TRUE(fits(score, score->text(), score->width() - 2 * frame - 4));
    const QString verdict = " 1000 Connectors ::  This KIVO can not be solved in Classic Mode";
    EXPECT_TRUE(fits(ui().statusField, verdict, ui().statusField->contentsRect().width()));

    // The pressed side-count button stands out in every style.
    Click(ui().sideButtons[5]);
    for (const QString& key : QStyleFactory::keys()) {
        std::unique_ptr<QStyle> style(QStyleFactory::create(key));
        QRgb face[2]; // the middle of the top of the pressed button and of the next one
        for (int k : {0, 1}) {
            QPushButton* button = ui().sideButtons[size_t(5 + k)];
            button->setStyle(style.get());
            face[k] = button->grab().toImage().pixel(9, 3);
            button->setStyle(nullptr);
        }
        const int difference = std::abs(qRed(face[0]) - qRed(face[1])) +
                               std::abs(qGreen(face[0]) - qGreen(face[1])) +
                               std::abs(qBlue(face[0]) - qBlue(face[1]));
        EXPECT_GT(difference, 150) << key.toStdString();
    }
}

// Left clicks place polygons of the chosen side count once, a double click included; Center
// moves the level, and a full level refuses a placement with a message.
TEST_F(Window, ClicksAndButtonsPlaceDeleteAndCenterPolygons) {
    ClickCanvas({188, 60}); // level pixels (200, 100)
    ASSERT_EQ(level().points.size(), 3u);
    EXPECT_EQ(level().points[0].x, 11.5f);
    // Corners at content (218, 60), (203, 86), (188, 60): sides, centre dot and crosshair.
    const QImage image = ui().canvas->grab().toImage();
    const QColor side(55, 55, 55), dot(255, 55, 55), arm(185, 185, 185);
    const std::vector<std::pair<QPoint, QColor>> pixels{
        {{203, 60}, side},      {{218, 60}, side}, {{203, 69}, dot},       {{205, 69}, dot},
        {{203, 75}, Qt::white}, {{390, 215}, arm}, {{390, 230}, Qt::white}};
    for (const auto& [at, colour] : pixels) {
        EXPECT_EQ(image.pixelColor(at - ui().canvas->pos()), colour) << at.x() << "," << at.y();
    }

    Click(ui().sideButtons[3]);
    Click(ui().sideButtons[3]); // pressing it again keeps it
    EXPECT_TRUE(ui().sideButtons[3]->isChecked());
    EXPECT_FALSE(ui().sideButtons[0]->isChecked());
    // What the platform delivers for a double click: press, release, press, double click,
    // release, all at one spot.
    Canvas* canvas = ui().canvas;
    const QPoint at(160, 177);
    QTest::mouseClick(canvas, Qt::LeftButton, Qt::NoModifier, at);
    QTest::mousePress(canvas, Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseDClick(canvas, Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseRelease(canvas, Qt::LeftButton, Qt::NoModifier, at);
    ASSERT_EQ(level().shapes.size(), 2u);
    EXPECT_EQ(level().shapes[1].entryCount, 7.0f);

    ClearYes();
    ClickCanvas({188, 60});
    Click(ui().centerButton);
    EXPECT_NEAR(double(level().points[0].x) * 20.0, 417.0, 0.001);

    // A placement on a full level is refused with a message: 32,763 points far from each other
    // leave ids for no more than a triangle's 6 elements.
    QByteArray full = Word(32763);
    for (int i = 0; i < 32763; ++i) {
        full += Word(i) + Float(100.0f + float(i % 200)) + Float(100.0f + float(i / 200));
    }
    ASSERT_TRUE(Write(File("full.kvo"), full + Word(0) + Word(-1) + Word(100) + Word(200)));
    answers.choices = {1}; // the unsaved level is discarded
    Load("full.kvo");
    ClickCanvas({300, 200});
    ASSERT_EQ(answers.errors.size(), 1);
    EXPECT_TRUE(answers.errors[0].contains("The level is full"));
    EXPECT_TRUE(level().shapes.empty());
}

// The slider turns the level about the canvas centre by the difference to the last angle; a
// drag is one step, and undo and redo put the slider and its angle back. The last thousand
// steps are kept.
TEST_F(Window, ASliderDragTurnsTheLevelInOneStepAndItsUndoPutsTheSliderBack) {
    ClickCanvas({360, 230}); // a triangle from level pixels (372, 270) about the canvas centre
    QSlider* slider = ui().rotationSlider;
    const Level start = level();
    slider->setSliderDown(true);
    for (int v = 1; v <= 90; ++v) {
        slider->setValue(v);
    }
    slider->setSliderDown(false);
    EXPECT_NEAR(double(level().points[2].x) * 20.0, 402.0, 0.001);
    EXPECT_NEAR(double(level().points[2].y) * 30.0, 240.0, 0.001);
    EXPECT_EQ(Steps(), 2);
    Undo();
    EXPECT_EQ(level(), start);
    EXPECT_EQ(slider->value(), 0);
    slider->setValue(10); // turns by 10 from the restored angle
    EXPECT_EQ(level().lastRotationAngle, 10.0f);
    // Turns by key that follow each other are one step with that turn.
    slider->setFocus();
    Press(slider, Qt::Key_Right, 5);
    EXPECT_EQ(Steps(), 2);
    Undo(); // the angle beside the slider and its tooltip follow the slider
    EXPECT_EQ(slider->value(), 0);
    EXPECT_EQ(ui().rotationAngle->text() + slider->toolTip(), "0\u00b00\u00b0");
    EXPECT_EQ(EncodeLevel(level()).bytes, EncodeLevel(start).bytes);
    Redo();
    EXPECT_EQ(slider->value(), 15);
    EXPECT_EQ(ui().rotationAngle->text(), "15\u00b0");
    EXPECT_EQ(level().lastRotationAngle, 15.0f);
    // Keys typed into the two score fields in turn are steps of their own.
    for (int k = 0; k < UNDO_LIMIT; ++k) {
        QLineEdit* field = k % 2 == 0 ? ui().targetScoreField : ui().expertScoreField;
        QTest::keyClick(field, k % 4 < 2 ? Qt::Key_1 : Qt::Key_Backspace);
    }
    EXPECT_EQ(Steps(), UNDO_LIMIT);
}

} // namespace
} // namespace kivo
