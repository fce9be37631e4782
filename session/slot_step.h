// One undoable edit of a pack's slot files, for the pack's history. It was done before it
// was pushed; undo writes back what the slots held, redo writes the edit again, both into the
// pack it was made in, whichever pack is shown by then.
#pragma once

#include "storage/pack_slots.h"

#include <QString>
#include <QUndoCommand>

#include <functional>
#include <vector>

namespace kivo {

class SlotStep : public QUndoCommand {
  public:
    // Writes `contents` into the pack's slots, where the slots still hold `expected`.
    using Write = std::function<void(const QString& packDir, const SlotEdit& edit, bool undo)>;

    SlotStep(const QString& text, QString packDir, SlotEdit edit, Write write);

    void undo() override;
    void redo() override;

  private:
    QString packDir_;
    SlotEdit edit_;
    Write write_;
    bool done_ = true; // pushed after the edit was made: the first redo has nothing to do
};

} // namespace kivo
