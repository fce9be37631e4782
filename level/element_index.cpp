#include "element_index.h"

#include "element_ops.h"

#include <algorithm>
#include <cmath>

namespace kivo {

namespace {

// Twice the merge tolerance, so that a merge box spans at most two cells on each axis.
constexpr double GRID_CELL = 2 * MERGE_TOLERANCE;
// Coordinates beyond this are kept out of the cells, where they could not be numbered.
constexpr double GRID_LIMIT = 1.0e9;

size_t Slot(int16_t id) {
    return static_cast<uint16_t>(id);
}

bool Bucketable(double v) {
    return std::isfinite(v) && std::fabs(v) < GRID_LIMIT;
}

int64_t CellOf(double v) {
    return static_cast<int64_t>(std::floor(v / GRID_CELL));
}

uint64_t Key(int64_t cx, int64_t cy) {
    return (static_cast<uint64_t>(static_cast<uint32_t>(cx)) << 32) | static_cast<uint32_t>(cy);
}

void Insert(PointGrid& grid, const Point& p, uint32_t index) {
    if (Bucketable(p.x) && Bucketable(p.y)) {
        grid.cells[Key(CellOf(p.x), CellOf(p.y))].push_back(index);
    } else {
        grid.unbucketed.push_back(index);
    }
}

// The lowest index of a point whose merge box holds (x, y), or points.size() for none.
uint32_t FirstInBox(const Level& level, const PointGrid& grid, float x, float y) {
    uint32_t best = uint32_t(level.points.size());
    auto consider = [&](uint32_t i) {
        if (i < best && InMergeBox(level.points[i], x, y)) {
            best = i;
        }
    };
    // One cell of margin on each side keeps rounding at cell edges from hiding a point.
    for (int64_t cx = CellOf(double(x) - MERGE_TOLERANCE) - 1;
         cx <= CellOf(double(x) + MERGE_TOLERANCE) + 1; ++cx) {
        for (int64_t cy = CellOf(double(y) - MERGE_TOLERANCE) - 1;
             cy <= CellOf(double(y) + MERGE_TOLERANCE) + 1; ++cy) {
            const auto cell = grid.cells.find(Key(cx, cy));
            if (cell != grid.cells.end()) {
                std::for_each(cell->second.begin(), cell->second.end(), consider);
            }
        }
    }
    std::for_each(grid.unbucketed.begin(), grid.unbucketed.end(), consider);
    return best;
}

uint32_t PairKey(int16_t a, int16_t b) {
    const auto low = static_cast<uint16_t>(std::min(a, b));
    const auto high = static_cast<uint16_t>(std::max(a, b));
    return (uint32_t(low) << 16) | high;
}

} // namespace

IdSet UsedIds(const Level& level) {
    IdSet ids;
    for (const Point& p : level.points) {
        MarkUsed(ids, p.id);
    }
    for (const Connector& c : level.connectors) {
        MarkUsed(ids, c.id);
    }
    for (const Shape& s : level.shapes) {
        MarkUsed(ids, s.id);
    }
    return ids;
}

void MarkUsed(IdSet& ids, int16_t id) {
    ids.used[Slot(id)] = true;
}

std::optional<int16_t> NewUniqueId(const IdSet& ids, RandomSource& random) {
    for (int attempt = 0; attempt < MAX_RANDOM_ID_DRAWS; ++attempt) {
        const int16_t id = IdOfDraw(RandomUpTo(random, ID_DRAW_MAX));
        if (IsGivableId(id) && !ids.used[Slot(id)]) {
            return id;
        }
    }
    return ChooseFreeId(ids, random);
}

std::optional<int16_t> ChooseFreeId(const IdSet& ids, RandomSource& random) {
    const auto free = [&ids](int16_t id) { return IsGivableId(id) && !ids.used[Slot(id)]; };
    int32_t freeCount = 0;
    for (int32_t draw = 0; draw < ID_RANGE; ++draw) {
        freeCount += free(IdOfDraw(draw)) ? 1 : 0;
    }
    if (freeCount == 0) {
        return std::nullopt;
    }
    int32_t pick = RandomUpTo(random, freeCount - 1);
    for (int32_t draw = 0; draw < ID_RANGE; ++draw) {
        if (free(IdOfDraw(draw)) && pick-- == 0) {
            return IdOfDraw(draw);
        }
    }
    return std::nullopt;
}

PointGrid BuildPointGrid(const Level& level) {
    PointGrid grid;
    for (uint32_t i = 0; i < level.points.size(); ++i) {
        Insert(grid, level.points[i], i);
    }
    return grid;
}

int16_t AddPoint(Level& level, PointGrid& grid, int16_t id, float x, float y) {
    if (!Bucketable(x) || !Bucketable(y)) {
        const size_t before = level.points.size();
        const int16_t found = AddPoint(level, id, x, y);
        if (level.points.size() > before) {
            Insert(grid, level.points.back(), uint32_t(before));
        }
        return found;
    }
    const uint32_t first = FirstInBox(level, grid, x, y);
    if (first < level.points.size()) {
        return level.points[first].id;
    }
    level.points.push_back(Point{id, x, y});
    Insert(grid, level.points.back(), first);
    return id;
}

ConnectorIndex BuildConnectorIndex(const Level& level) {
    ConnectorIndex index;
    for (uint32_t i = 0; i < level.connectors.size(); ++i) {
        const Connector& c = level.connectors[i];
        index.firstByPair.emplace(PairKey(c.pointIds[0], c.pointIds[1]), i);
    }
    return index;
}

int16_t AddConnector(Level& level, ConnectorIndex& index, int16_t id, int16_t a, int16_t b) {
    const auto [slot, added] =
        index.firstByPair.emplace(PairKey(a, b), uint32_t(level.connectors.size()));
    if (!added) {
        return level.connectors[slot->second].id;
    }
    AppendConnector(level, id, a, b);
    return id;
}

} // namespace kivo
