// Bytes of level files, files on disk, special files and file systems mounted for a test.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdint>
#include <cstring>
#include <string>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace kivo {

// A little-endian 16-bit word and the exact bits of a 32-bit float, as the level file holds them.
inline QByteArray Word(int v) {
    return QByteArray(1, char(v)) + QByteArray(1, char(v >> 8));
}

inline QByteArray Float(float v) {
    uint32_t u = 0;
    std::memcpy(&u, &v, 4);
    return Word(int(u & 0xFFFF)) + Word(int(u >> 16));
}

inline QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline bool Write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

inline std::string Bytes(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// The type and permission bits of a file, not following a link; 0 when there is none.
inline unsigned StatMode(const QString& path) {
    struct stat st {};
    return ::lstat(Bytes(path).c_str(), &st) == 0 ? st.st_mode : 0;
}

inline bool IsA(const QString& path, mode_t type) {
    return (StatMode(path) & S_IFMT) == type;
}

// A link to `linkTo`, or else a node of `type`: a FIFO, a socket or /dev/null's device (which
// only root may make).
inline bool MakeSpecial(const QString& path, const char* linkTo, mode_t type = S_IFLNK) {
    const std::string p = Bytes(path);
    return linkTo ? ::symlink(linkTo, p.c_str()) == 0
                  : ::mknod(p.c_str(), type | 0600, type == S_IFCHR ? makedev(1, 3) : 0) == 0;
}

// A file or folder its owner may not write, for the life of the object.
struct ReadOnlyFor {
    QString path;
    explicit ReadOnlyFor(const QString& p) : path(p) {
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    }
    ~ReadOnlyFor() {
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                        QFileDevice::ExeOwner);
    }
};

// A small tmpfs mounted on a folder for the life of the object, where the system lets the
// test mount one (as root); `mounted` says whether it did.
struct TmpfsMount {
    std::string path;
    bool mounted = false;
    TmpfsMount(const QString& folder, const char* size) : path(QFile::encodeName(folder)) {
        const std::string options = std::string("size=") + size;
        mounted = ::mount("tmpfs", path.c_str(), "tmpfs", 0, options.c_str()) == 0;
    }
    ~TmpfsMount() {
        if (mounted) {
            ::umount2(path.c_str(), MNT_DETACH);
        }
    }
};

} // namespace kivo
