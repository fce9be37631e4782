// One undoable edit of a pack's slot files, for the pack's history. It was done before it
// was pushed; undo writes back what the slots held, redo writes the edit again, both into the
// pack it was made in, whichever pack is shown by then.
#pragma once

#include "storage/pack/slot_edits.h"

#include <QString>
#include <QUndoCommand>

#include <functional>

class QUndoStack;

namespace kivo {

class SlotStep : public QUndoCommand {
  public:
    // Writes the edit, or takes it back, where the slots still hold what it expects; false
    // when nothing could be written.
    using Write = std::function<bool(const SlotEdit& edit, bool undo)>;

    SlotStep(const QString& text, SlotEdit edit, Write write, QUndoStack* stack);

    void undo() override;
    void redo() override;

  private:
    // QUndoStack moves past a step whatever its undo or redo did: a step that could not be
    // written puts the stack back where it was, with no write.
    void StayWhereItWas(bool undone);

    SlotEdit edit_;
    Write write_;
    QUndoStack* stack_;
    bool skip_ = false;
    bool done_ = true; // pushed after the edit was made: the first redo has nothing to do
};

} // namespace kivo
