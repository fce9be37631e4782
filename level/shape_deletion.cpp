#include "shape_deletion.h"

#include <algorithm>

namespace kivo {

static bool OtherShapeUses(const Level& level, int16_t shapeId, int16_t connectorId) {
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

static bool OtherConnectorEndsAt(const Level& level, int16_t connectorId, int16_t pointId) {
    for (const Connector& other : level.connectors) {
        if (other.id != connectorId &&
            (other.pointIds[0] == pointId || other.pointIds[1] == pointId)) {
            return true;
        }
    }
    return false;
}

// The scans below remove the element they are visiting and then go on with the one that
// followed it, which now stands at the same index.
bool DeleteShape(Level& level, int16_t shapeId) {
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

void DeletePoint(Level& level, int16_t pointId) {
    auto& points = level.points;
    points.erase(std::remove_if(points.begin(), points.end(),
                                [pointId](const Point& p) { return p.id == pointId; }),
                 points.end());
}

} // namespace kivo
