#include "file_access.h"

#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <csignal>
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

// The caller names the file; these say why.
FileResult CannotRead(const std::string&, const QString& why) {
    return Failed(why);
}

FileResult CannotWrite(const std::string&, const QString& why) {
    return Failed(why);
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
FileResult CheckTarget(const std::string& target, mode_t& mode) {
    struct stat st {};
    mode = 0;
    if (::lstat(target.c_str(), &st) != 0) {
        return errno == ENOENT ? FileResult{} : CannotWrite(target, ErrnoText(errno));
    }
    if (!S_ISREG(st.st_mode)) {
        return CannotWrite(target,
                           QStringLiteral("it is %1, not a regular file").arg(KindOf(st.st_mode)));
    }
    // A rename would get past the mode bits, and root passes access(); refuse by the bits.
    if ((st.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0) {
        return CannotWrite(target, QStringLiteral("the file is read-only"));
    }
    mode = st.st_mode & 07777;
    return {};
}

FileResult WriteTemporary(const std::string& temp, const std::string& target,
                          const QByteArray& bytes, mode_t mode, bool keepMode) {
    Descriptor file(
        ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (file.fd < 0) {
        return CannotWrite(target, ErrnoText(errno));
    }
    const bool written = (!keepMode || ::fchmod(file.fd, mode) == 0) && WriteAll(file.fd, bytes) &&
                         ::fsync(file.fd) == 0;
    const int error = errno;
    const bool closed = ::close(file.fd) == 0;
    file.fd = -1;
    if (!written || !closed) {
        ::unlink(temp.c_str());
        return CannotWrite(target, ErrnoText(written ? errno : error));
    }
    return {};
}

void SyncFolder(const std::string& folder) {
    Descriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.fd >= 0) {
        ::fsync(dir.fd);
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

FileBytes ReadRegularFile(const std::string& path, qint64 limit, Links links) {
    const int follow = links == Links::Refuse ? O_NOFOLLOW : 0;
    Descriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | follow));
    if (file.fd < 0) {
        return {CannotRead(path, OpenFailure(errno, links)), {}};
    }
    struct stat st {};
    if (::fstat(file.fd, &st) != 0) {
        return {CannotRead(path, ErrnoText(errno)), {}};
    }
    if (!S_ISREG(st.st_mode)) {
        return {CannotRead(path,
                           QStringLiteral("it is %1, not a regular file").arg(KindOf(st.st_mode))),
                {}};
    }
    FileBytes read;
    while (read.bytes.size() < limit) {
        const qint64 want = std::min(READ_CHUNK, limit - read.bytes.size());
        const qsizetype at = read.bytes.size();
        read.bytes.resize(at + want);
        const ssize_t n = ::read(file.fd, read.bytes.data() + at, size_t(want));
        read.bytes.resize(at + std::max<qsizetype>(n, 0));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return {CannotRead(path, ErrnoText(errno)), {}};
        }
        if (n == 0) {
            break;
        }
    }
    return read;
}

FileResult ReplaceFile(const std::string& path, const QByteArray& bytes, Links links) {
    const std::string target = SaveTarget(path, links);
    mode_t mode = 0;
    if (FileResult checked = CheckTarget(target, mode); !checked.ok) {
        return checked;
    }
    const std::string folder = FolderPart(target);
    RemoveEditorLeftovers(folder);
    const std::string temp =
        JoinPath(folder, EditorTemporaryName(TEMPORARY_FILE_PREFIX, TEMPORARY_FILE_SUFFIX));
    if (FileResult written = WriteTemporary(temp, target, bytes, mode, mode != 0); !written.ok) {
        return written;
    }
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        return CannotWrite(target, ErrnoText(error));
    }
    SyncFolder(folder);
    return {};
}

Listing ListFolder(const std::string& folder) {
    Listing listing;
    DIR* dir = ::opendir(folder.c_str());
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

FileResult WriteNewFile(const std::string& path, const QByteArray& bytes) {
    Descriptor file(
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (file.fd < 0) {
        return Failed(ErrnoText(errno));
    }
    const bool written = WriteAll(file.fd, bytes);
    const int error = errno;
    const int closed = ::close(file.fd);
    file.fd = -1;
    if (!written || closed != 0) {
        return Failed(ErrnoText(written ? errno : error));
    }
    return {};
}

std::vector<std::string> EditorLeftovers(const std::string& folder) {
    std::vector<std::string> found;
    for (const std::string& name : ListFolder(folder).names) {
        struct stat st {};
        const std::string path = JoinPath(folder, name);
        if (IsAbandoned(name, TEMPORARY_FILE_PREFIX, TEMPORARY_FILE_SUFFIX) &&
            ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
            found.push_back(path);
        }
    }
    return found;
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
