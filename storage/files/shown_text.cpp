#include "shown_text.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace kivo {

namespace {

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

} // namespace

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

QString QuotedPath(const std::string& path) {
    return QLatin1Char('"') + ShownPath(path) + QLatin1Char('"');
}

bool IsValidUtf8(const std::string& bytes) {
    for (size_t at = 0, n = 0; at < bytes.size(); at += n) {
        if ((n = Utf8SequenceLength(bytes, at)) == 0) {
            return false;
        }
    }
    return true;
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
