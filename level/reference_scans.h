// The plain scans that the level's indexed operations must agree with, kept for the tests
// that compare the two and the benchmarks that measure the difference. The editor itself
// uses the operations of element_ops.h.
#pragma once

#include "level.h"

namespace kivo {

// RefreshConnectorEnds with each point looked up by scanning the points.
void RefreshConnectorEndsByScan(Level& level);

// DeleteShape as a cascade over the level as it shrinks: each connector and point asks the
// lists that are left whether anything else still uses it.
bool DeleteShapeByScan(Level& level, int16_t shapeId);

} // namespace kivo
