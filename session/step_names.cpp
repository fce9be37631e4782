#include "step_names.h"

#include "level/level.h"

namespace kivo {

QString PolygonName(int sides) {
    static const char* const NAMES[] = {"Triangle",   "Square",   "Pentagon", "Hexagon",
                                        "Heptagon",   "Octagon",  "Nonagon",  "Decagon",
                                        "Hendecagon", "Dodecagon"};
    if (sides < MIN_SIDE_COUNT || sides > MAX_SIDE_COUNT) {
        return QStringLiteral("Polygon");
    }
    return QString::fromLatin1(NAMES[sides - MIN_SIDE_COUNT]);
}

} // namespace kivo
