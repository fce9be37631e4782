#include "id_problems.h"

#include "level/element_index.h"
#include "level/element_ops.h"

namespace kivo {

namespace {

template <typename T> IdSet IdsOf(const std::vector<T>& elements) {
    IdSet ids;
    for (const T& e : elements) {
        MarkUsed(ids, e.id);
    }
    return ids;
}

} // namespace

std::vector<QString> IdProblems(const Level& level) {
    std::vector<QString> problems;
    const IdSet points = IdsOf(level.points);
    const IdSet connectors = IdsOf(level.connectors);
    for (size_t i = 0; i < level.points.size(); ++i) {
        if (level.points[i].id == NO_ELEMENT_ID) {
            problems.push_back(
                QStringLiteral("point %1 has id 0, which a click never finds").arg(i + 1));
        }
    }
    for (size_t i = 0; i < level.connectors.size(); ++i) {
        const Connector& c = level.connectors[i];
        if (c.id == NO_ELEMENT_ID) {
            problems.push_back(
                QStringLiteral("connector %1 has id 0, which the editor never gives").arg(i + 1));
        }
        if (IsUsed(points, c.id)) {
            problems.push_back(QStringLiteral("connector %1 has id %2, which a point has too")
                                   .arg(i + 1)
                                   .arg(c.id));
        }
        for (int16_t id : c.pointIds) {
            if (!IsUsed(points, id)) {
                problems.push_back(
                    QStringLiteral("connector %1 (id %2) ends at point id %3, which no point has")
                        .arg(i + 1)
                        .arg(c.id)
                        .arg(id));
            }
        }
    }
    for (size_t i = 0; i < level.shapes.size(); ++i) {
        const Shape& s = level.shapes[i];
        for (int k = 0; k < OutlineLength(s); ++k) {
            if (!IsUsed(connectors, s.connectorIds[k])) {
                problems.push_back(
                    QStringLiteral(
                        "shape %1, outline entry %2, names connector id %3, which no connector has")
                        .arg(i + 1)
                        .arg(k + 1)
                        .arg(s.connectorIds[k]));
            }
        }
    }
    return problems;
}

} // namespace kivo
