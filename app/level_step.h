// One undoable edit of the level, for the window's undo stack.
#pragma once

#include "level/level_change.h"

#include <QUndoCommand>

#include <functional>

namespace kivo {

// Holds what the edit changed and moves the level between the two states. `show` brings the
// window up to date, with the rotation slider's position in that state.
class LevelStep : public QUndoCommand {
  public:
    LevelStep(const QString& text, LevelChange change, Level& level, int sliderBefore,
              int sliderAfter, std::function<void(int slider)> show);

    void undo() override;
    void redo() override;

  private:
    LevelChange change_;
    Level& level_;
    int sliderBefore_;
    int sliderAfter_;
    std::function<void(int)> show_;
    bool done_ = true; // pushed after the edit was made: the first redo has nothing to do
};

} // namespace kivo
