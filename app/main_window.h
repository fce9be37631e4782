// The editor's one window: its layout, and the commands behind every control and menu item.
#pragma once

#include "dialogs.h"
#include "shell_state.h"

#include "level/level.h"
#include "level/random_source.h"
#include "storage/pack_store.h"

#include <QMainWindow>

#include <array>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QUndoStack;

namespace kivo {

class Canvas;

// The window's controls, named as the commands know them.
struct Controls {
    QSlider* rotationSlider = nullptr;
    QPushButton* clearButton = nullptr;
    QPushButton* centerButton = nullptr;
    QLineEdit* targetScoreField = nullptr;
    QLineEdit* expertScoreField = nullptr;
    std::array<QPushButton*, 10> sideButtons{};
    Canvas* canvas = nullptr;
    QLabel* statusField = nullptr;
    QWidget* packPanel = nullptr;
    QComboBox* packCombo = nullptr;
    QLineEdit* authorField = nullptr;
    QLineEdit* dateCreatedField = nullptr;
    QLabel* packIdLabel = nullptr;
    QPushButton* applyChangeButton = nullptr;
    QPushButton* newPackButton = nullptr;
    QPushButton* deletePackButton = nullptr;
    QAction* loadItem = nullptr;
    QAction* saveItem = nullptr;
    QAction* saveAsItem = nullptr;
    QAction* aboutItem = nullptr;
    QAction* exitItem = nullptr;
    QAction* undoItem = nullptr;
    QAction* redoItem = nullptr;
};

// How many steps Undo can take back.
constexpr int UNDO_LIMIT = 1000;

class MainWindow : public QMainWindow {
    Q_OBJECT

  public:
    MainWindow(ShellState shell, Dialogs dialogs, RandomSource random);

    // Lists the packs (creating and announcing a first one if there is none) and presses
    // the side-count button "3". Called once the window is shown.
    void Start();

    const Level& level() const { return level_; }
    uint8_t sideCount() const { return sideCount_; }
    const ShellState& shell() const { return shell_; }
    const PackStore& packStore() const { return packs_; }
    const Controls& controls() const { return ui_; }
    const QUndoStack& history() const { return *history_; }

  private:
    void BuildMainWindow();
    void BuildMenu();
    void BuildLevelControls(QWidget* content);
    void BuildStatusBar();
    void BuildPackPanel(QWidget* content);
    void Connect();

    // Canvas and level commands.
    void PlaceAt(QPoint content);
    void DeleteNearest(QPoint content);
    void SelectSideCount(int controlNumber);
    void Clear();
    void Center();
    void Rotate(int position);
    void TurnTo(int position);
    void StartDrag();
    void EndDrag();

    // Pack commands.
    void ChoosePack(int index);
    void ApplyChange();
    void NewPack();
    void DeleteShownPack();

    // File menu commands.
    void Load();
    void Save();
    void SaveAs();
    void About();
    void Exit();
    bool SaveCurrentFile(const QString& previous);

    bool Ask(const char* question); // a Yes/No question titled "Confirm"
    QString ChooseLevelFile(FileDialogKind kind, const char* title);
    void ShowPanel();
    void ShowOutcome(const PackOutcome& outcome);
    void ShowScores();
    void ShowError(const QString& text);
    void SetFileTitle();
    void Refresh();

    // Undo history: Record pushes what changed since `before` as one step, unless nothing did.
    void Record(const QString& text, const Level& before, int sliderBefore);
    void ShowHistoryState(int slider);

    Level level_;
    RandomSource random_;
    ShellState shell_;
    PackStore packs_;
    Dialogs dialogs_;
    Controls ui_;
    QUndoStack* history_ = nullptr;
    uint8_t sideCount_ = MIN_SIDE_COUNT; // the side-count button pressed
    int sliderPosition_ = 0;             // the position the level was last turned to
    Level dragStart_;         // the level when the slider's thumb was taken, and where the
    int dragSliderStart_ = 0; // thumb stood then
};

} // namespace kivo
