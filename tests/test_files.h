// Bytes of level files, files on disk and file systems mounted for a test.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdint>
#include <cstring>
#include <string>
#include <sys/mount.h>
#include <sys/stat.h>

namespace kivo {

// A little-endian 16-bit word and the exact bits of a 32-bit float, as the level file holds them.
inline QByteArray Word(int v) {
    return QByteArray(1, char(v & 0xFF)) + QByteArray(1, char((v >> 8) & 0xFF));
}

inline QByteArray Float(float v) {
    uint32_t u = 0;
    std::memcpy(&u, &v, 4);
    QByteArray b;
    for (int s = 0; s < 32; s += 8) {
        b.append(char((u >> s) & 0xFF));
    }
    return b;
}

inline QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline bool Write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// The permission bits of a file, not following a link.
inline unsigned Mode(const QString& path) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// A small tmpfs mounted on a folder for the life of the object, where the system lets the
// test mount one (as root); `mounted` says whether it did.
struct TmpfsMount {
    std::string path;
    bool mounted = false;
    TmpfsMount(const QString& folder, const char* size) : path(QFile::encodeName(folder)) {
        const std::string options = std::string("size=") + size;
        mounted = ::mount("tmpfs", path.c_str(), "tmpfs", 0, options.c_str()) == 0;
    }
    TmpfsMount(const TmpfsMount&) = delete;
    TmpfsMount& operator=(const TmpfsMount&) = delete;
    ~TmpfsMount() {
        if (mounted) {
            ::umount2(path.c_str(), MNT_DETACH);
        }
    }
};

} // namespace kivo
