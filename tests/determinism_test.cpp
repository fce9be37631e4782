// A long, fixed session of edits must save the same bytes from every compiler and build type:
// any rounding an optimiser drops or fuses away shows here as a different byte.
#include "construction/level_transform.h"
#include "construction/polygon.h"
#include "level/element_ops.h"
#include "level/shape_deletion.h"
#include "storage/level/level_file.h"
#include "test_files.h"

#include <QDir>

#include <algorithm>

#include <gtest/gtest.h>

namespace kivo {
namespace {

const QString GOLDEN = QStringLiteral(KIVO_TEST_DATA "/long_session.kvo");

// 3000 steps over the canvas (level pixels 153 ... 653 by 63 ... 477): clicks of every side
// count in turn, right-click deletions, turns to random slider positions (so both ways, by
// odd angles) and now and then a centring.
Level LongSession() {
    Level level;
    RandomSource ids = MakeRandomSource(2026);
    RandomSource dice = MakeRandomSource(7);
    for (int step = 0; step < 3000; ++step) {
        const float x = float(153 + RandomUpTo(dice, 500));
        const float y = float(63 + RandomUpTo(dice, 414));
        if (step % 13 == 12) {
            DeleteShape(level, NearestShape(level, x, y));
        } else if (step % 17 == 16) {
            RotateLevel(level, float(RandomUpTo(dice, 360)));
        } else if (step % 97 == 96) {
            CenterLevel(level);
        } else {
            PlacePolygon(level, ids, x, y, uint8_t(MIN_SIDE_COUNT + step % 10));
        }
    }
    return level;
}

TEST(Determinism, ALongSessionSavesTheSameBytesOnEveryBuild) {
    const QByteArray bytes = EncodeLevel(LongSession()).bytes;
    const QByteArray expected = ReadAll(GOLDEN);
    ASSERT_FALSE(expected.isEmpty()) << GOLDEN.toStdString();
    if (bytes != expected) {
        const QString actual = QDir::temp().filePath(QStringLiteral("long_session.kvo"));
        Write(actual, bytes);
        const auto at = std::mismatch(bytes.begin(), bytes.end(), expected.begin(), expected.end());
        FAIL() << "the bytes differ from offset " << (at.first - bytes.begin())
               << " on; this build's are in " << actual.toStdString();
    }
}

} // namespace
} // namespace kivo
