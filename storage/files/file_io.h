// Reading and writing files in folders the user does not control: packs arrive zipped, copied
// from network drives or out of version control, so they may hold links, FIFOs, device nodes,
// huge files and names that are not UTF-8. Paths are bytes (paths.h). The functions here say
// only why something failed; their callers name the file. Every call that changes a folder
// passes the call seam (call_seam.h).
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <string>
#include <vector>

namespace kivo {

// What a file operation came to; message says what went wrong and where, for the user.
struct FileResult {
    bool ok = true;
    QString message;
};

// A file's bytes, or why they cannot be had.
struct FileBytes {
    FileResult result;
    QByteArray bytes;
};

enum class Links { Follow, Refuse };

// Which folder a folder is, whatever path leads to it: a folder moved away and another put
// in its place, or a link put there, is told apart by this.
struct FolderId {
    uint64_t device = 0;
    uint64_t inode = 0;
};
bool operator==(const FolderId& a, const FolderId& b);
bool operator!=(const FolderId& a, const FolderId& b);

// A folder held open: work inside it goes through the descriptor, so a path checked once is
// never trusted again. Closes the descriptor when it goes.
struct OpenFolder {
    int fd = -1;
    FolderId id;
    OpenFolder() = default;
    OpenFolder(OpenFolder&& other) noexcept;
    OpenFolder& operator=(OpenFolder&& other) noexcept;
    OpenFolder(const OpenFolder&) = delete;
    OpenFolder& operator=(const OpenFolder&) = delete;
    ~OpenFolder();
};

// Opens a folder that is a folder of its own: a link in place of its last part is refused.
// `within` is a folder held open, or null for a path from the working directory.
FileResult OpenFolderAt(const OpenFolder* within, const std::string& path, OpenFolder& folder);

// Reads a regular file whole, refusing one longer than `limit` bytes rather than cutting it
// short. The file is opened without blocking, so a FIFO or a device never hangs the caller,
// and its type is checked on the open descriptor, so a file swapped after a check is still
// caught. `tooLong` says why a longer file is refused.
FileBytes ReadRegularFile(const std::string& path, qint64 limit, Links links,
                          const QString& tooLong);
// The same for a name inside a folder held open, never through a link; no file at all is
// told apart from a file that cannot be read by `exists`.
FileBytes ReadRegularFileIn(const OpenFolder& folder, const std::string& name, qint64 limit,
                            const QString& tooLong, bool* exists = nullptr);
// At most `limit` bytes from the start of a regular file: a format whose end is known inside
// the file (a level) ignores what follows.
FileBytes ReadFileStart(const std::string& path, qint64 limit, Links links);

// Replaces a file with `bytes` atomically and durably: the bytes go to a live temporary file
// of the editor's in the same folder, are synced, and the temporary file is renamed over the
// target. A target that is not a regular file, or whose mode bits allow no writing, is refused
// for every user, root included. With Links::Follow a link is replaced at its target. A write
// that fails (a full disk among the reasons) leaves the target as it was.
FileResult ReplaceFile(const std::string& path, const QByteArray& bytes, Links links);
// The same writer for a name inside a folder held open; a link there is never followed.
FileResult ReplaceFileIn(const OpenFolder& folder, const std::string& name,
                         const QByteArray& bytes);

// A file this process is writing, held open and so live (temporary_names.h) until it goes.
struct HeldFile {
    int fd = -1;
    HeldFile() = default;
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;
    ~HeldFile();
};

// Writes a file that must not exist yet inside a folder held open, never through a link.
// Sync::Later leaves syncing to one SyncFileSystem of the whole folder once all is written.
enum class Sync { Now, Later };
// The same, keeping the file held: a journal stays live while its move runs.
FileResult WriteHeldFileIn(const OpenFolder& folder, const std::string& name,
                           const QByteArray& bytes, HeldFile& file);
FileResult WriteNewFileIn(const OpenFolder& folder, const std::string& name,
                          const QByteArray& bytes, Sync sync = Sync::Now);
// Makes one folder inside a folder held open.
FileResult MakeFolderIn(const OpenFolder& folder, const std::string& name);
// Puts what was written in the folder's file system on the disk (one syncfs).
FileResult SyncFileSystem(const OpenFolder& folder);
// Puts the folder's own entries (new names, renames, removals) on the disk.
void SyncFolder(const OpenFolder& folder);

// Renames `from` to `to`, both inside folders held open, without replacing anything at `to`,
// also where the file system has no such rename (a file is then linked and unlinked; a folder
// renamed onto a name that is free, or at most an empty folder); false with errno set (EEXIST
// when `to` is taken).
bool RenameWithoutReplacing(const OpenFolder& fromDir, const std::string& from,
                            const OpenFolder& toDir, const std::string& to);

// The names in a folder as the file system gives them, "." and ".." left out.
struct Listing {
    FileResult result;
    std::vector<std::string> names;
};
Listing ListFolder(const std::string& folder);
Listing ListFolderIn(const OpenFolder& folder);

// Whether a path is a folder itself, never a link to one; whether anything is there at all.
bool IsRealFolder(const std::string& path);
bool Exists(const std::string& path);

} // namespace kivo
