// The File menu, the start and the end: files are read and written by the level document;
// the window asks for names and answers, and reports what could not be done.
#include "main_window.h"

#include "captions_and_numbers.h"

#include "storage/level/level_file.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QPushButton>

namespace kivo {

void MainWindow::Start() {
    // What editors that are gone left unfinished is finished before anything is listed.
    for (const QString& left : session_.packs().TidyUp()) {
        ShowError(QStringLiteral("A leftover of an interrupted editor could not be tidied "
                                 "away:\n%1")
                      .arg(left));
    }
    ShowOutcome(session_.packs().Scan());
    ui_.sideButtons[0]->setChecked(true);
    sideCount_ = MIN_SIDE_COUNT;
    Refresh();
    OfferRecovery();
}

// The dialog's answer is the file Save writes to, so a cancelled dialog empties it.
void MainWindow::Load() {
    if (!MaybeSave()) {
        return;
    }
    const std::optional<QString> path = ChooseLevelFile(FileDialogKind::Open, LOAD_DIALOG_TITLE);
    if (!path) {
        return;
    }
    if (path->isEmpty()) {
        session_.level().ForgetCurrentFile();
        return;
    }
    OpenLevelFile(*path);
}

bool MainWindow::OpenLevelFile(const QString& path) {
    return Reported(session_.level().Open(path));
}

// A file someone else changed since this editor read or wrote it is not overwritten
// without a word.
void MainWindow::Save() {
    LevelDocument& document = session_.level();
    if (!Reported(CheckScores(document.level()))) {
        return;
    }
    // A file whose folder is gone (its pack was deleted) can only be saved under a new name.
    if (document.currentFile().isEmpty() || document.SaveTargetFolderGone()) {
        SaveUnder(SAVE_DIALOG_TITLE);
        return;
    }
    const QString path = WithLevelExtension(document.currentFile());
    const ChangedBy changed =
        path == document.currentFile() ? document.SaveTargetChangedBy() : ChangedBy::Nobody;
    if (changed != ChangedBy::Nobody) {
        const char* question = changed == ChangedBy::Other      ? CHANGED_ON_DISK_QUESTION
                               : changed == ChangedBy::SlotEdit ? CHANGED_BY_SLOT_EDIT_QUESTION
                                                                : CHANGED_BY_SAVE_QUESTION;
        const int choice =
            AskChoice(QString::fromLatin1(question).arg(QDir::toNativeSeparators(path)),
                      OVERWRITE_CHOICE, SAVE_AS_CHOICE);
        if (choice == 1) {
            SaveAs();
        }
        if (choice != 0) {
            return;
        }
    }
    Reported(document.Save(path));
}

void MainWindow::SaveAs() {
    SaveUnder(SAVE_AS_DIALOG_TITLE);
}

// A Save that asks for a name, as Save As, names the chosen file in the title. Scores that
// cannot be saved are refused before a name is asked for.
void MainWindow::SaveUnder(const char* dialogTitle) {
    if (!Reported(CheckScores(session_.level().level()))) {
        return;
    }
    const std::optional<QString> path = ChooseLevelFile(FileDialogKind::Save, dialogTitle);
    if (!path) {
        return;
    }
    if (path->isEmpty()) {
        session_.level().ForgetCurrentFile();
        return;
    }
    SaveTo(WithLevelExtension(*path));
}

// A save that fails is reported and changes nothing.
bool MainWindow::SaveTo(const QString& path) {
    return Reported(session_.level().SaveAs(path));
}

// Unsaved work is never replaced or closed without a question.
bool MainWindow::MaybeSave() {
    if (!session_.level().IsModified()) {
        return true;
    }
    const int choice =
        AskChoice(QString::fromLatin1(UNSAVED_QUESTION), SAVE_CHOICE, DISCARD_CHOICE);
    if (choice == 0) {
        Save();
        return !session_.level().IsModified();
    }
    return choice == 1;
}

void MainWindow::About() {
    dialogs_.tell(this, MessageKind::Information, QString::fromLatin1(ABOUT_TITLE),
                  QString::fromLatin1(ABOUT_TEXT));
}

// Exit asks its own question first, then the close box's about what would be lost.
void MainWindow::Exit() {
    if (Ask(QString::fromLatin1(EXIT_QUESTION)) && SettleTypedDetails() && MaybeSave()) {
        exitConfirmed_ = true;
        close();
    }
}

// The close box asks before unsaved changes or typed pack details would be lost; Exit has
// asked already. The recovery copy goes only once the level is saved or discarded.
void MainWindow::closeEvent(QCloseEvent* event) {
    if (!exitConfirmed_ && (!SettleTypedDetails() || !MaybeSave())) {
        event->ignore();
        return;
    }
    session_.recovery().Finish();
    event->accept();
}

// The dialogs open in the folder of the pack or file last used. Their name box starts with
// the pattern of level files, which a designer may leave in it: a level is never read from
// or written to a name like that.
std::optional<QString> MainWindow::ChooseLevelFile(FileDialogKind kind, const char* title) {
    const QString path =
        dialogs_.chooseFile(this, kind, QString::fromLatin1(title), session_.packs().levelDir());
    const QString name = QFileInfo(path).fileName();
    if (name.contains('*') || name.contains('?')) {
        ShowError(QString::fromLatin1(WILDCARD_NAME_TEXT).arg(QDir::toNativeSeparators(path)));
        return std::nullopt;
    }
    return path;
}

bool MainWindow::Ask(const QString& question) {
    return dialogs_.confirm(this, QString::fromLatin1(CONFIRM_TITLE), question);
}

int MainWindow::AskChoice(const QString& question, const char* first, const char* second) {
    return dialogs_.choose(this, QString::fromLatin1(CONFIRM_TITLE), question,
                           {QString::fromLatin1(first), QString::fromLatin1(second),
                            QString::fromLatin1(CANCEL_CHOICE)});
}

bool MainWindow::Reported(const FileResult& result) {
    if (!result.ok) {
        ShowError(result.message);
    }
    return result.ok;
}

void MainWindow::ShowError(const QString& text) {
    dialogs_.tell(this, MessageKind::Error, QString::fromLatin1(ERROR_TITLE), text);
}

// Restoring brings back the level and its file name, marked unsaved.
void MainWindow::OfferRecovery() {
    RecoveryKeeper& recovery = session_.recovery();
    // Said once, at the start: nothing is kept until the next start finds a way.
    if (!recovery.problem().isEmpty()) {
        dialogs_.tell(this, MessageKind::Information, QString::fromLatin1(INFORMATION_TITLE),
                      recovery.problem());
    }
    const std::optional<RecoveryCopy> copy = recovery.LeftBehind();
    if (!copy) {
        return;
    }
    const QString named =
        copy->fileName.isEmpty()
            ? QString()
            : QStringLiteral(" for %1").arg(QDir::toNativeSeparators(copy->fileName));
    const QString fileWritten =
        copy->fileWritten.isValid()
            ? QString::fromLatin1(RECOVERY_FILE_TEXT)
                  .arg(QLocale().toString(copy->fileWritten, QLocale::LongFormat))
            : QString();
    const QString text =
        QString::fromLatin1(RECOVERY_TEXT)
            .arg(named, QLocale().toString(copy->written, QLocale::LongFormat), fileWritten);
    const int choice =
        dialogs_.choose(this, QString::fromLatin1(ERROR_TITLE), text,
                        {QString::fromLatin1(RESTORE_CHOICE), QString::fromLatin1(DISCARD_CHOICE)});
    if (choice == 1) {
        recovery.Discard();
    } else if (choice != 0) {
        // Unanswered: the copy waits for the next start, and this editor keeps its own.
        recovery.KeepForNextStart();
    } else {
        Reported(session_.level().Restore(recovery.copyPath(), copy->fileName, copy->scores));
    }
}

} // namespace kivo
