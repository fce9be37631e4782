// Pictures of what changed: two versions of a level on one canvas, and a merge's conflicts.
#pragma once

#include "render.h"

#include "revision/level_changes.h"
#include "revision/level_merge.h"

namespace kivo {

constexpr Colour REMOVED_COLOUR{220, 40, 40};
constexpr Colour ADDED_COLOUR{30, 160, 60};
constexpr Colour STAYED_COLOUR{170, 170, 170};
constexpr Colour THEIRS_COLOUR{40, 80, 220};

// Removed in red, added in green, what stayed in grey; `before` or `after` may be null.
Picture DiffPicture(const Level* before, const Level* after, const LevelChanges& changes,
                    const RenderOptions& options);

// The base in grey, ours' polygons of each conflict in red and theirs' in blue.
Picture ConflictPicture(const Level& base, const std::vector<MergeConflict>& conflicts,
                        const RenderOptions& options);

} // namespace kivo
