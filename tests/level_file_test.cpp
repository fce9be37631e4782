#include "storage/level_file.h"

#include "clicks.h"
#include "level/shape_deletion.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

namespace kivo {
namespace {

QByteArray PointRecord(int id, float x, float y) {
    return Word(id) + Float(x) + Float(y);
}

QByteArray Entry(int connector, float x, float y) {
    return Word(connector) + Float(x) + Float(y);
}

// A level of several shapes, two of them sharing a side, made by real clicks.
Level SeveralShapes() {
    Clicks c;
    c.Click(300, 200, 4);
    c.Click(315, 190, 3);
    c.Click(345, 215, 6);
    c.Click(290, 250, 5);
    c.level.targetScore = "150";
    c.level.expertScore = "-7";
    return c.level;
}

class LevelFile : public ::testing::Test {
  protected:
    QTemporaryDir dir;
    QString Path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
};

TEST_F(LevelFile, ATriangleIsAHundredBytesAtTheFormatsOffsets) {
    Clicks c;
    c.Click(200, 100);
    const Level& level = c.level;
    QByteArray expected = Word(3);
    for (const Point& p : level.points) {
        expected += PointRecord(p.id, p.x, p.y);
    }
    expected += Word(3);
    for (const Connector& k : level.connectors) {
        expected += Word(k.id) + Word(k.pointIds[0]) + Word(k.pointIds[1]);
    }
    const Shape& s = level.shapes[0];
    expected += Word(0) + Word(4); // the last shape's index, then the entry count
    for (int k = 0; k < 4; ++k) {
        expected += Entry(s.connectorIds[k], s.entryX[k], s.entryY[k]);
    }
    EXPECT_EQ(EncodeLevel(level).bytes, expected + Word(100) + Word(200));
    EXPECT_EQ(level.points[0].x, 11.5f);
}

TEST_F(LevelFile, SaveLoadSaveGivesTheSameBytesAndTheSameFigure) {
    Level level = SeveralShapes();
    ASSERT_TRUE(SaveLevel(level, Path("a.kvo")).ok);
    Level loaded;
    ASSERT_TRUE(LoadLevel(loaded, Path("a.kvo")).ok);
    ASSERT_TRUE(SaveLevel(loaded, Path("b.kvo")).ok);
    EXPECT_EQ(ReadAll(Path("a.kvo")), ReadAll(Path("b.kvo")));

    EXPECT_EQ(loaded.points, level.points);
    EXPECT_EQ(loaded.connectors, level.connectors); // ends rebuilt from the points
    ASSERT_EQ(loaded.shapes.size(), level.shapes.size());
    for (size_t i = 0; i < level.shapes.size(); ++i) {
        EXPECT_EQ(loaded.shapes[i].id, int16_t(i));
        EXPECT_EQ(std::pair(loaded.shapes[i].centreX, loaded.shapes[i].centreY),
                  std::pair(level.shapes[i].centreX, level.shapes[i].centreY));
    }
    EXPECT_EQ(loaded.targetScore + loaded.expertScore, "150-7");
    EXPECT_EQ(loaded.smallestSideCount, 3);
}

// A score out of range refuses the save: nothing is written and the counters stay.
TEST_F(LevelFile, SavingRecountsTheCountersOnlyWhenItSucceeds) {
    Clicks c;
    c.Click(200, 100);
    c.Click(220, 90);
    DeleteShape(c.level, c.level.shapes[1].id);
    DeleteShape(c.level, c.level.shapes[0].id);
    ASSERT_TRUE(Write(Path("x.kvo"), "old bytes"));
    for (std::string Level::*score : {&Level::targetScore, &Level::expertScore}) {
        Level level = c.level;
        level.*score = "40000";
        const FileResult result = SaveLevel(level, Path("x.kvo"));
        EXPECT_FALSE(result.ok);
        EXPECT_TRUE(result.message.contains(" score \"40000\"") &&
                    result.message.contains("-32768 to 32767"))
            << result.message.toStdString();
        EXPECT_EQ(level.pointCount, 4);
        EXPECT_EQ(ReadAll(Path("x.kvo")), "old bytes");
    }
    ASSERT_TRUE(SaveLevel(c.level, Path("x.kvo")).ok);
    EXPECT_EQ(ReadAll(Path("x.kvo")).toHex(' '), "00 00 00 00 ff ff 64 00 c8 00");
    EXPECT_EQ(c.level.pointCount, 0);
    EXPECT_EQ(c.level.connectorCount, 0);
    EXPECT_EQ(c.level.shapeCount, 0);
}

TEST_F(LevelFile, LoadingMergesNearPointsAndRepeatedConnectors) {
    const QByteArray bytes = Word(3) + PointRecord(7, 10.0f, 4.0f) +
                             PointRecord(8, 10.019f, 4.019f) + PointRecord(9, 11.5f, 4.0f) +
                             Word(2) + Word(20) + Word(7) + Word(9) + Word(21) + Word(9) + Word(7) +
                             Word(-1) + Word(1) + Word(2);
    Write(Path("m.kvo"), bytes);
    Level level;
    ASSERT_TRUE(LoadLevel(level, Path("m.kvo")).ok);
    ASSERT_EQ(level.points.size(), 2u);
    EXPECT_EQ(level.points[0].id, 7);
    EXPECT_EQ(level.pointCount, 3);
    ASSERT_EQ(level.connectors.size(), 1u);
    EXPECT_EQ(level.connectors[0].id, 20);
    EXPECT_EQ(level.connectors[0].endX[1], 230.0f);
    EXPECT_EQ(level.connectorCount, 2);
    EXPECT_TRUE(level.shapes.empty());
    EXPECT_EQ(level.shapeCount, -1);
    EXPECT_EQ(level.targetScore, "1");
    EXPECT_EQ(level.smallestSideCount, NO_SHAPE_MINIMUM);
}

TEST_F(LevelFile, ShapeIndexAndSmallestSideCountOnLoad) {
    const QByteArray square = Word(5) + Entry(1, 1, 1) + Entry(2, 2, 1) + Entry(3, 2, 2) +
                              Entry(4, 1, 2) + Entry(4, 1, 1);
    const QByteArray heptagon = Word(8) + Entry(1, 1, 1).repeated(8);
    Write(Path("two.kvo"), Word(0) + Word(0) + Word(1) + heptagon + square + Word(5) + Word(6));
    Level level;
    ASSERT_TRUE(LoadLevel(level, Path("two.kvo")).ok);
    ASSERT_EQ(level.shapes.size(), 2u);
    EXPECT_EQ(level.shapes[0].id + 10 * level.shapes[1].id, 10);
    EXPECT_EQ(level.shapes[1].centreX, 1.5f);
    EXPECT_EQ(level.shapeCount, 1);
    EXPECT_EQ(level.smallestSideCount, 4);
    EXPECT_EQ(level.expertScore, "6");
}

TEST_F(LevelFile, BytesAfterTheScoresAreIgnoredAndAnOldLongerFileIsReplacedWhole) {
    Write(Path("old.kvo"), QByteArray(300, '\x7f'));
    Clicks c;
    c.Click(200, 100);
    ASSERT_TRUE(SaveLevel(c.level, Path("old.kvo")).ok);
    const QByteArray saved = ReadAll(Path("old.kvo"));
    EXPECT_EQ(saved.size(), 100);
    Write(Path("tail.kvo"), saved + QByteArray(200, '\x7f'));
    Level level;
    ASSERT_TRUE(LoadLevel(level, Path("tail.kvo")).ok);
    EXPECT_EQ(EncodeLevel(level).bytes, saved);
}

// Each of these files is refused, and the level in memory stays exactly as it was; a FIFO
// or a device is refused at once instead of hanging or filling the memory.
TEST_F(LevelFile, MalformedFilesAreRefusedAndTheLevelStaysAsItWas) {
    const QByteArray triangleShape = Word(4) + Entry(1, 1, 1).repeated(4);
    const struct {
        const char* name;
        QByteArray bytes;
        const char* why;
    } cases[] = {
        {"zero.kvo", QByteArray(), "ends before the point count"},
        {"short-point.kvo", Word(2) + PointRecord(1, 1, 1) + Word(0), "point 2 of 2"},
        {"neg-points.kvo", Word(-3) + Word(0) + Word(-1) + Word(1) + Word(1), "negative"},
        {"neg-conn.kvo", Word(0) + Word(-1) + Word(-1) + Word(1) + Word(1), "negative"},
        {"no-shapes-count.kvo", Word(0) + Word(0), "before the shape count"},
        {"low-index.kvo", Word(0) + Word(0) + Word(-2) + Word(1) + Word(1), "below -1"},
        {"one-entry.kvo",
         Word(0) + Word(0) + Word(0) + Word(1) + Entry(1, 1, 1) + Entry(1, 1, 1) + Word(1) +
             Word(1),
         "1 outline entries"},
        {"many-entries.kvo",
         Word(0) + Word(0) + Word(0) + Word(18) + Entry(1, 1, 1).repeated(18) + Word(1) + Word(1),
         "18 outline entries"},
        {"short-shape.kvo", Word(0) + Word(0) + Word(0) + triangleShape.left(30), "shape 1 of 1"},
        {"huge-count.kvo", Word(30000) + PointRecord(1, 1, 1), "point 2 of 30000"},
        {"huge-shapes.kvo", Word(0) + Word(0) + Word(30000) + triangleShape, "shape 2 of 30001"},
        {"zero-entries.kvo", Word(0) + Word(0) + Word(0) + Word(0) + Word(1), "0 outline entries"},
        {"fifo.kvo", {}, "a FIFO, not a regular file"},
        {"zero-link.kvo", {}, "a device, not a regular file"},
        {"folder.kvo", {}, "a folder, not a regular file"},
        {"missing.kvo", {}, "there is no such file"},
        {"no-scores.kvo", Word(0) + Word(0) + Word(0) + triangleShape + Word(1), "scores"},
    };
    const Level before = SeveralShapes();
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        const QByteArray name(test.name);
        if (name == "fifo.kvo" || name == "zero-link.kvo") {
            ASSERT_TRUE(
                MakeSpecial(Path(test.name), name == "fifo.kvo" ? nullptr : "/dev/zero", S_IFIFO));
        } else if (name == "folder.kvo") {
            ASSERT_TRUE(QDir(dir.path()).mkdir(test.name));
        } else if (name != "missing.kvo") {
            ASSERT_TRUE(Write(Path(test.name), test.bytes));
        }
        Level level = before;
        const FileResult result = LoadLevel(level, Path(test.name));
        EXPECT_FALSE(result.ok);
        EXPECT_TRUE(result.message.contains(Path(test.name))) << result.message.toStdString();
        EXPECT_TRUE(result.message.contains(QString::fromLatin1(test.why)))
            << result.message.toStdString();
        EXPECT_EQ(level, before);
    }
    EXPECT_FALSE(QFile::exists(Path("missing.kvo")));
}

TEST_F(LevelFile, ScoresAreReadAsTheFieldsDecimalNumbers) {
    const std::pair<const char*, std::optional<int>> cases[] = {
        {"abc", 0},
        {"12x", 12},
        {" -5", -5},
        {"+7", 7},
        {"", 0},
        {"-", 0},
        {"\t5", 0}, // only the space is skipped
        {"32767", 32767},
        {"-32768", -32768},
        {"32768", std::nullopt},
        {"-32769", std::nullopt},
        {"70000", std::nullopt},
        {"000000000000000012", 12}};
    for (const auto& [text, value] : cases) {
        EXPECT_EQ(ParseScore(text), value) << text;
    }

    Level level;
    level.targetScore = " -5";
    level.expertScore = "12x";
    ASSERT_TRUE(SaveLevel(level, Path("s.kvo")).ok);
    EXPECT_EQ(ReadAll(Path("s.kvo")).right(4).toHex(' '), "fb ff 0c 00");
    Write(Path("neg.kvo"), Word(0) + Word(0) + Word(-1) + QByteArray::fromHex("409c0000"));
    ASSERT_TRUE(LoadLevel(level, Path("neg.kvo")).ok);
    EXPECT_EQ(level.targetScore, "-25536");
}

TEST_F(LevelFile, ASaveThatCannotBeDoneSaysSoAndLeavesFilesAlone) {
    Level level = SeveralShapes();
    const Level before = level;
    QDir(dir.path()).mkdir("folder.kvo");
    for (const QString& path : {dir.filePath("no/such/folder/x.kvo"), Path("folder.kvo")}) {
        const FileResult result = SaveLevel(level, path);
        EXPECT_FALSE(result.ok);
        EXPECT_TRUE(result.message.contains(path)) << result.message.toStdString();
        EXPECT_EQ(level, before);
    }
    EXPECT_FALSE(QFile::exists(dir.filePath("no")));
}

// Mode 0444 refuses a save for root too; the bytes and the mode stay.
TEST_F(LevelFile, AReadOnlyFileIsRefusedForEveryUser) {
    Level level = SeveralShapes();
    ASSERT_TRUE(Write(Path("ro.kvo"), "old bytes"));
    const auto readOnly = QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    QFile::setPermissions(Path("ro.kvo"), readOnly);
    const FileResult result = SaveLevel(level, Path("ro.kvo"));
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.message.contains("read-only")) << result.message.toStdString();
    EXPECT_EQ(ReadAll(Path("ro.kvo")), "old bytes");
    EXPECT_EQ(Mode(Path("ro.kvo")), 0444u);
}

TEST_F(LevelFile, AReadOnlyFolderIsNotWrittenWithoutRoot) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "permissions do not stop root";
    }
    Level level = SeveralShapes();
    QDir(dir.path()).mkdir("ro");
    Write(dir.filePath("ro/old.kvo"), "old bytes");
    const ReadOnlyFor folder(dir.filePath("ro"));
    EXPECT_FALSE(SaveLevel(level, dir.filePath("ro/old.kvo")).ok);
    EXPECT_EQ(ReadAll(dir.filePath("ro/old.kvo")), "old bytes");
}

// A save removes the temporary files a crashed save left, and nothing that is not plainly
// one: not another name, not a link, not one of a running process. A link is saved through
// and stays a link; the target keeps its mode.
TEST_F(LevelFile, ASaveCleansUpOnlyTheEditorsAbandonedTemporaryFiles) {
    const QString dead = ".kivo-save-999999999-1.tmp"; // beyond any pid, so no process
    const QString alive = QStringLiteral(".kivo-save-%1-1.tmp").arg(getpid());
    const QStringList kept{alive, "notes.tmp", ".kivo-save-x-1.tmp", ".kivo-save-999999999-2"};
    for (const QString& name : kept + QStringList{dead}) {
        ASSERT_TRUE(Write(dir.filePath(name), "someone's"));
    }
    QFile::link(dir.filePath("notes.tmp"), dir.filePath(".kivo-save-999999999-3.tmp"));
    ASSERT_TRUE(Write(Path("real.kvo"), "old"));
    QFile::setPermissions(Path("real.kvo"), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                QFileDevice::ReadGroup);
    QFile::link(Path("real.kvo"), Path("link.kvo"));
    Level level = SeveralShapes();
    ASSERT_TRUE(SaveLevel(level, Path("link.kvo")).ok);
    EXPECT_FALSE(QFile::exists(dir.filePath(dead)));
    for (const QString& name : kept) {
        EXPECT_EQ(ReadAll(dir.filePath(name)), "someone's") << name.toStdString();
    }
    EXPECT_TRUE(QFileInfo(dir.filePath(".kivo-save-999999999-3.tmp")).isSymLink());
    EXPECT_TRUE(QFileInfo(Path("link.kvo")).isSymLink());
    EXPECT_EQ(ReadAll(Path("real.kvo")), EncodeLevel(level).bytes);
    EXPECT_EQ(Mode(Path("real.kvo")), 0640u);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).size(),
              kept.size() + 3);
}

TEST_F(LevelFile, AFullDiskSaysTheDiskIsFullAndKeepsTheOldFile) {
    QDir(dir.path()).mkdir("small");
    TmpfsMount small(dir.filePath("small"), "8k");
    if (!small.mounted) {
        GTEST_SKIP() << "mounting a small file system is not permitted here";
    }
    const QString path = dir.filePath("small/full.kvo");
    ASSERT_TRUE(Write(path, "old"));
    ASSERT_TRUE(Write(dir.filePath("small/filler"), QByteArray(4096, 'x')));
    Clicks c;
    for (int i = 0; i < 40; ++i) {
        c.Click(150 + 30 * (i % 10), 100 + 40 * (i / 10), 12);
    }
    const FileResult result = SaveLevel(c.level, path);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.message.contains("the disk is full")) << result.message.toStdString();
    EXPECT_EQ(ReadAll(path), "old");
    EXPECT_EQ(QDir(dir.filePath("small")).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

TEST(TemplateLevel, TheShippedTemplateLoads) {
    Level level;
    const FileResult result =
        LoadLevel(level, QStringLiteral(KIVO_SOURCE_DIR "/data/kivo/default.kvo"));
    EXPECT_TRUE(result.ok) << result.message.toStdString();
}

// A load sets the smallest side count from the file alone, and the largest outline a file may
// hold, 17 entries, loads whole.
TEST(LevelDecoding, TheLargestOutlineLoadsAndTheSmallestSideCountStartsAfresh) {
    const QByteArray head = Word(0) + Word(0) + Word(0);
    const QByteArray scores = Word(1) + Word(2);
    for (const int sides : {16, 3}) {
        SCOPED_TRACE(sides);
        Level level;
        level.smallestSideCount = 12;
        ASSERT_TRUE(
            DecodeLevel(head + Word(sides + 1) + Entry(4, 1, 2).repeated(sides + 1) + scores, level)
                .ok);
        ASSERT_EQ(level.shapes.size(), 1u);
        EXPECT_EQ(level.shapes[0].entryCount, float(sides + 1));
        EXPECT_EQ(level.shapes[0].connectorIds[sides], 4);
        EXPECT_EQ(level.smallestSideCount, sides);
    }
    Level level;
    level.smallestSideCount = 3;
    ASSERT_TRUE(DecodeLevel(Word(0) + Word(0) + Word(-1) + scores, level).ok);
    EXPECT_EQ(level.smallestSideCount, NO_SHAPE_MINIMUM);
}

// Each message names the shape or the part of the file where reading stopped.
TEST(LevelDecoding, MessagesNameTheShapeOrThePartWhereReadingStopped) {
    const QByteArray empty = Word(0) + Word(0);
    const struct {
        QByteArray bytes;
        const char* message;
    } cases[] = {
        {empty + Word(1) + Word(4) + Entry(1, 1, 1).repeated(4) + Word(18),
         "shape 2 has 18 outline entries"},
        {empty + Word(-1), "the file ends before the target and expert scores"},
    };
    for (const auto& c : cases) {
        Level level;
        const std::string message = DecodeLevel(c.bytes, level).message.toStdString();
        EXPECT_EQ(message.substr(0, std::strlen(c.message)), c.message);
    }
}

TEST(LevelEncoding, AFileHoldsAtMost32767PointsOrConnectorsAnd32768Shapes) {
    Level level;
    level.points.resize(32767);
    level.connectors.resize(32767);
    level.shapes.resize(32768);
    EXPECT_TRUE(EncodeLevel(level).result.ok);
    for (int kind = 0; kind < 3; ++kind) {
        Level over = level;
        over.points.resize(level.points.size() + (kind == 0));
        over.connectors.resize(level.connectors.size() + (kind == 1));
        over.shapes.resize(level.shapes.size() + (kind == 2));
        EXPECT_EQ(EncodeLevel(over).result.message,
                  "the level has more elements than a level file can hold");
    }
}

TEST(LevelEncoding, AScoreEndsAtTheFirstCharacterThatIsNotADigit) {
    EXPECT_EQ(ParseScore("7:"), 7); // the characters either side of the digits
    EXPECT_EQ(ParseScore("7/"), 7);
}

} // namespace
} // namespace kivo
