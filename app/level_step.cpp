#include "level_step.h"

namespace kivo {

LevelStep::LevelStep(const QString& text, LevelChange change, Level& level, int sliderBefore,
                     int sliderAfter, std::function<void(int)> show)
    : change_(std::move(change)), level_(level), sliderBefore_(sliderBefore),
      sliderAfter_(sliderAfter), show_(std::move(show)) {
    // The part after the line break is the action text, left empty so that the menu items
    // read "Undo" and "Redo"; the text names the step in a history view.
    setText(text + QLatin1Char('\n'));
}

void LevelStep::undo() {
    UndoChange(change_, level_);
    show_(sliderBefore_);
}

void LevelStep::redo() {
    if (done_) {
        done_ = false;
        return;
    }
    RedoChange(change_, level_);
    show_(sliderAfter_);
}

} // namespace kivo
