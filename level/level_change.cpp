#include "level_change.h"

#include <algorithm>

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

} // namespace

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
