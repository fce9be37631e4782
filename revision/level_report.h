// The changes between two versions of a level in a reviewer's words, one line each.
#pragma once

#include "level_changes.h"

#include <string>
#include <vector>

namespace kivo {

// "triangle at (402.0, 255.0)".
std::string PolygonText(const PolygonView& view);

// "moved by (+12, −30) pixels", "turned 15.0° about the canvas centre", or for points moved
// in no one way "12 points moved"; empty when nothing moved.
std::string MoveText(const WholeLevelMove& move);

// The status line's verdict of a level: "can be solved", "can not be solved", or "none" for
// no level or a level without shapes.
std::string ClassicVerdict(const Level* level);

// Every change as a line: removed and added polygons with the sides they share, the movement,
// the scores, and the Classic Mode verdict before and after when it changed. Nothing when
// the two versions are the same.
std::vector<std::string> ChangeLines(const LevelChanges& changes, const Level* before,
                                     const Level* after);

} // namespace kivo
