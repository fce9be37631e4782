#include "storage/level/level_file.h"

#include "clicks.h"
#include "level/drawing.h"
#include "level/shape_deletion.h"
#include "level/status_line.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <unistd.h>

namespace kivo {
namespace {

// A point record and an outline entry share one layout: an id, then two floats.
QByteArray Record(int id, float x, float y) {
    return Word(id) + Float(x) + Float(y);
}

void ExpectRefused(const FileResult& result, std::initializer_list<QString> words) {
    EXPECT_FALSE(result.ok);
    for (const QString& word : words) {
        EXPECT_TRUE(result.message.contains(word)) << result.message.toStdString();
    }
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
    // Loads into a level whose angle a load must keep and whose smallest side count no file
    // gives, so that a load must set its own.
    Level Loaded(const QByteArray& bytes) {
        Write(Path("in.kvo"), bytes);
        Level level;
        level.lastRotationAngle = 33.0f;
        level.smallestSideCount = 0;
        const FileBytes read = LoadLevel(level, Path("in.kvo"));
        EXPECT_TRUE(read.result.ok);
        EXPECT_EQ(read.bytes, bytes); // what it decoded, from its one read
        return level;
    }
};

// An old longer file is replaced whole, and bytes after the scores are ignored. Loading
// rebuilds the connectors' ends and the centres, which the file does not hold.
TEST_F(LevelFile, ALevelIsSavedWholeAndLoadsBackToTheSameBytesAndDrawing) {
    Level level = SeveralShapes();
    Write(Path("old.kvo"), QByteArray(3000, '\x7f'));
    ASSERT_TRUE(SaveLevel(level, Path("old.kvo")).result.ok);
    const QByteArray saved = ReadAll(Path("old.kvo"));
    EXPECT_EQ(saved, EncodeLevel(level).bytes);
    EXPECT_EQ(EncodedSize(level), saved.size()); // the mark compares lengths first
    EXPECT_EQ(EncodedSize(Level()), EncodeLevel(Level()).bytes.size());
    const Level loaded = Loaded(saved + QByteArray(200, '\x7f'));
    EXPECT_EQ(EncodeLevel(loaded).bytes, saved);
    EXPECT_EQ(DrawingList(loaded), DrawingList(level));
    EXPECT_EQ(loaded.lastRotationAngle, 33.0f);
    EXPECT_TRUE(
        LoadLevel(level, QStringLiteral(KIVO_SOURCE_DIR "/data/kivo/default.kvo")).result.ok);
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
        ExpectRefused(SaveLevel(level, Path("x.kvo")).result,
                      {" score \"40000\"", "-32768 to 32767"});
        EXPECT_EQ(level.pointCount, 4);
        EXPECT_EQ(ReadAll(Path("x.kvo")), "old bytes");
    }
    c.level.targetScore = " -5"; // read as the scores are read on loading
    c.level.expertScore = "12x";
    ASSERT_TRUE(SaveLevel(c.level, Path("x.kvo")).result.ok);
    EXPECT_EQ(ReadAll(Path("x.kvo")).toHex(' '), "00 00 00 00 ff ff fb ff 0c 00");
    EXPECT_EQ(c.level.pointCount + c.level.connectorCount + c.level.shapeCount, 0);
}

// Near points merge, repeated connectors merge, shapes get their index and the smallest side
// count comes from the file alone; outlines of 2 and of 17 entries are the extremes a file may
// hold.
TEST_F(LevelFile, LoadingMergesNearPointsAndRepeatedConnectorsAndIndexesShapes) {
    Level level =
        Loaded(Word(3) + Record(7, 10.0f, 4.0f) + Record(8, 10.019f, 4.019f) +
               Record(9, 11.5f, 4.0f) + Word(3) + Word(20) + Word(7) + Word(9) + Word(21) +
               Word(9) + Word(7) + Word(22) + Word(9) + Word(5) + Word(-1) + Word(1) + Word(2));
    EXPECT_EQ(level.points, (std::vector<Point>{{7, 10.0f, 4.0f}, {9, 11.5f, 4.0f}}));
    // The end at a missing point lies at the origin.
    EXPECT_EQ(level.connectors, (std::vector<Connector>{{20, {7, 9}, {200, 230}, {120, 120}},
                                                        {22, {9, 5}, {230, 0}, {120, 0}}}));
    EXPECT_EQ(std::tuple(level.pointCount, level.connectorCount, level.shapeCount),
              std::tuple(3, 3, -1));
    EXPECT_TRUE(level.shapes.empty());
    EXPECT_EQ(level.targetScore, "1");
    EXPECT_EQ(level.smallestSideCount, NO_SHAPE_MINIMUM);

    const QByteArray square = Word(5) + Record(1, 1, 1) + Record(2, 2, 1) + Record(3, 2, 2) +
                              Record(4, 1, 2) + Record(4, 1, 1);
    const QByteArray largest = Word(17) + Record(4, 1, 2).repeated(17);
    const QByteArray smallest = Word(2) + Record(1, 1, 1).repeated(2);
    level = Loaded(Word(0) + Word(0) + Word(2) + largest + square + smallest + Word(5) + Word(6));
    ASSERT_EQ(level.shapes.size(), 3u);
    EXPECT_EQ(level.shapes[0].id + 10 * level.shapes[1].id + 100 * level.shapes[2].id, 210);
    EXPECT_EQ(level.shapes[0].entryCount, 17.0f);
    EXPECT_EQ(level.shapes[0].connectorIds[16], 4);
    EXPECT_EQ(level.shapes[1].centreX, 1.5f);
    EXPECT_EQ(level.shapeCount, 2);
    EXPECT_EQ(level.smallestSideCount, 1);
    EXPECT_EQ(level.expertScore, "6");
}

// A count of 0 or less is followed by no records, and a shape may hold no or one entry: a
// level once saved after loading an empty file holds such a shape. Neither divides by zero:
// no entry means no centre and no dot, one entry is its own centre, and a level without sides
// cannot be solved. Saving writes them back as the writer does.
TEST_F(LevelFile, ShortOutlinesAndNegativeCountsLoadAsTheFormatSays) {
    const QByteArray scores = Word(5) + Word(6);
    Level level = Loaded(Word(-3) + Word(-1) + Word(-2) + scores);
    EXPECT_TRUE(level.points.empty() && level.connectors.empty() && level.shapes.empty());
    EXPECT_EQ(level.pointCount, -3);
    EXPECT_EQ(level.shapeCount, -2);
    EXPECT_EQ(level.smallestSideCount, NO_SHAPE_MINIMUM);

    level = Loaded(Word(0) + Word(0) + Word(1) + Word(0) + Word(-4) + scores);
    ASSERT_EQ(level.shapes.size(), 2u);
    EXPECT_EQ(level.shapes[0].entryCount, 0.0f);
    EXPECT_EQ(level.smallestSideCount, -5);
    EXPECT_EQ(DrawingList(level).size(), 4u); // the crosshair alone
    EXPECT_EQ(*UpdateStatusLine(level), std::string("0") + CONNECTORS_TEXT + NOT_SOLVABLE_TEXT);
    ASSERT_TRUE(SaveLevel(level, Path("saved.kvo")).result.ok);
    EXPECT_EQ(ReadAll(Path("saved.kvo")), Word(0) + Word(0) + Word(1) + Word(0) + Word(0) + scores);

    level = Loaded(Word(0) + Word(0) + Word(0) + Word(1) + Record(9, 1.5f, 2.5f) + scores);
    ASSERT_EQ(level.shapes.size(), 1u);
    EXPECT_EQ(level.shapes[0].centreX, 1.5f);
    EXPECT_EQ(level.shapes[0].centreY, 2.5f);
    EXPECT_EQ(level.smallestSideCount, 0);
    const std::vector<DrawItem> drawn = DrawingList(level);
    ASSERT_EQ(drawn.size(), 5u);
    EXPECT_EQ(drawn[4].x1, RoundPixel(ShapeToContentX(1.5f)));
}

// Each of these files is refused, naming the shape or the part where reading stopped, and the
// level in memory stays exactly as it was; a FIFO or a device is refused at once instead of
// hanging or filling the memory.
TEST_F(LevelFile, MalformedFilesAreRefusedAndTheLevelStaysAsItWas) {
    const QByteArray shape = Word(4) + Record(1, 1, 1).repeated(4);
    const QByteArray none = Word(0) + Word(0), scores = Word(1) + Word(1);
    const struct {
        const char* name;
        QByteArray bytes;
        const char* why;
    } cases[] = {{"one-byte.kvo", QByteArray(1, 0), "ends before the point count"},
                 {"no-shapes-count.kvo", none, "before the shape count"},
                 {"many-entries.kvo",
                  none + Word(1) + shape + Word(18) + Record(1, 1, 1).repeated(18),
                  "shape 2 has 18 outline entries"},
                 {"short-shape.kvo", none + Word(0) + shape.left(38), "shape 1 of 1"},
                 {"short-conn.kvo", Word(0) + Word(9) + QByteArray(30, 0), "connector 6 of 9"},
                 {"huge-count.kvo", Word(30000) + QByteArray(90, 0), "point 10 of 30000"},
                 {"huge-shapes.kvo", none + Word(30000) + shape, "shape 2 of 30001"},
                 {"fifo.kvo", {}, "a FIFO, not a regular file"},
                 {"zero-link.kvo", {}, "a device, not a regular file"},
                 {"folder.kvo", {}, "a folder, not a regular file"},
                 {"missing.kvo", {}, "there is no such file"},
                 {"no-scores.kvo", none + Word(0) + shape + Word(1),
                  "the file ends before the target and expert scores"}};
    ASSERT_TRUE(MakeSpecial(Path("fifo.kvo"), nullptr, S_IFIFO));
    ASSERT_TRUE(MakeSpecial(Path("zero-link.kvo"), "/dev/zero"));
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.kvo"));
    const Level before = SeveralShapes();
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        ASSERT_TRUE(test.bytes.isEmpty() || Write(Path(test.name), test.bytes));
        Level level = before;
        ExpectRefused(LoadLevel(level, Path(test.name)).result, {Path(test.name), test.why});
        EXPECT_EQ(level, before);
    }
    EXPECT_FALSE(QFile::exists(Path("missing.kvo")));
}

// A score ends at the first character that is not a digit, and only a space is skipped.
TEST_F(LevelFile, ScoresAreReadAsTheFieldsDecimalNumbers) {
    const std::optional<int> NONE;
    const std::pair<const char*, std::optional<int>> cases[] = {
        {"abc", 0},       {"12x", 12},      {" -5", -5},
        {"+7", 7},        {"", 0},          {"-", 0},
        {"\t5", 0},       {"32767", 32767}, {"-32768", -32768},
        {"7:", 7},        {"7/", 7},        {"32768", NONE},
        {"-32769", NONE}, {"70000", NONE},  {"0000000000000012", 12}};
    for (const auto& [text, value] : cases) {
        EXPECT_EQ(ParseScore(text), value) << text;
    }
    EXPECT_EQ(Loaded(Word(0) + Word(0) + Word(-1) + QByteArray::fromHex("409c0000")).targetScore,
              "-25536");
}

// A folder in the file's place and a file of mode 0444 (for root too) refuse the save and keep
// the level, the bytes and the mode; a read-only folder refuses all but root. A link is saved
// through and stays a link; its target keeps its mode, and no temporary file is left behind.
TEST_F(LevelFile, ASaveLeavesWhatItCannotReplaceAloneAndSavesThroughALink) {
    Level level = SeveralShapes();
    const Level before = level;
    QDir(dir.path()).mkdir("folder.kvo");
    ASSERT_TRUE(Write(Path("ro.kvo"), "old bytes"));
    QFile::setPermissions(Path("ro.kvo"),
                          QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    ExpectRefused(SaveLevel(level, Path("folder.kvo")).result, {Path("folder.kvo")});
    ExpectRefused(SaveLevel(level, Path("ro.kvo")).result, {"read-only"});
    EXPECT_EQ(level, before);
    EXPECT_EQ(ReadAll(Path("ro.kvo")), "old bytes");
    EXPECT_EQ(StatMode(Path("ro.kvo")) & 07777, 0444u);
    if (geteuid() != 0) {
        QDir(dir.path()).mkdir("ro");
        Write(dir.filePath("ro/old.kvo"), "old bytes");
        const ReadOnlyFor folder(dir.filePath("ro"));
        EXPECT_FALSE(SaveLevel(level, dir.filePath("ro/old.kvo")).result.ok);
        EXPECT_EQ(ReadAll(dir.filePath("ro/old.kvo")), "old bytes");
    }

    ASSERT_TRUE(Write(Path("real.kvo"), "old"));
    QFile::setPermissions(Path("real.kvo"), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                QFileDevice::ReadGroup);
    QFile::link(Path("real.kvo"), Path("link.kvo"));
    const Encoded saved = SaveLevel(level, Path("link.kvo"));
    ASSERT_TRUE(saved.result.ok);
    EXPECT_TRUE(QFileInfo(Path("link.kvo")).isSymLink());
    EXPECT_EQ(ReadAll(Path("real.kvo")), saved.bytes);
    EXPECT_EQ(StatMode(Path("real.kvo")) & 07777, 0640u);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).size(), 3);
}

TEST(LevelEncoding, AFileHoldsAtMost32767PointsOrConnectorsAnd32768Shapes) {
    for (int over = 0; over < 4; ++over) {
        Level level;
        level.points.resize(32767 + (over == 1));
        level.connectors.resize(32767 + (over == 2));
        level.shapes.resize(32768 + (over == 3));
        EXPECT_EQ(EncodeLevel(level).result.message,
                  over ? "the level has more elements than a level file can hold" : "");
    }
}

} // namespace
} // namespace kivo
