#include "slot_changes.h"

#include <unordered_map>

namespace kivo {

std::vector<SlotOutcome> CompareSlots(const SlotContents& before, const SlotContents& after,
                                      const std::string& templateBytes) {
    const size_t count = std::max(before.size(), after.size());
    const auto at = [](const SlotContents& slots, size_t i) -> const std::optional<std::string>& {
        static const std::optional<std::string> none;
        return i < slots.size() ? slots[i] : none;
    };
    // Where each level of the old version stood, for the slots whose content changed.
    std::unordered_map<std::string, std::vector<size_t>> left;
    for (size_t i = 0; i < count; ++i) {
        const auto& was = at(before, i);
        if (was && *was != templateBytes && at(after, i) != was) {
            left[*was].push_back(i);
        }
    }
    std::vector<SlotOutcome> outcomes(count);
    for (size_t i = 0; i < count; ++i) {
        const auto& was = at(before, i);
        const auto& is = at(after, i);
        SlotOutcome& outcome = outcomes[i];
        if (was == is) {
            continue;
        }
        if (is && *is != templateBytes) {
            if (const auto found = left.find(*is); found != left.end() && !found->second.empty()) {
                const size_t from = found->second.front();
                found->second.erase(found->second.begin());
                const bool back =
                    at(after, from) && was && *was != templateBytes && *at(after, from) == *was;
                outcome = {back ? SlotChange::Exchanged : SlotChange::MovedIn, int(from)};
                continue;
            }
        }
        outcome.change = !was ? SlotChange::Added : !is ? SlotChange::Removed : SlotChange::Changed;
    }
    return outcomes;
}

} // namespace kivo
