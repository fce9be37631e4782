// What the canvas, the level buttons, the slider and the score fields do: each sends the
// level document a verb, and the window shows what the document then holds.
#include "main_window.h"

#include "canvas.h"
#include "captions_and_numbers.h"

#include "level/frames.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>

namespace kivo {

void MainWindow::PlaceAt(QPoint content) {
    const Position at = PlacementPixels(content.x(), content.y());
    if (session_.level().Place(at.x, at.y, sideCount_) == PlaceResult::LevelFull) {
        ShowError(QString::fromLatin1(LEVEL_FULL_TEXT));
    }
}

void MainWindow::DeleteNearest(QPoint content) {
    const Position at = ShapeSearchPixels(content.x(), content.y());
    session_.level().DeleteNearest(at.x, at.y);
}

void MainWindow::SelectSideCount(int controlNumber) {
    ui_.sideButtons[size_t(controlNumber - FIRST_SIDE_BUTTON)]->setChecked(true);
    sideCount_ = uint8_t(controlNumber - SIDE_BUTTON_SIDES_OFFSET);
    Refresh();
}

void MainWindow::Clear() {
    if (Ask(QString::fromLatin1(CLEAR_QUESTION))) {
        session_.level().Clear();
    }
}

// While the thumb is dragged the level turns with it, and the whole drag becomes one step
// when it is let go; turns by key or wheel that follow each other become one step.
void MainWindow::Rotate(int position) {
    if (ui_.rotationSlider->isSliderDown()) {
        session_.level().DragTo(position);
    } else {
        session_.level().TurnTo(position);
    }
}

// A field being typed into keeps its cursor: only a text that differs is set.
void MainWindow::ShowScores() {
    const Level& shown = level();
    for (auto [field, text] : {std::pair{ui_.targetScoreField, &shown.targetScore},
                               std::pair{ui_.expertScoreField, &shown.expertScore}}) {
        const QString score = QString::fromStdString(*text);
        if (field->text() != score) {
            field->setText(score);
        }
    }
}

void MainWindow::ShowSlider(int position) {
    const QSignalBlocker quiet(ui_.rotationSlider);
    ui_.rotationSlider->setValue(position);
}

// "[*]" shows the unsaved-changes mark where the platform puts it.
void MainWindow::ShowTitle() {
    setWindowTitle(session_.level().Title() + QStringLiteral("[*]"));
}

void MainWindow::Refresh() {
    ui_.canvas->update();
    ui_.statusField->setText(QString::fromStdString(session_.level().statusText()));
    ShowScores();
}

} // namespace kivo
