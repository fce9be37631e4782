// One undoable edit of the level, for the window's undo stack.
#pragma once

#include "level/level_change.h"

#include <QString>
#include <QUndoCommand>

#include <functional>

namespace kivo {

// What a step puts back besides the level: where the slider stood, and the file Save writes
// to and the file the title names (empty for the plain title).
struct ShellView {
    int slider = 0;
    QString currentFile;
    QString titleFile;
};

// Holds what the edit changed and moves the level between the two states. `show` brings the
// window up to date with the view of that state; `files` is true for a step that changed the
// file names (Load, Clear, Restore), whose undo and redo bring them back with the level.
class LevelStep : public QUndoCommand {
  public:
    using Show = std::function<void(const ShellView& view, bool files)>;
    LevelStep(const QString& text, LevelChange change, Level& level, ShellView before,
              ShellView after, Show show);

    void undo() override;
    void redo() override;

  private:
    LevelChange change_;
    Level& level_;
    ShellView before_;
    ShellView after_;
    bool files_;
    Show show_;
    bool done_ = true; // pushed after the edit was made: the first redo has nothing to do
};

bool FilesDiffer(const ShellView& a, const ShellView& b);

} // namespace kivo
