// Levels for the benchmarks, built click by click through the real placement.
#pragma once

#include "level/level.h"

#include <QString>

namespace kivo {

// A field of triangles grown from lattice clicks until it has `shapes` shapes or the level
// runs out of ids. Level coordinates are not bound to the canvas, so the field can be as
// large as it needs to be.
Level TriangleField(int shapes);

// The canvas covered once with polygons of mixed side counts: a level of realistic size.
Level CoveredCanvas();

// The level saved in `folder` under `name`, built by `make` and saved there the first time.
Level Fixture(const QString& folder, const QString& name, Level (*make)());

size_t ElementCount(const Level& level);

} // namespace kivo
