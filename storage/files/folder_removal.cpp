#include "folder_removal.h"

#include "call_seam.h"
#include "paths.h"
#include "shown_text.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kivo {

namespace {

QString Left(const std::string& path, const QString& why) {
    return QStringLiteral("%1 (%2)").arg(QuotedPath(path), why);
}

bool Remove(const OpenFolder& folder, const std::string& name, bool isFolder) {
    return Mutate("remove",
                  [&] { return ::unlinkat(folder.fd, name.c_str(), isFolder ? AT_REMOVEDIR : 0); });
}

void RemoveChildren(const OpenFolder& folder, const std::string& shownPath, QStringList& left);

// Removes one entry of `folder`; a folder on another file system is named and left.
void RemoveEntry(const OpenFolder& folder, const std::string& name, const std::string& shownPath,
                 QStringList& left) {
    struct stat st {};
    if (::fstatat(folder.fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        return; // already gone
    }
    const qsizetype leftBefore = left.size();
    const bool isFolder = S_ISDIR(st.st_mode);
    if (isFolder) {
        OpenFolder child;
        if (st.st_dev != folder.id.device) {
            left << Left(shownPath, QStringLiteral("another file system is mounted there"));
            return;
        }
        if (const FileResult opened = OpenFolderAt(&folder, name, child); opened.ok) {
            RemoveChildren(child, shownPath, left);
        }
    }
    // A folder that keeps what is already named is not named again; a vanished file is gone.
    if (!Remove(folder, name, isFolder) && errno != ENOENT &&
        !(errno == ENOTEMPTY && left.size() > leftBefore)) {
        left << Left(shownPath, ErrnoText(errno));
    }
}

void RemoveChildren(const OpenFolder& folder, const std::string& shownPath, QStringList& left) {
    const Listing listing = ListFolderIn(folder);
    if (!listing.result.ok) {
        left << Left(shownPath, listing.result.message);
    }
    for (const std::string& name : listing.names) {
        RemoveEntry(folder, name, JoinPath(shownPath, name), left);
    }
}

} // namespace

QStringList RemoveFolderIn(const OpenFolder& parent, const std::string& name,
                           const std::string& shownPath) {
    QStringList left;
    RemoveEntry(parent, name, shownPath, left);
    return left;
}

} // namespace kivo
