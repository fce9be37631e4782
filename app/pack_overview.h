// The pack overview: a window of its own showing one tile per slot of the pack shown in the
// pack panel, in play order. From it a designer opens a slot's level, saves the level being
// edited into a slot, and orders the pack by exchanging, copying and resetting slots, each
// an undoable step of the pack's history, which the overview's Undo and Redo take back.
#pragma once

#include "dialogs.h"

#include "painting/slot_view.h"
#include "session/edit_session.h"

#include <QEvent>
#include <QWidget>

#include <array>
#include <functional>
#include <optional>

class QAction;
class QBoxLayout;
class QLabel;
class QLineEdit;
class QListView;
class QMouseEvent;
class QPushButton;
class QStandardItemModel;

namespace kivo {

class SlotCache;

// What the overview needs of the editor: the session it shows and edits, the way the main
// window opens a level (asking first about unsaved work), and the dialogs.
struct OverviewHost {
    EditSession* session = nullptr;
    std::function<bool(const QString& path)> openLevelFile;
    Dialogs dialogs;
};

// The overview's buttons, named as the tests and the accessibility tree know them.
struct OverviewControls {
    QLabel* summary = nullptr;
    // The filter: by name, by the side counts a level holds, and by marks.
    QLineEdit* filterText = nullptr;
    std::array<QPushButton*, 10> filterSides{};
    std::array<QPushButton*, 3> filterMarks{};
    QListView* tiles = nullptr;
    QPushButton* open = nullptr;
    QPushButton* saveIntoSlot = nullptr;
    QPushButton* moveEarlier = nullptr;
    QPushButton* moveLater = nullptr;
    QPushButton* moveTo = nullptr;
    QPushButton* copy = nullptr;
    QPushButton* paste = nullptr;
    QPushButton* reset = nullptr;
    QAction* undo = nullptr;
    QAction* redo = nullptr;
};

// A level Copy took: its bytes as they were then, so that it can be pasted into any pack.
struct CopiedLevel {
    QString name; // "kivo3 of Spring Pack"
    QByteArray bytes;
};

class PackOverview : public QWidget {
    Q_OBJECT

  public:
    PackOverview(OverviewHost host, QWidget* parent);

    // Shows the pack the pack panel shows now, or none.
    void FollowPack();

    // The commands. Slot edits are undoable steps of the pack's history.
    void OpenSlot(int slot);
    void SaveIntoSlot(int slot);
    void ExchangeSlots(int a, int b);
    void CopySlot(int slot);
    void PasteInto(int slot);
    void ResetSlot(int slot);

    int SelectedSlot() const; // -1 when none
    void SelectSlot(int slot);
    bool AllRead() const; // every slot read since it last changed
    const QString& packDir() const;
    const OverviewControls& controls() const { return ui_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Build();
    void BuildButtons();
    void BuildFilter(QBoxLayout* layout);
    void ApplyFilter();
    SlotFilter ChosenFilter() const;
    void ShowTitle();
    bool IsEdited(int slot) const;
    void ShowDropTarget(int slot, int mark);
    // Where a tile dragged from `from` would land if let go at `at`: a tile and a DropMark.
    std::pair<int, int> DropAt(int from, QPoint at) const;
    void Connect();
    void ShowTiles();
    void ShowTile(int slot);
    void ShowSummary();
    void FitTiles();
    void Reread(const QString& path);
    void SlotsWritten(const QString& packDir, const std::vector<WrittenFile>& files);
    bool MayReplace(int slot, const QString& with);
    void Report(const FileResult& result);
    void ShowError(const QString& text);
    void MoveSelected(int by);
    void MoveTo(int from, int to);
    void AskMoveTo(int slot);
    void UpdateButtons();
    bool DragTile(QEvent::Type type, const QMouseEvent& mouse);

    OverviewHost host_;
    OverviewControls ui_;
    QStandardItemModel* model_;
    SlotCache* cache_;
    std::optional<CopiedLevel> copied_;
    int dragFrom_ = -1; // the tile a drag started on
    bool dragging_ = false;
    int dropTarget_ = -1; // the tile the drag would land on, marked
    QPoint dragStart_;
};

} // namespace kivo
