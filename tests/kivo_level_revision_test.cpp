// Drives kivo-level's dump, build, diff and merge, and git with them as its text conversion
// and merge driver, in temporary folders.
#include "clicks.h"
#include "program_run.h"
#include "storage/files/paths.h"
#include "storage/level/level_file.h"
#include "storage/pack/data_folder.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <set>

namespace kivo {

// From kivo_level_test.cpp.
Outcome KivoLevel(const QStringList& args);
Outcome ExpectRun(const QStringList& args, int status, const QStringList& err);

namespace {

const QString GOLDEN = QStringLiteral(KIVO_SOURCE_DIR "/tests/data/clicks.kvo");

QByteArray Saved(const Level& level) {
    return EncodeLevel(level).bytes;
}

// A square in the middle of the canvas, and the clicks that go on from it.
Clicks Square() {
    Clicks clicks;
    clicks.Click(400, 270, 4);
    return clicks;
}

QByteArray SquarePlus(float x, float y, int sides, uint64_t seed) {
    Clicks clicks = Square();
    clicks.random = MakeRandomSource(seed);
    clicks.Click(x, y, sides);
    return Saved(clicks.level);
}

TEST(KivoLevelRevision, DumpAndBuildGiveBackTheSameBytesAndRefuseWhatCannotBe) {
    QTemporaryDir dir;
    const QString text = dir.filePath("level.txt");
    const QString built = dir.filePath("built.kvo");
    Outcome run = KivoLevel({"dump", GOLDEN});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    ExpectHas(run.out, {"points 28\n", "connectors 33\n", "last-shape-index 5\n",
                        "# shape 1: 4 sides, centre (", "target-score 100\n"});
    ASSERT_TRUE(Write(text, run.out.toUtf8()));
    run = KivoLevel({"build", text, "-o", built});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(ReadAll(built), ReadAll(GOLDEN));

    // A hand edit that breaks the format names its line, and nothing is written.
    QByteArray edited = ReadAll(text);
    edited.replace("target-score 100", "target-score 1e2");
    const int line = int(edited.left(edited.indexOf("target-score")).count('\n')) + 1;
    ASSERT_TRUE(Write(text, edited));
    QFile::remove(built);
    ExpectRun(
        {"build", text, "-o", built}, 1,
        {QStringLiteral("%1:%2: the target-score '1e2' is not a whole number").arg(text).arg(line),
         "nothing was written"});
    EXPECT_FALSE(QFile::exists(built));

    // Never through a link, onto a FIFO or over the text itself; a level that cannot be read is
    // named with why.
    ASSERT_TRUE(Write(text, KivoLevel({"dump", GOLDEN}).out.toUtf8()));
    ASSERT_TRUE(Write(dir.filePath("target.kvo"), "keep"));
    ASSERT_TRUE(MakeSpecial(dir.filePath("link.kvo"), "target.kvo"));
    ASSERT_TRUE(MakeSpecial(dir.filePath("fifo.kvo"), nullptr, S_IFIFO));
    for (const char* target : {"link.kvo", "fifo.kvo", "level.txt"}) {
        ExpectRun({"build", text, "-o", dir.filePath(target)}, 1, {"cannot write", target});
    }
    EXPECT_EQ(ReadAll(dir.filePath("target.kvo")), "keep");
    ExpectRun({"dump", dir.filePath("fifo.kvo")}, 1,
              {"fifo.kvo: the level file cannot be read: it is a FIFO"});
    ExpectHas(KivoLevel({"dump", "/dev/zero"}).err, {"it is a device"});
    // A name that is not UTF-8 is opened as the bytes it is and shown with them escaped.
    run = RunProgram("/bin/sh", {"-c",
                                 "cp \"$1\" \"$2\"/$(printf '\\377').kvo && \"$0\" dump "
                                 "\"$2\"/$(printf '\\377').kvo >/dev/null && \"$0\" diff "
                                 "\"$2\"/$(printf '\\377').kvo \"$2\"/$(printf '\\376').kvo",
                                 KIVO_LEVEL_PROGRAM, GOLDEN, dir.path()});
    EXPECT_EQ(run.status, 2);
    ExpectHas(run.err, {dir.path() + "/\\xfe.kvo: the level file cannot be read"});
}

TEST(KivoLevelRevision, DiffSaysWhatChangedAndExitsAsDiffDoes) {
    QTemporaryDir dir;
    const QString square = dir.filePath("square.kvo");
    const QString more = dir.filePath("more.kvo");
    ASSERT_TRUE(Write(square, Saved(Square().level)));
    ASSERT_TRUE(Write(more, SquarePlus(400, 230, 3, 5)));
    // A level saved again shows no difference, even with an old tail after the scores.
    ASSERT_TRUE(Write(dir.filePath("again.kvo"), ReadAll(square) + "old tail"));
    EXPECT_EQ(ExpectRun({"diff", square, dir.filePath("again.kvo")}, 0, {}).out, "");

    Outcome run = ExpectRun({"diff", square, more, "-o", dir.filePath("diff.png"), "--fit"}, 1, {});
    ExpectHas(run.out, {"added: triangle at (", "sharing 1 side with the square at (",
                        "Classic Mode: can be solved (unchanged)"});
    // The picture draws what was added in green beside the grey of what stayed.
    const QImage picture = QImage(dir.filePath("diff.png")).convertToFormat(QImage::Format_RGB32);
    const QRgb* pixels = reinterpret_cast<const QRgb*>(picture.constBits());
    const std::set<QRgb> colours(pixels, pixels + picture.width() * picture.height());
    EXPECT_TRUE(colours.count(qRgb(30, 160, 60)) && colours.count(qRgb(170, 170, 170)));

    run = ExpectRun({"diff", "--json", "/dev/null", square}, 1, {});
    const QJsonObject json = QJsonDocument::fromJson(run.out.toUtf8()).object();
    EXPECT_EQ(json["added"].toArray().size(), 1);
    EXPECT_EQ(json["classicMode"].toObject()["before"].toString(), "none");

    ExpectRun({"diff", square, dir.filePath("missing.kvo")}, 2,
              {"missing.kvo: the level file cannot be read"});
    // The picture is never written over a level being compared.
    ExpectRun({"diff", square, more, "-o", more}, 2, {});
    EXPECT_EQ(ReadAll(more), SquarePlus(400, 230, 3, 5));
}

// A repository with the level under the lines the README gives.
struct Repository {
    QTemporaryDir dir;
    Outcome Git(const QStringList& args) { return RunProgram("git", args, dir.path()); }
    explicit Repository() {
        Git({"init", "-q", "-b", "main"});
        Git({"config", "user.email", "designer@example.org"});
        Git({"config", "user.name", "Designer"});
        Write(dir.filePath(".gitattributes"), "*.kvo diff=kvo merge=kvo\nconfig.txt -text\n");
        const QString program = QStringLiteral(KIVO_LEVEL_PROGRAM);
        Git({"config", "diff.kvo.textconv", program + " dump"});
        Git({"config", "difftool.kivo.cmd", program + " diff \"$LOCAL\" \"$REMOTE\""});
        Git({"config", "merge.kvo.name", "KIVO level merge"});
        Git({"config", "merge.kvo.driver", program + " merge %O %A %B"});
    }
    void Commit(const QByteArray& level, const QString& message) {
        Write(dir.filePath("level.kvo"), level);
        Git({"add", "."});
        Git({"commit", "-q", "-m", message});
    }
};

TEST(KivoLevelRevision, GitShowsTheTextAndMergesThroughTheDriver) {
    Repository repo;
    repo.Commit(Saved(Square().level), "square");
    repo.Git({"branch", "top"});
    // The same seed on both branches: the new elements draw the same ids.
    repo.Commit(SquarePlus(400, 310, 3, 5), "triangle below");
    ExpectHas(repo.Git({"log", "-p", "-1"}).out,
              {"+# shape 2: 3 sides", "-last-shape-index 0", "+last-shape-index 1"});
    ExpectHas(repo.Git({"difftool", "-y", "--tool=kivo", "HEAD~1", "HEAD"}).out,
              {"added: triangle at (", "sharing 1 side with the square at ("});

    repo.Git({"checkout", "-q", "top"});
    repo.Commit(SquarePlus(400, 230, 3, 5), "triangle above");
    repo.Git({"checkout", "-q", "main"});
    const Outcome run = repo.Git({"merge", "-q", "--no-edit", "top"});
    ASSERT_EQ(run.status, 0) << run.err.toStdString() << run.out.toStdString();
    const QString level = repo.dir.filePath("level.kvo");
    Level merged;
    ASSERT_TRUE(LoadLevel(merged, level).result.ok);
    EXPECT_EQ(merged.shapes.size(), 3u);
    EXPECT_EQ(merged.points.size(), 6u);
    ExpectRun({"check", level}, 0, {});
}

TEST(KivoLevelRevision, MergeDriverKeepsGitsContract) {
    QTemporaryDir dir;
    const QString base = dir.filePath("base.kvo");
    const QString ours = dir.filePath("ours.kvo");
    const QString theirs = dir.filePath("theirs.kvo");
    ASSERT_TRUE(Write(base, Saved(Square().level)));
    // One side unchanged: the other side, byte for byte, tail and all.
    ASSERT_TRUE(Write(ours, ReadAll(base)));
    ASSERT_TRUE(Write(theirs, SquarePlus(400, 230, 3, 5) + "tail"));
    EXPECT_EQ(KivoLevel({"merge", base, ours, theirs}).status, 0);
    EXPECT_EQ(ReadAll(ours), ReadAll(theirs));

    // A side that does not load is a conflict, and ours stays.
    ASSERT_TRUE(Write(ours, SquarePlus(400, 310, 3, 6)));
    ASSERT_TRUE(Write(theirs, "\x05"));
    ExpectRun({"merge", base, ours, theirs, "-o", dir.filePath("c.png")}, 1,
              {"conflict: theirs (", "does not load", "is left as ours was"});
    EXPECT_EQ(ReadAll(ours), SquarePlus(400, 310, 3, 6));

    // A triangle placed over ours' is a conflict that is named and drawn, and ours stays; ours
    // is never written through a link.
    ASSERT_TRUE(Write(theirs, SquarePlus(402, 312, 3, 7)));
    ExpectRun({"merge", "-o", dir.filePath("c.png"), base, ours, theirs}, 1,
              {"kivo-level merge: conflict: ", "overlap"});
    EXPECT_FALSE(QImage(dir.filePath("c.png")).isNull());
    ASSERT_TRUE(Write(theirs, SquarePlus(400, 230, 3, 7)));
    ASSERT_TRUE(MakeSpecial(dir.filePath("link.kvo"), "ours.kvo"));
    const Outcome run = KivoLevel({"merge", base, dir.filePath("link.kvo"), theirs});
    EXPECT_NE(run.status, 0);
    ExpectHas(run.err, {"link.kvo", "cannot be written"});
    EXPECT_EQ(ReadAll(ours), SquarePlus(400, 310, 3, 6));
}

// check names a shape of no or one entry as a warning and still passes the level.
TEST(KivoLevelRevision, CheckWarnsOfShapesWithoutSides) {
    QTemporaryDir dir;
    const QString level = dir.filePath("short.kvo");
    ASSERT_TRUE(Write(level, Word(2) + Word(1) + Float(1) + Float(1) + Word(2) + Float(2) +
                                 Float(1) + Word(1) + Word(3) + Word(1) + Word(2) + Word(1) +
                                 Word(0) + Word(1) + Word(3) + Float(1) + Float(1) + Word(100) +
                                 Word(200)));
    ExpectHas(ExpectRun({"check", level}, 0, {}).out,
              {"warning: " + level + ": shape 1 has no outline entries",
               "warning: " + level + ": shape 2 has one outline entry"});
}

// Two versions of a data folder holding one pack: in the second, slots kivo3 and kivo7 have
// taken each other's levels, kivo1 got a triangle and the author changed.
TEST(KivoLevelRevision, DiffOfPacksTellsSlotsByContent) {
    QTemporaryDir dir;
    const QString before = dir.filePath("before");
    QDir().mkpath(before + "/kivo");
    QFile::copy(QStringLiteral(KIVO_SOURCE_DIR "/data/kivo/default.kvo"),
                before + "/kivo/default.kvo");
    RandomSource random = MakeRandomSource(1);
    std::vector<PackInfo> packs;
    CreatePack(Bytes(before + "/kivo"), packs, random);
    const QString pack = PathText(ListPacks(Bytes(before + "/kivo")).packs.at(0).pack.folder);
    const auto put = [](const QString& packFolder, int slot, const QByteArray& level) {
        ASSERT_TRUE(Write(PathText(SlotPath(Pack{Bytes(packFolder)}, slot)), level));
    };
    put(pack, 1, Saved(Square().level));
    put(pack, 3, SquarePlus(400, 230, 3, 5));
    put(pack, 7, SquarePlus(400, 310, 5, 6));
    const QString after = dir.filePath("after");
    ASSERT_EQ(RunProgram("cp", {"-a", before, after}).status, 0); // links and all
    const QString packAfter = after + pack.mid(before.size());
    put(packAfter, 3, SquarePlus(400, 310, 5, 6));
    put(packAfter, 7, SquarePlus(400, 230, 3, 5));
    put(packAfter, 1, SquarePlus(440, 270, 3, 8));
    QByteArray config = ReadAll(packAfter + "/config.txt");
    const QByteArray author = config.split('\r').at(1).mid(1);
    config.replace("\r\n" + author + "\r\n", "\r\nSomeone Else\r\n");
    ASSERT_TRUE(Write(packAfter + "/config.txt", config));

    Outcome run = ExpectRun({"diff", pack, packAfter}, 1, {});
    ExpectHas(run.out,
              {"config.txt author: \"", "\" \u2192 \"Someone Else\"", "kivo3 \u21c4 kivo7",
               "kivo1: changed\n    added: triangle at (", "98 slots unchanged",
               "slots: 3 of 101 slots built \u00b7 0 not solvable in Classic Mode \u00b7 0 "
               "problems (unchanged)"});
    EXPECT_FALSE(run.out.contains("kivo7:")) << run.out.toStdString();
    run = ExpectRun({"diff", "--json", before + "/kivo", after + "/kivo"}, 1, {});
    const QJsonObject json = QJsonDocument::fromJson(run.out.toUtf8()).object();
    EXPECT_EQ(json["packs"].toArray().size(), 1);
    EXPECT_EQ(json["packs"].toArray()[0].toObject()["slots"].toArray().size(), 3);
    EXPECT_EQ(KivoLevel({"diff", pack, pack}).status, 0);

    // A pack of another id in the start directory is a pack added.
    ASSERT_EQ(RunProgram("cp", {"-a", packAfter, after + "/kivo/other_pak"}).status, 0);
    ASSERT_TRUE(Write(after + "/kivo/other_pak/config.txt", "Other\r\nMe\r\n1.1.2026\r\n42\r\n"));
    ExpectHas(ExpectRun({"diff", before, after}, 1, {}).out,
              {"pack Other: added\n", "kivo3 \u21c4 kivo7"});
}

} // namespace
} // namespace kivo
