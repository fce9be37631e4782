#include "checks.h"

#include "level/status_line.h"
#include "storage/file_access.h"
#include "storage/id_problems.h"
#include "storage/level_file.h"
#include "storage/pack_layout.h"
#include "storage/pack_store.h"

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>

namespace kivo {

namespace {

bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

bool IsRealFolder(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

void Add(CheckReport& report, const std::string& path, const QString& what) {
    report.problems.push_back({path, what});
}

void CheckLevelFile(const std::string& path, CheckReport& report) {
    ++report.levels;
    Level level;
    const FileResult result = LoadLevelAt(level, path);
    if (!result.ok) {
        Add(report, path, result.message);
        return;
    }
    for (const QString& problem : IdProblems(level)) {
        Add(report, path, problem);
    }
}

// A level or template that is not there is named as missing; anything else that keeps it
// from being read says what is there instead.
void CheckLevelSlot(const std::string& path, const char* missing, CheckReport& report) {
    if (Exists(path)) {
        CheckLevelFile(path, report);
    } else {
        Add(report, path, QString::fromLatin1(missing));
    }
}

void CheckLeftovers(const std::string& folder, CheckReport& report) {
    for (const std::string& path : EditorLeftovers(folder)) {
        Add(report, path,
            QStringLiteral("a temporary file left by an interrupted save; it can be removed"));
    }
}

// A pack holds config.txt and a level folder with unlimited.kvo and kivo1.kvo ... kivo100.kvo.
void CheckPack(const std::string& packDir, CheckReport& report) {
    ++report.packs;
    const std::string config = JoinPath(packDir, CONFIG_FILE_NAME);
    if (!Exists(config)) {
        Add(report, packDir, QStringLiteral("the pack has no config.txt"));
    } else if (FileBytes read = ReadRegularFile(config, MAX_CONFIG_BYTES, Links::Follow);
               !read.result.ok) {
        Add(report, config,
            QStringLiteral("config.txt cannot be read: %1").arg(read.result.message));
    }
    const std::string levels = JoinPath(packDir, LEVELS_FOLDER_NAME);
    if (!IsRealFolder(levels)) {
        Add(report, packDir, QStringLiteral("the pack has no level folder kivo/"));
        return;
    }
    for (int slot = 0; slot < PACK_SLOT_COUNT; ++slot) {
        CheckLevelSlot(JoinPath(levels, SlotFileName(slot).toStdString()),
                       "the level file is missing", report);
    }
    CheckLeftovers(packDir, report);
    CheckLeftovers(levels, report);
}

// The data folder: the template level and one pack per real subfolder, in name order.
void CheckDataFolder(const std::string& dataDir, CheckReport& report) {
    Listing listing = ListFolder(dataDir);
    if (!listing.result.ok) {
        Add(report, dataDir,
            QStringLiteral("the folder cannot be read: %1").arg(listing.result.message));
        return;
    }
    CheckLevelSlot(JoinPath(dataDir, TEMPLATE_LEVEL_NAME), "the template level is missing", report);
    std::sort(listing.names.begin(), listing.names.end());
    for (const std::string& name : listing.names) {
        const std::string path = JoinPath(dataDir, name);
        if (!IsRealFolder(path)) {
            continue;
        }
        if (name.rfind(UNFINISHED_PACK_PREFIX, 0) == 0) {
            Add(report, path,
                QStringLiteral("a pack left unfinished by an interrupted New; the editor removes "
                               "it when it next lists the packs"));
        } else {
            CheckPack(path, report);
        }
    }
}

// Reports a folder that cannot be listed; true when it can.
bool Readable(const std::string& path, CheckReport& report) {
    const Listing listing = ListFolder(path);
    if (!listing.result.ok) {
        Add(report, path,
            QStringLiteral("the folder cannot be read: %1").arg(listing.result.message));
    }
    return listing.result.ok;
}

// A start directory holds kivo/ with the template; a data folder holds the template or no
// kivo/ folder; a pack holds config.txt or kivo/. A kivo/ folder that cannot be read tells
// neither apart, so it is reported rather than checked as a pack's level folder.
void CheckFolder(const std::string& path, CheckReport& report) {
    const std::string inner = JoinPath(path, DATA_FOLDER_NAME);
    if (!Readable(path, report)) {
        return;
    } else if (Exists(JoinPath(path, CONFIG_FILE_NAME))) {
        CheckPack(path, report);
    } else if (Exists(JoinPath(inner, TEMPLATE_LEVEL_NAME))) {
        CheckDataFolder(inner, report);
    } else if (Exists(JoinPath(path, TEMPLATE_LEVEL_NAME)) || !IsRealFolder(inner)) {
        CheckDataFolder(path, report);
    } else if (Readable(inner, report)) {
        CheckPack(path, report);
    }
}

} // namespace

void CheckPath(const std::string& path, CheckReport& report) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        Add(report, path,
            errno == ENOENT ? QStringLiteral("there is no such file or folder") : ErrnoText(errno));
    } else if (S_ISDIR(st.st_mode)) {
        CheckFolder(path, report);
    } else {
        CheckLevelFile(path, report);
    }
}

LevelSummary Summarize(const Level& level) {
    LevelSummary summary;
    summary.points = level.points.size();
    summary.connectors = level.connectors.size();
    summary.shapes = level.shapes.size();
    for (const Shape& s : level.shapes) {
        ++summary.shapesBySides[EntryTotal(s) - 1];
    }
    summary.smallestSideCount = SmallestSideCount(level);
    const bool solvable =
        IsClassicModeSolvable(int16_t(level.connectors.size()), int8_t(summary.smallestSideCount));
    summary.verdict = QString::fromLatin1(solvable ? SOLVABLE_TEXT : NOT_SOLVABLE_TEXT).trimmed();
    summary.targetScore = QString::fromStdString(level.targetScore);
    summary.expertScore = QString::fromStdString(level.expertScore);
    return summary;
}

} // namespace kivo
