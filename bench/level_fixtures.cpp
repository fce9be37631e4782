#include "level_fixtures.h"

#include "construction/polygon.h"
#include "storage/level/level_file.h"

#include <QCoreApplication>
#include <QDir>

#include <cmath>
#include <map>

namespace kivo {

namespace {

// Triangles of side 30 tile the plane in rows 25.98 pixels high; in row r the k-th
// triangle's centre lies at x = 15 + 15 k, a third of the row down when it points down and
// two thirds down when it points up.
constexpr double ROW_HEIGHT = 25.980762;

} // namespace

Level TriangleField(int shapes) {
    Level level;
    RandomSource random = MakeRandomSource(1);
    const int rows = std::max(1, int(std::sqrt(shapes / 2.0)));
    const int columns = shapes / rows + 2;
    for (int pass = 0; pass < 6 && int(level.shapes.size()) < shapes; ++pass) {
        const size_t before = level.shapes.size();
        for (int r = 0; r < rows && int(level.shapes.size()) < shapes; ++r) {
            for (int k = 0; k < columns && int(level.shapes.size()) < shapes; ++k) {
                const bool down = (k + r) % 2 == 0;
                const double x = 100.0 + 15.0 + 15.0 * k;
                const double y = 100.0 + ROW_HEIGHT * (r + (down ? 1.0 / 3.0 : 2.0 / 3.0));
                if (PlacePolygon(level, random, float(x), float(y), 3) == PlaceResult::LevelFull) {
                    return level;
                }
            }
        }
        if (level.shapes.size() == before) {
            break;
        }
    }
    return level;
}

Level CoveredCanvas() {
    Level level;
    RandomSource random = MakeRandomSource(2);
    RandomSource sides = MakeRandomSource(3);
    // The canvas spans level pixels (153, 63) to (653, 477).
    for (int y = 80; y < 470; y += 24) {
        for (int x = 170; x < 640; x += 24) {
            const uint8_t n = uint8_t(3 + RandomUpTo(sides, 9));
            PlacePolygon(level, random, float(x), float(y), n);
        }
    }
    return level;
}

size_t ElementCount(const Level& level) {
    return level.points.size() + level.connectors.size() + level.shapes.size();
}

std::vector<BenchLevel> BenchLevels(const std::vector<std::string>& names) {
    const std::map<std::string, Level (*)()> makers{
        {"100", [] { return TriangleField(34); }},
        {"1000", [] { return TriangleField(334); }},
        {"10000", [] { return TriangleField(3334); }},
        {"largest", [] { return TriangleField(11000); }},
        {"canvas", CoveredCanvas},
    };
    const QString folder = QCoreApplication::applicationDirPath() + "/fixtures";
    std::vector<BenchLevel> levels;
    for (const std::string& name : names) {
        BenchLevel& named = levels.emplace_back();
        named.name = name;
        named.path = QDir(folder).filePath(QString::fromStdString(name) + ".kvo");
        if (!LoadLevel(named.level, named.path).result.ok) {
            // Saved and loaded back, so that a first run measures the level later runs load.
            Level made = makers.at(name)();
            QDir().mkpath(folder);
            SaveLevel(made, named.path);
            LoadLevel(named.level, named.path);
        }
    }
    return levels;
}

std::string RowSuffix(const BenchLevel& level) {
    return "/" + level.name + " (" + std::to_string(ElementCount(level.level)) + ")";
}

} // namespace kivo
