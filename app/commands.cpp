// What the controls and the File menu do.
#include "main_window.h"

#include "canvas.h"
#include "captions_and_numbers.h"

#include "construction/angles.h"
#include "construction/level_transform.h"
#include "construction/polygon.h"
#include "level/element_ops.h"
#include "level/shape_deletion.h"
#include "level/status_line.h"
#include "storage/level_file.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QTimer>
#include <QUndoStack>

#include <set>

namespace kivo {

void MainWindow::Start() {
    ShowOutcome(ScanPacks(packs_, random_));
    ui_.sideButtons[0]->setChecked(true);
    sideCount_ = MIN_SIDE_COUNT;
    level_.smallestSideCount = NO_SHAPE_MINIMUM;
    level_.lastRotationAngle = 0.0f;
    Refresh();
    OfferRecovery();
}

void MainWindow::PlaceAt(QPoint content) {
    const Position at = PlacementPixels(content.x(), content.y());
    Edit(QStringLiteral("Place polygon"), [&] {
        if (PlacePolygon(level_, random_, at.x, at.y, sideCount_) == PlaceResult::LevelFull) {
            ShowError(QString::fromLatin1(LEVEL_FULL_TEXT));
        }
    });
}

void MainWindow::DeleteNearest(QPoint content) {
    const Position at = ShapeSearchPixels(content.x(), content.y());
    Edit(QStringLiteral("Delete shape"),
         [&] { DeleteShape(level_, NearestShape(level_, at.x, at.y)); });
}

void MainWindow::SelectSideCount(int controlNumber) {
    ui_.sideButtons[size_t(controlNumber - FIRST_SIDE_BUTTON)]->setChecked(true);
    sideCount_ = uint8_t(controlNumber - SIDE_BUTTON_SIDES_OFFSET);
    Refresh();
}

void MainWindow::Clear() {
    if (!Ask(QString::fromLatin1(CLEAR_QUESTION))) {
        return;
    }
    Edit(QStringLiteral("Clear"), [this] {
        ClearElements(level_);
        shell_.titleFile.clear();
        shell_.currentFile.clear();
        level_.targetScore = DEFAULT_TARGET_SCORE;
        level_.expertScore = DEFAULT_EXPERT_SCORE;
        ShowTitle();
        ShowScores();
    });
}

void MainWindow::Center() {
    Edit(QStringLiteral("Center"), [this] { CenterLevel(level_); });
}

// While the thumb is dragged the level turns with it, and the whole drag becomes one step
// when it is let go; a keyboard or track step is a step of its own.
void MainWindow::Rotate(int position) {
    if (ui_.rotationSlider->isSliderDown()) {
        TurnTo(position);
        return;
    }
    Edit(QStringLiteral("Rotate"), [&] { TurnTo(position); });
}

void MainWindow::TurnTo(int position) {
    RotateLevel(level_, ToFloat(position));
    sliderPosition_ = position;
    Refresh();
}

void MainWindow::StartDrag() {
    dragStart_ = level_;
    dragView_ = View();
}

void MainWindow::EndDrag() {
    Record(QStringLiteral("Rotate"), dragStart_, dragView_);
}

// Each change of a score's text is a step, so that it marks the level unsaved and Undo takes
// it back.
void MainWindow::EditScore(std::string Level::*score, const QString& text) {
    Edit(QStringLiteral("Edit score"), [&] { level_.*score = text.toStdString(); });
}

// The entry's own pack is shown, also when other packs have the same name.
void MainWindow::ChoosePack(int index) {
    if (index < 0 || size_t(index) >= packs_.packs.size()) {
        return;
    }
    const std::string before = packs_.shownDir;
    ShowPackDetails(packs_, size_t(index));
    ShowPanel();
    if (packs_.shownDir != before) {
        emit shownPackChanged();
    }
}

void MainWindow::ApplyChange() {
    const PackPanel& panel = packs_.panel;
    const PackEdit edit{StoredPackText(ui_.packCombo->currentText(), panel.comboText),
                        StoredPackText(ui_.authorField->text(), panel.author),
                        StoredPackText(ui_.dateCreatedField->text(), panel.dateCreated)};
    ShowOutcome(ApplyPackChange(packs_, edit, random_));
}

// The pack that was made is the one shown, ready for its details.
void MainWindow::NewPack() {
    if (!Ask(QString::fromLatin1(NEW_PACK_QUESTION))) {
        return;
    }
    std::set<std::string> before;
    for (const PackInfo& pack : packs_.packs) {
        before.insert(pack.levelsPath);
    }
    const PackOutcome outcome = CreatePack(packs_, random_);
    for (size_t i = 0; i < packs_.packs.size(); ++i) {
        if (before.count(packs_.packs[i].levelsPath) == 0) {
            ShowPackDetails(packs_, i);
        }
    }
    ShowOutcome(outcome);
}

// The question names the pack that would go, below its own words.
void MainWindow::DeleteShownPack() {
    const QString pack = QStringLiteral("\n\n\"%1\"\n%2")
                             .arg(ShownPackText(packs_.panel.comboText),
                                  QDir::toNativeSeparators(QFile::decodeName(
                                      QByteArray::fromStdString(packs_.shownDir))));
    if (Ask(QString::fromLatin1(DELETE_PACK_QUESTION) + pack)) {
        ShowOutcome(DeletePack(packs_, random_));
    }
}

// The dialog's answer goes into currentFile, so a cancelled dialog leaves it empty.
void MainWindow::Load() {
    const QString path = ChooseLevelFile(FileDialogKind::Open, LOAD_DIALOG_TITLE);
    if (path.isEmpty()) {
        shell_.currentFile.clear();
        return;
    }
    OpenLevelFile(path);
}

// A file that cannot be loaded leaves the level, the title and the file Save writes to as
// they were, so that a Save never writes the old level over the file that was refused.
bool MainWindow::OpenLevelFile(const QString& path) {
    FileResult result;
    Edit(QStringLiteral("Load"), [&] {
        result = LoadLevel(level_, path);
        if (result.ok) {
            shell_.currentFile = path;
            shell_.titleFile = path;
            ShowScores();
            ShowTitle();
        }
    });
    if (!result.ok) {
        ShowError(result.message);
        return false;
    }
    packs_.levelDir = FolderOf(path);
    history_->setClean();
    return true;
}

// A Save that had to ask for a name names the chosen file in the title, as Save As does, so
// the title always names the file a later Save writes to.
void MainWindow::Save() {
    if (!shell_.currentFile.isEmpty()) {
        SaveTo(WithLevelExtension(shell_.currentFile));
        return;
    }
    const QString path = ChooseLevelFile(FileDialogKind::Save, SAVE_DIALOG_TITLE);
    if (!path.isEmpty()) {
        SaveLevelFile(path);
    }
}

void MainWindow::SaveAs() {
    const QString path = ChooseLevelFile(FileDialogKind::Save, SAVE_AS_DIALOG_TITLE);
    if (path.isEmpty()) {
        shell_.currentFile.clear();
        return;
    }
    SaveLevelFile(path);
}

bool MainWindow::SaveLevelFile(const QString& path) {
    if (!SaveTo(WithLevelExtension(path))) {
        return false;
    }
    shell_.titleFile = shell_.currentFile;
    ShowTitle();
    return true;
}

// A save that fails is reported and leaves currentFile and levelDir as they were.
bool MainWindow::SaveTo(const QString& path) {
    const FileResult result = SaveLevel(level_, path);
    if (!result.ok) {
        ShowError(result.message);
        return false;
    }
    shell_.currentFile = path;
    packs_.levelDir = FolderOf(path);
    history_->setClean();
    Refresh();
    emit levelFileSaved(path);
    return true;
}

void MainWindow::About() {
    dialogs_.tell(this, MessageKind::Information, QString::fromLatin1(ABOUT_TITLE),
                  QString::fromLatin1(ABOUT_TEXT));
}

void MainWindow::Exit() {
    if (Ask(QString::fromLatin1(EXIT_QUESTION))) {
        exitConfirmed_ = true;
        close();
    }
}

// The close box asks Exit's question when closing would lose unsaved changes.
void MainWindow::closeEvent(QCloseEvent* event) {
    if (!exitConfirmed_ && isWindowModified() && !Ask(QString::fromLatin1(EXIT_QUESTION))) {
        event->ignore();
        return;
    }
    DropRecovery();
    recoveryWriter_.waitForDone();
    event->accept();
}

// The list is filled anew only when the packs' names changed, so that choosing a pack keeps
// the list's entries and its current entry.
void MainWindow::ShowPanel() {
    const PackPanel& panel = packs_.panel;
    const QSignalBlocker quiet(ui_.packCombo);
    QStringList names;
    for (const std::string& name : panel.names) {
        names << ShownPackText(name);
    }
    QStringList listed;
    for (int i = 0; i < ui_.packCombo->count(); ++i) {
        listed << ui_.packCombo->itemText(i);
    }
    if (listed != names) {
        ui_.packCombo->clear();
        ui_.packCombo->addItems(names);
    }
    ui_.packCombo->setCurrentIndex(ShownPackIndex(packs_));
    ui_.packCombo->setEditText(ShownPackText(panel.comboText));
    ui_.authorField->setText(ShownPackText(panel.author));
    ui_.dateCreatedField->setText(ShownPackText(panel.dateCreated));
    ui_.packIdLabel->setText(ShownPackText(panel.packId));
}

// The panel shows what the store now holds; then come the messages, errors first. With no
// pack shown, the level dialogs no longer open in a pack folder that may be gone.
void MainWindow::ShowOutcome(const PackOutcome& outcome) {
    if (packs_.shownDir.empty() && !QFileInfo(packs_.levelDir).isDir()) {
        packs_.levelDir = shell_.baseDir;
    }
    ShowPanel();
    emit shownPackChanged();
    for (const QString& error : outcome.errors) {
        ShowError(error);
    }
    if (!outcome.information.isEmpty()) {
        dialogs_.tell(this, MessageKind::Information, QString::fromLatin1(INFORMATION_TITLE),
                      outcome.information);
    }
}

// The dialogs open in levelDir.
QString MainWindow::ChooseLevelFile(FileDialogKind kind, const char* title) {
    return dialogs_.chooseFile(this, kind, QString::fromLatin1(title), packs_.levelDir);
}

bool MainWindow::Ask(const QString& question) {
    return dialogs_.confirm(this, QString::fromLatin1(CONFIRM_TITLE), question);
}

void MainWindow::ShowScores() {
    ui_.targetScoreField->setText(QString::fromStdString(level_.targetScore));
    ui_.expertScoreField->setText(QString::fromStdString(level_.expertScore));
}

void MainWindow::ShowError(const QString& text) {
    dialogs_.tell(this, MessageKind::Error, QString::fromLatin1(ERROR_TITLE), text);
}

// "[*]" shows the unsaved-changes mark where the platform puts it.
void MainWindow::ShowTitle() {
    const QString title =
        shell_.titleFile.isEmpty()
            ? QString::fromLatin1(WINDOW_TITLE)
            : QString::fromLatin1(FILE_TITLE_PREFIX) + QDir::toNativeSeparators(shell_.titleFile);
    setWindowTitle(title + QStringLiteral("[*]"));
}

ShellView MainWindow::View() const {
    return {sliderPosition_, shell_.currentFile, shell_.titleFile};
}

void MainWindow::Record(const QString& text, const Level& before, const ShellView& view) {
    const ShellView now = View();
    LevelChange change = DiffLevels(before, level_);
    if (!IsEmpty(change) || FilesDiffer(view, now)) {
        history_->push(new LevelStep(
            text, std::move(change), level_, view, now,
            [this](const ShellView& shown, bool files) { ShowHistoryState(shown, files); }));
    }
}

void MainWindow::ShowHistoryState(const ShellView& view, bool files) {
    const QSignalBlocker quiet(ui_.rotationSlider);
    ui_.rotationSlider->setValue(view.slider);
    sliderPosition_ = view.slider;
    if (files) {
        shell_.currentFile = view.currentFile;
        shell_.titleFile = view.titleFile;
        ShowTitle();
    }
    ShowScores();
    Refresh();
}

void MainWindow::Refresh() {
    ui_.canvas->update();
    if (const std::optional<std::string> text = UpdateStatusLine(level_)) {
        ui_.statusField->setText(QString::fromStdString(*text));
    }
}

// A copy is written a moment after a change, on the writer's thread: a burst of clicks costs
// one write, and no click waits for one.
void MainWindow::ScheduleRecovery() {
    if (recovery_.lock && !history_->isClean() && !recoveryTimer_->isActive()) {
        recoveryTimer_->start();
    }
}

void MainWindow::WriteRecovery() {
    if (history_->isClean()) {
        return;
    }
    recoveryWriter_.start([files = recovery_.files, level = level_, name = shell_.currentFile] {
        WriteRecoveryCopy(files, level, name);
    });
}

void MainWindow::DropRecovery() {
    recoveryTimer_->stop();
    if (recovery_.lock) {
        recoveryWriter_.start([files = recovery_.files] { RemoveRecoveryCopy(files); });
    }
}

// Restoring brings back the level and its file name, marked unsaved.
void MainWindow::OfferRecovery() {
    const std::optional<RecoveryCopy> copy = FindRecoveryCopy(recovery_);
    if (!copy) {
        return;
    }
    const QString named =
        copy->fileName.isEmpty()
            ? QString()
            : QStringLiteral(" for %1").arg(QDir::toNativeSeparators(copy->fileName));
    const QString text = QString::fromLatin1(RECOVERY_TEXT)
                             .arg(named, QLocale().toString(copy->written, QLocale::LongFormat));
    const int choice =
        dialogs_.choose(this, QString::fromLatin1(ERROR_TITLE), text,
                        {QString::fromLatin1(RESTORE_CHOICE), QString::fromLatin1(DISCARD_CHOICE)});
    if (choice == 1) {
        RemoveRecoveryCopy(recovery_.files);
        return;
    }
    if (choice != 0) {
        // Unanswered: the copy waits for the next start, and this editor keeps its own.
        recovery_ = ClaimRecoverySlot(shell_.recoveryDir, RecoverySlotKind::Free);
        return;
    }
    FileResult result;
    Edit(QStringLiteral("Restore"), [&] {
        result = LoadLevel(level_, recovery_.files.levelPath);
        if (result.ok) {
            shell_.currentFile = copy->fileName;
            shell_.titleFile = copy->fileName;
            ShowScores();
            ShowTitle();
        }
    });
    if (!result.ok) {
        ShowError(result.message);
    }
}

} // namespace kivo
