// The names of what the editor leaves in a folder while it writes, in one place: a save's
// temporary file, a slot move's journal and the level it holds aside, and a pack folder that
// is not listed (being built by New, or being removed by Delete). Each is hidden and starts
// with ".kivo-". A writer marks what it is still writing as live by holding a lock on it
// (flock, which the kernel releases when the process dies, on any machine sharing the folder);
// whatever is not live was left by an editor that is gone, and the tidy-up finishes it.
#pragma once

#include <string>

namespace kivo {

constexpr const char* SAVE_TEMPORARY_PREFIX = ".kivo-save-";
constexpr const char* SAVE_TEMPORARY_SUFFIX = ".tmp";
// A journal names the slots of a move; the level held aside lies beside it, same stem.
constexpr const char* JOURNAL_PREFIX = ".kivo-exchange-";
constexpr const char* JOURNAL_SUFFIX = ".journal";
constexpr const char* JOURNAL_LEVEL_SUFFIX = ".level";
// The one prefix of the data folder's folders that are not packs.
constexpr const char* UNLISTED_PACK_PREFIX = ".kivo-unlisted-";
// What earlier editors called a pack being built; still recognised, never made.
constexpr const char* OLDER_NEW_PACK_PREFIX = ".kivo-new-pack-";

// A fresh name: prefix, random hex digits, suffix.
std::string TemporaryName(const char* prefix, const char* suffix);

bool IsSaveTemporaryName(const std::string& name);
bool IsJournalName(const std::string& name);
// A journal's file or the level it holds aside.
bool IsMoveFileName(const std::string& name);
bool IsUnlistedPackName(const std::string& name);
// The stem a journal's level shares with it.
std::string JournalLevelName(const std::string& journal);

// Marks an open file or folder as live for as long as this descriptor stays open; false when
// another process holds it.
bool MarkLive(int fd);
// Whether another writer still holds `name` in the folder `dirFd` (never through a link).
bool IsLive(int dirFd, const std::string& name);

} // namespace kivo
