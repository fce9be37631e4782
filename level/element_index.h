// Indexes that answer the element operations' questions without scanning whole lists, for
// loading and editing the largest levels. Each gives exactly what the scan in
// element_ops.h gives: the same first match in list order, the same ties, the same ids.
#pragma once

#include "level.h"
#include "random_source.h"

#include <optional>
#include <vector>

namespace kivo {

// The ids in use by any element, one flag per 16-bit id.
struct IdSet {
    std::vector<bool> used = std::vector<bool>(65536, false);
};

IdSet UsedIds(const Level& level);
void MarkUsed(IdSet& ids, int16_t id);
bool IsUsed(const IdSet& ids, int16_t id);

// NewUniqueId with the membership test answered by the set: the same draws, the same id.
std::optional<int16_t> NewUniqueId(const IdSet& ids, RandomSource& random);

// Chooses uniformly among the givable ids (IsGivableId) that are still free: the way out when
// random draws keep hitting taken ids on a nearly full level. None when every id is taken.
std::optional<int16_t> ChooseFreeId(const IdSet& ids, RandomSource& random);

// Points bucketed by position, so that the merge box is looked for among a few cells. The
// cells sit in one open-addressed table and chain their points through `next`, so that
// adding a point allocates nothing but the occasional growth of a list.
struct PointGrid {
    std::vector<uint64_t> keys;       // a cell's key, where `heads` holds a point
    std::vector<uint32_t> heads;      // the cell's latest point index, or none
    std::vector<uint32_t> next;       // by point index: the cell's point before it, or none
    size_t cells = 0;                 // occupied slots
    std::vector<uint32_t> unbucketed; // points too far out (or not numbers) for a cell
};

PointGrid BuildPointGrid(const Level& level);
// Makes room for this many points, as a reader that knows the count ahead does.
void Reserve(PointGrid& grid, size_t points);

// AddPoint through the grid, which it keeps up to date.
int16_t AddPoint(Level& level, PointGrid& grid, int16_t id, float x, float y);

// The first connector joining each pair of points, either order, in one open-addressed table.
struct ConnectorIndex {
    std::vector<uint32_t> pairs;  // the pair's key, where `firsts` holds a connector
    std::vector<uint32_t> firsts; // the first connector's index, or none
    size_t used = 0;
};

ConnectorIndex BuildConnectorIndex(const Level& level);
void Reserve(ConnectorIndex& index, size_t connectors);

// AddConnector through the index, which it keeps up to date.
int16_t AddConnector(Level& level, ConnectorIndex& index, int16_t id, int16_t a, int16_t b);

} // namespace kivo
