// Ids a level refers to that name no element. A level file can carry them (the reader keeps
// what the file says), and the game would follow them into nothing.
#pragma once

#include "level/level.h"

#include <QString>

#include <vector>

namespace kivo {

// One message per dangling id: connector ends and outline connectors, in list order.
std::vector<QString> DanglingIds(const Level& level);

} // namespace kivo
