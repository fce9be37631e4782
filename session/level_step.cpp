#include "level_step.h"

namespace kivo {

// The origins are shared copies, so an unchanged view compares them without reading bytes.
bool FilesDiffer(const FileView& a, const FileView& b) {
    return a.currentFile != b.currentFile || a.titleFile != b.titleFile ||
           a.sourceFile != b.sourceFile || a.origin != b.origin;
}

LevelStep::LevelStep(const QString& text, LevelChange change, Level& level, DocumentView before,
                     DocumentView after, Show show, Merge merge, int run)
    : QUndoCommand(text), change_(std::move(change)), level_(level), before_(std::move(before)),
      after_(std::move(after)), files_(FilesDiffer(before_.file, after_.file)),
      show_(std::move(show)), merge_(merge), run_(run) {}

void LevelStep::undo() {
    UndoChange(change_, level_);
    show_(before_, files_);
}

void LevelStep::redo() {
    if (done_) {
        done_ = false;
        return;
    }
    RedoChange(change_, level_);
    show_(after_, files_);
}

// The level is in the later step's after state. Taking both steps back on a copy gives the
// state before this one, and the two become one change between the ends.
bool LevelStep::mergeWith(const QUndoCommand* other) {
    const auto* next = static_cast<const LevelStep*>(other);
    if (next->files_ || files_ || next->run_ != run_) {
        return false;
    }
    LevelChange later = next->change_;
    Level start = level_;
    UndoChange(later, start);
    UndoChange(change_, start);
    change_ = DiffLevels(start, level_);
    after_ = next->after_;
    return true;
}

} // namespace kivo
