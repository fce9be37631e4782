// Indexes that answer the element operations' questions without scanning whole lists, for
// loading and editing the largest levels. Each gives exactly what the scan in
// element_ops.h gives: the same first match in list order, the same ties, the same ids.
#pragma once

#include "level.h"
#include "random_source.h"

#include <optional>
#include <unordered_map>
#include <vector>

namespace kivo {

// The ids in use by any element, one flag per 16-bit id.
struct IdSet {
    std::vector<bool> used = std::vector<bool>(65536, false);
};

IdSet UsedIds(const Level& level);
void MarkUsed(IdSet& ids, int16_t id);

// NewUniqueId with the membership test answered by the set: the same draws, the same id.
std::optional<int16_t> NewUniqueId(const IdSet& ids, RandomSource& random);

// Chooses uniformly among the givable ids (IsGivableId) that are still free: the way out when
// random draws keep hitting taken ids on a nearly full level. None when every id is taken.
std::optional<int16_t> ChooseFreeId(const IdSet& ids, RandomSource& random);

// Points bucketed by position, so that the merge box is looked for among a few cells.
struct PointGrid {
    std::unordered_map<uint64_t, std::vector<uint32_t>> cells; // point indices, ascending
    std::vector<uint32_t> unbucketed; // points too far out (or not numbers) for a cell
};

PointGrid BuildPointGrid(const Level& level);

// AddPoint through the grid, which it keeps up to date.
int16_t AddPoint(Level& level, PointGrid& grid, int16_t id, float x, float y);

// The first connector joining each pair of points, either order.
struct ConnectorIndex {
    std::unordered_map<uint32_t, uint32_t> firstByPair;
};

ConnectorIndex BuildConnectorIndex(const Level& level);

// AddConnector through the index, which it keeps up to date.
int16_t AddConnector(Level& level, ConnectorIndex& index, int16_t id, int16_t a, int16_t b);

} // namespace kivo
