// kivo-level: checks, describes and pictures KIVO level files and packs without the editor.
#include "checks.h"
#include "render.h"
#include "sheet.h"

#include "storage/level_file.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
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
namespace {

constexpr int SOUND = 0;
constexpr int PROBLEM_FOUND = 1;
constexpr int BAD_USAGE = 2;

const char* const USAGE = R"(Usage:
  kivo-level info [--json] FILE...
      The size of each level, its shapes by side count, its smallest side count, whether it
      can be solved in Classic Mode, and its two scores.
  kivo-level check [--json] PATH...
      Checks level files, pack folders, data folders (kivo/) or start directories: every
      level loads, every pack has config.txt and its 101 level files, every id a level
      refers to exists and no point shares its id with a connector. One line per problem.
  kivo-level render FILE -o OUT.png [--scale N] [--fit]
      A picture of the level as the editor's canvas shows it; --fit crops it to the figure,
      --scale N (1 to 16) enlarges it.
  kivo-level sheet PACK -o OUT.png
      The pack's 101 slots on one picture, as the editor's pack overview shows them: each
      level's thumbnail, slot name, counts and marks, with the slot summary above.
  kivo-level --help | --version

Exit status: 0 when everything is sound, 1 when a problem was found, 2 for bad usage.
)";

using Args = std::vector<std::string>;

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

// The paths of info and check, after the one option "--json"; "--" ends the options. An
// unknown option is bad usage, never taken for a path.
struct PathArgs {
    bool json = false;
    Args paths;
    QString unknown;
};

PathArgs TakePaths(const Args& args) {
    PathArgs taken;
    bool options = true;
    for (const std::string& arg : args) {
        if (options && arg == "--") {
            options = false;
        } else if (options && arg == "--json") {
            taken.json = true;
        } else if (options && arg.size() > 1 && arg[0] == '-') {
            taken.unknown = ShownPath(arg);
        } else {
            taken.paths.push_back(arg);
        }
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

int Info(const Args& args) {
    const PathArgs taken = TakePaths(args);
    if (!taken.unknown.isEmpty()) {
        return Usage(QStringLiteral("info does not understand '%1'").arg(taken.unknown));
    }
    if (taken.paths.empty()) {
        return Usage(QStringLiteral("info needs at least one level file"));
    }
    int status = SOUND;
    QJsonArray levels;
    for (const std::string& path : taken.paths) {
        Level level;
        const FileResult result = LoadLevelAt(level, path);
        if (!result.ok) {
            Err() << result.message << "\n";
            levels.append(QJsonObject{{"file", ShownPath(path)}, {"error", result.message}});
            status = PROBLEM_FOUND;
        } else if (taken.json) {
            levels.append(SummaryJson(path, Summarize(level)));
        } else {
            PrintSummary(path, Summarize(level));
        }
    }
    if (taken.json) {
        Out() << QJsonDocument(levels).toJson();
    }
    return status;
}

// "1 level", "2 levels".
QString Counted(qsizetype count, const char* one, const char* many) {
    return QStringLiteral("%1 %2").arg(count).arg(QLatin1String(count == 1 ? one : many));
}

int Check(const Args& args) {
    const PathArgs taken = TakePaths(args);
    if (!taken.unknown.isEmpty()) {
        return Usage(QStringLiteral("check does not understand '%1'").arg(taken.unknown));
    }
    if (taken.paths.empty()) {
        return Usage(QStringLiteral("check needs at least one file or folder"));
    }
    CheckReport report;
    for (const std::string& path : taken.paths) {
        CheckPath(path, report);
    }
    if (taken.json) {
        QJsonArray problems;
        for (const Problem& p : report.problems) {
            problems.append(QJsonObject{{"path", ShownPath(p.path)}, {"problem", p.what}});
        }
        Out() << QJsonDocument(QJsonObject{{"sound", report.problems.empty()},
                                           {"levels", report.levels},
                                           {"packs", report.packs},
                                           {"problems", problems}})
                     .toJson();
    } else {
        for (const Problem& p : report.problems) {
            Out() << ShownPath(p.path) << ": " << p.what << "\n";
        }
        Err() << Counted(report.levels, "level", "levels") << " in "
              << Counted(report.packs, "pack", "packs") << " checked, "
              << Counted(qsizetype(report.problems.size()), "problem", "problems") << "\n";
    }
    return report.problems.empty() ? SOUND : PROBLEM_FOUND;
}

// The picture goes only to a regular file or a new name, never over the level it shows
// (also through a link) nor over a device or a FIFO.
FileResult CheckPictureTarget(const std::string& input, const std::string& output) {
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
    return {};
}

FileResult WritePicture(const QImage& picture, const std::string& input,
                        const std::string& output) {
    if (FileResult target = CheckPictureTarget(input, output); !target.ok) {
        return target;
    }
    QByteArray png;
    QBuffer buffer(&png);
    if (!buffer.open(QIODevice::WriteOnly) || !picture.save(&buffer, "PNG")) {
        return {false, QStringLiteral("the picture cannot be encoded as PNG")};
    }
    return ReplaceFile(output, png, Links::Follow);
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
        return Usage(QStringLiteral("render needs a level file and -o OUT.png"));
    }
    Level level;
    const FileResult loaded = LoadLevelAt(level, input);
    if (!loaded.ok) {
        Err() << loaded.message << "\n";
        return PROBLEM_FOUND;
    }
    QString error;
    const QImage picture = RenderLevel(level, options, error);
    const FileResult written =
        picture.isNull() ? FileResult{false, error} : WritePicture(picture, input, output);
    if (!written.ok) {
        Err() << "kivo-level: cannot write " << QuotedPath(output) << ": " << written.message
              << "\n";
        return PROBLEM_FOUND;
    }
    return SOUND;
}

// The pack's contact sheet, written as render writes its picture.
int Sheet(const Args& args) {
    if (args.size() != 3 || args[1] != "-o") {
        return Usage(QStringLiteral("sheet needs a pack folder and -o OUT.png"));
    }
    QString error;
    const QImage picture = ContactSheet(QFile::decodeName(args[0].c_str()), error);
    const FileResult written =
        picture.isNull() ? FileResult{false, error} : WritePicture(picture, args[0], args[2]);
    if (!written.ok) {
        Err() << "kivo-level: cannot write " << QuotedPath(args[2]) << ": " << written.message
              << "\n";
        return PROBLEM_FOUND;
    }
    return SOUND;
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

} // namespace
} // namespace kivo

// The arguments are taken as the bytes they are, so paths that are not UTF-8 stay openable.
int main(int argc, char** argv) {
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
