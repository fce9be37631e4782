#include "level_step.h"

namespace kivo {

// Every view that comes with other disk bytes comes with a saved level of its own, so the
// pointers tell them apart without comparing a file's bytes at every edit.
bool FilesDiffer(const FileView& a, const FileView& b) {
    return a.currentFile != b.currentFile || a.titleFile != b.titleFile || a.saved != b.saved;
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
