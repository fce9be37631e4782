// kivo-level: checks, describes and pictures KIVO level files and packs without the editor.
#include "checks.h"
#include "render.h"
#include "sheet.h"

#include "storage/level_file.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QTextStream>

#include <memory>

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
      level loads, every pack has config.txt and its 101 level files, and every id a level
      refers to exists. One line per problem.
  kivo-level render FILE -o OUT.png [--scale N] [--fit]
      A picture of the level as the editor's canvas shows it; --fit crops it to the figure,
      --scale N (1 to 16) enlarges it.
  kivo-level sheet PACK -o OUT.png
      The pack's 101 slots on one picture, as the editor's pack overview shows them: each
      level's thumbnail, slot name, counts and marks, with the slot summary above.
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

// Splits off "--json"; the rest are the paths.
bool TakeJson(QStringList& args) {
    return args.removeAll(QStringLiteral("--json")) > 0;
}

QJsonObject SummaryJson(const QString& path, const LevelSummary& s) {
    QJsonObject bySides;
    for (const auto& [sides, count] : s.shapesBySides) {
        bySides[QString::number(sides)] = count;
    }
    return {{"file", path},
            {"points", qint64(s.points)},
            {"connectors", qint64(s.connectors)},
            {"shapes", qint64(s.shapes)},
            {"shapesBySides", bySides},
            {"smallestSideCount", s.smallestSideCount},
            {"classicMode", s.verdict},
            {"targetScore", s.targetScore.toInt()},
            {"expertScore", s.expertScore.toInt()}};
}

void PrintSummary(const QString& path, const LevelSummary& s) {
    QStringList bySides;
    for (const auto& [sides, count] : s.shapesBySides) {
        bySides << QStringLiteral("%1 with %2 sides").arg(count).arg(sides);
    }
    Out() << path << "\n"
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

int Info(QStringList args) {
    const bool json = TakeJson(args);
    if (args.isEmpty()) {
        return Usage(QStringLiteral("info needs at least one level file"));
    }
    int status = SOUND;
    QJsonArray levels;
    for (const QString& path : args) {
        Level level;
        const FileResult result = LoadLevel(level, path);
        if (!result.ok) {
            Err() << result.message << "\n";
            status = PROBLEM_FOUND;
            continue;
        }
        if (json) {
            levels.append(SummaryJson(path, Summarize(level)));
        } else {
            PrintSummary(path, Summarize(level));
        }
    }
    if (json) {
        Out() << QJsonDocument(levels).toJson();
    }
    return status;
}

int Check(QStringList args) {
    const bool json = TakeJson(args);
    if (args.isEmpty()) {
        return Usage(QStringLiteral("check needs at least one file or folder"));
    }
    CheckReport report;
    for (const QString& path : args) {
        CheckPath(path, report);
    }
    if (json) {
        QJsonArray problems;
        for (const Problem& p : report.problems) {
            problems.append(QJsonObject{{"path", p.path}, {"problem", p.what}});
        }
        Out() << QJsonDocument(QJsonObject{{"sound", report.problems.empty()},
                                           {"levels", report.levels},
                                           {"packs", report.packs},
                                           {"problems", problems}})
                     .toJson();
    } else {
        for (const Problem& p : report.problems) {
            Out() << p.path << ": " << p.what << "\n";
        }
        Err() << report.levels << " levels in " << report.packs << " packs checked, "
              << report.problems.size() << " problems\n";
    }
    return report.problems.empty() ? SOUND : PROBLEM_FOUND;
}

int Render(QStringList args) {
    QString input;
    QString output;
    RenderOptions options;
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if ((arg == "-o" || arg == "--scale") && i + 1 >= args.size()) {
            return Usage(arg + " needs a value");
        }
        if (arg == "-o") {
            output = args[++i];
        } else if (arg == "--scale") {
            bool number = false;
            options.scale = args[++i].toInt(&number);
            if (!number || options.scale < 1 || options.scale > 16) {
                return Usage(QStringLiteral("--scale takes a whole number from 1 to 16"));
            }
        } else if (arg == "--fit") {
            options.fit = true;
        } else if (arg.startsWith('-') || !input.isEmpty()) {
            return Usage(QStringLiteral("render does not understand '%1'").arg(arg));
        } else {
            input = arg;
        }
    }
    if (input.isEmpty() || output.isEmpty()) {
        return Usage(QStringLiteral("render needs a level file and -o OUT.png"));
    }
    Level level;
    const FileResult loaded = LoadLevel(level, input);
    if (!loaded.ok) {
        Err() << loaded.message << "\n";
        return PROBLEM_FOUND;
    }
    QString error;
    const QImage picture = RenderLevel(level, options, error);
    QSaveFile file(output);
    if (picture.isNull() || !file.open(QIODevice::WriteOnly) || !picture.save(&file, "PNG") ||
        !file.commit()) {
        Err() << "kivo-level: cannot write \"" << output
              << "\": " << (error.isEmpty() ? file.errorString() : error) << "\n";
        return PROBLEM_FOUND;
    }
    return SOUND;
}

int Sheet(const QStringList& args) {
    if (args.size() != 3 || args[1] != "-o") {
        return Usage(QStringLiteral("sheet needs a pack folder and -o OUT.png"));
    }
    QString error;
    const QImage picture = ContactSheet(args[0], error);
    QSaveFile file(args[2]);
    if (picture.isNull() || !file.open(QIODevice::WriteOnly) || !picture.save(&file, "PNG") ||
        !file.commit()) {
        Err() << "kivo-level: cannot write \"" << args[2]
              << "\": " << (error.isEmpty() ? file.errorString() : error) << "\n";
        return PROBLEM_FOUND;
    }
    return SOUND;
}

} // namespace
} // namespace kivo

namespace kivo {
namespace {

int Run(QStringList args) {
    if (args.isEmpty()) {
        return Usage(QStringLiteral("no command given"));
    }
    const QString command = args.takeFirst();
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
    return Usage(QStringLiteral("unknown command '%1'").arg(command));
}

} // namespace
} // namespace kivo

int main(int argc, char** argv) {
    // The contact sheet writes text, which needs the fonts of a GUI application; it never
    // opens a window, so it needs no display either.
    const bool text = argc > 1 && qstrcmp(argv[1], "sheet") == 0;
    if (text) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    std::unique_ptr<QCoreApplication> app(text ? new QGuiApplication(argc, argv)
                                               : new QCoreApplication(argc, argv));
    const int status = kivo::Run(QCoreApplication::arguments().mid(1));
    kivo::Out().flush();
    kivo::Err().flush();
    return status;
}
