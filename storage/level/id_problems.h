// What makes a level unsound beyond its bytes. The reader keeps the ids a file gives, and the
// game would follow a dangling one into nothing.
#pragma once

#include "level/level.h"

#include <QString>

#include <vector>

namespace kivo {

// One message per fault, in list order: points and connectors with the id searches return
// for none (shapes have no stored id: the reader numbers them from 0), ids a level refers to
// that name no element (connector ends and outline connectors), and ids a point and a
// connector share.
std::vector<QString> IdProblems(const Level& level);

} // namespace kivo
