#include "id_problems.h"

#include "level/element_ops.h"

#include <bitset>
#include <memory>

namespace kivo {

namespace {

// Which of the 65,536 ids are taken: a bit each, so that marking and asking cost next to
// nothing on a level of tens of thousands of elements.
class IdSet {
  public:
    void Insert(int16_t id) { taken_.set(uint16_t(id)); }
    bool Has(int16_t id) const { return taken_.test(uint16_t(id)); }

  private:
    std::bitset<65536> taken_;
};

template <typename T> std::unique_ptr<IdSet> IdsOf(const std::vector<T>& elements) {
    auto ids = std::make_unique<IdSet>();
    for (const T& e : elements) {
        ids->Insert(e.id);
    }
    return ids;
}

} // namespace

std::vector<QString> IdProblems(const Level& level) {
    std::vector<QString> problems;
    const std::unique_ptr<IdSet> points = IdsOf(level.points);
    const std::unique_ptr<IdSet> connectors = IdsOf(level.connectors);
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
        if (points->Has(c.id)) {
            problems.push_back(QStringLiteral("connector %1 has id %2, which a point has too")
                                   .arg(i + 1)
                                   .arg(c.id));
        }
        for (int16_t id : c.pointIds) {
            if (!points->Has(id)) {
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
            if (!connectors->Has(s.connectorIds[k])) {
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
