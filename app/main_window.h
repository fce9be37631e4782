// The editor's one window: its layout, and the commands behind every control and menu item.
#pragma once

#include "dialogs.h"
#include "level_step.h"
#include "recovery.h"
#include "shell_state.h"

#include "level/level.h"
#include "level/random_source.h"
#include "storage/pack_store.h"

#include <QMainWindow>
#include <QThreadPool>

#include <array>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QTimer;
class QUndoStack;

namespace kivo {

class Canvas;
class PackOverview;

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
    QAction* levelOverviewItem = nullptr;
};

// How many steps Undo can take back.
constexpr int UNDO_LIMIT = 1000;

class MainWindow : public QMainWindow {
    Q_OBJECT

  public:
    MainWindow(ShellState shell, Dialogs dialogs, RandomSource random);
    ~MainWindow() override;

    // Lists the packs (creating and announcing a first one if there is none), presses the
    // side-count button "3" and offers a recovery copy left by an editor that did not close
    // normally. Called once the window is shown.
    void Start();

    // What Load does once a file is chosen: the level, title and current file become the
    // file's as one undo step, marked saved. A file that cannot be loaded is reported and
    // changes nothing; the result says whether it was loaded.
    bool OpenLevelFile(const QString& path);
    // What Save As does once a name is chosen: saves atomically under the name (".kvo"
    // added as Save As adds it), which then names the title and the current file, and marks
    // the level saved. A failed save is reported and changes nothing.
    bool SaveLevelFile(const QString& path);
    QUndoStack* undoStack() { return history_; }

    const Level& level() const { return level_; }
    uint8_t sideCount() const { return sideCount_; }
    const ShellState& shell() const { return shell_; }
    const PackStore& packStore() const { return packs_; }
    const Controls& controls() const { return ui_; }
    const QUndoStack& history() const { return *history_; }

    // The pack overview window, made when it is first asked for.
    PackOverview* levelOverview() const { return overview_; }

  signals:
    // The pack whose details are shown is another one now, or none, or the packs were
    // listed anew.
    void shownPackChanged();
    // A level was written to this file.
    void levelFileSaved(const QString& path);

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void BuildMainWindow();
    void BuildMenu();
    void BuildLevelControls(QWidget* content);
    void BuildStatusBar();
    void BuildPackPanel(QWidget* content);
    void BuildPackMenu();
    void ShowLevelOverview();
    void Connect();
    void ConnectPackCombo();

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
    void EditScore(std::string Level::*score, const QString& text);

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
    bool SaveTo(const QString& path);

    bool Ask(const QString& question); // a Yes/No question titled "Confirm"
    QString ChooseLevelFile(FileDialogKind kind, const char* title);
    void ShowPanel();
    void ShowOutcome(const PackOutcome& outcome);
    void ShowScores();
    void ShowError(const QString& text);
    void ShowTitle();
    void Refresh();

    // Every change to the level goes through Edit, so each is one undo step: `op` changes
    // the level (and for Load, Clear and Restore the file names); what changed becomes the
    // step, unless nothing did.
    template <typename Op> void Edit(const QString& text, Op op) {
        const Level before = level_;
        const ShellView view = View();
        op();
        Record(text, before, view);
        Refresh();
    }
    ShellView View() const;
    void Record(const QString& text, const Level& before, const ShellView& view);
    void ShowHistoryState(const ShellView& view, bool files);

    // The recovery copy of unsaved work.
    void ScheduleRecovery();
    void WriteRecovery();
    void DropRecovery();
    void OfferRecovery();

    Level level_;
    RandomSource random_;
    ShellState shell_;
    PackStore packs_;
    Dialogs dialogs_;
    Controls ui_;
    QUndoStack* history_ = nullptr;
    PackOverview* overview_ = nullptr;
    uint8_t sideCount_ = MIN_SIDE_COUNT; // the side-count button pressed
    int sliderPosition_ = 0;             // the position the level was last turned to
    Level dragStart_;    // the level when the slider's thumb was taken, and the window
    ShellView dragView_; // then
    bool exitConfirmed_ = false;
    RecoverySlot recovery_;
    QTimer* recoveryTimer_ = nullptr;
    QThreadPool recoveryWriter_; // one thread: copies are written and removed in order
};

} // namespace kivo
