#include "level_step.h"

namespace kivo {

bool FilesDiffer(const ShellView& a, const ShellView& b) {
    return a.currentFile != b.currentFile || a.titleFile != b.titleFile;
}

LevelStep::LevelStep(const QString& text, LevelChange change, Level& level, ShellView before,
                     ShellView after, Show show)
    : change_(std::move(change)), level_(level), before_(std::move(before)),
      after_(std::move(after)), files_(FilesDiffer(before_, after_)), show_(std::move(show)) {
    // The part after the line break is the action text, left empty so that the menu items
    // read "Undo" and "Redo"; the text names the step in a history view.
    setText(text + QLatin1Char('\n'));
}

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

} // namespace kivo
