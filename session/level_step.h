// One undoable edit of the level, for the level's history.
#pragma once

#include "level/level.h"
#include "level/level_change.h"

#include <QByteArray>
#include <QString>
#include <QUndoCommand>

#include <functional>
#include <memory>

namespace kivo {

// Which file a level came from, as one value, so that a step that changes it (Load, Clear,
// Restore) brings all of it back together. It says nothing about what the file holds now:
// that is known by the document alone, from its own reads and writes and the file watcher.
struct FileView {
    QString currentFile; // the file Save writes to; empty means Save asks for a name
    QString titleFile;   // the file the title names; empty for the plain title
    QString sourceFile;  // the file the level came from; empty for the empty level
    // The bytes the level came from, naming it wherever it moves: a file that now holds
    // other bytes holds another level. Empty when there is no file.
    QByteArray origin;
};

// What a step puts back besides the level.
struct DocumentView {
    int slider = 0; // where the rotation slider stood
    FileView file;
};

bool FilesDiffer(const FileView& a, const FileView& b);

// Holds what the edit changed and moves the level between the two states. `show` brings the
// document up to date with the view of that state; `files` is true for a step that changed
// the file (Load, Clear, Restore), whose undo and redo bring it back with the level.
class LevelStep : public QUndoCommand {
  public:
    using Show = std::function<void(const DocumentView& view, bool files)>;
    // Steps of this kind that follow each other within one run become one: turns of the
    // slider by key, and the keys typed into a score field while it has the keyboard.
    enum Merge { Separate = -1, SliderTurn = 1, TargetTyping = 2, ExpertTyping = 3 };

    LevelStep(const QString& text, LevelChange change, Level& level, DocumentView before,
              DocumentView after, Show show, Merge merge = Separate, int run = 0);

    void undo() override;
    void redo() override;
    int id() const override { return merge_; }
    bool mergeWith(const QUndoCommand* other) override;

  private:
    LevelChange change_;
    Level& level_;
    DocumentView before_;
    DocumentView after_;
    bool files_;
    Show show_;
    Merge merge_;
    int run_;
    bool done_ = true; // pushed after the edit was made: the first redo has nothing to do
};

} // namespace kivo
