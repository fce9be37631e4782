#include "check_walk.h"

#include "storage/files/paths.h"
#include "storage/files/shown_text.h"
#include "storage/files/temporary_names.h"
#include "storage/level/level_file.h"
#include "storage/pack/tidy_up.h"

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>

namespace kivo {

namespace {

void Add(CheckWalk& walk, const std::string& path, const QString& what,
         LevelSource source = LevelSource::File) {
    walk.steps.push_back({path, what, source});
}

// A level or template that is not there is named as missing; anything else is read later,
// where what keeps it from loading is said.
void WalkLevel(const std::string& path, const char* missing, LevelSource source, CheckWalk& walk) {
    Add(walk, path, Exists(path) ? QString() : QString::fromLatin1(missing), source);
}

// What editors that are gone left in a folder, each named as what it is: a save's leftover
// can go, but a move's journal or level may hold the only copy of a level.
void WalkLeftovers(const std::string& folder, CheckWalk& walk) {
    OpenFolder opened;
    if (!walk.leftFolders.insert(folder).second || !OpenFolderAt(nullptr, folder, opened).ok) {
        return;
    }
    for (const Leftover& leftover : LeftoversIn(opened)) {
        Add(walk, JoinPath(folder, leftover.name), LeftoverText(leftover.kind));
    }
}

void WalkConfig(const Pack& pack, CheckWalk& walk) {
    const ConfigRead read = ReadConfig(pack);
    if (!read.exists) {
        Add(walk, pack.folder, QStringLiteral("the pack has no config.txt"));
    } else if (!read.result.ok) {
        Add(walk, ConfigPath(pack),
            QStringLiteral("the pack's details cannot be read: %1").arg(read.result.message));
    } else if (std::all_of(read.config.lines.begin(), read.config.lines.end(),
                           [](const std::string& line) { return line.empty(); })) {
        Add(walk, ConfigPath(pack), QStringLiteral("the pack's config.txt is empty"));
    }
}

// A pack holds config.txt and a level folder with unlimited.kvo and kivo1.kvo ... kivo100.kvo.
void WalkPack(const std::string& folder, CheckWalk& walk) {
    ++walk.packs;
    const Pack pack{WithoutTrailingSlash(folder)};
    WalkConfig(pack, walk);
    if (!IsRealFolder(LevelFolderPath(pack))) {
        Add(walk, pack.folder, QStringLiteral("the pack has no level folder kivo/"));
        return;
    }
    for (int slot = 0; slot < PACK_SLOT_COUNT; ++slot) {
        WalkLevel(SlotPath(pack, slot), "the level file is missing", LevelSource::Slot, walk);
    }
    WalkLeftovers(pack.folder, walk);
    WalkLeftovers(LevelFolderPath(pack), walk);
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

// The data folder: the template level, what editors left, and one pack per real subfolder but
// the editor's unlisted ones, in name order.
void WalkDataFolder(const std::string& dataFolder, CheckWalk& walk) {
    Listing listing = ListFolder(dataFolder);
    if (!listing.result.ok) {
        Add(walk, dataFolder,
            QStringLiteral("the folder cannot be read: %1").arg(listing.result.message));
        return;
    }
    WalkLevel(TemplatePath(dataFolder), "the template level is missing", LevelSource::Template,
              walk);
    WalkLeftovers(dataFolder, walk);
    std::sort(listing.names.begin(), listing.names.end());
    for (const std::string& name : listing.names) {
        const std::string path = JoinPath(dataFolder, name);
        if (IsRealFolder(path) && !IsUnlistedPackName(name)) {
            WalkPack(path, walk);
        }
    }
}

// A start directory holds kivo/ with the template; a data folder holds the template or no
// kivo/ folder; a pack holds config.txt or kivo/. A kivo/ folder that cannot be read tells
// neither apart, so it is reported rather than checked as a pack's level folder.
void WalkFolder(const std::string& path, CheckWalk& walk) {
    const std::string inner = DataFolderIn(path);
    if (!Readable(path, walk)) {
        return;
    } else if (Exists(JoinPath(path, CONFIG_FILE_NAME))) {
        WalkPack(path, walk);
    } else if (Exists(TemplatePath(inner))) {
        WalkDataFolder(inner, walk);
    } else if (Exists(TemplatePath(path)) || !IsRealFolder(inner)) {
        WalkDataFolder(WithoutTrailingSlash(path), walk);
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
        WalkLeftovers(FolderPart(path), walk);
    }
}

QString NotLoaded(const QString& why) {
    return QStringLiteral("the level file cannot be loaded: %1").arg(why);
}

// A slot or the template, by the pack's readers.
PackFile ReadPackLevel(const CheckStep& step) {
    if (step.source == LevelSource::Template) {
        return ReadTemplate(FolderPart(step.path));
    }
    const auto slot = SlotAt(step.path);
    PackFile read = ReadSlot(slot->first, slot->second);
    if (read.result.ok && !read.bytes) {
        read.why = QStringLiteral("there is no such file");
    }
    return read;
}

} // namespace

CheckWalk WalkPaths(const std::vector<std::string>& paths) {
    CheckWalk walk;
    for (const std::string& path : paths) {
        WalkPath(path, walk);
    }
    return walk;
}

FileResult ReadStepLevel(const CheckStep& step, Level& level) {
    if (step.source == LevelSource::File) {
        const FileBytes read = ReadLevelAt(level, step.path);
        return read.result.ok ? read.result : FileResult{false, NotLoaded(read.result.message)};
    }
    const PackFile read = ReadPackLevel(step);
    if (!read.bytes) {
        return {false, NotLoaded(read.why)};
    }
    const FileResult decoded = DecodeLevel(*read.bytes, level);
    return decoded.ok ? decoded : FileResult{false, NotLoaded(decoded.message)};
}

} // namespace kivo
