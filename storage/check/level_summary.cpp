#include "level_summary.h"

#include "level/status_line.h"

#include <algorithm>

namespace kivo {

LevelSummary Summarize(const Level& level) {
    LevelSummary summary;
    summary.points = level.points.size();
    summary.connectors = level.connectors.size();
    summary.shapes = level.shapes.size();
    for (const Shape& s : level.shapes) {
        // A shape read with no entries, or a single one, has no sides rather than fewer.
        ++summary.shapesBySides[std::max(0, EntryTotal(s) - 1)];
    }
    summary.smallestSideCount = SmallestSideCount(level);
    summary.solvable =
        IsClassicModeSolvable(int16_t(level.connectors.size()), int8_t(summary.smallestSideCount));
    summary.verdict =
        QString::fromLatin1(summary.solvable ? SOLVABLE_TEXT : NOT_SOLVABLE_TEXT).trimmed();
    summary.targetScore = QString::fromStdString(level.targetScore);
    summary.expertScore = QString::fromStdString(level.expertScore);
    return summary;
}

} // namespace kivo
