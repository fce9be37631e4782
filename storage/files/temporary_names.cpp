#include "temporary_names.h"

#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace kivo {

namespace {

bool StartsWith(const std::string& name, const char* prefix) {
    return name.rfind(prefix, 0) == 0;
}

bool EndsWith(const std::string& name, const std::string& suffix) {
    return name.size() >= suffix.size() &&
           name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
}

bool HasParts(const std::string& name, const char* prefix, const char* suffix) {
    return name.size() > std::string(prefix).size() + std::string(suffix).size() &&
           StartsWith(name, prefix) && EndsWith(name, suffix);
}

} // namespace

std::string TemporaryName(const char* prefix, const char* suffix) {
    char random[17];
    std::snprintf(random, sizeof random, "%016llx",
                  static_cast<unsigned long long>(QRandomGenerator::global()->generate64()));
    return std::string(prefix) + random + suffix;
}

bool IsSaveTemporaryName(const std::string& name) {
    return HasParts(name, SAVE_TEMPORARY_PREFIX, SAVE_TEMPORARY_SUFFIX);
}

bool IsJournalName(const std::string& name) {
    return HasParts(name, JOURNAL_PREFIX, JOURNAL_SUFFIX);
}

bool IsMoveFileName(const std::string& name) {
    return StartsWith(name, JOURNAL_PREFIX);
}

bool IsUnlistedPackName(const std::string& name) {
    return StartsWith(name, UNLISTED_PACK_PREFIX) || StartsWith(name, OLDER_NEW_PACK_PREFIX);
}

std::string JournalLevelName(const std::string& journal) {
    return journal.substr(0, journal.size() - std::string(JOURNAL_SUFFIX).size()) +
           JOURNAL_LEVEL_SUFFIX;
}

bool MarkLive(int fd) {
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EINTR) {
            return false;
        }
    }
    return true;
}

// A lock taken here is let go at once by closing the descriptor.
bool IsLive(int dirFd, const std::string& name) {
    const int fd =
        ::openat(dirFd, name.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return false;
    }
    const bool held = !MarkLive(fd) && errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}

} // namespace kivo
