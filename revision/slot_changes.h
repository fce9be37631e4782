// What happened to each slot of a pack between two versions, told by the slots' contents:
// a level that left one slot and turned up in another was moved, two slots that took each
// other's levels were exchanged. A slot that holds the template is never called moved, since
// every such slot holds the same bytes.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kivo {

enum class SlotChange { Unchanged, Added, Removed, Changed, MovedIn, Exchanged };

struct SlotOutcome {
    SlotChange change = SlotChange::Unchanged;
    int from = -1; // MovedIn: the slot the level came from; Exchanged: the other slot
};

// One entry a slot: its file's bytes, or none when the file is missing. `templateBytes` is
// what an untouched slot holds.
using SlotContents = std::vector<std::optional<std::string>>;

std::vector<SlotOutcome> CompareSlots(const SlotContents& before, const SlotContents& after,
                                      const std::string& templateBytes);

} // namespace kivo
