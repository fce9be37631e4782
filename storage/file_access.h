// Reading and writing files in folders the user does not control: packs arrive zipped,
// copied from network drives or out of version control, so they may hold links, FIFOs,
// device nodes, huge files and names that are not UTF-8. Paths here are the bytes the file
// system uses, so every name can be opened, whether or not it can be shown.
#pragma once

#include <QByteArray>
#include <QString>

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

// Reads at most `limit` bytes from the start of a regular file. The file is opened without
// blocking, so a FIFO or a device never hangs the caller, and its type is checked on the
// open descriptor, so a file swapped after a check is still caught.
FileBytes ReadRegularFile(const std::string& path, qint64 limit, Links links);

// Replaces a file with `bytes` atomically and durably: the bytes go to an editor's temporary
// file in the same folder, are synced, and the temporary file is renamed over the target.
// A target that is not a regular file, or whose mode bits allow no writing, is refused for
// every user, root included. With Links::Follow a link is replaced at its target.
FileResult ReplaceFile(const std::string& path, const QByteArray& bytes, Links links);

// The names in a folder as the file system gives them, "." and ".." left out.
struct Listing {
    FileResult result;
    std::vector<std::string> names;
};
Listing ListFolder(const std::string& folder);

// Writes a file that must not exist yet, never through a link.
FileResult WriteNewFile(const std::string& path, const QByteArray& bytes);

// Temporary files of the editor that a crash left in a folder: plainly the editor's by
// name, and made by a process that is gone. Nothing else is ever touched.
std::vector<std::string> EditorLeftovers(const std::string& folder);
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
