// The pack overview: a window of its own showing one tile per slot of the pack shown in the
// pack panel, in play order. From it a designer opens a slot's level, saves the level being
// edited into a slot, and orders the pack by exchanging, copying and resetting slots, each
// an undoable step of the pack's history, which the overview's Undo and Redo take back.
#pragma once

#include "dialogs.h"

#include "session/edit_session.h"
#include "storage/pack_slots.h"

#include <QFuture>
#include <QImage>
#include <QWidget>

#include <functional>
#include <map>

class QAction;
class QFileSystemWatcher;
class QLabel;
class QListView;
class QPushButton;
class QStandardItemModel;
class QTimer;

namespace kivo {

// What the overview needs of the editor: the session it shows and edits, the way the main
// window opens a level (asking first about unsaved work), and the dialogs.
struct OverviewHost {
    EditSession* session = nullptr;
    std::function<bool(const QString& path)> openLevelFile;
    Dialogs dialogs;
};

// The file facts a slot's reading is kept by: when none of them changed, neither did the file.
struct FileStamp {
    qint64 size = -1; // -1: no file
    qint64 modified = 0;
    qint64 changed = 0;
};

// A slot as last read, with its thumbnail.
struct SlotRead {
    FileStamp stamp;
    SlotState state;
    QImage thumbnail;
};

// The overview's buttons, named as the tests and the accessibility tree know them.
struct OverviewControls {
    QLabel* summary = nullptr;
    QListView* tiles = nullptr;
    QPushButton* open = nullptr;
    QPushButton* saveIntoSlot = nullptr;
    QPushButton* moveEarlier = nullptr;
    QPushButton* moveLater = nullptr;
    QPushButton* copy = nullptr;
    QPushButton* paste = nullptr;
    QPushButton* reset = nullptr;
    QAction* undo = nullptr;
    QAction* redo = nullptr;
};

class PackOverview : public QWidget {
    Q_OBJECT

  public:
    PackOverview(OverviewHost host, QWidget* parent);
    ~PackOverview() override;

    // Shows the pack the pack panel shows now, or none.
    void FollowPack();
    // A level was written to this file: its tile is read again when it is one of the pack's.
    void LevelFileSaved(const QString& path);

    // The commands. Slot edits are undoable steps of the pack's history.
    void OpenSlot(int slot);
    void SaveIntoSlot(int slot);
    void ExchangeSlots(int a, int b);
    void CopySlot(int from, int to);
    void ResetSlot(int slot);

    int SelectedSlot() const; // -1 when none
    void SelectSlot(int slot);
    bool AllRead() const; // every slot read since it last changed
    const QString& packDir() const { return packDir_; }
    const OverviewControls& controls() const { return ui_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Build();
    void Connect();
    void ShowTiles();
    void Reload();
    void Apply(const SlotRead& read, int generation);
    void ShowTile(int slot);
    void ShowSummary();
    void SlotsWritten(const QString& packDir, const std::vector<WrittenFile>& files);
    void Report(const FileResult& result);
    void ShowError(const QString& text);
    void Forget(const std::vector<SlotContent>& contents);
    void MoveSelected(int by);
    void UpdateButtons();

    OverviewHost host_;
    OverviewControls ui_;
    QStandardItemModel* model_ = nullptr;
    QFileSystemWatcher* watcher_ = nullptr;
    QTimer* settle_ = nullptr;
    QString packDir_;
    QByteArray blank_;                 // the template level's bytes
    std::map<int, SlotRead> reads_;    // by slot, for the shown pack
    std::map<int, FileStamp> pending_; // slots being read, with the stamp they were sent with
    std::vector<QFuture<void>> running_;
    int generation_ = 0; // raised whenever the shown pack changes
    int copied_ = -1;    // the slot Copy took, for Paste
    int dragFrom_ = -1;  // the tile a drag started on
    bool dragging_ = false;
    QPoint dragStart_;
};

} // namespace kivo
