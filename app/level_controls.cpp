// What the canvas, the level buttons, the slider and the score fields do: each sends the
// level document a verb, and the window shows what the document then holds.
#include "main_window.h"

#include "canvas.h"
#include "captions_and_numbers.h"

#include "level/frames.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>

namespace kivo {

void MainWindow::PlaceAt(QPointF figure) {
    const Position at = PlacementPixels(figure.x(), figure.y());
    if (session_.level().Place(at.x, at.y, sideCount_) == PlaceResult::LevelFull) {
        ShowError(QString::fromLatin1(LEVEL_FULL_TEXT));
    }
}

void MainWindow::DeleteNearest(QPointF figure) {
    const Position at = ShapeSearchPixels(figure.x(), figure.y());
    session_.level().DeleteNearest(at.x, at.y);
}

// A visit of a score field, from taking the keyboard until giving it up or Enter, is one step
// of the history however many keys are typed; the field's own signals would miss Enter on a
// score that cannot be saved yet.
bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui_.targetScoreField || watched == ui_.expertScoreField) {
        const QEvent::Type type = event->type();
        const bool enter =
            type == QEvent::KeyPress && (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Return ||
                                         static_cast<QKeyEvent*>(event)->key() == Qt::Key_Enter);
        if (type == QEvent::FocusIn || type == QEvent::FocusOut || enter) {
            session_.level().EndScoreTyping();
        }
    }
    return QMainWindow::eventFilter(watched, event);
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

// An undo or redo moves the thumb without turning the level again, so the slider is quiet
// and the angle is shown here.
void MainWindow::ShowSlider(int position) {
    const QSignalBlocker quiet(ui_.rotationSlider);
    ui_.rotationSlider->setValue(position);
    ShowAngle(ui_.rotationSlider->value());
}

// The angle stands beside the slider, and in its tooltip.
void MainWindow::ShowAngle(int degrees) {
    const QString text = QStringLiteral("%1\u00b0").arg(degrees);
    ui_.rotationAngle->setText(text);
    ui_.rotationSlider->setToolTip(text);
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
