#include "slot_journal.h"

#include "pack.h"

#include "storage/files/call_seam.h"
#include "storage/files/shown_text.h"
#include "storage/files/temporary_names.h"

#include <QList>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace kivo {

namespace {

// A journal names at most every slot of a pack, each well under 20 bytes.
constexpr qint64 MAX_JOURNAL_BYTES = 4096;

bool ExistsIn(const OpenFolder& levels, const std::string& name) {
    struct stat st {};
    return ::fstatat(levels.fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

bool Move(const OpenFolder& levels, const std::string& from, const std::string& to) {
    return Mutate("move",
                  [&] { return ::renameat(levels.fd, from.c_str(), levels.fd, to.c_str()); });
}

// The names of a journal of ours: two or more distinct slot files. Empty otherwise.
std::vector<std::string> JournalNames(const QByteArray& bytes) {
    std::vector<std::string> names;
    std::set<std::string> seen;
    for (const QByteArray& line : bytes.split('\n')) {
        const std::string name = line.toStdString();
        if (name.empty()) {
            continue;
        }
        if (SlotOfFileName(name) < 0 || !seen.insert(name).second) {
            return {};
        }
        names.push_back(name);
    }
    return names.size() >= 2 ? names : std::vector<std::string>{};
}

// Takes the move on from where it stopped: the one name without a file is where the next
// file goes, and the level held aside goes to the last name. False when the folder is in no
// state a move of these names leaves.
bool FinishMove(const OpenFolder& levels, const std::vector<std::string>& names,
                const std::string& aside) {
    if (!ExistsIn(levels, aside)) {
        return true; // not begun, or done
    }
    size_t gap = names.size();
    for (size_t i = 0; i < names.size(); ++i) {
        if (!ExistsIn(levels, names[i])) {
            if (gap != names.size()) {
                return false;
            }
            gap = i;
        }
    }
    if (gap == names.size()) {
        return false;
    }
    for (size_t i = gap + 1; i < names.size(); ++i) {
        if (!Move(levels, names[i], names[i - 1])) {
            return false;
        }
    }
    return Move(levels, aside, names.back());
}

bool RemoveJournal(const OpenFolder& levels, const std::string& journal) {
    const bool removed =
        Mutate("remove journal", [&] { return ::unlinkat(levels.fd, journal.c_str(), 0); });
    SyncFolder(levels);
    return removed;
}

void FinishJournal(const OpenFolder& levels, const std::string& journal) {
    const FileBytes read = ReadRegularFileIn(levels, journal, MAX_JOURNAL_BYTES, {});
    if (!read.result.ok) {
        return;
    }
    if (read.bytes.isEmpty()) {
        RemoveJournal(levels, journal); // killed before it named anything: nothing moved
        return;
    }
    const std::vector<std::string> names = JournalNames(read.bytes);
    if (!names.empty() && FinishMove(levels, names, JournalLevelName(journal))) {
        SyncFolder(levels);
        RemoveJournal(levels, journal);
    }
}

// Takes back the first `steps` renames of a journalled move, newest first, as if it had never
// started.
bool TakeBack(const OpenFolder& levels, const std::vector<std::string>& names,
              const std::string& aside, size_t steps) {
    for (size_t j = steps; j-- > 1;) {
        if (!Move(levels, names[j - 1], names[j])) {
            return false;
        }
    }
    return steps == 0 || Move(levels, aside, names[0]);
}

FileResult MoveByJournal(const OpenFolder& levels, const std::vector<std::string>& names) {
    const std::string journal = TemporaryName(JOURNAL_PREFIX, JOURNAL_SUFFIX);
    const std::string aside = JournalLevelName(journal);
    QByteArray listed;
    for (const std::string& name : names) {
        listed += QByteArray::fromStdString(name) + '\n';
    }
    HeldFile held;
    if (FileResult written = WriteHeldFileIn(levels, journal, listed, held); !written.ok) {
        return written;
    }
    SyncFolder(levels); // the journal is on the disk before any level moves
    size_t steps = 0;
    bool moved = Move(levels, names[0], aside);
    for (size_t i = 1; moved && i < names.size(); ++i) {
        steps = i;
        moved = Move(levels, names[i], names[i - 1]);
    }
    steps += moved;
    moved = moved && Move(levels, aside, names.back());
    const int error = errno;
    if (!moved && !TakeBack(levels, names, aside, steps)) {
        // The journal stays: the tidy-up finishes the move, so no level is lost.
        return {false, ErrnoText(error)};
    }
    SyncFolder(levels);
    RemoveJournal(levels, journal);
    return moved ? FileResult{} : FileResult{false, ErrnoText(error)};
}

} // namespace

FileResult MoveSlotFiles(const OpenFolder& levels, const std::vector<std::string>& names) {
    if (names.size() == 2) {
        const bool first = ExistsIn(levels, names[0]);
        const bool second = ExistsIn(levels, names[1]);
        if (first != second) {
            const std::string& from = first ? names[0] : names[1];
            const std::string& to = first ? names[1] : names[0];
            if (!RenameWithoutReplacing(levels, from, levels, to)) {
                return {false, ErrnoText(errno)};
            }
            SyncFolder(levels);
            return {};
        }
        if (!first) {
            return {};
        }
        if (Mutate("exchange", [&] {
                return ::renameat2(levels.fd, names[0].c_str(), levels.fd, names[1].c_str(),
                                   RENAME_EXCHANGE);
            })) {
            SyncFolder(levels);
            return {};
        }
        if (errno != EINVAL && errno != ENOSYS) {
            return {false, ErrnoText(errno)};
        }
    }
    return MoveByJournal(levels, names);
}

void FinishInterruptedMoves(const OpenFolder& levels) {
    for (const std::string& name : ListFolderIn(levels).names) {
        if (IsJournalName(name) && !IsLive(levels.fd, name)) {
            FinishJournal(levels, name);
        }
    }
}

} // namespace kivo
