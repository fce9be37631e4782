// A count with its noun in the right number: "1 level", "2 levels". Summaries in the overview,
// the contact sheet and kivo-level's check all count this way.
#pragma once

#include <string>

namespace kivo {

inline std::string CountedNoun(long long count, const char* one, const char* many) {
    return std::to_string(count) + ' ' + (count == 1 ? one : many);
}

} // namespace kivo
