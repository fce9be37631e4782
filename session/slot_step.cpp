#include "slot_step.h"

namespace kivo {

SlotStep::SlotStep(const QString& text, QString packDir, SlotEdit edit, Write write)
    : QUndoCommand(text), packDir_(std::move(packDir)), edit_(std::move(edit)),
      write_(std::move(write)) {}

void SlotStep::undo() {
    write_(packDir_, edit_, true);
}

void SlotStep::redo() {
    if (done_) {
        done_ = false;
        return;
    }
    write_(packDir_, edit_, false);
}

} // namespace kivo
