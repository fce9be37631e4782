#include "random_source.h"

#include <ctime>

namespace kivo {

RandomSource MakeRandomSource(uint32_t seed) {
    return RandomSource{std::mt19937(seed)};
}

int32_t RandomUpTo(RandomSource& random, int32_t max) {
    const uint64_t span = uint64_t(max) + 1;
    const uint64_t range = uint64_t(std::mt19937::max()) + 1;
    // Reject the top remainder of the engine's range so that every value is equally likely.
    const uint64_t limit = range - range % span;
    uint64_t draw = random.engine();
    while (draw >= limit) {
        draw = random.engine();
    }
    return static_cast<int32_t>(draw % span);
}

int64_t ClockSeconds() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return int64_t(now) + local.tm_gmtoff;
}

} // namespace kivo
