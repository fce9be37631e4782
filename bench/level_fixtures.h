// Levels for the benchmarks, built click by click through the real placement.
#pragma once

#include "level/level.h"

#include <QString>

#include <string>
#include <vector>

namespace kivo {

// A field of triangles grown from lattice clicks until it has `shapes` shapes or the level
// runs out of ids. Level coordinates are not bound to the canvas, so the field can be as
// large as it needs to be.
Level TriangleField(int shapes);

// The canvas covered once with polygons of mixed side counts: a level of realistic size.
Level CoveredCanvas();

size_t ElementCount(const Level& level);

// A level the benchmarks measure, by the name their rows carry, and the file it is kept in.
struct BenchLevel {
    std::string name;
    QString path;
    Level level;
};

// The named levels, of "100", "1000", "10000", "largest" and "canvas": fields of triangles of
// about 100, 1,000 and 10,000 elements, the largest level that fits, and the canvas covered
// once. Each is kept in the fixture folder beside the program, built and saved there the
// first time, so that every benchmark program measures the same levels.
std::vector<BenchLevel> BenchLevels(const std::vector<std::string>& names);

// What a row's name ends with: "/largest (32033)".
std::string RowSuffix(const BenchLevel& level);

} // namespace kivo
