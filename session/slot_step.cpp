#include "slot_step.h"

namespace kivo {

SlotStep::SlotStep(const QString& text, SlotEdit edit, Write write)
    : QUndoCommand(text), edit_(std::move(edit)), write_(std::move(write)) {}

void SlotStep::undo() {
    write_(edit_, true);
}

void SlotStep::redo() {
    if (done_) {
        done_ = false;
        return;
    }
    write_(edit_, false);
}

} // namespace kivo
