#include "revision_commands.h"
#include "pack_diff.h"
#include "revision_pictures.h"

#include "revision/level_report.h"
#include "revision/level_text.h"
#include "storage/files/shown_text.h"
#include "storage/level/level_file.h"
#include "storage/level/level_records.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <sys/stat.h>

namespace kivo {

namespace {

// The most a level file with a tail, or a level's text, may take; far beyond any level, and
// small enough that a huge file or a device of endless bytes is refused rather than read.
constexpr qint64 INPUT_LIMIT = 64LL * 1024 * 1024;

// What git passes for the missing side of an added or deleted file.
const std::string NO_LEVEL_PATH = "/dev/null";

// A file's bytes, refused when it is larger than the limit.
FileBytes ReadInput(const std::string& path) {
    return ReadRegularFile(path, INPUT_LIMIT, Links::Follow,
                           QStringLiteral("it is larger than %1 MiB, far more than a level file "
                                          "or its text can be")
                               .arg(INPUT_LIMIT / (1024 * 1024)));
}

int Trouble(const std::string& path, const QString& what) {
    Err() << "kivo-level: " << ShownPath(path) << ": " << what << "\n";
    return BAD_USAGE;
}

bool IsOption(const std::string& arg) {
    return arg.size() > 1 && arg[0] == '-';
}

// The options a picture takes, as render has them.
struct PictureArgs {
    std::string output;
    RenderOptions options;
    QByteArray format; // of the output's name, once it is known to name one
};

// Takes -o, --fit and --scale at args[i]; returns whether it took one, advancing i.
bool TakePictureOption(const Args& args, size_t& i, PictureArgs& picture, QString& complaint) {
    const std::string& arg = args[i];
    if ((arg == "-o" || arg == "--scale") && i + 1 >= args.size()) {
        complaint = QString::fromStdString(arg) + " needs a value";
        return true;
    }
    if (arg == "-o") {
        picture.output = args[++i];
    } else if (arg == "--scale") {
        bool number = false;
        picture.options.scale = QString::fromStdString(args[++i]).toInt(&number);
        if (!number || picture.options.scale < 1 || picture.options.scale > 16) {
            complaint = QStringLiteral("--scale takes a whole number from 1 to 16");
        }
    } else if (arg == "--fit") {
        picture.options.fit = true;
    } else {
        return false;
    }
    return true;
}

// The arguments of diff and merge: levels, a picture's options and, where `json` is given,
// --json. Returns BAD_USAGE after saying why, or SOUND.
int TakeRevisionArgs(const char* command, const Args& args, size_t levels, const char* needs,
                     Args& paths, PictureArgs& picture, bool* json) {
    for (size_t i = 0; i < args.size(); ++i) {
        QString complaint;
        if (json != nullptr && args[i] == "--json") {
            *json = true;
        } else if (TakePictureOption(args, i, picture, complaint)) {
            if (!complaint.isEmpty()) {
                return Usage(complaint);
            }
        } else if (IsOption(args[i])) {
            return Usage(
                QStringLiteral("%1 does not understand '%2'").arg(command, ShownPath(args[i])));
        } else {
            paths.push_back(args[i]);
        }
    }
    if (paths.size() != levels) {
        return Usage(QStringLiteral("%1 needs %2").arg(command, needs));
    }
    if (!picture.output.empty()) {
        picture.format = PictureFormat(picture.output);
        if (picture.format.isEmpty()) {
            return UnknownFormat(picture.output);
        }
    }
    return SOUND;
}

int WritePictureOf(const Picture& picture, const std::string& input, const std::string& output,
                   const QByteArray& format) {
    if (!picture.result.ok) {
        Err() << "kivo-level: cannot draw: " << picture.result.message << "\n";
        return BAD_USAGE;
    }
    if (FileResult written = WritePicture(picture.image, input, output, format); !written.ok) {
        Err() << "kivo-level: cannot write " << QuotedPath(output) << ": " << written.message
              << "\n";
        return BAD_USAGE;
    }
    return SOUND;
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat sa {};
    struct stat sb {};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

// A level for diff: the file's, or none for /dev/null.
struct DiffSide {
    bool present = false;
    Level level;
    const Level* Get() const { return present ? &level : nullptr; }
};

FileResult ReadDiffSide(const std::string& path, DiffSide& side) {
    if (path == NO_LEVEL_PATH) {
        return {};
    }
    const FileBytes read = ReadInput(path);
    if (!read.result.ok) {
        return {false,
                QStringLiteral("the level file cannot be read: %1").arg(read.result.message)};
    }
    if (FileResult decoded = DecodeLevel(read.bytes, side.level); !decoded.ok) {
        return {false, QStringLiteral("the level file cannot be loaded: %1").arg(decoded.message)};
    }
    side.present = true;
    return {};
}

QJsonObject PolygonJson(const PolygonView& view) {
    QJsonArray shares;
    for (size_t i = 0; i < view.sharesWith.size(); ++i) {
        shares.append(
            QJsonObject{{"shape", qint64(view.sharesWith[i])}, {"sides", view.sharedSides[i]}});
    }
    QJsonObject json{{"shape", qint64(view.index)}, {"sides", view.sides}, {"sharesWith", shares}};
    json["centre"] = view.hasCentre
                         ? QJsonValue(QJsonArray{double(view.centre.x), double(view.centre.y)})
                         : QJsonValue();
    return json;
}

QJsonObject DiffJson(const LevelChanges& changes, const Level* before, const Level* after,
                     const std::vector<std::string>& lines) {
    QJsonArray removed;
    for (const PolygonView& view : changes.removed) {
        removed.append(PolygonJson(view));
    }
    QJsonArray added;
    for (const PolygonView& view : changes.added) {
        added.append(PolygonJson(view));
    }
    static const char* const KINDS[] = {"none", "moved", "turned", "other"};
    const WholeLevelMove& move = changes.move;
    QJsonObject movement{{"kind", KINDS[int(move.kind)]}, {"points", qint64(move.pointsMoved)}};
    if (move.kind == Movement::Moved) {
        movement["dx"] = move.dx;
        movement["dy"] = move.dy;
    } else if (move.kind == Movement::Turned) {
        movement["degrees"] = move.degrees;
    }
    // No level has no score.
    const auto score = [](const ScoreChange& c) {
        const auto value = [](const std::string& s) {
            return s.empty() ? QJsonValue() : QJsonValue(QString::fromStdString(s));
        };
        return QJsonObject{{"before", value(c.before)}, {"after", value(c.after)}};
    };
    QJsonArray text;
    for (const std::string& line : lines) {
        text.append(QString::fromStdString(line));
    }
    return {{"same", changes.same},
            {"removed", removed},
            {"added", added},
            {"movement", movement},
            {"targetScore", score(changes.target)},
            {"expertScore", score(changes.expert)},
            {"classicMode", QJsonObject{{"before", QString::fromStdString(ClassicVerdict(before))},
                                        {"after", QString::fromStdString(ClassicVerdict(after))}}},
            {"lines", text}};
}

} // namespace

int Dump(const Args& args) {
    if (args.size() != 1 || IsOption(args[0])) {
        return Usage(QStringLiteral("dump needs one level file"));
    }
    const std::string& path = args[0];
    const FileBytes read = ReadInput(path);
    LevelRecords records;
    FileResult decoded = read.result;
    if (decoded.ok) {
        decoded = DecodeRecords(read.bytes, records);
    }
    if (!decoded.ok) {
        Err() << "kivo-level: " << ShownPath(path)
              << ": the level file cannot be read: " << decoded.message << "\n";
        return PROBLEM_FOUND;
    }
    Out() << QString::fromStdString(RecordsText(records));
    return SOUND;
}

int Build(const Args& args) {
    std::string input;
    std::string output;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-o" && i + 1 < args.size()) {
            output = args[++i];
        } else if (IsOption(args[i]) || !input.empty()) {
            return Usage(QStringLiteral("build does not understand '%1'").arg(ShownPath(args[i])));
        } else {
            input = args[i];
        }
    }
    if (input.empty() || output.empty()) {
        return Usage(QStringLiteral("build needs a text file and -o LEVEL"));
    }
    const FileBytes read = ReadInput(input);
    if (!read.result.ok) {
        Err() << "kivo-level: " << ShownPath(input)
              << ": the text cannot be read: " << read.result.message << "\n";
        return PROBLEM_FOUND;
    }
    const TextRecords parsed =
        ParseRecordsText(std::string_view(read.bytes.constData(), size_t(read.bytes.size())));
    if (!parsed.ok) {
        Err() << "kivo-level: " << ShownPath(input) << ":" << parsed.line << ": "
              << QString::fromStdString(parsed.error) << "; nothing was written\n";
        return PROBLEM_FOUND;
    }
    if (SameFile(input, output)) {
        Err() << "kivo-level: cannot write " << QuotedPath(output)
              << ": it is the text being read\n";
        return PROBLEM_FOUND;
    }
    const FileResult written = ReplaceFile(output, EncodeRecords(parsed.records), Links::Refuse);
    if (!written.ok) {
        Err() << "kivo-level: cannot write " << QuotedPath(output) << ": " << written.message
              << "\n";
        return PROBLEM_FOUND;
    }
    return SOUND;
}

int Diff(const Args& args) {
    bool json = false;
    PictureArgs picture;
    Args paths;
    if (TakeRevisionArgs("diff", args, 2, "two level files, OLD and NEW", paths, picture, &json) !=
        SOUND) {
        return BAD_USAGE;
    }
    if (IsPackOrDataFolder(paths[0]) || IsPackOrDataFolder(paths[1])) {
        if (!IsPackOrDataFolder(paths[0]) || !IsPackOrDataFolder(paths[1]) ||
            !picture.output.empty()) {
            return Usage(QStringLiteral("diff compares two level files, or two packs or data "
                                        "folders, and draws only levels"));
        }
        return DiffFolders(paths[0], paths[1], json);
    }
    DiffSide sides[2];
    for (int i = 0; i < 2; ++i) {
        if (FileResult read = ReadDiffSide(paths[size_t(i)], sides[i]); !read.ok) {
            return Trouble(paths[size_t(i)], read.message);
        }
    }
    const Level* before = sides[0].Get();
    const Level* after = sides[1].Get();
    const LevelChanges changes = FindChanges(before, after);
    const std::vector<std::string> lines = ChangeLines(changes, before, after);
    if (json) {
        Out() << QJsonDocument(DiffJson(changes, before, after, lines)).toJson();
    } else {
        for (const std::string& line : lines) {
            Out() << QString::fromStdString(line) << "\n";
        }
    }
    if (!picture.output.empty()) {
        for (const std::string& path : paths) {
            if (path != NO_LEVEL_PATH && SameFile(path, picture.output)) {
                return Trouble(picture.output, QStringLiteral("it is a level being compared"));
            }
        }
        const int drawn = WritePictureOf(DiffPicture(before, after, changes, picture.options),
                                         paths[0], picture.output, picture.format);
        if (drawn != SOUND) {
            return drawn;
        }
    }
    return changes.same ? SOUND : PROBLEM_FOUND;
}

namespace {

// One side of a merge: its bytes and, once decoded, its level.
struct MergeInput {
    const char* name;
    std::string path;
    QByteArray bytes;
    Level level;
};

void SayConflict(const QString& what) {
    Err() << "kivo-level merge: conflict: " << what << "\n";
}

int LeftAsOurs(const std::string& ours) {
    Err() << "kivo-level merge: " << ShownPath(ours) << " is left as ours was\n";
    return PROBLEM_FOUND;
}

} // namespace

int Merge(const Args& args) {
    PictureArgs picture;
    Args paths;
    if (TakeRevisionArgs("merge", args, 3, "three level files: BASE OURS THEIRS", paths, picture,
                         nullptr) != SOUND) {
        return BAD_USAGE;
    }
    MergeInput inputs[3] = {
        {"the base", paths[0], {}, {}}, {"ours", paths[1], {}, {}}, {"theirs", paths[2], {}, {}}};
    for (MergeInput& input : inputs) {
        FileBytes read = ReadInput(input.path);
        if (!read.result.ok) {
            return Trouble(
                input.path,
                QStringLiteral("the level file cannot be read: %1").arg(read.result.message));
        }
        input.bytes = std::move(read.bytes);
    }
    MergeInput& base = inputs[0];
    MergeInput& ours = inputs[1];
    MergeInput& theirs = inputs[2];
    const auto writeOurs = [&](const QByteArray& bytes) {
        for (const MergeInput& input : {base, theirs}) {
            if (SameFile(input.path, ours.path)) {
                return Trouble(ours.path, QStringLiteral("it is also %1").arg(input.name));
            }
        }
        if (FileResult written = ReplaceFile(ours.path, bytes, Links::Refuse); !written.ok) {
            return Trouble(
                ours.path,
                QStringLiteral("the merged level cannot be written: %1").arg(written.message));
        }
        return SOUND;
    };
    if (ours.bytes == theirs.bytes || base.bytes == theirs.bytes) {
        return SOUND;
    }
    if (base.bytes == ours.bytes) {
        return writeOurs(theirs.bytes);
    }
    bool loaded = true;
    for (MergeInput& input : inputs) {
        // Git hands an empty base to the merge of a level added on both sides.
        if (&input == &base && input.bytes.isEmpty()) {
            continue;
        }
        if (FileResult decoded = DecodeLevel(input.bytes, input.level); !decoded.ok) {
            SayConflict(
                QStringLiteral("%1 (%2) does not load: %3")
                    .arg(QString::fromLatin1(input.name), ShownPath(input.path), decoded.message));
            loaded = false;
        }
    }
    if (!loaded) {
        return LeftAsOurs(ours.path);
    }
    const MergeResult merge = MergeLevels(base.level, ours.level, theirs.level);
    if (!merge.conflicts.empty()) {
        for (const MergeConflict& conflict : merge.conflicts) {
            SayConflict(QString::fromStdString(conflict.what));
        }
        if (!picture.output.empty()) {
            WritePictureOf(ConflictPicture(base.level, merge.conflicts, picture.options), ours.path,
                           picture.output, picture.format);
        }
        return LeftAsOurs(ours.path);
    }
    switch (merge.take) {
    case MergeTake::Ours:
        return SOUND;
    case MergeTake::Theirs:
        return writeOurs(theirs.bytes);
    case MergeTake::Merged:
        break;
    }
    const Encoded encoded = EncodeLevel(merge.merged);
    if (!encoded.result.ok) {
        SayConflict(
            QStringLiteral("the merged level cannot be written: %1").arg(encoded.result.message));
        return LeftAsOurs(ours.path);
    }
    return writeOurs(encoded.bytes);
}

} // namespace kivo
