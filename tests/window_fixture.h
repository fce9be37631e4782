// The real main window in a start folder of its own, driven by mouse and key events, with
// every dialog answered from queues and recorded.
#pragma once

#include "app/canvas.h"
#include "app/captions_and_numbers.h"
#include "app/main_window.h"
#include "storage/level/level_file.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>

#include <memory>

namespace kivo {

inline const QString SOLVABLE = " Connectors ::  This KIVO can be solved in Classic Mode";

struct Answers {
    QList<bool> confirms;  // No when empty
    QStringList files;     // cancelled when empty
    QList<int> choices;    // the first choice when empty
    QStringList questions; // "title|question"
    QStringList told;      // "title|text"
    QStringList errors;    // "title|text"
    QStringList dialogs;   // "title|folder"
    QStringList choiceTexts;
    QList<int> picks;      // cancelled when empty
    QStringList pickTexts; // "title|label|current item"

    Dialogs Seam() {
        return Dialogs{
            [this](QWidget*, const QString& title, const QString& question) {
                questions << title + "|" + question;
                return !confirms.isEmpty() && confirms.takeFirst();
            },
            [this](QWidget*, MessageKind kind, const QString& title, const QString& text) {
                (kind == MessageKind::Error ? errors : told) << title + "|" + text;
            },
            [this](QWidget*, FileDialogKind, const QString& title, const QString& folder) {
                dialogs << title + "|" + folder;
                return files.isEmpty() ? QString() : files.takeFirst();
            },
            [this](QWidget*, const QString&, const QString& text, const QStringList& buttons) {
                choiceTexts << text + "|" + buttons.join(',');
                return choices.isEmpty() ? 0 : choices.takeFirst();
            },
            [this](QWidget*, const QString& title, const QString& label, const QStringList& items,
                   int current) {
                pickTexts << title + "|" + label + "|" + items.value(current);
                return picks.isEmpty() ? -1 : picks.takeFirst();
            }};
    }
};

// An editor in `folder`, shown but not yet started; the folder becomes the current one.
inline std::unique_ptr<MainWindow> MakeEditor(const QString& folder, Answers& answers) {
    QDir::setCurrent(folder);
    ShellState shell = FindStartDirectory();
    shell.recoveryDir = folder + "/recovery";
    auto window = std::make_unique<MainWindow>(shell, answers.Seam(), MakeRandomSource(9));
    window->show();
    return window;
}

// The data folder with the template level and no pack.
inline void MakeDataFolder(const QString& folder) {
    QDir(folder).mkdir("kivo");
    QFile::copy(KIVO_SOURCE_DIR "/data/kivo/default.kvo", folder + "/kivo/default.kvo");
}

class Window : public ::testing::Test {
  protected:
    QTemporaryDir start;
    QString home = start.path(); // the folder the editor starts in
    Answers answers;
    std::unique_ptr<MainWindow> window;

    void SetUp() override {
        MakeDataFolder(home);
        Open();
    }
    // A start of the editor in the same folder, after the one before has gone.
    void Open() {
        window.reset();
        window = MakeEditor(home, answers);
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        window->Start();
    }
    const Controls& ui() const { return window->controls(); }
    const Level& level() const { return window->level(); }
    QString File(const QString& name) const { return start.filePath(name); }
    QString Title() const { return window->windowTitle().remove("[*]"); }
    // The title with the file Save writes to; NamedAs is a file named in both.
    QString Named() const { return Title() + "|" + window->session().level().currentFile(); }
    QString NamedAs(const QString& name) const {
        return "KIVO Level Editor - " + File(name) + "|" + File(name);
    }

    // A click at a position in window content coordinates.
    void ClickCanvas(QPoint content, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(ui().canvas, button, Qt::NoModifier, content - ui().canvas->pos());
    }
    void Click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }
    // Walks the closed pack list to the entry with the arrow keys.
    void Choose(int index) {
        ui().packCombo->setFocus();
        const int from = ui().packCombo->currentIndex();
        for (int k = from; k != index; k += index > from ? 1 : -1) {
            QTest::keyClick(ui().packCombo, index > from ? Qt::Key_Down : Qt::Key_Up);
        }
    }
    // Replaces a field's text as a designer does: select all, then type.
    void Type(QWidget* field, const QString& text) {
        field->setFocus();
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(field, text);
    }
    void Press(QWidget* w, Qt::Key key, int times) {
        for (int k = 0; k < times; ++k) {
            QTest::keyClick(w, key);
        }
    }
    void Undo() { QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier); }
    void Redo() { QTest::keyClick(window.get(), Qt::Key_Y, Qt::ControlModifier); }
    int Steps() const { return window->history().count(); }
    void SaveAs(const QString& name) {
        answers.files = {File(name)};
        ui().saveAsItem->trigger();
    }
    void Load(const QString& name) { // an empty name cancels the dialog
        answers.files = {name.isEmpty() ? name : File(name)};
        ui().loadItem->trigger();
    }
    QByteArray Bytes(const QString& name) const { return ReadAll(File(name)); }
    void Save() { ui().saveItem->trigger(); }
    void ClearYes() {
        answers.confirms = {true};
        Click(ui().clearButton);
    }
};

} // namespace kivo
