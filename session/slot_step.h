// One undoable edit of a pack's slot files, for the pack's history. It was done before it
// was pushed; undo writes back what the slots held, redo writes the edit again, both into the
// pack it was made in, whichever pack is shown by then.
#pragma once

#include "storage/pack/slot_edits.h"

#include <QString>
#include <QUndoCommand>

#include <functional>

namespace kivo {

class SlotStep : public QUndoCommand {
  public:
    // Writes the edit, or takes it back, where the slots still hold what it expects.
    using Write = std::function<void(const SlotEdit& edit, bool undo)>;

    SlotStep(const QString& text, SlotEdit edit, Write write);

    void undo() override;
    void redo() override;

  private:
    SlotEdit edit_;
    Write write_;
    bool done_ = true; // pushed after the edit was made: the first redo has nothing to do
};

} // namespace kivo
