// The edits of a pack's slots, each a step the editor can take back: moving levels between
// slots (an exchange of two, or Move To, which moves one level and shifts those between),
// and putting a level into a slot (Paste, Reset, Save Into Slot). An edit keeps its verb from
// the plan to the file system and back: a move renames files, never rewrites them, and tells
// where each level went. It writes nothing but slot files inside the pack's level folder,
// which it holds open while it works, so a folder swapped or linked after it was checked is
// never written. Every file is replaced whole, and an interrupted edit leaves every slot's
// level in the pack.
#pragma once

#include "pack.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace kivo {

enum class SlotVerb { Move, Put };

// A slot's whole file, or none when the slot has no file.
struct SlotContent {
    int slot = 0;
    std::optional<QByteArray> bytes;
};

// The level of slot `from` went to slot `to`.
struct SlotMove {
    int from = 0;
    int to = 0;
};

// What an edit does, planned from what the slots hold. `folder` is the level folder it was
// planned in: the edit, its undo and its redo write only into that very folder. A move lists
// its slots in `order`: the level of order[i] goes to order[i - 1], that of order[0] to the
// last; `before` and `after` are what the slots touched hold before and after it.
struct SlotEdit {
    FileResult result;
    Pack pack;
    FolderId folder;
    SlotVerb verb = SlotVerb::Put;
    std::vector<int> order;
    std::vector<SlotContent> before;
    std::vector<SlotContent> after;
};

// Each reads the slots it touches and refuses links, anything but a regular file, and a level
// folder or pack folder that is a link; nothing is written yet.
SlotEdit PlanExchange(const Pack& pack, int a, int b);
// Moves the level of `from` to `to`, and the levels between one slot towards `from`.
SlotEdit PlanMoveTo(const Pack& pack, int from, int to);
// Puts these bytes into the slot (Paste, Save Into Slot), replacing its file whole.
SlotEdit PlanPut(const Pack& pack, int slot, const QByteArray& bytes);
// Puts the data folder's template level into the slot.
SlotEdit PlanReset(const Pack& pack, int slot);

// The edit done (and redone) over what the slots held before it, and undone over what it
// left: only while the level folder is still the one planned in and each slot still holds what
// it is expected to hold. Otherwise nothing is written and the message names what changed.
// A move whose rename fails puts the files back where they were.
FileResult DoSlotEdit(const SlotEdit& edit);
FileResult UndoSlotEdit(const SlotEdit& edit);

// Where the levels went when the edit was done, or undone.
std::vector<SlotMove> MovesOf(const SlotEdit& edit, bool undone);
// What the slots hold once the edit was done, or undone.
const std::vector<SlotContent>& ContentsAfter(const SlotEdit& edit, bool undone);

} // namespace kivo
