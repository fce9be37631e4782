#include "level/random_source.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <set>
#include <string>

namespace kivo {
namespace {

TEST(RandomSource, DrawsEveryValueOfTheRangeAndTheSameForTheSameSeed) {
    RandomSource random = MakeRandomSource(7);
    RandomSource same = MakeRandomSource(7);
    RandomSource other = MakeRandomSource(8);
    std::set<int32_t> seen;
    bool differs = false;
    for (int i = 0; i < 2000; ++i) {
        const int32_t v = RandomUpTo(random, 10);
        ASSERT_TRUE(v >= 0 && v <= 10) << v;
        ASSERT_EQ(RandomUpTo(same, 10), v);
        differs = differs || RandomUpTo(other, 10) != v;
        seen.insert(v);
    }
    EXPECT_EQ(seen.size(), 11u);
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
