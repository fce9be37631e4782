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

constexpr uint32_t NONE = 0xFFFFFFFFu;
constexpr size_t FIRST_TABLE_SIZE = 64;

// Fibonacci hashing onto a power-of-two table, then linear probing.
size_t SlotOf(uint64_t key, size_t tableSize) {
    return size_t((key * 0x9E3779B97F4A7C15ull) >> 32) & (tableSize - 1);
}

// The table slot of `key`: where it is, or the free slot where it would go.
template <typename K>
size_t Probe(const std::vector<K>& keys, const std::vector<uint32_t>& values, uint64_t key) {
    size_t slot = SlotOf(key, keys.size());
    while (values[slot] != NONE && keys[slot] != key) {
        slot = (slot + 1) & (keys.size() - 1);
    }
    return slot;
}

// Grows the table to hold `count` keys at most two thirds full, keeping what it holds. The
// tables stay small, so that loading a large level touches little memory besides the level.
template <typename K> void Grow(std::vector<K>& keys, std::vector<uint32_t>& values, size_t count) {
    size_t size = std::max(keys.size(), FIRST_TABLE_SIZE);
    while (2 * size < 3 * count) {
        size *= 2;
    }
    if (size == keys.size()) {
        return;
    }
    std::vector<K> oldKeys(size, K{});
    std::vector<uint32_t> oldValues(size, NONE);
    oldKeys.swap(keys);
    oldValues.swap(values);
    for (size_t i = 0; i < oldKeys.size(); ++i) {
        if (oldValues[i] != NONE) {
            const size_t slot = Probe(keys, values, oldKeys[i]);
            keys[slot] = oldKeys[i];
            values[slot] = oldValues[i];
        }
    }
}

void Insert(PointGrid& grid, const Point& p, uint32_t index) {
    if (grid.next.size() <= index) {
        grid.next.resize(size_t(index) + 1, NONE);
    }
    if (!Bucketable(p.x) || !Bucketable(p.y)) {
        grid.unbucketed.push_back(index);
        return;
    }
    Grow(grid.keys, grid.heads, grid.cells + 1);
    const uint64_t key = Key(CellOf(p.x), CellOf(p.y));
    const size_t slot = Probe(grid.keys, grid.heads, key);
    if (grid.heads[slot] == NONE) {
        grid.keys[slot] = key;
        ++grid.cells;
    }
    grid.next[index] = grid.heads[slot];
    grid.heads[slot] = index;
}

// The cells a merge box around v can reach: a little beyond its edges, by far more than the
// rounding of the box test and of the cell division can move them, so that no point whose
// box holds v lies outside.
std::pair<int64_t, int64_t> CellRange(float v) {
    const double slack = (std::fabs(double(v)) + 1.0) * 1e-12;
    return {CellOf(double(v) - MERGE_TOLERANCE - slack),
            CellOf(double(v) + MERGE_TOLERANCE + slack)};
}

// The lowest index of a point whose merge box holds (x, y), or points.size() for none.
uint32_t FirstInBox(const Level& level, const PointGrid& grid, float x, float y) {
    uint32_t best = uint32_t(level.points.size());
    auto consider = [&](uint32_t i) {
        if (i < best && InMergeBox(level.points[i], x, y)) {
            best = i;
        }
    };
    const auto [fromX, toX] = CellRange(x);
    const auto [fromY, toY] = CellRange(y);
    for (int64_t cx = fromX; cx <= toX && grid.cells > 0; ++cx) {
        for (int64_t cy = fromY; cy <= toY; ++cy) {
            const size_t slot = Probe(grid.keys, grid.heads, Key(cx, cy));
            for (uint32_t i = grid.heads[slot]; i != NONE; i = grid.next[i]) {
                consider(i);
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

bool IsUsed(const IdSet& ids, int16_t id) {
    return ids.used[Slot(id)];
}

std::optional<int16_t> NewUniqueId(const IdSet& ids, RandomSource& random) {
    for (int attempt = 0; attempt < MAX_RANDOM_ID_DRAWS; ++attempt) {
        const int16_t id = IdOfDraw(RandomUpTo(random, ID_DRAW_MAX));
        if (IsGivableId(id) && !IsUsed(ids, id)) {
            return id;
        }
    }
    return ChooseFreeId(ids, random);
}

std::optional<int16_t> ChooseFreeId(const IdSet& ids, RandomSource& random) {
    const auto free = [&ids](int16_t id) { return IsGivableId(id) && !IsUsed(ids, id); };
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
    Reserve(grid, level.points.size());
    for (uint32_t i = 0; i < level.points.size(); ++i) {
        Insert(grid, level.points[i], i);
    }
    return grid;
}

void Reserve(PointGrid& grid, size_t points) {
    Grow(grid.keys, grid.heads, points);
    grid.next.reserve(points);
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
    Reserve(index, level.connectors.size());
    for (uint32_t i = 0; i < level.connectors.size(); ++i) {
        const Connector& c = level.connectors[i];
        const uint32_t key = PairKey(c.pointIds[0], c.pointIds[1]);
        const size_t slot = Probe(index.pairs, index.firsts, key);
        if (index.firsts[slot] == NONE) {
            index.pairs[slot] = key;
            index.firsts[slot] = i;
            ++index.used;
        }
    }
    return index;
}

void Reserve(ConnectorIndex& index, size_t connectors) {
    Grow(index.pairs, index.firsts, connectors);
}

int16_t AddConnector(Level& level, ConnectorIndex& index, int16_t id, int16_t a, int16_t b) {
    Grow(index.pairs, index.firsts, index.used + 1);
    const uint32_t key = PairKey(a, b);
    const size_t slot = Probe(index.pairs, index.firsts, key);
    if (index.firsts[slot] != NONE) {
        return level.connectors[index.firsts[slot]].id;
    }
    index.pairs[slot] = key;
    index.firsts[slot] = uint32_t(level.connectors.size());
    ++index.used;
    AppendConnector(level, id, a, b);
    return id;
}

} // namespace kivo
