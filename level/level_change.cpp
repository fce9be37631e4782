#include "level_change.h"

#include "shape_deletion.h"

#include <algorithm>
#include <cassert>

namespace kivo {

namespace {

template <typename T>
ListChange<T> DiffList(const std::vector<T>& before, const std::vector<T>& after) {
    using Kind = typename ListChange<T>::Kind;
    ListChange<T> change;
    const size_t common = std::min(before.size(), after.size());
    const auto firstDifference =
        std::mismatch(before.begin(), before.begin() + std::ptrdiff_t(common), after.begin()).first;
    const size_t prefix = size_t(firstDifference - before.begin());
    if (prefix == before.size()) {
        change.kind = prefix == after.size() ? Kind::Same : Kind::Appended;
        change.elements.assign(after.begin() + std::ptrdiff_t(prefix), after.end());
        return change;
    }
    // Is `after` what is left of `before` once some elements are taken out?
    size_t j = prefix;
    for (size_t i = prefix; i < before.size(); ++i) {
        if (j < after.size() && before[i] == after[j]) {
            ++j;
        } else {
            change.indices.push_back(i);
            change.elements.push_back(before[i]);
        }
    }
    if (j == after.size()) {
        change.kind = Kind::Removed;
        return change;
    }
    change.indices.clear();
    change.kind = Kind::Replaced;
    change.elements = before;
    return change;
}

template <typename T> void Backward(ListChange<T>& change, std::vector<T>& list) {
    using Kind = typename ListChange<T>::Kind;
    switch (change.kind) {
    case Kind::Same:
        break;
    case Kind::Appended:
        list.resize(list.size() - change.elements.size());
        break;
    case Kind::Removed:
        for (size_t k = 0; k < change.indices.size(); ++k) {
            list.insert(list.begin() + std::ptrdiff_t(change.indices[k]), change.elements[k]);
        }
        break;
    case Kind::Replaced:
        list.swap(change.elements);
        break;
    }
}

template <typename T> void Forward(ListChange<T>& change, std::vector<T>& list) {
    using Kind = typename ListChange<T>::Kind;
    switch (change.kind) {
    case Kind::Same:
        break;
    case Kind::Appended:
        list.insert(list.end(), change.elements.begin(), change.elements.end());
        break;
    case Kind::Removed:
        for (size_t k = change.indices.size(); k-- > 0;) {
            list.erase(list.begin() + std::ptrdiff_t(change.indices[k]));
        }
        break;
    case Kind::Replaced:
        list.swap(change.elements);
        break;
    }
}

LevelValues ValuesOf(const Level& level) {
    return {level.pointCount,        level.connectorCount,    level.shapeCount,
            level.smallestSideCount, level.lastRotationAngle, level.targetScore,
            level.expertScore};
}

bool SameScores(const LevelValues& a, const LevelValues& b) {
    return a.targetScore == b.targetScore && a.expertScore == b.expertScore;
}

void SetValues(Level& level, const LevelValues& values, bool scores) {
    level.pointCount = values.pointCount;
    level.connectorCount = values.connectorCount;
    level.shapeCount = values.shapeCount;
    level.smallestSideCount = values.smallestSideCount;
    level.lastRotationAngle = values.lastRotationAngle;
    if (scores) {
        level.targetScore = values.targetScore;
        level.expertScore = values.expertScore;
    }
}

// The elements at the planned indices, as a removal Backward puts back.
template <typename T>
ListChange<T> Removal(const std::vector<T>& list, const std::vector<size_t>& indices) {
    ListChange<T> change;
    if (indices.empty()) {
        return change;
    }
    change.kind = ListChange<T>::Kind::Removed;
    change.indices = indices;
    change.elements.reserve(indices.size());
    for (size_t i : indices) {
        change.elements.push_back(list[i]);
    }
    return change;
}

template <typename T> ListChange<T> Appended(const std::vector<T>& list, size_t before) {
    ListChange<T> change;
    if (list.size() > before) {
        change.kind = ListChange<T>::Kind::Appended;
        change.elements.assign(list.begin() + std::ptrdiff_t(before), list.end());
    }
    return change;
}

// `before` becomes the step's copy unless the list came out the same.
template <typename T> ListChange<T> Whole(std::vector<T>&& before, const std::vector<T>& after) {
    ListChange<T> change;
    if (before != after) {
        change.kind = ListChange<T>::Kind::Replaced;
        change.elements = std::move(before);
    }
    return change;
}

// Placement only appends connectors, but its refresh of every connector's ends can rewrite
// the ones in place when a file left them stale.
ListChange<Connector> Placed(std::vector<Connector>&& before, const std::vector<Connector>& after) {
    const bool inPlace =
        after.size() >= before.size() && std::equal(before.begin(), before.end(), after.begin());
    return inPlace ? Appended(after, before.size()) : Whole(std::move(before), after);
}

// Whether the lists changed length as the reach allows: an edit that went beyond its reach
// would leave a step that cannot take it back.
[[maybe_unused]] bool WithinReach(const ChangeRecorder& r, const Level& level) {
    const size_t lengths[] = {level.points.size(), level.connectors.size(), level.shapes.size()};
    const size_t before[] = {r.pointsBefore, r.connectorsBefore, r.shapesBefore};
    const size_t removed[] = {r.change.points.elements.size(), r.change.connectors.elements.size(),
                              r.change.shapes.elements.size()};
    for (int list = 0; list < 3; ++list) {
        const bool fits = r.kind == ReachKind::Whole     ? true
                          : r.kind == ReachKind::Appends ? lengths[list] >= before[list]
                          : r.kind == ReachKind::Values
                              ? lengths[list] == before[list]
                              : lengths[list] + removed[list] == before[list];
        if (!fits) {
            return false;
        }
    }
    return true;
}

} // namespace

ChangeRecorder BeginChange(const Level& level, const ChangeReach& reach) {
    ChangeRecorder recorder;
    recorder.kind = reach.kind;
    recorder.change.before = ValuesOf(level);
    recorder.pointsBefore = level.points.size();
    recorder.connectorsBefore = level.connectors.size();
    recorder.shapesBefore = level.shapes.size();
    switch (reach.kind) {
    case ReachKind::Values:
        break;
    case ReachKind::Appends:
        recorder.connectors = level.connectors;
        break;
    case ReachKind::Removes:
        recorder.change.points = Removal(level.points, reach.deletion.points);
        recorder.change.connectors = Removal(level.connectors, reach.deletion.connectors);
        recorder.change.shapes = Removal(level.shapes, reach.deletion.shapes);
        break;
    case ReachKind::Whole:
        recorder.points = level.points;
        recorder.connectors = level.connectors;
        recorder.shapes = level.shapes;
        break;
    }
    return recorder;
}

LevelChange EndChange(ChangeRecorder&& recorder, const Level& level) {
    assert(WithinReach(recorder, level));
    LevelChange change = std::move(recorder.change);
    change.after = ValuesOf(level);
    switch (recorder.kind) {
    case ReachKind::Values:
    case ReachKind::Removes:
        break;
    case ReachKind::Appends:
        change.points = Appended(level.points, recorder.pointsBefore);
        change.connectors = Placed(std::move(recorder.connectors), level.connectors);
        change.shapes = Appended(level.shapes, recorder.shapesBefore);
        break;
    case ReachKind::Whole:
        change.points = Whole(std::move(recorder.points), level.points);
        change.connectors = Whole(std::move(recorder.connectors), level.connectors);
        change.shapes = Whole(std::move(recorder.shapes), level.shapes);
        break;
    }
    return change;
}

LevelChange DiffLevels(const Level& before, const Level& after) {
    return {DiffList(before.points, after.points), DiffList(before.connectors, after.connectors),
            DiffList(before.shapes, after.shapes), ValuesOf(before), ValuesOf(after)};
}

void UndoChange(LevelChange& change, Level& level) {
    Backward(change.points, level.points);
    Backward(change.connectors, level.connectors);
    Backward(change.shapes, level.shapes);
    SetValues(level, change.before, !SameScores(change.before, change.after));
}

void RedoChange(LevelChange& change, Level& level) {
    Forward(change.points, level.points);
    Forward(change.connectors, level.connectors);
    Forward(change.shapes, level.shapes);
    SetValues(level, change.after, !SameScores(change.before, change.after));
}

bool IsEmpty(const LevelChange& change) {
    using PointKind = ListChange<Point>::Kind;
    const LevelValues& a = change.before;
    const LevelValues& b = change.after;
    return change.points.kind == PointKind::Same &&
           change.connectors.kind == ListChange<Connector>::Kind::Same &&
           change.shapes.kind == ListChange<Shape>::Kind::Same && a.pointCount == b.pointCount &&
           a.connectorCount == b.connectorCount && a.shapeCount == b.shapeCount &&
           a.smallestSideCount == b.smallestSideCount &&
           a.lastRotationAngle == b.lastRotationAngle && SameScores(a, b);
}

} // namespace kivo
