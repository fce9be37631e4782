// Drives the built kivo-level program on temporary folders.
#include "storage/files/paths.h"
#include "storage/level/level_file.h"
#include "storage/pack/data_folder.h"

#include "program_run.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <filesystem>
#include <fstream>

namespace kivo {

// Both files of this program's tests run kivo-level through these two.
Outcome KivoLevel(const QStringList& args) {
    return RunProgram(QStringLiteral(KIVO_LEVEL_PROGRAM), args);
}

// kivo-level run with `args`, which ends with `status` and names each of `err` on stderr.
Outcome ExpectRun(const QStringList& args, int status, const QStringList& err) {
    const Outcome run = KivoLevel(args);
    EXPECT_EQ(run.status, status) << args.join(' ').toStdString() << "\n"
                                  << run.out.toStdString() << run.err.toStdString();
    ExpectHas(run.err, err);
    return run;
}

namespace {

// An sh command line in which "$0" is kivo-level, so paths can be given as raw bytes.
Outcome Shell(const QString& line) {
    return RunProgram("/bin/sh", {"-c", line, KIVO_LEVEL_PROGRAM});
}

// One line of `text` for each of `parts`, in their order, each holding its part.
void ExpectLines(const QString& text, const QStringList& parts) {
    const QStringList lines = text.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), parts.size()) << text.toStdString();
    for (int i = 0; i < lines.size(); ++i) {
        ExpectHas(lines[i], {parts[i]});
    }
}

const QString GOLDEN = QStringLiteral(KIVO_SOURCE_DIR "/tests/data/clicks.kvo");
const QString TEMPLATE = QStringLiteral(KIVO_SOURCE_DIR "/data/kivo/default.kvo");

// A start directory whose data folder holds the template and `packs` new packs.
struct Start {
    QTemporaryDir dir;
    std::vector<PackInfo> packs;
    QString levels; // of the first pack listed, whose folder is `pack`
    QString pack;

    explicit Start(int count) {
        QDir(dir.path()).mkdir("kivo");
        QFile::copy(TEMPLATE, Data("default.kvo"));
        RandomSource random = MakeRandomSource(1);
        for (int i = 0; i < count; ++i) {
            CreatePack(Bytes(Data()), this->packs, random);
            this->packs = ListPacks(Bytes(Data())).packs;
        }
        pack = PathText(this->packs.at(0).pack.folder);
        levels = pack + "/kivo/";
    }
    QString Data(const QString& name = {}) const { return dir.filePath("kivo/" + name); }
};

TEST(KivoLevel, HelpVersionBadUsageAndInfoInTheEditorsWords) {
    ExpectHas(ExpectRun({"--help"}, 0, {}).out, {"kivo-level check [--json] PATH..."});
    Outcome run = KivoLevel({"--version"});
    EXPECT_EQ(QString::number(run.status) + run.out, "0kivo-level 1.0\n");
    for (const QStringList& bad :
         {QStringList{}, QStringList{"frobnicate"}, QStringList{"check", "--json"},
          QStringList{"render", GOLDEN},
          QStringList{"render", GOLDEN, "-o", "x.png", "--scale", "0"},
          QStringList{"render", GOLDEN, "-o"}, QStringList{"info", "--JSON", GOLDEN},
          QStringList{"check", "--JSON", GOLDEN}, QStringList{"sheet", GOLDEN}, QStringList{"dump"},
          QStringList{"build", GOLDEN}}) {
        SCOPED_TRACE(bad.join(' ').toStdString());
        EXPECT_EQ(ExpectRun(bad, 2, {"kivo-level"}).out, "");
    }

    ExpectHas(ExpectRun({"info", GOLDEN}, 0, {}).out,
              {GOLDEN + "\n  points: 28\n", "  connectors: 33\n",
               "  shapes: 6 (1 with 3 sides, 1 with 4 sides", "  smallest side count: 3\n",
               "This KIVO can be solved in Classic Mode",
               "  target score: 100\n  expert score: 200\n"});

    // Output that cannot be written is a failure with a reason, not a silent exit 0.
    run = Shell("\"$0\" info --json '" + GOLDEN + "' >/dev/full");
    EXPECT_EQ(run.status, 1);
    ExpectHas(run.err, {"the disk is full"});
}

// A sound data folder passes. Then every problem is one line naming the file, shown so that
// it maps back to one file with no control character reaching the terminal; info describes
// what it can of the same pack in the order check walks it.
TEST(KivoLevel, CheckAndInfoGiveEveryProblemALineAndDescribeWhatTheyCan) {
    Start start(2);
    const QString& pack = start.pack;
    const QString& levels = start.levels;
    const auto Data = [&start](const QString& name = {}) { return start.Data(name); };
    Outcome run =
        ExpectRun({"check", start.dir.path()}, 0, {"203 levels in 2 packs checked, 0 problems"});
    EXPECT_EQ(run.out, "");
    ExpectHas(KivoLevel({"check", GOLDEN}).err, {"1 level in 0 packs checked, 0 problems"});

    QFile::remove(Data("default.kvo"));
    Write(levels + "kivo1.kvo", ReadAll(GOLDEN));
    QFile::remove(levels + "kivo7.kvo");
    QFile::remove(levels + "kivo3.kvo");
    QFile::link("/dev/zero", levels + "kivo3.kvo");
    // A slot is never read through a link, here one to a device.
    const QString device =
        "the level file cannot be loaded: it is a symbolic link, which is not followed here";
    // A point and a connector with the same id 1, and no shape: no side count divides it.
    Write(levels + "kivo4.kvo", Word(1) + Word(1) + Float(1) + Float(1) + Word(1) + Word(1) +
                                    Word(1) + Word(1) + Word(-1) + Word(1) + Word(1));
    // A connector between points 1 and 2 that no point has, and an outline naming connector 9.
    Write(levels + "kivo9.kvo", QByteArray::fromHex("0000 0100 050001000200 0000 0200 "
                                                    "05000000000000000000 "
                                                    "09000000000000000000 64006400"));
    run = ExpectRun({"info", "--json", pack}, 1, {});
    ExpectLines(run.err,
                {levels + "kivo3.kvo: " + device, levels + "kivo7.kvo: the level file is missing"});
    const QJsonArray described = QJsonDocument::fromJson(run.out.toUtf8()).array();
    ASSERT_EQ(described.size(), PACK_SLOT_COUNT);
    const std::tuple<int, QString, int, bool> expected[] = {{0, levels + "unlimited.kvo", 0, true},
                                                            {1, levels + "kivo1.kvo", 28, true},
                                                            {4, levels + "kivo4.kvo", 1, false},
                                                            {100, levels + "kivo100.kvo", 0, true}};
    for (const auto& [slot, file, points, solvable] : expected) {
        SCOPED_TRACE(slot);
        const QJsonObject level = described[slot].toObject();
        EXPECT_EQ(level["file"].toString(), file);
        EXPECT_EQ(level["points"].toInt(), points);
        EXPECT_EQ(level["solvable"], QJsonValue(solvable));
        EXPECT_EQ(level["classicMode"].toString().contains("can not"), !solvable);
    }
    EXPECT_EQ(described[1].toObject()["shapesBySides"].toObject()["12"].toInt(), 1);
    EXPECT_EQ(described[3].toObject()["file"].toString(), levels + "kivo3.kvo");
    EXPECT_EQ(described[3].toObject()["error"].toString(), device);
    EXPECT_EQ(described[7].toObject()["error"].toString(), "the level file is missing");

    QFile::remove(pack + "/config.txt");
    Write(levels + ".kivo-save-999999999-1.tmp", "half");
    Write(levels + ".kivo-exchange-999999999-1.level", "half");
    QDir(Data()).mkpath(".kivo-new-pack-999999999-1/kivo");
    // Neither a link to a sound pack nor a file is walked as a pack.
    QFile::link(PathText(start.packs.at(1).pack.folder), Data("link_pak"));
    Write(Data("file_pak"), "not a folder");
    const std::string data = Bytes(Data());
    const char* odd[] = {"a\\xff_pak", "a\xff_pak", "x\033[8m_pak", "y\xc2\x9b_pak"};
    for (const std::string name : odd) {
        ASSERT_EQ(mkdir((data + name).c_str(), 0700), 0);
        std::ofstream(data + name + "/config.txt", std::ios::binary) << "Odd\r\n";
    }
    run = ExpectRun({"check", Data(), start.dir.filePath("nowhere")}, 1,
                    {"201 levels in 6 packs checked, 16 problems"});
    ExpectLines(run.out,
                {Data("default.kvo: the template level is missing"),
                 Data(".kivo-new-pack-999999999-1: a pack folder left by an interrupted New or "
                      "Delete; the editor removes it when it next starts"),
                 pack + ": the pack has no config.txt", levels + "kivo3.kvo: " + device,
                 levels + "kivo4.kvo: connector 1 has id 1, which a point has too",
                 levels + "kivo7.kvo: the level file is missing",
                 "kivo9.kvo: connector 1 (id 5) ends at point id 1, which",
                 "kivo9.kvo: connector 1 (id 5) ends at point id 2, which",
                 "kivo9.kvo: shape 1, outline entry 2, names connector id 9",
                 levels + ".kivo-exchange-999999999-1.level: part of a move of slots that was "
                          "interrupted; the editor finishes it when it next starts, so keep it",
                 levels + ".kivo-save-999999999-1.tmp: a temporary file left by an interrupted "
                          "save; it can be removed",
                 Data("a\\\\xff_pak: the pack has no level folder kivo/"),
                 Data("a\\xff_pak: the pack has no level folder kivo/"),
                 Data("x\\x1b[8m_pak: the pack has no level folder kivo/"),
                 Data("y\\xc2\\x9b_pak: the pack has no level folder kivo/"),
                 start.dir.filePath("nowhere: there is no such file or folder")});
    // The odd name given on the command line as its bytes is found and walked.
    ExpectLines(Shell("\"$0\" check \"$(printf '" + Data("a") + "\\377_pak')\"").out,
                {Data("a\\xff_pak: the pack has no level folder kivo/")});
    for (const std::string name : odd) {
        std::filesystem::remove_all(data + name); // Qt cannot remove a name that is not UTF-8
    }

    ASSERT_TRUE(MakeSpecial(pack + "/config.txt", nullptr, S_IFIFO));
    run = KivoLevel({"check", pack});
    ExpectHas(run.out, {pack + "/config.txt: the pack's details cannot be read: it is a FIFO, not "
                               "a regular file\n"});
    EXPECT_EQ(run.out.count("config.txt"), 1);
    QFile::remove(pack + "/config.txt");

    const QJsonObject report =
        QJsonDocument::fromJson(KivoLevel({"check", "--json", pack}).out.toUtf8()).object();
    const QJsonObject kivo7 = report["problems"].toArray()[3].toObject();
    EXPECT_EQ(std::tuple(report["sound"].toBool(), report["packs"].toInt(),
                         report["levels"].toInt(), report["problems"].toArray().size(),
                         kivo7["path"].toString()),
              std::tuple(false, 1, 100, 9, levels + "kivo7.kvo"));
    EXPECT_FALSE(kivo7["problem"].toString().isEmpty());

    // A data folder that cannot be read is said so, not checked as a pack. Root reads every
    // folder, so as root the program runs as an unprivileged user for this.
    const QString as =
        ::geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
    ::chmod(Bytes(start.dir.path()).c_str(), 0755);
    if (Shell(as + "\"$0\" --version").status == 0) { // else the program is out of its reach
        ASSERT_EQ(::chmod(data.c_str(), 0), 0);
        run = Shell(as + "\"$0\" check '" + start.dir.path() + "'");
        ::chmod(data.c_str(), 0755);
        ExpectLines(run.out, {start.dir.filePath("kivo: the folder cannot be read")});
    }
}

// The picture shows the level as the canvas does, in the format its name asks for; a name no
// writer knows is bad usage. It goes only to a new name or over a picture of that format,
// never over its own level (also through a link), a pack's file, a device or a FIFO; a level
// that cannot be read gets none, and a full disk is said so.
TEST(KivoLevel, PicturesShowTheLevelInTheirFormatAndReplaceOnlyPicturesOfIt) {
    Start packs(1);
    const QTemporaryDir& start = packs.dir;
    const QString& pack = packs.pack;
    const QString out = start.filePath("shown.png");
    Outcome run = KivoLevel({"render", GOLDEN, "-o", out});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    QImage image(out);
    ASSERT_EQ(image.size(), QSize(500, 414));
    // The pixel at a point of the canvas, which the picture shows from (141, 23) on.
    const auto at = [&image](double x, double y) {
        return image.pixelColor(int(std::nearbyint(x)) - 141, int(std::nearbyint(y)) - 23);
    };
    EXPECT_EQ(at(390, 215), QColor(185, 185, 185)); // crosshair arm
    Level level;
    ASSERT_TRUE(LoadLevel(level, GOLDEN).result.ok);
    const Shape& s = level.shapes[0]; // its centre dot
    EXPECT_EQ(at(double(s.centreX) * 20.0 - 17.0, double(s.centreY) * 30.0 - 45.0),
              QColor(255, 55, 55));
    KivoLevel({"render", GOLDEN, "-o", out, "--fit", "--scale", "3"});
    const QImage fitted(out);
    EXPECT_EQ(fitted.size(), QSize(160, 271) * 3); // the figure and its margin, enlarged
    EXPECT_EQ(fitted.pixelColor(0, 0), Qt::white);

    const QString levelFile = start.filePath("a.kvo");
    QFile::copy(GOLDEN, levelFile);
    QFile::link(levelFile, start.filePath("link.png"));
    QFile::copy(GOLDEN, start.filePath("level.png")); // a level under a picture's name
    QFile::copy(out, start.filePath("png.jpg"));      // a PNG under a JPEG's name
    Write(start.filePath("bad.kvo"), "\x05");
    // Only root may make a device node; others get a FIFO in its place.
    ASSERT_TRUE(MakeSpecial(start.filePath("null.png"), nullptr, S_IFCHR) ||
                MakeSpecial(start.filePath("null.png"), nullptr, S_IFIFO));
    MakeSpecial(start.filePath("fifo.png"), nullptr, S_IFIFO);
    const std::tuple<const char*, const char*, const char*> refused[] = {
        {"a.kvo", "link.png", "it is the level file being drawn"},
        {"a.kvo", "level.png", "it is not a PNG picture"},
        {"a.kvo", "png.jpg", "it is not a JPEG picture"},
        {"a.kvo", "null.png", ", not a regular file"},
        {"a.kvo", "fifo.png", "it is a FIFO, not a regular file"},
        {"a.kvo", "no/folder/x.png", "no/folder/x.png"},
        {"bad.kvo", "bad.png", "bad.kvo"}};
    for (const auto& [in, to, why] : refused) {
        SCOPED_TRACE(to);
        ExpectRun({"render", start.filePath(in), "-o", start.filePath(to)}, 1, {why});
    }
    EXPECT_EQ(ReadAll(levelFile), ReadAll(GOLDEN));
    EXPECT_EQ(ReadAll(start.filePath("level.png")), ReadAll(GOLDEN));
    EXPECT_EQ(ReadAll(start.filePath("png.jpg")), ReadAll(out));
    EXPECT_FALSE(QFile::exists(start.filePath("bad.png")));
    EXPECT_TRUE(IsA(start.filePath("null.png"), S_IFCHR) ||
                IsA(start.filePath("null.png"), S_IFIFO));
    QDir(start.path()).mkdir("small");
    TmpfsMount small(start.filePath("small"), "4k");
    if (small.mounted) {
        Write(start.filePath("small/filler"), QByteArray(4096, 'x'));
        ExpectRun({"render", levelFile, "-o", start.filePath("small/x.png")}, 1,
                  {"the disk is full"});
    }
    const std::pair<const char*, QByteArray> formats[] = {
        {"x.jpg", "jpeg"}, {"x.JPEG", "jpeg"}, {"x.bmp", "bmp"}, {"x.png", "png"}};
    for (const auto& [name, format] : formats) {
        SCOPED_TRACE(name);
        EXPECT_EQ(KivoLevel({"render", GOLDEN, "-o", start.filePath(name)}).status, 0);
        EXPECT_EQ(QImageReader(start.filePath(name)).format(), format);
    }
    for (const QString& to :
         {start.filePath("x.xyz"), start.filePath("noending"), packs.levels + "kivo3.kvo",
          pack + "/config.txt", start.filePath("kivo/default.kvo")}) {
        SCOPED_TRACE(to.toStdString());
        const QByteArray before = ReadAll(to);
        for (const QStringList& args :
             {QStringList{"render", GOLDEN, "-o", to}, QStringList{"sheet", pack, "-o", to}}) {
            ExpectRun(args, 2, {"picture format"});
        }
        EXPECT_EQ(ReadAll(to), before);
    }
    // A folder that is not a pack is named as the reason; a clean machine gets no warnings.
    run = ExpectRun({"sheet", start.filePath("kivo"), "-o", start.filePath("s.png")}, 1, {});
    ExpectLines(run.err, {"cannot draw \"" + start.filePath("kivo") + "\": it is not a pack"});
    const Outcome clean = Shell("env -u XDG_RUNTIME_DIR \"$0\" sheet '" + pack + "' -o '" +
                                start.filePath("s.png") + "'");
    EXPECT_EQ(clean.status, 0);
    EXPECT_EQ(clean.err, "");
}

} // namespace
} // namespace kivo
