// What the controls and the File menu do.
#include "main_window.h"

#include "canvas.h"
#include "controls.h"
#include "level_step.h"

#include "construction/angles.h"
#include "construction/level_transform.h"
#include "construction/polygon.h"
#include "level/element_ops.h"
#include "level/shape_deletion.h"
#include "level/status_line.h"
#include "storage/level_file.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QUndoStack>

namespace kivo {

void MainWindow::Start() {
    ShowOutcome(ScanPacks(packs_, random_));
    ui_.sideButtons[0]->setChecked(true);
    sideCount_ = MIN_SIDE_COUNT;
    level_.smallestSideCount = NO_SHAPE_MINIMUM;
    level_.lastRotationAngle = 0.0f;
    Refresh();
}

void MainWindow::PlaceAt(QPoint content) {
    const Position at = PlacementPixels(content.x(), content.y());
    const Level before = level_;
    if (PlacePolygon(level_, random_, at.x, at.y, sideCount_) == PlaceResult::LevelFull) {
        ShowError(QString::fromLatin1(LEVEL_FULL_TEXT));
    }
    Record(QStringLiteral("Place polygon"), before, sliderPosition_);
    Refresh();
}

void MainWindow::DeleteNearest(QPoint content) {
    const Position at = ShapeSearchPixels(content.x(), content.y());
    const Level before = level_;
    DeleteShape(level_, NearestShape(level_, at.x, at.y));
    Record(QStringLiteral("Delete shape"), before, sliderPosition_);
    Refresh();
}

void MainWindow::SelectSideCount(int controlNumber) {
    ui_.sideButtons[size_t(controlNumber - FIRST_SIDE_BUTTON)]->setChecked(true);
    sideCount_ = uint8_t(controlNumber - SIDE_BUTTON_SIDES_OFFSET);
    Refresh();
}

void MainWindow::Clear() {
    if (!Ask(CLEAR_QUESTION)) {
        return;
    }
    const Level before = level_;
    ClearElements(level_);
    setWindowTitle(QString::fromLatin1(WINDOW_TITLE));
    shell_.currentFile.clear();
    level_.targetScore = DEFAULT_TARGET_SCORE;
    level_.expertScore = DEFAULT_EXPERT_SCORE;
    ShowScores();
    Record(QStringLiteral("Clear"), before, sliderPosition_);
    Refresh();
}

void MainWindow::Center() {
    const Level before = level_;
    CenterLevel(level_);
    Record(QStringLiteral("Center"), before, sliderPosition_);
    Refresh();
}

// While the thumb is dragged the level turns with it, and the whole drag becomes one step
// when it is let go; a keyboard or track step is a step of its own.
void MainWindow::Rotate(int position) {
    if (ui_.rotationSlider->isSliderDown()) {
        TurnTo(position);
        return;
    }
    const Level before = level_;
    const int sliderBefore = sliderPosition_;
    TurnTo(position);
    Record(QStringLiteral("Rotate"), before, sliderBefore);
}

void MainWindow::TurnTo(int position) {
    RotateLevel(level_, ToFloat(position));
    sliderPosition_ = position;
    Refresh();
}

void MainWindow::StartDrag() {
    dragStart_ = level_;
    dragSliderStart_ = sliderPosition_;
}

void MainWindow::EndDrag() {
    Record(QStringLiteral("Rotate"), dragStart_, dragSliderStart_);
}

void MainWindow::ChoosePack(int index) {
    if (index >= 0 && size_t(index) < packs_.panel.names.size()) {
        ShowPackDetails(packs_, packs_.panel.names[size_t(index)]);
        ShowPanel();
    }
}

void MainWindow::ApplyChange() {
    const PackPanel& panel = packs_.panel;
    const PackEdit edit{StoredPackText(ui_.packCombo->currentText(), panel.comboText),
                        StoredPackText(ui_.authorField->text(), panel.author),
                        StoredPackText(ui_.dateCreatedField->text(), panel.dateCreated)};
    ShowOutcome(ApplyPackChange(packs_, edit, random_));
}

void MainWindow::NewPack() {
    if (Ask(NEW_PACK_QUESTION)) {
        ShowOutcome(CreatePack(packs_, random_));
    }
}

void MainWindow::DeleteShownPack() {
    if (Ask(DELETE_PACK_QUESTION)) {
        ShowOutcome(DeletePack(packs_, random_));
    }
}

// A file that cannot be loaded leaves the level, the title and the file Save writes to as
// they were, so that a Save never writes the old level over the file that was refused.
void MainWindow::Load() {
    const QString previous = shell_.currentFile;
    shell_.currentFile = ChooseLevelFile(FileDialogKind::Open, LOAD_DIALOG_TITLE);
    if (shell_.currentFile.isEmpty()) {
        return;
    }
    const Level before = level_;
    const FileResult result = LoadLevel(level_, shell_.currentFile);
    if (!result.ok) {
        shell_.currentFile = previous;
        ShowError(result.message);
        return;
    }
    ShowScores();
    SetFileTitle();
    packs_.levelDir = FolderOf(shell_.currentFile);
    Record(QStringLiteral("Load"), before, sliderPosition_);
    Refresh();
}

void MainWindow::Save() {
    const QString previous = shell_.currentFile;
    if (shell_.currentFile.isEmpty()) {
        shell_.currentFile = ChooseLevelFile(FileDialogKind::Save, SAVE_DIALOG_TITLE);
        if (shell_.currentFile.isEmpty()) {
            return;
        }
    }
    SaveCurrentFile(previous);
}

void MainWindow::SaveAs() {
    const QString previous = shell_.currentFile;
    shell_.currentFile = ChooseLevelFile(FileDialogKind::Save, SAVE_AS_DIALOG_TITLE);
    if (shell_.currentFile.isEmpty()) {
        return;
    }
    if (SaveCurrentFile(previous)) {
        SetFileTitle();
    }
}

// Saves to currentFile with the level extension; a save that fails is reported and leaves
// currentFile and levelDir as they were before the command.
bool MainWindow::SaveCurrentFile(const QString& previous) {
    const QString path = WithLevelExtension(shell_.currentFile);
    const FileResult result = SaveLevel(level_, path);
    if (!result.ok) {
        shell_.currentFile = previous;
        ShowError(result.message);
        return false;
    }
    shell_.currentFile = path;
    packs_.levelDir = FolderOf(path);
    Refresh();
    return true;
}

void MainWindow::About() {
    dialogs_.tell(this, MessageKind::Information, QString::fromLatin1(ABOUT_TITLE),
                  QString::fromLatin1(ABOUT_TEXT));
}

void MainWindow::Exit() {
    if (Ask(EXIT_QUESTION)) {
        shell_.quitRequested = true;
        close();
    }
}

void MainWindow::ShowPanel() {
    const PackPanel& panel = packs_.panel;
    ui_.packCombo->clear();
    for (const std::string& name : panel.names) {
        ui_.packCombo->addItem(ShownPackText(name));
    }
    ui_.packCombo->setEditText(ShownPackText(panel.comboText));
    ui_.authorField->setText(ShownPackText(panel.author));
    ui_.dateCreatedField->setText(ShownPackText(panel.dateCreated));
    ui_.packIdLabel->setText(ShownPackText(panel.packId));
}

// The panel shows what the store now holds; then come the messages, errors first.
void MainWindow::ShowOutcome(const PackOutcome& outcome) {
    ShowPanel();
    for (const QString& error : outcome.errors) {
        ShowError(error);
    }
    if (!outcome.information.isEmpty()) {
        dialogs_.tell(this, MessageKind::Information, QString::fromLatin1(INFORMATION_TITLE),
                      outcome.information);
    }
}

// The dialogs open in levelDir; their answer goes straight into currentFile.
QString MainWindow::ChooseLevelFile(FileDialogKind kind, const char* title) {
    return dialogs_.chooseFile(this, kind, QString::fromLatin1(title), packs_.levelDir);
}

bool MainWindow::Ask(const char* question) {
    return dialogs_.confirm(this, QString::fromLatin1(CONFIRM_TITLE),
                            QString::fromLatin1(question));
}

void MainWindow::ShowScores() {
    ui_.targetScoreField->setText(QString::fromStdString(level_.targetScore));
    ui_.expertScoreField->setText(QString::fromStdString(level_.expertScore));
}

void MainWindow::ShowError(const QString& text) {
    dialogs_.tell(this, MessageKind::Error, QString::fromLatin1(ERROR_TITLE), text);
}

void MainWindow::SetFileTitle() {
    setWindowTitle(QString::fromLatin1(FILE_TITLE_PREFIX) +
                   QDir::toNativeSeparators(shell_.currentFile));
}

void MainWindow::Record(const QString& text, const Level& before, int sliderBefore) {
    LevelChange change = DiffLevels(before, level_);
    if (!IsEmpty(change)) {
        history_->push(new LevelStep(text, std::move(change), level_, sliderBefore, sliderPosition_,
                                     [this](int slider) { ShowHistoryState(slider); }));
    }
}

void MainWindow::ShowHistoryState(int slider) {
    const QSignalBlocker quiet(ui_.rotationSlider);
    ui_.rotationSlider->setValue(slider);
    sliderPosition_ = slider;
    ShowScores();
    Refresh();
}

void MainWindow::Refresh() {
    ui_.canvas->update();
    if (const std::optional<std::string> text = UpdateStatusLine(level_)) {
        ui_.statusField->setText(QString::fromStdString(*text));
    }
}

} // namespace kivo
