// Reading and writing files in folders the user does not control: packs arrive zipped,
// copied from network drives or out of version control, so they may hold links, FIFOs,
// device nodes, huge files and names that are not UTF-8. Paths here are the bytes the file
// system uses, so every name can be opened, whether or not it can be shown.
#pragma once

#include <QByteArray>
#include <QString>

#include <QStringList>

#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

namespace kivo {

// What a file operation came to; message says what went wrong and where, for the user.
// The functions of this file say only why; their callers name the file.
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

// The bytes of a path, as the file system takes them.
std::string PathBytes(const QString& path);
// A path as text for messages: UTF-8 as it is, every byte that is not valid UTF-8 and every
// control character (which a terminal would act on) as \xNN, and a backslash doubled, so
// that each shown path maps back to one path, and a name that cannot be shown is still told
// apart from its neighbours.
QString ShownPath(const std::string& path);
// Whether bytes are valid UTF-8 (no overlong forms, no surrogates).
bool IsValidUtf8(const std::string& bytes);
// The path in quotes, for messages.
QString QuotedPath(const std::string& path);

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

// Reads at most `limit` bytes from the start of a regular file. The file is opened without
// blocking, so a FIFO or a device never hangs the caller, and its type is checked on the
// open descriptor, so a file swapped after a check is still caught.
FileBytes ReadRegularFile(const std::string& path, qint64 limit, Links links);
// The same for a name inside a folder held open, never through a link; no file at all is
// told apart from a file that cannot be read by `exists`.
FileBytes ReadRegularFileIn(const OpenFolder& folder, const std::string& name, qint64 limit,
                            bool* exists = nullptr);

// Replaces a file with `bytes` atomically and durably: the bytes go to an editor's temporary
// file in the same folder, are synced, and the temporary file is renamed over the target.
// A target that is not a regular file, or whose mode bits allow no writing, is refused for
// every user, root included. With Links::Follow a link is replaced at its target. A write that
// fails (a full disk among the reasons) leaves the target as it was.
FileResult ReplaceFile(const std::string& path, const QByteArray& bytes, Links links);
// The same writer for a name inside a folder held open; a link there is never followed.
FileResult ReplaceFileIn(const OpenFolder& folder, const std::string& name,
                         const QByteArray& bytes);

// The names in a folder as the file system gives them, "." and ".." left out.
struct Listing {
    FileResult result;
    std::vector<std::string> names;
};
Listing ListFolder(const std::string& folder);
Listing ListFolderIn(const OpenFolder& folder);

// Writes a file that must not exist yet, never through a link.
FileResult WriteNewFile(const std::string& path, const QByteArray& bytes);
// The same inside a folder held open, synced to the disk before it returns.
FileResult WriteNewFileIn(const OpenFolder& folder, const std::string& name,
                          const QByteArray& bytes);

// Makes one folder; the parent must exist.
FileResult MakeFolder(const std::string& path);

// Renames without replacing anything at `to`, also where the file system has no such
// rename; false with errno set (EEXIST when `to` is taken).
bool RenameWithoutReplacing(const std::string& from, const std::string& to);

// Removes a folder tree that lies on its parent's file system, never following a link and
// never crossing into another file system; each path that stays is returned, quoted, with why.
QStringList RemoveFolderTree(const std::string& path);

// Temporary files of the editor that a crash left in a folder and that may be removed: an
// interrupted save's temporary file, made by a process that is gone. The target of such a
// save still holds its level, so the temporary file is never the only copy of one. Nothing
// else is ever touched, least of all what an interrupted slot exchange left.
std::vector<std::string> EditorLeftovers(const std::string& folder);
bool IsRemovableLeftover(const std::string& name);
// Removes them; what could not be removed is returned.
std::vector<std::string> RemoveEditorLeftovers(const std::string& folder);

// The name prefix of the editor's temporary files.
constexpr const char* TEMPORARY_FILE_PREFIX = ".kivo-save-";
// A fresh name "<prefix><pid>-<random>" for this process.
std::string EditorTemporaryName(const char* prefix, const char* suffix);
// Whether a name was made by EditorTemporaryName with this prefix and suffix by a process
// that no longer runs.
bool IsAbandoned(const std::string& name, const char* prefix, const char* suffix);

// The folder part of a path; a name joined onto a folder with one '/'.
std::string FolderPart(const std::string& path);
std::string JoinPath(const std::string& folder, const std::string& name);

// Why a call failed, in words; a full disk says so.
QString ErrnoText(int error);
// "a FIFO", "a device", ... for a file's mode.
QString KindOf(mode_t mode);

} // namespace kivo
