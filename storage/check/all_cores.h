// Work shared out over every core this process may use.
#pragma once

#include <cstddef>

namespace kivo {

// The cores this process may run on, which taskset or a container may make fewer than the
// machine has.
size_t Cores();

} // namespace kivo
