// kivo-level: checks, describes and pictures KIVO level files and packs without the editor.
#include "console.h"
#include "revision_commands.h"
#include "sheet.h"

#include "storage/check/level_summary.h"
#include "storage/check/pack_check.h"
#include "storage/files/shown_text.h"
#include "storage/level/level_file.h"
#include "storage/level/level_memory.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QImageWriter>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace kivo {

const char* const USAGE = R"(Usage:
  kivo-level info [--json] PATH...
      The size of each level, its shapes by side count, its smallest side count, whether it
      can be solved in Classic Mode, and its two scores. Takes level files, and every level
      of the pack folders, data folders and start directories that check takes.
  kivo-level check [--json] PATH...
      Checks level files, pack folders, data folders (kivo/) or start directories: every
      level loads, every pack has config.txt and its 101 level files, every id a level
      refers to exists and no point shares its id with a connector. One line per problem.
  kivo-level render FILE -o PICTURE [--scale N] [--fit]
      A picture of the level as the editor's canvas shows it; --fit crops it to the figure,
      --scale N (1 to 16) enlarges it.
  kivo-level sheet PACK -o PICTURE
      The pack's 101 slots on one picture, as the editor's pack overview shows them: each
      level's thumbnail, slot name, counts and marks, with the slot summary above.
  The picture's name gives its format (sheet.png, level.jpg, ...). Only a new name or a
  picture of that format is written over.
  kivo-level dump LEVEL
      The level file's records as text, one a line in file order, exactly as stored.
  kivo-level build TEXT -o LEVEL
      Writes the level file a dump's text describes, byte for byte; a new name or a regular
      file is written, never a link.
  kivo-level diff [--json] [-o PICTURE [--fit] [--scale N]] OLD NEW
      What changed between two versions of a level: polygons added and removed, a turn or
      shift of the whole level, the scores and the Classic Mode verdict. /dev/null is no
      level. -o draws both: removed in red, added in green, what stayed in grey. Exit status
      0 when they are the same, 1 when they differ, 2 for trouble.
  kivo-level merge [-o PICTURE] BASE OURS THEIRS
      Git's merge driver: writes the merge of both sides' changes over OURS and exits 0, or
      names every conflict, leaves OURS as it was and exits 1; -o draws the conflicts.
  kivo-level --help | --version

Exit status: 0 when everything is sound, 1 when a problem was found, 2 for bad usage.
)";

QTextStream& Out() {
    static QTextStream out(stdout);
    return out;
}

QTextStream& Err() {
    static QTextStream err(stderr);
    return err;
}

int Usage(const QString& complaint) {
    Err() << "kivo-level: " << complaint << "\n"
          << "Try 'kivo-level --help'.\n";
    return BAD_USAGE;
}

namespace {

// The paths of info and check, after the one option "--json"; "--" ends the options. An
// unknown option is bad usage, never taken for a path.
struct PathArgs {
    bool json = false;
    Args paths;
    QString complaint; // why the arguments are bad usage, empty when they are not
};

PathArgs TakePaths(const char* command, const Args& args) {
    PathArgs taken;
    bool options = true;
    for (const std::string& arg : args) {
        if (options && arg == "--") {
            options = false;
        } else if (options && arg == "--json") {
            taken.json = true;
        } else if (options && arg.size() > 1 && arg[0] == '-') {
            taken.complaint =
                QStringLiteral("%1 does not understand '%2'").arg(command, ShownPath(arg));
            return taken;
        } else {
            taken.paths.push_back(arg);
        }
    }
    if (taken.paths.empty()) {
        taken.complaint = QStringLiteral("%1 needs at least one file or folder").arg(command);
    }
    return taken;
}

QJsonObject SummaryJson(const std::string& path, const LevelSummary& s) {
    QJsonObject bySides;
    for (const auto& [sides, count] : s.shapesBySides) {
        bySides[QString::number(sides)] = count;
    }
    return {{"file", ShownPath(path)},
            {"points", qint64(s.points)},
            {"connectors", qint64(s.connectors)},
            {"shapes", qint64(s.shapes)},
            {"shapesBySides", bySides},
            {"smallestSideCount", s.smallestSideCount},
            {"classicMode", s.verdict},
            {"solvable", s.solvable},
            {"targetScore", s.targetScore.toInt()},
            {"expertScore", s.expertScore.toInt()}};
}

void PrintSummary(const std::string& path, const LevelSummary& s) {
    QStringList bySides;
    for (const auto& [sides, count] : s.shapesBySides) {
        bySides << QStringLiteral("%1 with %2 sides").arg(count).arg(sides);
    }
    Out() << ShownPath(path) << "\n"
          << "  points: " << s.points << "\n"
          << "  connectors: " << s.connectors << "\n"
          << "  shapes: " << s.shapes << (bySides.isEmpty() ? "" : " (" + bySides.join(", ") + ")")
          << "\n"
          << "  smallest side count: "
          << (s.smallestSideCount == NO_SHAPE_MINIMUM ? QStringLiteral("none")
                                                      : QString::number(s.smallestSideCount))
          << "\n"
          << "  " << s.verdict << "\n"
          << "  target score: " << s.targetScore << "\n"
          << "  expert score: " << s.expertScore << "\n";
}

// Describes every level a check would read, in the same order; what a check would call a
// problem is said instead.
int Info(const Args& args) {
    const PathArgs taken = TakePaths("info", args);
    if (!taken.complaint.isEmpty()) {
        return Usage(taken.complaint);
    }
    int status = SOUND;
    QJsonArray levels;
    for (const CheckStep& step : WalkPaths(taken.paths).steps) {
        Level level;
        const FileResult read =
            step.problem.isEmpty() ? ReadStepLevel(step, level) : FileResult{false, step.problem};
        if (!read.ok) {
            Err() << ShownPath(step.path) << ": " << read.message << "\n";
            levels.append(QJsonObject{{"file", ShownPath(step.path)}, {"error", read.message}});
            status = PROBLEM_FOUND;
        } else if (taken.json) {
            levels.append(SummaryJson(step.path, Summarize(level)));
        } else {
            PrintSummary(step.path, Summarize(level));
        }
    }
    if (taken.json) {
        Out() << QJsonDocument(levels).toJson();
    }
    return status;
}

int Check(const Args& args) {
    const PathArgs taken = TakePaths("check", args);
    if (!taken.complaint.isEmpty()) {
        return Usage(taken.complaint);
    }
    const CheckReport report = CheckPaths(taken.paths);
    if (taken.json) {
        QJsonArray problems;
        for (const Problem& p : report.problems) {
            problems.append(QJsonObject{
                {"path", ShownPath(p.path)}, {"problem", p.what}, {"warning", p.warning}});
        }
        Out() << QJsonDocument(QJsonObject{{"sound", !HasProblems(report)},
                                           {"levels", report.levels},
                                           {"packs", report.packs},
                                           {"problems", problems}})
                     .toJson();
    } else {
        for (const Problem& p : report.problems) {
            Out() << (p.warning ? "warning: " : "") << ShownPath(p.path) << ": " << p.what << "\n";
        }
        Err() << CheckSummary(report) << "\n";
    }
    return HasProblems(report) ? PROBLEM_FOUND : SOUND;
}

} // namespace

// Qt's name for a picture format, as a file's ending or a picture's content names it.
static QByteArray FormatName(QByteArray format) {
    format = format.toLower();
    return format == "jpg" ? QByteArray("jpeg") : format == "tif" ? QByteArray("tiff") : format;
}

// The format a picture's name asks for by its ending, empty when Qt cannot write it.
QByteArray PictureFormat(const std::string& output) {
    const std::string name = output.substr(output.rfind('/') + 1);
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0) {
        return {};
    }
    const QByteArray format = FormatName(QByteArray::fromStdString(name.substr(dot + 1)));
    for (const QByteArray& known : QImageWriter::supportedImageFormats()) {
        if (FormatName(known) == format) {
            return format;
        }
    }
    return {};
}

int UnknownFormat(const std::string& output) {
    QStringList formats;
    for (const QByteArray& known : QImageWriter::supportedImageFormats()) {
        formats << QString::fromLatin1(known);
    }
    return Usage(QStringLiteral("%1 does not end in the name of a picture format kivo-level "
                                "writes (%2)")
                     .arg(QuotedPath(output), formats.join(QStringLiteral(", "))));
}

// Enough of a file's start for a picture reader to know its format.
static constexpr qint64 PICTURE_HEAD_BYTES = 64 * 1024;

// The picture goes only to a new name or over a picture of the format it is written in,
// never over the level it shows (also through a link), another file of the pack, a device
// or a FIFO.
static FileResult CheckPictureTarget(const std::string& input, const std::string& output,
                                     const QByteArray& format) {
    struct stat in {};
    struct stat out {};
    if (::stat(output.c_str(), &out) != 0) {
        return {};
    }
    if (!S_ISREG(out.st_mode)) {
        return {false, QStringLiteral("it is %1, not a regular file").arg(KindOf(out.st_mode))};
    }
    if (::stat(input.c_str(), &in) == 0 && in.st_dev == out.st_dev && in.st_ino == out.st_ino) {
        return {false, QStringLiteral("it is the level file being drawn")};
    }
    FileBytes head = ReadFileStart(output, PICTURE_HEAD_BYTES, Links::Follow);
    QBuffer buffer(&head.bytes);
    if (!head.result.ok || !buffer.open(QIODevice::ReadOnly) ||
        FormatName(QImageReader::imageFormat(&buffer)) != format) {
        return {false, QStringLiteral("it is not a %1 picture, and only a picture is replaced")
                           .arg(QString::fromLatin1(format.toUpper()))};
    }
    return {};
}

FileResult WritePicture(const QImage& picture, const std::string& input, const std::string& output,
                        const QByteArray& format) {
    if (FileResult target = CheckPictureTarget(input, output, format); !target.ok) {
        return target;
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !picture.save(&buffer, format.constData())) {
        return {false, QStringLiteral("the picture cannot be encoded as %1")
                           .arg(QString::fromLatin1(format.toUpper()))};
    }
    return ReplaceFile(output, bytes, Links::Follow);
}

namespace {

// The ending of render and sheet: the picture made from `input` is written to `output`,
// or what kept it from being made or written is said.
int WriteAndReport(const Picture& picture, const std::string& input, const std::string& output,
                   const QByteArray& format) {
    if (!picture.result.ok) {
        Err() << "kivo-level: cannot draw " << QuotedPath(input) << ": " << picture.result.message
              << "\n";
        return PROBLEM_FOUND;
    }
    const FileResult written = WritePicture(picture.image, input, output, format);
    if (!written.ok) {
        Err() << "kivo-level: cannot write " << QuotedPath(output) << ": " << written.message
              << "\n";
        return PROBLEM_FOUND;
    }
    return SOUND;
}

int Render(const Args& args) {
    std::string input;
    std::string output;
    RenderOptions options;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if ((arg == "-o" || arg == "--scale") && i + 1 >= args.size()) {
            return Usage(QString::fromStdString(arg) + " needs a value");
        }
        if (arg == "-o") {
            output = args[++i];
        } else if (arg == "--scale") {
            bool number = false;
            options.scale = QString::fromStdString(args[++i]).toInt(&number);
            if (!number || options.scale < 1 || options.scale > 16) {
                return Usage(QStringLiteral("--scale takes a whole number from 1 to 16"));
            }
        } else if (arg == "--fit") {
            options.fit = true;
        } else if ((arg.size() > 1 && arg[0] == '-') || !input.empty()) {
            return Usage(QStringLiteral("render does not understand '%1'").arg(ShownPath(arg)));
        } else {
            input = arg;
        }
    }
    if (input.empty() || output.empty()) {
        return Usage(QStringLiteral("render needs a level file and -o PICTURE"));
    }
    const QByteArray format = PictureFormat(output);
    if (format.isEmpty()) {
        return UnknownFormat(output);
    }
    Level level;
    if (const FileResult read = ReadStepLevel({input, {}}, level); !read.ok) {
        Err() << "kivo-level: " << ShownPath(input) << ": " << read.message << "\n";
        return PROBLEM_FOUND;
    }
    return WriteAndReport(RenderLevel(level, options), input, output, format);
}

int Sheet(const Args& args) {
    if (args.size() != 3 || args[1] != "-o") {
        return Usage(QStringLiteral("sheet needs a pack folder and -o PICTURE"));
    }
    const QByteArray format = PictureFormat(args[2]);
    if (format.isEmpty()) {
        return UnknownFormat(args[2]);
    }
    return WriteAndReport(ContactSheet(QFile::decodeName(args[0].c_str())), args[0], args[2],
                          format);
}

int Run(Args args) {
    if (args.empty()) {
        return Usage(QStringLiteral("no command given"));
    }
    const std::string command = args.front();
    args.erase(args.begin());
    if (command == "--help" || command == "-h" || command == "help") {
        Out() << USAGE;
        return SOUND;
    }
    if (command == "--version") {
        Out() << "kivo-level " << KIVO_VERSION << "\n";
        return SOUND;
    }
    if (command == "info") {
        return Info(args);
    }
    if (command == "check") {
        return Check(args);
    }
    if (command == "render") {
        return Render(args);
    }
    if (command == "sheet") {
        return Sheet(args);
    }
    if (command == "dump") {
        return Dump(args);
    }
    if (command == "build") {
        return Build(args);
    }
    if (command == "diff") {
        return Diff(args);
    }
    if (command == "merge") {
        return Merge(args);
    }
    return Usage(QStringLiteral("unknown command '%1'").arg(ShownPath(command)));
}

// Output that could not be written (a full disk, a closed pipe) is a failure of its own.
int Finish(int status) {
    Out().flush();
    const bool written =
        Out().status() == QTextStream::Ok && std::fflush(stdout) == 0 && !std::ferror(stdout);
    if (!written) {
        Err() << "kivo-level: the output cannot be written: " << ErrnoText(errno) << "\n";
    }
    Err().flush();
    return written ? status : PROBLEM_FOUND;
}

// The runtime folder a Gui application looks up is never used here, and on a machine
// without a login session Qt complains of it; every other message goes through.
QtMessageHandler qtMessages = nullptr;

void DropRuntimeFolderComplaints(QtMsgType type, const QMessageLogContext& context,
                                 const QString& message) {
    if (!message.startsWith(QLatin1String("QStandardPaths: ")) && qtMessages != nullptr) {
        qtMessages(type, context, message);
    }
}

} // namespace
} // namespace kivo

// The arguments are taken as the bytes they are, so paths that are not UTF-8 stay openable.
int main(int argc, char** argv) {
    kivo::KeepLevelMemory();
    kivo::qtMessages = qInstallMessageHandler(kivo::DropRuntimeFolderComplaints);
    // The contact sheet writes text, which needs the fonts of a GUI application; it never
    // opens a window, so it needs no display either.
    const bool text = argc > 1 && qstrcmp(argv[1], "sheet") == 0;
    if (text) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    std::unique_ptr<QCoreApplication> app(text ? new QGuiApplication(argc, argv)
                                               : new QCoreApplication(argc, argv));
    std::signal(SIGPIPE, SIG_IGN);
    return kivo::Finish(kivo::Run(std::vector<std::string>(argv + 1, argv + argc)));
}
