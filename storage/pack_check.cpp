#include "pack_check.h"

#include "id_problems.h"
#include "level_file.h"
#include "pack_layout.h"
#include "pack_store.h"
#include "slot_edits.h"

#include "level/counted.h"
#include "level/status_line.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <sched.h>
#include <sys/stat.h>
#include <system_error>
#include <thread>

namespace kivo {

namespace {

bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

void Add(CheckWalk& walk, const std::string& path, const QString& what) {
    walk.steps.push_back({path, what});
}

// A level or template that is not there is named as missing; anything else is read later,
// where what keeps it from loading is said.
void WalkLevelSlot(const std::string& path, const char* missing, CheckWalk& walk) {
    Add(walk, path, Exists(path) ? QString() : QString::fromLatin1(missing));
}

QString NotLoaded(const QString& why) {
    return QStringLiteral("the level file cannot be loaded: %1").arg(why);
}

// The one place that judges a temporary file an interrupted save left behind.
constexpr const char* LEFTOVER_TEXT =
    "a temporary file left by an interrupted save; it can be removed";

// A save's leftover can go; an interrupted exchange's journal and temporary file may hold the
// only copy of a level, so they are named as what they are and never called removable.
void WalkLeftovers(const std::string& folder, CheckWalk& walk) {
    for (const std::string& path : EditorLeftovers(folder)) {
        Add(walk, path, QString::fromLatin1(LEFTOVER_TEXT));
    }
    for (const std::string& name : ListFolder(folder).names) {
        if (IsInterruptedExchangeFile(name)) {
            Add(walk, JoinPath(folder, name),
                QStringLiteral("part of an exchange of two slots that was interrupted; the "
                               "editor finishes it when it next lists the packs, so keep it"));
        }
    }
}

// A pack holds config.txt and a level folder with unlimited.kvo and kivo1.kvo ... kivo100.kvo.
void WalkPack(const std::string& packDir, CheckWalk& walk) {
    ++walk.packs;
    const std::string config = JoinPath(packDir, CONFIG_FILE_NAME);
    if (!Exists(config)) {
        Add(walk, packDir, QStringLiteral("the pack has no config.txt"));
    } else if (FileBytes read = ReadRegularFile(config, MAX_CONFIG_BYTES, Links::Follow);
               !read.result.ok) {
        Add(walk, config,
            QStringLiteral("the pack's details cannot be read: %1").arg(read.result.message));
    }
    const std::string levels = JoinPath(packDir, LEVELS_FOLDER_NAME);
    if (!IsRealFolder(levels)) {
        Add(walk, packDir, QStringLiteral("the pack has no level folder kivo/"));
        return;
    }
    for (int slot = 0; slot < PACK_SLOT_COUNT; ++slot) {
        WalkLevelSlot(JoinPath(levels, SlotFileName(slot).toStdString()),
                      "the level file is missing", walk);
    }
    WalkLeftovers(packDir, walk);
    WalkLeftovers(levels, walk);
}

// Reports a folder that cannot be listed; true when it can.
bool Readable(const std::string& path, CheckWalk& walk) {
    const Listing listing = ListFolder(path);
    if (!listing.result.ok) {
        Add(walk, path,
            QStringLiteral("the folder cannot be read: %1").arg(listing.result.message));
    }
    return listing.result.ok;
}

// The data folder: the template level and one pack per real subfolder, in name order.
void WalkDataFolder(const std::string& dataDir, CheckWalk& walk) {
    Listing listing = ListFolder(dataDir);
    if (!listing.result.ok) {
        Add(walk, dataDir,
            QStringLiteral("the folder cannot be read: %1").arg(listing.result.message));
        return;
    }
    WalkLevelSlot(JoinPath(dataDir, TEMPLATE_LEVEL_NAME), "the template level is missing", walk);
    std::sort(listing.names.begin(), listing.names.end());
    for (const std::string& name : listing.names) {
        const std::string path = JoinPath(dataDir, name);
        if (!IsRealFolder(path)) {
            continue;
        }
        if (IsUnfinishedPackName(name)) {
            Add(walk, path,
                QStringLiteral("a pack left unfinished by an interrupted New; the editor removes "
                               "it when it next lists the packs"));
        } else {
            WalkPack(path, walk);
        }
    }
}

// A start directory holds kivo/ with the template; a data folder holds the template or no
// kivo/ folder; a pack holds config.txt or kivo/. A kivo/ folder that cannot be read tells
// neither apart, so it is reported rather than checked as a pack's level folder.
void WalkFolder(const std::string& path, CheckWalk& walk) {
    const std::string inner = JoinPath(path, DATA_FOLDER_NAME);
    if (!Readable(path, walk)) {
        return;
    } else if (Exists(JoinPath(path, CONFIG_FILE_NAME))) {
        WalkPack(path, walk);
    } else if (Exists(JoinPath(inner, TEMPLATE_LEVEL_NAME))) {
        WalkDataFolder(inner, walk);
    } else if (Exists(JoinPath(path, TEMPLATE_LEVEL_NAME)) || !IsRealFolder(inner)) {
        WalkDataFolder(path, walk);
    } else if (Readable(inner, walk)) {
        WalkPack(path, walk);
    }
}

void WalkPath(const std::string& path, CheckWalk& walk) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        Add(walk, path,
            errno == ENOENT ? QStringLiteral("there is no such file or folder") : ErrnoText(errno));
    } else if (S_ISDIR(st.st_mode)) {
        WalkFolder(path, walk);
    } else {
        Add(walk, path, {});
    }
}

// What a check says of one level file.
struct LevelFindings {
    std::vector<QString> problems;
    std::vector<QString> warnings;
};

// Older levels and a level once saved after loading an empty file hold shapes of no or one
// outline entry: they load, but have no sides, so a designer should hear of them.
std::vector<QString> ShortOutlines(const Level& level) {
    std::vector<QString> warnings;
    for (size_t s = 0; s < level.shapes.size(); ++s) {
        const int entries = OutlineLength(level.shapes[s]);
        if (entries < 2) {
            warnings.push_back(
                QStringLiteral("shape %1 has %2 outline %3, so it has no sides")
                    .arg(s + 1)
                    .arg(entries == 0 ? QStringLiteral("no") : QStringLiteral("one"))
                    .arg(entries == 0 ? QStringLiteral("entries") : QStringLiteral("entry")));
        }
    }
    return warnings;
}

LevelFindings LevelProblems(const std::string& path) {
    Level level;
    const FileResult read = ReadLevelFile(level, path);
    if (!read.ok) {
        return {{read.message}, {}};
    }
    return {IdProblems(level), ShortOutlines(level)};
}

// The cores this process may run on, which taskset or a container may make fewer than the
// machine has.
size_t Cores() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (::sched_getaffinity(0, sizeof(set), &set) == 0 && CPU_COUNT(&set) > 0) {
        return size_t(CPU_COUNT(&set));
    }
    return std::max(1u, std::thread::hardware_concurrency());
}

// Runs `job(0)` ... `job(count - 1)` on every core; each index runs once.
template <typename Job> void OnAllCores(size_t count, const Job& job) {
    std::atomic<size_t> next{0};
    const auto work = [&] {
        for (size_t i = next++; i < count; i = next++) {
            job(i);
        }
    };
    const size_t cores = Cores();
    std::vector<std::thread> helpers;
    try {
        for (size_t i = 1; i < std::min(cores, count); ++i) {
            helpers.emplace_back(work);
        }
    } catch (const std::system_error&) {
        // No more threads to be had: those already running share the rest.
    }
    work();
    for (std::thread& helper : helpers) {
        helper.join();
    }
}

} // namespace

bool IsRealFolder(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsUnfinishedPackName(const std::string& name) {
    return name.rfind(UNFINISHED_PACK_PREFIX, 0) == 0;
}

CheckWalk WalkPaths(const std::vector<std::string>& paths) {
    CheckWalk walk;
    for (const std::string& path : paths) {
        WalkPath(path, walk);
    }
    return walk;
}

CheckReport CheckPaths(const std::vector<std::string>& paths) {
    const CheckWalk walk = WalkPaths(paths);
    std::vector<LevelFindings> found(walk.steps.size());
    OnAllCores(walk.steps.size(), [&](size_t i) {
        if (walk.steps[i].problem.isEmpty()) {
            found[i] = LevelProblems(walk.steps[i].path);
        }
    });
    CheckReport report;
    report.packs = walk.packs;
    for (size_t i = 0; i < walk.steps.size(); ++i) {
        const CheckStep& step = walk.steps[i];
        if (!step.problem.isEmpty()) {
            report.problems.push_back({step.path, step.problem});
            continue;
        }
        ++report.levels;
        for (const QString& problem : found[i].problems) {
            report.problems.push_back({step.path, problem});
        }
        for (const QString& warning : found[i].warnings) {
            report.warnings.push_back({step.path, warning});
        }
    }
    return report;
}

QString CheckSummary(const CheckReport& report) {
    return QStringLiteral("%1 in %2 checked, %3")
        .arg(Counted(report.levels, "level", "levels"), Counted(report.packs, "pack", "packs"),
             Counted(qsizetype(report.problems.size()), "problem", "problems"));
}

FileResult ReadLevelFile(Level& level, const std::string& path) {
    const FileBytes read = ReadRegularFile(path, MAX_LEVEL_FILE_BYTES, Links::Follow);
    if (!read.result.ok) {
        return {false, NotLoaded(read.result.message)};
    }
    if (FileResult decoded = DecodeLevel(read.bytes, level); !decoded.ok) {
        return {false, NotLoaded(decoded.message)};
    }
    return {};
}

QString Counted(qsizetype count, const char* one, const char* many) {
    return QString::fromStdString(CountedNoun(count, one, many));
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
    summary.solvable =
        IsClassicModeSolvable(int16_t(level.connectors.size()), int8_t(summary.smallestSideCount));
    summary.verdict =
        QString::fromLatin1(summary.solvable ? SOLVABLE_TEXT : NOT_SOLVABLE_TEXT).trimmed();
    summary.targetScore = QString::fromStdString(level.targetScore);
    summary.expertScore = QString::fromStdString(level.expertScore);
    return summary;
}

} // namespace kivo
