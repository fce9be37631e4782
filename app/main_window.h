// The editor's one window: its layout, and the commands behind every control and menu item.
#pragma once

#include "dialogs.h"
#include "shell_state.h"

#include "session/edit_session.h"

#include <QMainWindow>

#include <array>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSlider;
class QUndoStack;

namespace kivo {

class Canvas;
class PackOverview;

// The window's controls, named as the commands know them.
struct Controls {
    QSlider* rotationSlider = nullptr;
    QLabel* rotationAngle = nullptr;
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
    QAction* levelHistoryItem = nullptr; // View: the level's steps as a list
    QAction* packHistoryItem = nullptr;  // View: the shown pack's slot steps as a list
    QAction* placementPreviewItem = nullptr;
    QAction* zoomInItem = nullptr;
    QAction* zoomOutItem = nullptr;
    QAction* actualSizeItem = nullptr;
    QAction* fitLevelItem = nullptr;
};

class MainWindow : public QMainWindow {
    Q_OBJECT

  public:
    MainWindow(ShellState shell, Dialogs dialogs, RandomSource random);
    ~MainWindow() override;

    // Lists the packs (creating and announcing a first one if there is none), presses the
    // side-count button "3" and offers a recovery copy left by an editor that did not close
    // normally. Called once the window is shown.
    void Start();

    EditSession& session() { return session_; }
    const EditSession& session() const { return session_; }
    const Level& level() const { return session_.level().level(); }
    uint8_t sideCount() const { return sideCount_; }
    const ShellState& shell() const { return shell_; }
    const PackDocument& packs() const { return session_.packs(); }
    const Controls& controls() const { return ui_; }
    const QUndoStack& history() const { return *session_.level().history(); }

    // The pack overview window, made when it is first asked for.
    PackOverview* levelOverview() const { return overview_; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildMainWindow();
    void BuildMenu();
    void BuildLevelControls(QWidget* content);
    void BuildStatusBar();
    void BuildPackPanel(QWidget* content);
    void BuildPackMenu();
    void BuildHistoryItems(QMenu* view);
    void BuildZoomItems(QMenu* view);
    void ShowLevelOverview();
    void Connect();
    void ConnectSession();
    void ConnectPackCombo();

    // Canvas and level commands.
    void PlaceAt(QPointF figure);
    void DeleteNearest(QPointF figure);
    void SelectSideCount(int controlNumber);
    void Clear();
    void Rotate(int position);

    // Pack commands.
    void ChoosePack(int index);
    void ApplyChange();
    void NewPack();
    void DeleteShownPack();
    PackEdit TypedDetails() const;
    // Typed details that were not applied are applied or discarded first, as the designer
    // answers; false when they cancelled.
    bool SettleTypedDetails();

    // File menu commands.
    void Load();
    void Save();
    void SaveAs();
    void About();
    void Exit();
    void SaveUnder(const char* dialogTitle);
    bool SaveTo(const QString& path);
    // Unsaved changes are saved or discarded first, as the designer answers; false when
    // they cancelled.
    bool MaybeSave();
    bool OpenLevelFile(const QString& path);

    bool Ask(const QString& question); // a Yes/No question titled "Confirm"
    // A question titled "Confirm" answered by one of three choices, the last "Cancel"; the
    // index of the one taken, -1 when the box was closed.
    int AskChoice(const QString& question, const char* first, const char* second);
    // Shows a failure; the result says whether the operation went through.
    bool Reported(const FileResult& result);
    // The file the designer chose; empty when they cancelled. A name that still holds a
    // wildcard is refused with a message, and nothing is chosen.
    std::optional<QString> ChooseLevelFile(FileDialogKind kind, const char* title);
    void ShowPanel();
    void ShowShownEntry();
    void ShowOutcome(const PackOutcome& outcome);
    void ShowScores();
    void ShowError(const QString& text);
    void ShowTitle();
    void ShowSlider(int position);
    void ShowAngle(int degrees);
    void Refresh();
    void OfferRecovery();

    ShellState shell_;
    Dialogs dialogs_;
    EditSession session_;
    Controls ui_;
    PackOverview* overview_ = nullptr;
    uint8_t sideCount_ = MIN_SIDE_COUNT; // the side-count button pressed
    bool exitConfirmed_ = false;
    // The pack name typed since the panel last showed the pack: choosing an entry replaces
    // the combo's text before the choice is reported.
    std::optional<QString> typedName_;
};

} // namespace kivo
