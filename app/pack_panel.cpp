// The pack panel: it shows the pack document's shown pack and sends it the pack verbs.
// Typed details live in the fields until they are applied, and are never dropped silently.
#include "main_window.h"

#include "captions_and_numbers.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>

namespace kivo {

// The entry's own pack is shown, also when other packs have the same name.
void MainWindow::ChoosePack(int index) {
    if (index < 0 || size_t(index) >= packs().packs().size()) {
        return;
    }
    if (index == packs().shownIndex() || !SettleTypedDetails()) {
        ShowShownEntry();
        return;
    }
    session_.packs().Choose(size_t(index)); // the panel follows through shownPackChanged
}

// The list goes back to the shown pack's entry, under the name typed for it, if any; the
// other fields keep what was typed into them.
void MainWindow::ShowShownEntry() {
    const QSignalBlocker quiet(ui_.packCombo);
    ui_.packCombo->setCurrentIndex(packs().shownIndex());
    ui_.packCombo->setEditText(typedName_.value_or(ShownPackText(packs().panel().comboText)));
}

PackEdit MainWindow::TypedDetails() const {
    const PackPanel& panel = packs().panel();
    return {StoredPackText(typedName_.value_or(ShownPackText(panel.comboText)), panel.comboText),
            StoredPackText(ui_.authorField->text(), panel.author),
            StoredPackText(ui_.dateCreatedField->text(), panel.dateCreated)};
}

bool MainWindow::SettleTypedDetails() {
    const PackPanel& panel = packs().panel();
    const PackEdit typed = TypedDetails();
    if (!packs().shownPack() || (typed.name == panel.comboText && typed.author == panel.author &&
                                 typed.dateCreated == panel.dateCreated)) {
        return true;
    }
    const int choice =
        AskChoice(QString::fromLatin1(TYPED_DETAILS_QUESTION).arg(ShownPackText(panel.comboText)),
                  APPLY_CHOICE, DISCARD_CHOICE);
    if (choice == 0) {
        ApplyChange();
        return TypedDetails().name == packs().panel().comboText;
    }
    return choice == 1;
}

void MainWindow::ApplyChange() {
    const PackEdit edit = TypedDetails();
    ShowOutcome(session_.packs().Apply(edit));
}

// The new pack is shown in place of the one whose details may have been typed.
void MainWindow::NewPack() {
    if (Ask(QString::fromLatin1(NEW_PACK_QUESTION)) && SettleTypedDetails()) {
        ShowOutcome(session_.packs().New());
    }
}

// The question names the pack that would go, below its own words.
void MainWindow::DeleteShownPack() {
    const QString packDir = session_.packs().shownPackDir();
    QString pack =
        QStringLiteral("\n\n\"%1\"\n%2")
            .arg(ShownPackText(packs().panel().comboText), QDir::toNativeSeparators(packDir));
    // The level being edited goes with the pack when it lives there.
    const QString source = session_.level().sourceFile();
    if (!packDir.isEmpty() && source.startsWith(packDir + QLatin1Char('/'))) {
        pack += QString::fromLatin1(OPEN_LEVEL_IN_PACK_TEXT).arg(QDir::toNativeSeparators(source));
    }
    if (Ask(QString::fromLatin1(DELETE_PACK_QUESTION) + pack)) {
        ShowOutcome(session_.packs().Delete());
    }
}

// The list is filled anew only when the packs' names changed, so that choosing a pack keeps
// the list's entries and its current entry.
void MainWindow::ShowPanel() {
    const PackPanel& panel = packs().panel();
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
    ui_.packCombo->setCurrentIndex(packs().shownIndex());
    ui_.packCombo->setEditText(ShownPackText(panel.comboText));
    ui_.authorField->setText(ShownPackText(panel.author));
    ui_.dateCreatedField->setText(ShownPackText(panel.dateCreated));
    ui_.packIdLabel->setText(ShownPackText(panel.packId));
    typedName_.reset();
    // Only a shown pack can be changed or deleted.
    const bool shown = packs().shownPack().has_value();
    ui_.applyChangeButton->setEnabled(shown);
    ui_.deletePackButton->setEnabled(shown);
}

// The panel already shows what the store holds (shownPackChanged); then come the messages,
// errors first. Without a data folder there is no pack to show, and the message says where the
// editor looked.
void MainWindow::ShowOutcome(const PackOutcome& outcome) {
    const bool noDataFolder = !QFileInfo(packs().dataDir()).isDir();
    for (const QString& error : outcome.errors) {
        ShowError(noDataFolder ? error + QString::fromLatin1(NO_DATA_FOLDER_HINT)
                                             .arg(QDir::toNativeSeparators(packs().dataDir()))
                               : error);
    }
    if (!outcome.information.isEmpty()) {
        dialogs_.tell(this, MessageKind::Information, QString::fromLatin1(INFORMATION_TITLE),
                      outcome.information);
        // The pack just made is shown: its name is ready to be typed over.
        ui_.packCombo->lineEdit()->setFocus();
        ui_.packCombo->lineEdit()->selectAll();
    }
}

} // namespace kivo
