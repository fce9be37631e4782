// Moving levels between the slot files of a level folder so that, at every moment, each level
// is in exactly one slot or named in a journal. A move takes the files of `names` one place
// back: the file of names[i] goes to names[i - 1], and that of names[0] to the last name (two
// names exchange). Where the file system can, two files are exchanged in one rename; otherwise
// the journal lists the names, one a line, and the level of names[0] is held aside beside it
// while the others move. The journal stays live while its editor runs; one whose editor is gone
// is finished by the tidy-up, which completes the move.
#pragma once

#include "storage/files/file_io.h"

#include <string>
#include <vector>

namespace kivo {

// Every name but at most one must have a file when two are exchanged; with more names, all.
// When a rename fails the files go back where they were; the message says why alone.
FileResult MoveSlotFiles(const OpenFolder& levels, const std::vector<std::string>& names);

// Finishes every move in the folder whose editor is gone and removes journals that name no
// move (a kill before the journal was written). A file that is not a journal of ours is left.
void FinishInterruptedMoves(const OpenFolder& levels);

} // namespace kivo
