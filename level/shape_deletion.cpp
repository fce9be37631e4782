#include "shape_deletion.h"

#include "reference_scans.h"

#include <algorithm>
#include <bitset>
#include <memory>

namespace kivo {

namespace {

// One flag for every 16-bit id.
using IdFlags = std::bitset<65536>;

size_t Slot(int16_t id) {
    return static_cast<uint16_t>(id);
}

void FlagOutline(const Shape& shape, IdFlags& flags) {
    for (int k = 0; k < OutlineLength(shape); ++k) {
        flags.set(Slot(shape.connectorIds[k]));
    }
}

template <typename T> void Compact(std::vector<T>& list, const std::vector<size_t>& removed) {
    if (removed.empty()) {
        return;
    }
    size_t kept = removed.front();
    size_t next = 0;
    for (size_t i = removed.front(); i < list.size(); ++i) {
        if (next < removed.size() && removed[next] == i) {
            ++next;
        } else {
            list[kept++] = list[i];
        }
    }
    list.resize(kept);
}

} // namespace

// A connector goes when a deleted shape's outline holds it and no other shape's does; a point
// goes when a connector that goes ends at it and none that stays does. Ids may repeat in a
// loaded file, so every element with a chosen id goes.
ShapeDeletion PlanShapeDeletion(const Level& level, int16_t shapeId) {
    ShapeDeletion plan;
    struct Flags {
        IdFlags outlined, otherOutlined, goneEnd, keptEnd;
    };
    const auto flags = std::make_unique<Flags>();
    for (size_t i = 0; i < level.shapes.size(); ++i) {
        const Shape& shape = level.shapes[i];
        if (shape.id == shapeId) {
            plan.shapes.push_back(i);
        }
        FlagOutline(shape, shape.id == shapeId ? flags->outlined : flags->otherOutlined);
    }
    if (plan.shapes.empty()) {
        return plan;
    }
    for (size_t i = 0; i < level.connectors.size(); ++i) {
        const Connector& c = level.connectors[i];
        const bool goes = flags->outlined[Slot(c.id)] && !flags->otherOutlined[Slot(c.id)];
        if (goes) {
            plan.connectors.push_back(i);
        }
        IdFlags& ends = goes ? flags->goneEnd : flags->keptEnd;
        ends.set(Slot(c.pointIds[0]));
        ends.set(Slot(c.pointIds[1]));
    }
    for (size_t i = 0; i < level.points.size(); ++i) {
        const size_t id = Slot(level.points[i].id);
        if (flags->goneEnd[id] && !flags->keptEnd[id]) {
            plan.points.push_back(i);
        }
    }
    return plan;
}

void RemovePlanned(Level& level, const ShapeDeletion& plan) {
    Compact(level.points, plan.points);
    Compact(level.connectors, plan.connectors);
    Compact(level.shapes, plan.shapes);
}

bool DeleteShape(Level& level, int16_t shapeId) {
    const ShapeDeletion plan = PlanShapeDeletion(level, shapeId);
    RemovePlanned(level, plan);
    return !plan.shapes.empty();
}

// The cascade as first written: each shape, then each of its connectors, then each of their
// points, asking the level as it stands at that moment.
namespace {

bool OtherShapeUses(const Level& level, int16_t shapeId, int16_t connectorId) {
    for (const Shape& other : level.shapes) {
        if (other.id == shapeId) {
            continue;
        }
        const int16_t* ids = other.connectorIds;
        if (std::find(ids, ids + OutlineLength(other), connectorId) != ids + OutlineLength(other)) {
            return true;
        }
    }
    return false;
}

bool OtherConnectorEndsAt(const Level& level, int16_t connectorId, int16_t pointId) {
    for (const Connector& other : level.connectors) {
        if (other.id != connectorId &&
            (other.pointIds[0] == pointId || other.pointIds[1] == pointId)) {
            return true;
        }
    }
    return false;
}

void DeletePoint(Level& level, int16_t pointId) {
    auto& points = level.points;
    points.erase(std::remove_if(points.begin(), points.end(),
                                [pointId](const Point& p) { return p.id == pointId; }),
                 points.end());
}

// Removes the element it is visiting and goes on with the one that followed it, which now
// stands at the same index.
void DeleteConnector(Level& level, int16_t connectorId) {
    for (size_t i = 0; i < level.connectors.size();) {
        if (level.connectors[i].id != connectorId) {
            ++i;
            continue;
        }
        const Connector connector = level.connectors[i];
        for (int16_t pointId : connector.pointIds) {
            if (!OtherConnectorEndsAt(level, connectorId, pointId)) {
                DeletePoint(level, pointId);
            }
        }
        level.connectors.erase(level.connectors.begin() + std::ptrdiff_t(i));
    }
}

} // namespace

bool DeleteShapeByScan(Level& level, int16_t shapeId) {
    bool removed = false;
    for (size_t i = 0; i < level.shapes.size();) {
        if (level.shapes[i].id != shapeId) {
            ++i;
            continue;
        }
        const Shape shape = level.shapes[i];
        for (int k = 0; k < OutlineLength(shape); ++k) {
            if (!OtherShapeUses(level, shapeId, shape.connectorIds[k])) {
                DeleteConnector(level, shape.connectorIds[k]);
            }
        }
        level.shapes.erase(level.shapes.begin() + std::ptrdiff_t(i));
        removed = true;
    }
    return removed;
}

} // namespace kivo
