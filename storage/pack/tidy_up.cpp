#include "tidy_up.h"

#include "pack.h"
#include "slot_journal.h"

#include "storage/files/call_seam.h"
#include "storage/files/folder_removal.h"
#include "storage/files/paths.h"
#include "storage/files/shown_text.h"
#include "storage/files/temporary_names.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kivo {

namespace {

bool IsOfKind(const OpenFolder& folder, const std::string& name, bool wantFolder) {
    struct stat st {};
    return ::fstatat(folder.fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
           (wantFolder ? S_ISDIR(st.st_mode) : S_ISREG(st.st_mode));
}

QStringList RemoveSaveTemporaries(const OpenFolder& folder, const std::string& path) {
    QStringList left;
    for (const Leftover& leftover : LeftoversIn(folder)) {
        if (leftover.kind == LeftoverKind::SaveTemporary &&
            !Mutate("remove", [&] { return ::unlinkat(folder.fd, leftover.name.c_str(), 0); }) &&
            errno != ENOENT) {
            left << QStringLiteral("%1 (%2)").arg(QuotedPath(JoinPath(path, leftover.name)),
                                                  ErrnoText(errno));
        }
    }
    return left;
}

// The empty config.txt every pack has, written where a pack has none at all.
QStringList WriteMissingConfig(const OpenFolder& pack, const std::string& path) {
    struct stat st {};
    if (::fstatat(pack.fd, CONFIG_FILE_NAME, &st, AT_SYMLINK_NOFOLLOW) == 0 || errno != ENOENT) {
        return {};
    }
    const FileResult written = WriteNewFileIn(pack, CONFIG_FILE_NAME, {});
    return written.ok ? QStringList()
                      : QStringList{QStringLiteral("%1 (%2)").arg(
                            QuotedPath(JoinPath(path, CONFIG_FILE_NAME)), written.message)};
}

QStringList TidyPack(const OpenFolder& data, const std::string& name, const std::string& path) {
    OpenFolder pack, levels;
    if (!OpenFolderAt(&data, name, pack).ok) {
        return {};
    }
    QStringList left = WriteMissingConfig(pack, path) + RemoveSaveTemporaries(pack, path);
    if (OpenFolderAt(&pack, LEVELS_FOLDER_NAME, levels).ok) {
        FinishInterruptedMoves(levels);
        left += RemoveSaveTemporaries(levels, JoinPath(path, LEVELS_FOLDER_NAME));
    }
    return left;
}

} // namespace

std::vector<Leftover> LeftoversIn(const OpenFolder& folder) {
    std::vector<Leftover> found;
    std::vector<std::string> names = ListFolderIn(folder).names;
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        const bool save = IsSaveTemporaryName(name) && IsOfKind(folder, name, false);
        const bool move = IsMoveFileName(name);
        const bool pack = IsUnlistedPackName(name) && IsOfKind(folder, name, true);
        if ((save || move || pack) && !IsLive(folder.fd, name)) {
            found.push_back({name, save   ? LeftoverKind::SaveTemporary
                                   : move ? LeftoverKind::Move
                                          : LeftoverKind::UnlistedPack});
        }
    }
    return found;
}

QString LeftoverText(LeftoverKind kind) {
    switch (kind) {
    case LeftoverKind::SaveTemporary:
        return QStringLiteral("a temporary file left by an interrupted save; it can be removed");
    case LeftoverKind::Move:
        return QStringLiteral("part of a move of slots that was interrupted; the editor finishes "
                              "it when it next starts, so keep it");
    case LeftoverKind::UnlistedPack:
        break;
    }
    return QStringLiteral("a pack folder left by an interrupted New or Delete; the editor removes "
                          "it when it next starts");
}

QStringList TidyFolder(const std::string& folder) {
    OpenFolder opened;
    return OpenFolderAt(nullptr, folder, opened).ok ? RemoveSaveTemporaries(opened, folder)
                                                    : QStringList();
}

QStringList TidyDataFolder(const std::string& dataFolder) {
    OpenFolder data;
    if (!OpenFolderAt(nullptr, dataFolder, data).ok) {
        return {};
    }
    QStringList left = RemoveSaveTemporaries(data, dataFolder);
    for (const Leftover& leftover : LeftoversIn(data)) {
        if (leftover.kind == LeftoverKind::UnlistedPack) {
            left += RemoveFolderIn(data, leftover.name, JoinPath(dataFolder, leftover.name));
        }
    }
    for (const std::string& name : ListFolderIn(data).names) {
        if (!IsUnlistedPackName(name) && IsOfKind(data, name, true)) {
            left += TidyPack(data, name, JoinPath(dataFolder, name));
        }
    }
    return left;
}

} // namespace kivo
