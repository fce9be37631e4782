// The level being edited as a document: the level, the file it came from and that Save writes
// to, whether it differs from what that file holds, and its history. The windows show it and
// send it verbs; it uses no widgets, so its rules are tested without a window.
#pragma once

#include "level_step.h"
#include "written_file.h"

#include "construction/polygon.h"
#include "level/level.h"
#include "level/random_source.h"
#include "storage/files/file_io.h"
#include "storage/pack/slot_edits.h"

#include <QObject>
#include <QString>

#include <map>
#include <memory>
#include <optional>
#include <vector>

class QFileSystemWatcher;
class QUndoStack;

namespace kivo {

// How many steps Undo can take back.
constexpr int UNDO_LIMIT = 1000;

constexpr const char* WINDOW_TITLE = "KIVO Level Editor V1.0";
constexpr const char* FILE_TITLE_PREFIX = "KIVO Level Editor - ";

enum class ScoreField { Target, Expert };

// Who last changed a file the level document knows, other than by reading it.
enum class ChangedBy {
    Nobody,     // it holds what this editor read there
    MainWindow, // a Save of this editor
    SlotEdit,   // a slot edit of this editor, or its undo or redo
    Other,      // another program
};

// What the document knows a file holds now, from its own reads and writes, the slot edits and
// the file watcher.
struct KnownFile {
    std::optional<QByteArray> bytes; // none: the file is not there
    ChangedBy changedBy = ChangedBy::Nobody;
};

class LevelDocument : public QObject {
    Q_OBJECT

  public:
    LevelDocument(RandomSource& random, QObject* parent);

    const Level& level() const { return level_; }
    QUndoStack* history() const { return history_; }
    const QString& currentFile() const { return view_.file.currentFile; }
    const QString& titleFile() const { return view_.file.titleFile; }
    // "KIVO Level Editor V1.0", or the prefix and the file the title names.
    QString Title() const;
    const QString& sourceFile() const { return view_.file.sourceFile; }
    // Whether the level differs from what the file it came from holds now (or from the empty
    // level, when it came from no file): whether saving it would write other bytes.
    bool IsModified() const { return modified_; }
    int sliderPosition() const { return view_.slider; }
    // The status bar's text for the level as it is now.
    const std::string& statusText() const { return status_; }

    // The level verbs. Each is one step of the history, named after what it did, unless it
    // changed nothing.
    PlaceResult Place(float x, float y, uint8_t sides);
    void DeleteNearest(float x, float y);
    void Clear();
    void Center();
    // A turn of the slider to a position: while the thumb is dragged the level follows it and
    // the whole drag becomes one step when it is let go; other turns that follow each other
    // (keys, the wheel) become one step.
    void BeginDrag();
    void DragTo(int position);
    void EndDrag();
    void TurnTo(int position);
    // The keys typed into a score field during one visit of it are one step: the visit ends
    // with EndScoreTyping (the field gave up the keyboard, or Enter was pressed), and so does
    // every undo and redo.
    void SetScore(ScoreField field, const std::string& text);
    void EndScoreTyping();

    // The file verbs. Open and Restore are steps of the history; Save is not. When another
    // program changes the current file, a level without unsaved changes is read again from it
    // as a step of its own.
    FileResult Open(const QString& path);
    // Restore brings back the score texts as typed when the copy kept them.
    FileResult Restore(const QString& copyPath, const QString& fileName,
                       const std::optional<std::pair<std::string, std::string>>& scores = {});
    // Saves under exactly this path, which then names the title and the current file; Save
    // leaves the title as it is.
    FileResult SaveAs(const QString& path);
    FileResult Save(const QString& path);
    // The level was written to this file by another writer (a slot edit): the file, the title
    // and the saved level become the file's, as after a save.
    void SavedBy(const QString& path, const QByteArray& bytes);
    // A dialog was cancelled: the next Save asks for a name; the title stays.
    void ForgetCurrentFile();
    // Who changed the file Save writes to since the level came from it: it holds bytes other
    // than the level came from, or than this editor knew it held (the disk is read to tell).
    // Nobody when Save may write without asking, as for a file that is gone.
    ChangedBy SaveTargetChangedBy();
    bool CurrentFileChangedOnDisk() { return SaveTargetChangedBy() != ChangedBy::Nobody; }
    // Whether the folder of the file Save writes to is gone, so that Save can only ask.
    bool SaveTargetFolderGone() const;
    // A slot edit wrote these files and moved these levels. When the level's file moved to
    // another slot, the document follows it there; when its file now holds another level, the
    // level is unsaved and Save asks before writing over it.
    void FilesRewritten(const std::vector<WrittenFile>& files, const std::vector<SlotMove>& moves);
    // This editor removed every file in this folder (a pack was deleted).
    void FolderRemoved(const QString& folder);
    // What the document knows a file holds now, if it knows it.
    const KnownFile* Known(const QString& path) const;
    // The file watcher's report that a file may have changed: the seam through which tests
    // report changes without waiting for the watcher.
    void NoticeFileChange(const QString& path);

  signals:
    void levelChanged();
    void fileChanged(); // the title or the current file
    void modifiedChanged(bool modified);
    void sliderChanged(int position);
    // The current file was changed on disk by someone else, and the level stayed as it was:
    // it has unsaved changes, or the file cannot be read. Otherwise it was read again.
    void changedOnDisk(const QString& path);
    // The level was written to, or read from, this file.
    void fileUsed(const QString& path);

  private:
    // Every change of the level goes through Edit, so each is one step: `op` changes the
    // level within `reach`, which tells what it may touch, so that the step is recorded from
    // what changed rather than from copies of the level; no step when nothing changed.
    template <typename Op>
    void Edit(const QString& text, const ChangeReach& reach, Op op,
              LevelStep::Merge merge = LevelStep::Separate, int run = 0) {
        ChangeRecorder recorder = BeginChange(level_, reach);
        const DocumentView view = view_;
        op();
        Record(text, EndChange(std::move(recorder), level_), view, merge, run);
    }
    void Record(const QString& text, LevelChange change, const DocumentView& view,
                LevelStep::Merge merge, int run = 0);
    // The one place where the file, the title and the saved level change.
    void SetCurrentFile(FileView file);
    void ShowState(const DocumentView& view, bool files);
    void UpdateModified();
    void Changed(); // after every change of the level
    void WatchFile();
    void Learn(const QString& path, std::optional<QByteArray> bytes, ChangedBy by);
    // After an undo or redo: a level whose file now holds another level, while a slot holds
    // the very bytes it came from, follows it to that slot.
    void Follow();
    void Recheck();
    void MoveFileTo(const QString& path);
    FileResult SaveUnder(const QString& path, const QString& title);
    // Reads the file into the level as a step named `stepText` with the file's name for %1.
    FileResult ReadFile(const QString& stepText, const QString& path, const QString& title);
    FileResult ReadInto(const QString& path, Level& level, QByteArray& bytes);

    Level level_;
    RandomSource& random_;
    DocumentView view_;
    QUndoStack* history_;
    QFileSystemWatcher* watcher_;
    std::optional<ChangeRecorder> drag_; // the level when the slider's thumb was taken
    DocumentView dragView_;              // and the view then
    std::map<QString, KnownFile> known_;
    bool modified_ = false;
    int scoreVisit_ = 0; // score keys typed in one visit of a field share this run
    std::string status_;
};

// Why the level's scores cannot be saved as they read: a score must be a whole number a level
// file can hold, written out, so that an empty or half-typed field is never saved as 0.
// Passes when both can be saved.
FileResult CheckScores(const Level& level);

// Whether two levels hold the same file: the same elements and score texts. Counters, the
// smallest side count and the last rotation angle are not stored, and play no part.
bool SameStoredLevel(const Level& a, const Level& b);

} // namespace kivo
