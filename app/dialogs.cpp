#include "dialogs.h"

#include "captions_and_numbers.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace kivo {

static bool AskYesNo(QWidget* parent, const QString& title, const QString& question) {
    return QMessageBox::question(parent, title, question, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

static void Tell(QWidget* parent, MessageKind kind, const QString& title, const QString& text) {
    if (kind == MessageKind::Error) {
        QMessageBox::warning(parent, title, text);
    } else {
        QMessageBox::information(parent, title, text);
    }
}

// Open accepts only existing files; Save asks nothing before replacing one. Both list level
// files only and leave the working directory alone.
// The name box starts with "*.kvo", ready to be typed over.
static QString ChooseFile(QWidget* parent, FileDialogKind kind, const QString& title,
                          const QString& folder) {
    QFileDialog dialog(parent, title, folder, QString::fromLatin1(LEVEL_FILE_FILTER));
    if (kind == FileDialogKind::Open) {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    }
    dialog.selectFile(QString::fromLatin1(LEVEL_FILE_PATTERN));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return QString();
    }
    return dialog.selectedFiles().constFirst();
}

static int Choose(QWidget* parent, const QString& title, const QString& text,
                  const QStringList& choices) {
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::NoButton, parent);
    QList<QAbstractButton*> buttons;
    for (const QString& choice : choices) {
        buttons << box.addButton(choice, QMessageBox::AcceptRole);
    }
    box.exec();
    return int(buttons.indexOf(box.clickedButton()));
}

static int Pick(QWidget* parent, const QString& title, const QString& label,
                const QStringList& items, int current) {
    bool picked = false;
    const QString item =
        QInputDialog::getItem(parent, title, label, items, current, false, &picked);
    return picked ? int(items.indexOf(item)) : -1;
}

Dialogs PlatformDialogs() {
    return Dialogs{AskYesNo, Tell, ChooseFile, Choose, Pick};
}

} // namespace kivo
