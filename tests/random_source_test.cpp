#include "level/random_source.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <set>
#include <string>

namespace kivo {
namespace {

TEST(RandomSource, DrawsEveryValueOfTheRangeAndNothingOutside) {
    RandomSource random = MakeRandomSource(7);
    std::set<int32_t> seen;
    for (int i = 0; i < 2000; ++i) {
        const int32_t v = RandomUpTo(random, 10);
        ASSERT_GE(v, 0);
        ASSERT_LE(v, 10);
        seen.insert(v);
    }
    EXPECT_EQ(seen.size(), 11u);
}

TEST(RandomSource, SameSeedGivesSameSequence) {
    RandomSource a = MakeRandomSource(1234);
    RandomSource b = MakeRandomSource(1234);
    RandomSource c = MakeRandomSource(1235);
    bool differs = false;
    for (int i = 0; i < 100; ++i) {
        const int32_t va = RandomUpTo(a, 32768);
        EXPECT_EQ(va, RandomUpTo(b, 32768));
        differs = differs || va != RandomUpTo(c, 32768);
    }
    EXPECT_TRUE(differs);
}

TEST(RandomSource, ClockSecondsCountLocalTimeAsIfItWereUtc) {
    // POSIX "UTC-5" is five hours east of Greenwich: local time runs 18000 s ahead of UTC.
    const char* saved = std::getenv("TZ");
    const std::string previous = saved ? saved : "";
    setenv("TZ", "UTC-5", 1);
    tzset();
    const std::time_t before = std::time(nullptr);
    const int64_t seconds = ClockSeconds();
    const std::time_t after = std::time(nullptr);
    saved ? setenv("TZ", previous.c_str(), 1) : unsetenv("TZ");
    tzset();
    EXPECT_GE(seconds, int64_t(before) + 18000);
    EXPECT_LE(seconds, int64_t(after) + 18000);
}

} // namespace
} // namespace kivo
