// How the programs hold the memory of the levels they load.
#pragma once

namespace kivo {

// Tells the C library to keep the memory of freed levels for the next ones. A large level
// takes a few megabytes; by default that memory is mapped afresh for every load and handed
// back when the level goes, so each load pays a page fault for every page, which costs several
// times the reading itself. Kept, the next load reuses pages already mapped. Call once, at the
// start of a program, before any thread starts.
void KeepLevelMemory();

} // namespace kivo
