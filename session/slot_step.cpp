#include "slot_step.h"

#include <QUndoStack>

namespace kivo {

SlotStep::SlotStep(const QString& text, SlotEdit edit, Write write, QUndoStack* stack)
    : QUndoCommand(text), edit_(std::move(edit)), write_(std::move(write)), stack_(stack) {}

void SlotStep::undo() {
    if (skip_) {
        skip_ = false;
        return;
    }
    if (!write_(edit_, true)) {
        StayWhereItWas(true);
    }
}

void SlotStep::redo() {
    if (done_ || skip_) {
        done_ = skip_ = false;
        return;
    }
    if (!write_(edit_, false)) {
        StayWhereItWas(false);
    }
}

// The stack's index moves only after undo() or redo() returns: once it has, the step is taken
// the other way at once, without writing.
void SlotStep::StayWhereItWas(bool undone) {
    QUndoStack* stack = stack_;
    skip_ = true;
    QObject::connect(
        stack, &QUndoStack::indexChanged, stack,
        [stack, undone] { undone ? stack->redo() : stack->undo(); }, Qt::SingleShotConnection);
}

} // namespace kivo
