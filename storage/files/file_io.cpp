#include "file_io.h"

#include "call_seam.h"
#include "paths.h"
#include "shown_text.h"
#include "temporary_names.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kivo {

namespace {

constexpr qint64 READ_CHUNK = 65536;

// Closes a descriptor when it goes out of scope.
struct Descriptor : HeldFile {
    explicit Descriptor(int f) { fd = f; }
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

// Creates a new file, never through a link, and writes the bytes; the descriptor stays open
// (and the file live) until `file` goes.
FileResult CreateAndWrite(int dir, const std::string& name, const QByteArray& bytes, mode_t mode,
                          bool sync, HeldFile& file) {
    if (!Mutate("create", [&] {
            file.fd = ::openat(dir, name.c_str(),
                               O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
            return file.fd < 0 ? -1 : 0;
        })) {
        return Failed(ErrnoText(errno));
    }
    MarkLive(file.fd);
    const bool written = (mode == 0 || ::fchmod(file.fd, mode) == 0) && WriteAll(file.fd, bytes) &&
                         (!sync || ::fsync(file.fd) == 0);
    if (!written) {
        const int error = errno;
        ::unlinkat(dir, name.c_str(), 0);
        return Failed(ErrnoText(error));
    }
    return {};
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

// A file longer than the limit is refused whole: one byte more is read to tell.
FileBytes Whole(FileBytes read, qint64 limit, const QString& tooLong) {
    if (read.result.ok && read.bytes.size() > limit) {
        return {Failed(tooLong), {}};
    }
    return read;
}

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

bool IsFolderIn(int dir, const std::string& name) {
    struct stat st {};
    return ::fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

HeldFile::~HeldFile() {
    if (fd >= 0) {
        ::close(fd);
    }
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

FileBytes ReadFileStart(const std::string& path, qint64 limit, Links links) {
    const int follow = links == Links::Refuse ? O_NOFOLLOW : 0;
    Descriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | follow));
    if (file.fd < 0) {
        return {Failed(OpenFailure(errno, links)), {}};
    }
    return ReadOpened(file.fd, limit);
}

FileBytes ReadRegularFile(const std::string& path, qint64 limit, Links links,
                          const QString& tooLong) {
    return Whole(ReadFileStart(path, limit + 1, links), limit, tooLong);
}

FileBytes ReadRegularFileIn(const OpenFolder& folder, const std::string& name, qint64 limit,
                            const QString& tooLong, bool* exists) {
    Descriptor file(::openat(folder.fd, name.c_str(),
                             O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW));
    const int error = errno;
    if (exists != nullptr) {
        struct stat st {};
        *exists = file.fd >= 0 || error != ENOENT ||
                  ::fstatat(folder.fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
    }
    if (file.fd < 0) {
        return {Failed(OpenFailure(error, Links::Refuse)), {}};
    }
    return Whole(ReadOpened(file.fd, limit + 1), limit, tooLong);
}

FileResult ReplaceFile(const std::string& path, const QByteArray& bytes, Links links) {
    const std::string target = SaveTarget(path, links);
    OpenFolder folder;
    folder.fd = ::open(FolderPart(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder.fd < 0) {
        return Failed(ErrnoText(errno));
    }
    return ReplaceFileIn(folder, NamePart(target), bytes);
}

FileResult ReplaceFileIn(const OpenFolder& folder, const std::string& name,
                         const QByteArray& bytes) {
    mode_t mode = 0;
    if (FileResult checked = CheckTarget(folder.fd, name, mode); !checked.ok) {
        return checked;
    }
    const std::string temp = TemporaryName(SAVE_TEMPORARY_PREFIX, SAVE_TEMPORARY_SUFFIX);
    Descriptor file(-1);
    if (FileResult written = CreateAndWrite(folder.fd, temp, bytes, mode, true, file);
        !written.ok) {
        return written;
    }
    if (!Mutate("replace",
                [&] { return ::renameat(folder.fd, temp.c_str(), folder.fd, name.c_str()); })) {
        const int error = errno;
        ::unlinkat(folder.fd, temp.c_str(), 0);
        return Failed(ErrnoText(error));
    }
    SyncFolder(folder);
    return {};
}

FileResult WriteNewFileIn(const OpenFolder& folder, const std::string& name,
                          const QByteArray& bytes, Sync sync) {
    Descriptor file(-1);
    FileResult written = CreateAndWrite(folder.fd, name, bytes, 0, sync == Sync::Now, file);
    if (written.ok && ::close(file.fd) != 0) {
        written = Failed(ErrnoText(errno));
    }
    file.fd = -1;
    return written;
}

FileResult WriteHeldFileIn(const OpenFolder& folder, const std::string& name,
                           const QByteArray& bytes, HeldFile& file) {
    return CreateAndWrite(folder.fd, name, bytes, 0, true, file);
}

FileResult MakeFolderIn(const OpenFolder& folder, const std::string& name) {
    if (!Mutate("make folder", [&] { return ::mkdirat(folder.fd, name.c_str(), 0777); })) {
        return Failed(ErrnoText(errno));
    }
    return {};
}

FileResult SyncFileSystem(const OpenFolder& folder) {
    return ::syncfs(folder.fd) == 0 ? FileResult{} : Failed(ErrnoText(errno));
}

void SyncFolder(const OpenFolder& folder) {
    ::fsync(folder.fd);
}

bool RenameWithoutReplacing(const OpenFolder& fromDir, const std::string& from,
                            const OpenFolder& toDir, const std::string& to) {
    return Mutate("rename", [&] {
        const char* f = from.c_str();
        const char* t = to.c_str();
        if (::renameat2(fromDir.fd, f, toDir.fd, t, RENAME_NOREPLACE) == 0) {
            return 0;
        }
        if (errno != EINVAL && errno != ENOSYS) {
            return -1;
        }
        // A folder cannot be linked; a plain rename replaces at most an empty folder there.
        if (IsFolderIn(fromDir.fd, from)) {
            struct stat st {};
            if (::fstatat(toDir.fd, t, &st, AT_SYMLINK_NOFOLLOW) == 0) {
                errno = EEXIST;
                return -1;
            }
            return ::renameat(fromDir.fd, f, toDir.fd, t);
        }
        if (::linkat(fromDir.fd, f, toDir.fd, t, 0) != 0) {
            return -1;
        }
        return ::unlinkat(fromDir.fd, f, 0);
    });
}

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

bool IsRealFolder(const std::string& path) {
    return IsFolderIn(AT_FDCWD, path);
}

bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

} // namespace kivo
