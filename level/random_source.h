// The editor's one random generator: ids for new elements and the random part of pack names.
#pragma once

#include <cstdint>
#include <random>

namespace kivo {

// mt19937's sequence is fixed by the C++ standard, and the draw below does its own range
// reduction, so a given seed gives the same numbers on every build.
struct RandomSource {
    std::mt19937 engine;
};

RandomSource MakeRandomSource(uint32_t seed);

// A whole number drawn uniformly from 0 up to and including max (max >= 0).
int32_t RandomUpTo(RandomSource& random, int32_t max);

// The local wall-clock date and time as seconds since 1970-01-01 00:00:00, counted as if the
// local time were UTC: the seed at start-up, and part of new pack names and ids.
int64_t ClockSeconds();

} // namespace kivo
