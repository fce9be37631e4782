#include "file_access.h"

#include <QFile>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kivo {

namespace {

constexpr qint64 READ_CHUNK = 65536;
constexpr const char* TEMPORARY_FILE_SUFFIX = ".tmp";

// Closes a descriptor when it goes out of scope.
struct Descriptor {
    int fd = -1;
    Descriptor(int f) : fd(f) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
};

FileResult Failed(const QString& message) {
    return {false, message};
}

QString OpenFailure(int error, Links links) {
    if (error == ENOENT) {
        return QStringLiteral("there is no such file");
    }
    if (error == ELOOP && links == Links::Refuse) {
        return QStringLiteral("it is a symbolic link, which is not followed here");
    }
    return ErrnoText(error);
}

// Writes everything, going on after a short write; false with errno set on failure.
bool WriteAll(int fd, const QByteArray& bytes) {
    qint64 done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            errno = n == 0 ? ENOSPC : errno;
            return false;
        }
        done += n;
    }
    return true;
}

// The path a save replaces: a link is resolved to the file it names, so the link stays.
std::string SaveTarget(const std::string& path, Links links) {
    if (links == Links::Refuse) {
        return path;
    }
    char* real = ::realpath(path.c_str(), nullptr);
    if (real == nullptr) {
        return path;
    }
    std::string target(real);
    std::free(real);
    return target;
}

// Refuses a target that exists and is not a writable regular file; its mode is kept.
FileResult CheckTarget(int dir, const std::string& name, mode_t& mode) {
    struct stat st {};
    mode = 0;
    if (::fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        return errno == ENOENT ? FileResult{} : Failed(ErrnoText(errno));
    }
    if (!S_ISREG(st.st_mode)) {
        return Failed(QStringLiteral("it is %1, not a regular file").arg(KindOf(st.st_mode)));
    }
    // A rename would get past the mode bits, and root passes access(); refuse by the bits.
    if ((st.st_mode & 0222) == 0 || ::faccessat(dir, name.c_str(), W_OK, 0) != 0) {
        return Failed(QStringLiteral("the file is read-only"));
    }
    mode = st.st_mode & 07777;
    return {};
}

FileResult WriteTemporary(int dir, const std::string& temp, const QByteArray& bytes, mode_t mode) {
    Descriptor file(
        ::openat(dir, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (file.fd < 0) {
        return Failed(ErrnoText(errno));
    }
    const bool written = (mode == 0 || ::fchmod(file.fd, mode) == 0) && WriteAll(file.fd, bytes) &&
                         ::fsync(file.fd) == 0;
    const int error = errno;
    const bool closed = ::close(file.fd) == 0;
    file.fd = -1;
    if (!written || !closed) {
        ::unlinkat(dir, temp.c_str(), 0);
        return Failed(ErrnoText(written ? errno : error));
    }
    return {};
}

// The last part of a path.
std::string NamePart(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

FileBytes ReadOpened(int fd, qint64 limit) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        return {Failed(ErrnoText(errno)), {}};
    }
    if (!S_ISREG(st.st_mode)) {
        return {Failed(QStringLiteral("it is %1, not a regular file").arg(KindOf(st.st_mode))), {}};
    }
    FileBytes read;
    while (read.bytes.size() < limit) {
        const qint64 want = std::min(READ_CHUNK, limit - read.bytes.size());
        const qsizetype at = read.bytes.size();
        read.bytes.resize(at + want);
        const ssize_t n = ::read(fd, read.bytes.data() + at, size_t(want));
        read.bytes.resize(at + std::max<qsizetype>(n, 0));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return {Failed(ErrnoText(errno)), {}};
        }
        if (n == 0) {
            break;
        }
    }
    return read;
}

// Removes a folder tree on the file system `device` without following links; every path
// that stays is added to `left` with the reason.
void RemoveTree(const std::string& path, dev_t device, QStringList& left) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        return; // already gone
    }
    if (S_ISDIR(st.st_mode) && st.st_dev != device) {
        left << QStringLiteral("%1 (another file system is mounted there)").arg(QuotedPath(path));
        return;
    }
    const qsizetype leftBefore = left.size();
    if (S_ISDIR(st.st_mode)) {
        for (const std::string& name : ListFolder(path).names) {
            RemoveTree(JoinPath(path, name), device, left);
        }
    }
    const int removed = S_ISDIR(st.st_mode) ? ::rmdir(path.c_str()) : ::unlink(path.c_str());
    // A folder that keeps what is already named is not named again; a vanished file is gone.
    const bool named = errno == ENOTEMPTY && left.size() > leftBefore;
    if (removed != 0 && errno != ENOENT && !named) {
        left << QStringLiteral("%1 (%2)").arg(QuotedPath(path), ErrnoText(errno));
    }
}

// The length of the valid UTF-8 sequence at `at`, or 0 when none starts there.
size_t Utf8SequenceLength(const std::string& s, size_t at) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char c = byte(at);
    const size_t length = c < 0x80                 ? 1
                          : c >= 0xC2 && c <= 0xDF ? 2
                          : (c >> 4) == 0xE        ? 3
                          : c >= 0xF0 && c <= 0xF4 ? 4
                                                   : 0;
    if (length == 0 || at + length > s.size()) {
        return 0;
    }
    for (size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) {
            return 0;
        }
    }
    // Overlong forms, surrogates and code points past U+10FFFF.
    const unsigned char d = length > 1 ? byte(at + 1) : 0;
    const bool bad = (c == 0xE0 && d < 0xA0) || (c == 0xED && d >= 0xA0) ||
                     (c == 0xF0 && d < 0x90) || (c == 0xF4 && d >= 0x90);
    return bad ? 0 : length;
}

bool ProcessIsGone(long pid) {
    return pid > 0 && ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
}

} // namespace

std::string PathBytes(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QString ShownPath(const std::string& path) {
    QString shown;
    for (size_t at = 0; at < path.size();) {
        const size_t length = Utf8SequenceLength(path, at);
        const QString character = QString::fromUtf8(path.data() + at, qsizetype(length));
        if (length == 0 || character.at(0).category() == QChar::Other_Control) {
            for (size_t end = at + std::max<size_t>(length, 1); at < end; ++at) {
                shown += QStringLiteral("\\x%1").arg(uint(static_cast<unsigned char>(path[at])), 2,
                                                     16, QLatin1Char('0'));
            }
            continue;
        }
        shown += character == QLatin1String("\\") ? QStringLiteral("\\\\") : character;
        at += length;
    }
    return shown;
}

bool IsValidUtf8(const std::string& bytes) {
    for (size_t at = 0, n = 0; at < bytes.size(); at += n) {
        if ((n = Utf8SequenceLength(bytes, at)) == 0) {
            return false;
        }
    }
    return true;
}

QString QuotedPath(const std::string& path) {
    return QLatin1Char('"') + ShownPath(path) + QLatin1Char('"');
}

bool operator==(const FolderId& a, const FolderId& b) {
    return a.device == b.device && a.inode == b.inode;
}

bool operator!=(const FolderId& a, const FolderId& b) {
    return !(a == b);
}

OpenFolder::OpenFolder(OpenFolder&& other) noexcept : fd(other.fd), id(other.id) {
    other.fd = -1;
}

OpenFolder& OpenFolder::operator=(OpenFolder&& other) noexcept {
    std::swap(fd, other.fd);
    std::swap(id, other.id);
    return *this;
}

OpenFolder::~OpenFolder() {
    if (fd >= 0) {
        ::close(fd);
    }
}

FileResult OpenFolderAt(const OpenFolder* within, const std::string& path, OpenFolder& folder) {
    OpenFolder opened;
    opened.fd = ::openat(within ? within->fd : AT_FDCWD, path.c_str(),
                         O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    struct stat st {};
    if (opened.fd < 0 || ::fstat(opened.fd, &st) != 0) {
        const int error = errno;
        return Failed(error == ENOTDIR || error == ELOOP
                          ? QStringLiteral("it is not a folder of its own")
                          : OpenFailure(error, Links::Refuse));
    }
    opened.id = {uint64_t(st.st_dev), uint64_t(st.st_ino)};
    folder = std::move(opened);
    return {};
}

FileBytes ReadRegularFile(const std::string& path, qint64 limit, Links links) {
    const int follow = links == Links::Refuse ? O_NOFOLLOW : 0;
    Descriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | follow));
    if (file.fd < 0) {
        return {Failed(OpenFailure(errno, links)), {}};
    }
    return ReadOpened(file.fd, limit);
}

FileBytes ReadRegularFileIn(const OpenFolder& folder, const std::string& name, qint64 limit,
                            bool* exists) {
    Descriptor file(
        ::openat(folder.fd, name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW));
    const int error = errno;
    if (exists != nullptr) {
        struct stat st {};
        *exists = file.fd >= 0 || error != ENOENT ||
                  ::fstatat(folder.fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
    }
    if (file.fd < 0) {
        return {Failed(OpenFailure(error, Links::Refuse)), {}};
    }
    return ReadOpened(file.fd, limit);
}

FileResult ReplaceFile(const std::string& path, const QByteArray& bytes, Links links) {
    const std::string target = SaveTarget(path, links);
    OpenFolder folder;
    folder.fd = ::open(FolderPart(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder.fd < 0) {
        return Failed(ErrnoText(errno));
    }
    RemoveEditorLeftovers(FolderPart(target));
    return ReplaceFileIn(folder, NamePart(target), bytes);
}

FileResult ReplaceFileIn(const OpenFolder& folder, const std::string& name,
                         const QByteArray& bytes) {
    mode_t mode = 0;
    if (FileResult checked = CheckTarget(folder.fd, name, mode); !checked.ok) {
        return checked;
    }
    const std::string temp = EditorTemporaryName(TEMPORARY_FILE_PREFIX, TEMPORARY_FILE_SUFFIX);
    if (FileResult written = WriteTemporary(folder.fd, temp, bytes, mode); !written.ok) {
        return written;
    }
    if (::renameat(folder.fd, temp.c_str(), folder.fd, name.c_str()) != 0) {
        const int error = errno;
        ::unlinkat(folder.fd, temp.c_str(), 0);
        return Failed(ErrnoText(error));
    }
    ::fsync(folder.fd);
    return {};
}

namespace {

Listing ListOpened(DIR* dir) {
    Listing listing;
    if (dir == nullptr) {
        listing.result = Failed(ErrnoText(errno));
        return listing;
    }
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") {
            listing.names.push_back(name);
        }
    }
    if (errno != 0) {
        listing.result = Failed(ErrnoText(errno));
    }
    ::closedir(dir);
    return listing;
}

FileResult WriteNew(int dir, const std::string& name, const QByteArray& bytes, bool sync) {
    Descriptor file(
        ::openat(dir, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (file.fd < 0) {
        return Failed(ErrnoText(errno));
    }
    const bool written = WriteAll(file.fd, bytes) && (!sync || ::fsync(file.fd) == 0);
    const int error = errno;
    const int closed = ::close(file.fd);
    file.fd = -1;
    if (!written || closed != 0) {
        return Failed(ErrnoText(written ? errno : error));
    }
    return {};
}

} // namespace

Listing ListFolder(const std::string& folder) {
    return ListOpened(::opendir(folder.c_str()));
}

Listing ListFolderIn(const OpenFolder& folder) {
    const int copy = ::fcntl(folder.fd, F_DUPFD_CLOEXEC, 0);
    DIR* dir = copy >= 0 ? ::fdopendir(copy) : nullptr;
    if (dir == nullptr && copy >= 0) {
        const int error = errno;
        ::close(copy);
        errno = error;
    }
    if (dir != nullptr) {
        ::rewinddir(dir);
    }
    return ListOpened(dir);
}

FileResult WriteNewFile(const std::string& path, const QByteArray& bytes) {
    return WriteNew(AT_FDCWD, path, bytes, false);
}

FileResult WriteNewFileIn(const OpenFolder& folder, const std::string& name,
                          const QByteArray& bytes) {
    return WriteNew(folder.fd, name, bytes, true);
}

FileResult MakeFolder(const std::string& path) {
    return ::mkdir(path.c_str(), 0777) == 0 ? FileResult{} : Failed(ErrnoText(errno));
}

// Where the file system cannot rename without replacing, an empty folder made first claims
// the name, and a rename replaces only that empty folder.
bool RenameWithoutReplacing(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return false;
    }
    if (::mkdir(to.c_str(), 0700) != 0) {
        return false;
    }
    if (::rename(from.c_str(), to.c_str()) != 0) {
        const int error = errno;
        ::rmdir(to.c_str());
        errno = error;
        return false;
    }
    return true;
}

QStringList RemoveFolderTree(const std::string& path) {
    QStringList left;
    struct stat parent {};
    if (::stat(FolderPart(path).c_str(), &parent) != 0) {
        left << QStringLiteral("%1 (%2)").arg(QuotedPath(path), ErrnoText(errno));
        return left;
    }
    RemoveTree(path, parent.st_dev, left);
    return left;
}

std::vector<std::string> EditorLeftovers(const std::string& folder) {
    std::vector<std::string> found;
    for (const std::string& name : ListFolder(folder).names) {
        struct stat st {};
        const std::string path = JoinPath(folder, name);
        if (IsRemovableLeftover(name) && ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
            found.push_back(path);
        }
    }
    return found;
}

bool IsRemovableLeftover(const std::string& name) {
    return IsAbandoned(name, TEMPORARY_FILE_PREFIX, TEMPORARY_FILE_SUFFIX);
}

std::vector<std::string> RemoveEditorLeftovers(const std::string& folder) {
    std::vector<std::string> left;
    for (const std::string& path : EditorLeftovers(folder)) {
        if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
            left.push_back(path);
        }
    }
    return left;
}

std::string EditorTemporaryName(const char* prefix, const char* suffix) {
    return std::string(prefix) + std::to_string(::getpid()) + '-' +
           std::to_string(QRandomGenerator::global()->generate()) + suffix;
}

bool IsAbandoned(const std::string& name, const char* prefix, const char* suffix) {
    const std::string start(prefix);
    const std::string end(suffix);
    if (name.size() <= start.size() + end.size() || name.compare(0, start.size(), start) != 0 ||
        name.compare(name.size() - end.size(), end.size(), end) != 0) {
        return false;
    }
    const std::string middle = name.substr(start.size(), name.size() - start.size() - end.size());
    const size_t dash = middle.find('-');
    if (dash == 0 || dash == std::string::npos || dash > 9 ||
        middle.find_first_not_of("0123456789-") != std::string::npos) {
        return false;
    }
    return ProcessIsGone(std::stol(middle.substr(0, dash)));
}

std::string FolderPart(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    return !folder.empty() && folder.back() == '/' ? folder + name : folder + '/' + name;
}

QString ErrnoText(int error) {
    if (error == ENOSPC || error == EDQUOT) {
        return QStringLiteral("the disk is full");
    }
    return QString::fromLocal8Bit(std::strerror(error));
}

QString KindOf(mode_t mode) {
    if (S_ISDIR(mode)) {
        return QStringLiteral("a folder");
    }
    if (S_ISFIFO(mode)) {
        return QStringLiteral("a FIFO");
    }
    if (S_ISCHR(mode) || S_ISBLK(mode)) {
        return QStringLiteral("a device");
    }
    if (S_ISSOCK(mode)) {
        return QStringLiteral("a socket");
    }
    if (S_ISLNK(mode)) {
        return QStringLiteral("a symbolic link");
    }
    return S_ISREG(mode) ? QStringLiteral("a regular file") : QStringLiteral("a special file");
}

} // namespace kivo
