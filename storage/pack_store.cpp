#include "pack_store.h"

#include "level_file.h"
#include "pack_check.h"
#include "slot_edits.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kivo {

namespace {

constexpr int MAX_PACK_NAME_DRAWS = 64;
constexpr size_t CONFIG_LINE_COUNT = 4;
constexpr char16_t NUL_SIGN = u'\u2400';
constexpr int PACK_NAME_RANDOM_MAX = 10;

std::string DataBytes(const PackStore& store) {
    return PathBytes(store.dataDir);
}

std::string TemplatePath(const PackStore& store) {
    return JoinPath(DataBytes(store), TEMPLATE_LEVEL_NAME);
}

// Why the panel cannot show a line of config.txt whole, if it cannot.
QString LineProblem(const std::string& line, int number) {
    if (line.find('\0') != std::string::npos) {
        return QStringLiteral("line %1 holds a NUL byte, which the panel cannot keep").arg(number);
    }
    if (ShownPackText(line).size() > MAX_PACK_TEXT_LENGTH) {
        return QStringLiteral("line %1 is longer than the %2 characters the panel shows")
            .arg(number)
            .arg(MAX_PACK_TEXT_LENGTH);
    }
    return {};
}

PackInfo ReadPack(const std::string& packDir, QStringList& errors) {
    const std::string config = JoinPath(packDir, CONFIG_FILE_NAME);
    FileBytes read = ReadRegularFile(config, MAX_CONFIG_BYTES + 1, Links::Follow);
    struct stat st {};
    const bool exists = ::lstat(config.c_str(), &st) == 0;
    if (!read.result.ok && exists) {
        errors << QStringLiteral(
                      "The details of the pack %1 are shown empty: %2 cannot be read: %3.")
                      .arg(QuotedPath(packDir), QuotedPath(config), read.result.message);
    }
    const bool whole = read.bytes.size() <= MAX_CONFIG_BYTES;
    read.bytes.truncate(MAX_CONFIG_BYTES);
    PackConfig lines = ReadPackConfig(read.bytes);
    PackInfo pack;
    pack.name = lines.lines[0];
    pack.levelsPath = JoinPath(JoinPath(packDir, LEVELS_FOLDER_NAME), "");
    pack.author = lines.lines[1];
    pack.dateCreated = lines.lines[2];
    pack.packId = lines.lines[3];
    pack.configRest = std::move(lines.rest);
    pack.configProblem =
        !read.result.ok && exists ? QStringLiteral("it cannot be read: %1").arg(read.result.message)
        : !whole ? QStringLiteral("it is longer than the %1 bytes read").arg(MAX_CONFIG_BYTES)
                 : lines.problem;
    return pack;
}

// The combo's text is the pack's name, as choosing it from the list leaves it.
void ShowPack(PackStore& store, const PackInfo& pack) {
    store.panel.comboText = pack.name;
    store.panel.author = pack.author;
    store.panel.dateCreated = pack.dateCreated;
    store.panel.packId = pack.packId;
    store.shownDir = PackDirOf(pack);
    store.levelDir = QFile::decodeName(QByteArray::fromStdString(pack.levelsPath));
}

// A folder a crashed New left behind is removed, and one still being built by another
// editor is left alone; neither is a pack.
bool IsUnfinishedPack(const std::string& dataDir, const std::string& name, QStringList& errors) {
    if (!IsUnfinishedPackName(name)) {
        return false;
    }
    if (IsAbandoned(name, UNFINISHED_PACK_PREFIX, "") && IsRealFolder(JoinPath(dataDir, name))) {
        const QStringList left = RemoveFolderTree(JoinPath(dataDir, name));
        if (!left.isEmpty()) {
            errors << QStringLiteral(
                          "A pack left unfinished could not be removed. What remains:\n%1")
                          .arg(left.join(QLatin1Char('\n')));
        }
    }
    return true;
}

// Lists every real subfolder of the data folder, in the order the file system gives them.
FileResult ListPacks(PackStore& store, PackOutcome& outcome) {
    store.packs.clear();
    store.panel.names.clear();
    store.shownDir.clear();
    const std::string dataDir = DataBytes(store);
    const Listing listing = ListFolder(dataDir);
    if (!listing.result.ok) {
        const QString error = QStringLiteral("The data folder %1 cannot be listed: %2.")
                                  .arg(QuotedPath(dataDir), listing.result.message);
        outcome.errors << error;
        return {false, error};
    }
    for (const std::string& name : listing.names) {
        if (IsUnfinishedPack(dataDir, name, outcome.errors) ||
            !IsRealFolder(JoinPath(dataDir, name))) {
            continue;
        }
        // An exchange of slots that a crash interrupted is finished before anyone reads them.
        FinishInterruptedExchanges(JoinPath(dataDir, name));
        store.packs.push_back(ReadPack(JoinPath(dataDir, name), outcome.errors));
        store.panel.names.push_back(store.packs.back().name);
    }
    return {};
}

void ShowFirstPack(PackStore& store) {
    if (store.packs.empty()) {
        store.panel = PackPanel{store.panel.names, {}, {}, {}, {}};
        return;
    }
    ShowPack(store, store.packs.front());
}

QByteArray ConfigBytes(const std::vector<std::string>& lines, const std::string& rest = {}) {
    QByteArray bytes;
    for (const std::string& line : lines) {
        bytes.append(line.data(), qsizetype(line.size()));
        bytes.append("\r\n");
    }
    return bytes.append(rest.data(), qsizetype(rest.size()));
}

// A line break inside a text would split it over two lines of config.txt.
std::string OneLine(std::string text) {
    for (char& c : text) {
        if (c == '\r' || c == '\n' || c == '\0') {
            c = ' ';
        }
    }
    return text;
}

FileResult WriteConfig(const std::string& packDir, const std::vector<std::string>& lines,
                       const std::string& rest) {
    const std::string path = JoinPath(packDir, CONFIG_FILE_NAME);
    // The pack folder was a real folder when listed; a link put in its place is not followed.
    if (!IsRealFolder(packDir)) {
        return {false, QStringLiteral("%1 cannot be written: the pack folder %2 is no longer a "
                                      "folder.")
                           .arg(QuotedPath(path), QuotedPath(packDir))};
    }
    if (FileResult written = ReplaceFile(path, ConfigBytes(lines, rest), Links::Refuse);
        !written.ok) {
        return {false,
                QStringLiteral("%1 cannot be written: %2.").arg(QuotedPath(path), written.message)};
    }
    return {};
}

// The clock seconds, or the next number above them that no listed pack has as its id.
std::string FreePackId(const PackStore& store) {
    for (int64_t id = ClockSeconds();; ++id) {
        const std::string text = std::to_string(id);
        bool taken = false;
        for (const PackInfo& pack : store.packs) {
            taken = taken || pack.packId == text;
        }
        if (!taken) {
            return text;
        }
    }
}

FileResult MakeNewFolder(const std::string& path) {
    if (FileResult made = MakeFolder(path); !made.ok) {
        return {false, QStringLiteral("the folder %1 cannot be created: %2")
                           .arg(QuotedPath(path), made.message)};
    }
    return {};
}

FileResult WriteNew(const std::string& path, const QByteArray& bytes) {
    if (FileResult written = WriteNewFile(path, bytes); !written.ok) {
        return {false,
                QStringLiteral("%1 cannot be written: %2").arg(QuotedPath(path), written.message)};
    }
    return {};
}

// The folders and 101 level files of a new pack, in a folder that is not yet a pack.
FileResult FillPack(const std::string& packDir, const QByteArray& level, const std::string& id) {
    FileResult result = WriteNew(JoinPath(packDir, CONFIG_FILE_NAME),
                                 ConfigBytes({"New Pack", "New Author", "When?", id}));
    for (const char* folder :
         {LEVELS_FOLDER_NAME, HIGHSCORES_FOLDER_NAME, PLAYERDATA_FOLDER_NAME}) {
        result = result.ok ? MakeNewFolder(JoinPath(packDir, folder)) : result;
    }
    const std::string levels = JoinPath(packDir, LEVELS_FOLDER_NAME);
    for (int slot = 0; result.ok && slot < PACK_SLOT_COUNT; ++slot) {
        result = WriteNew(JoinPath(levels, SlotFileName(slot).toStdString()), level);
    }
    return result;
}

// Gives a whole pack its name: clock seconds + random 0..10 + "_pak". A name that exists is
// drawn again, and the rename never replaces anything, so no existing pack is touched.
FileResult NamePack(const PackStore& store, RandomSource& random, const std::string& built) {
    const std::string seconds = std::to_string(ClockSeconds());
    for (int draw = 0; draw < MAX_PACK_NAME_DRAWS; ++draw) {
        const std::string name =
            seconds + std::to_string(RandomUpTo(random, PACK_NAME_RANDOM_MAX)) + "_pak";
        const std::string path = JoinPath(DataBytes(store), name);
        if (RenameWithoutReplacing(built, path)) {
            return {};
        }
        if (errno != EEXIST) {
            return {false, QStringLiteral("the pack cannot be named %1: %2")
                               .arg(QuotedPath(path), ErrnoText(errno))};
        }
    }
    return {false, QStringLiteral("every new pack name for this second is taken in %1")
                       .arg(QuotedPath(DataBytes(store)))};
}

FileResult BuildPack(PackStore& store, RandomSource& random, const QByteArray& level) {
    const std::string built =
        JoinPath(DataBytes(store), EditorTemporaryName(UNFINISHED_PACK_PREFIX, ""));
    FileResult result = MakeNewFolder(built);
    if (!result.ok) {
        return result;
    }
    result = FillPack(built, level, FreePackId(store));
    result = result.ok ? NamePack(store, random, built) : result;
    if (!result.ok) {
        // A half-made pack holds nothing of the user's: take it away again.
        const QStringList left = RemoveFolderTree(built);
        if (!left.isEmpty()) {
            result.message += QStringLiteral(". What remains of it:\n%1").arg(left.join('\n'));
        }
    }
    return result;
}

// Makes one pack from the template level; what cannot be done goes into `outcome`.
void BuildFromTemplate(PackStore& store, RandomSource& random, PackOutcome& outcome) {
    struct stat st {};
    if (::stat(DataBytes(store).c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        return; // the listing that follows reports the missing data folder
    }
    const FileBytes level =
        ReadRegularFile(TemplatePath(store), MAX_LEVEL_FILE_BYTES, Links::Follow);
    if (!level.result.ok) {
        outcome.errors << QStringLiteral("No pack can be created: the template level %1 cannot "
                                         "be read: %2.")
                              .arg(QuotedPath(TemplatePath(store)), level.result.message);
    } else if (FileResult built = BuildPack(store, random, level.bytes); !built.ok) {
        outcome.errors << QStringLiteral("No pack was created: %1.").arg(built.message);
    } else {
        outcome.information = QString::fromLatin1(PACK_CREATED_TEXT);
    }
}

} // namespace

std::string PackDirOf(const PackInfo& pack) {
    std::string levels = pack.levelsPath;
    levels.pop_back();
    return FolderPart(levels);
}

PackConfig ReadPackConfig(const QByteArray& bytes) {
    PackConfig config;
    qsizetype pos = 0;
    while (config.lines.size() < CONFIG_LINE_COUNT && pos < bytes.size()) {
        qsizetype end = pos;
        while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n') {
            ++end;
        }
        config.lines.emplace_back(bytes.constData() + pos, size_t(end - pos));
        if (end < bytes.size() && bytes[end] == '\r' && end + 1 < bytes.size() &&
            bytes[end + 1] == '\n') {
            ++end;
        }
        pos = std::min(end + 1, bytes.size());
    }
    config.lines.resize(CONFIG_LINE_COUNT);
    config.rest.assign(bytes.constData() + pos, size_t(bytes.size() - pos));
    for (size_t i = 0; i < config.lines.size() && config.problem.isEmpty(); ++i) {
        config.problem = LineProblem(config.lines[i], int(i) + 1);
    }
    return config;
}

std::vector<std::string> ReadConfigLines(const QByteArray& bytes) {
    return ReadPackConfig(bytes).lines;
}

QString ShownPackText(const std::string& bytes) {
    QString shown = IsValidUtf8(bytes) ? QString::fromUtf8(bytes.data(), qsizetype(bytes.size()))
                                       : QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
    return shown.replace(QChar(0), QChar(NUL_SIGN));
}

std::string StoredPackText(const QString& shown, const std::string& original) {
    if (shown == ShownPackText(original)) {
        return original;
    }
    const bool fitsEightBits =
        std::all_of(shown.begin(), shown.end(), [](QChar c) { return c.unicode() <= 0xFF; });
    if (!IsValidUtf8(original) && fitsEightBits) {
        return shown.toLatin1().toStdString();
    }
    return shown.toStdString();
}

PackStore MakePackStore(const QString& baseDir) {
    PackStore store;
    store.dataDir = QDir(baseDir).filePath(QString::fromLatin1(DATA_FOLDER_NAME));
    store.levelDir = baseDir;
    return store;
}

PackOutcome ScanPacks(PackStore& store, RandomSource& random) {
    PackOutcome outcome;
    if (ListPacks(store, outcome).ok && store.packs.empty()) {
        PackOutcome created = CreatePack(store, random);
        created.errors = outcome.errors + created.errors;
        return created;
    }
    ShowFirstPack(store);
    return outcome;
}

void ShowPackDetails(PackStore& store, size_t index) {
    if (index < store.packs.size()) {
        ShowPack(store, store.packs[index]);
    }
}

int ShownPackIndex(const PackStore& store) {
    for (size_t i = 0; i < store.packs.size(); ++i) {
        if (!store.shownDir.empty() && PackDirOf(store.packs[i]) == store.shownDir) {
            return int(i);
        }
    }
    return -1;
}

PackOutcome ApplyPackChange(PackStore& store, const PackEdit& edit, RandomSource& random) {
    const int shown = ShownPackIndex(store);
    if (shown < 0) {
        return {{}, {QStringLiteral("No pack is shown, so there is nothing to change.")}};
    }
    const PackInfo& pack = store.packs[size_t(shown)];
    const std::vector<std::string> lines{OneLine(edit.name), OneLine(edit.author),
                                         OneLine(edit.dateCreated), pack.packId};
    const std::string config = JoinPath(store.shownDir, CONFIG_FILE_NAME);
    const FileResult written =
        !pack.configProblem.isEmpty()
            ? FileResult{false, QStringLiteral("%1 was left as it is: %2, so a change made here "
                                               "would lose part of it.")
                                    .arg(QuotedPath(config), pack.configProblem)}
            : WriteConfig(store.shownDir, lines, pack.configRest);
    if (!written.ok) {
        store.panel.comboText = edit.name;
        store.panel.author = edit.author;
        store.panel.dateCreated = edit.dateCreated;
        return {{}, {written.message}};
    }
    return ScanPacks(store, random);
}

PackOutcome CreatePack(PackStore& store, RandomSource& random) {
    PackOutcome outcome;
    BuildFromTemplate(store, random, outcome);
    ListPacks(store, outcome);
    ShowFirstPack(store);
    return outcome;
}

PackOutcome DeletePack(PackStore& store, RandomSource& random) {
    if (store.shownDir.empty()) {
        return {{}, {QStringLiteral("No pack is shown, so there is nothing to delete.")}};
    }
    const std::string dir = store.shownDir;
    const QStringList left = RemoveFolderTree(dir);
    PackOutcome outcome = ScanPacks(store, random);
    if (!left.isEmpty()) {
        outcome.errors.prepend(
            QStringLiteral("The pack %1 could not be deleted completely. What remains:\n%2")
                .arg(QuotedPath(dir), left.join(QLatin1Char('\n'))));
    }
    return outcome;
}

} // namespace kivo
