#include "slot_edits.h"

#include "level_file.h"
#include "pack_layout.h"
#include "pack_slots.h"

#include <QStringList>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kivo {

namespace {

constexpr const char* JOURNAL_SUFFIX = ".journal";
constexpr const char* EXCHANGE_TEMPORARY_SUFFIX = ".level";
constexpr qint64 MAX_JOURNAL_BYTES = 256;

QString Quoted(const QString& path) {
    return QuotedPath(PathBytes(path));
}

QString CannotReplace(const QString& path, const QString& why) {
    return QStringLiteral("The level file %1 cannot be replaced: %2.").arg(Quoted(path), why);
}

QString CannotRead(const QString& path, const QString& why) {
    return QStringLiteral("The level file %1 cannot be read: %2.").arg(Quoted(path), why);
}

FileResult NoSuchFile(const QString& path) {
    return {false, CannotRead(path, QStringLiteral("there is no such file"))};
}

bool IsSlot(int slot) {
    return slot >= 0 && slot < PACK_SLOT_COUNT;
}

std::string SlotFile(int slot) {
    return SlotFileName(slot).toStdString();
}

// The pack folder and its level folder, each a folder of its own and not a link.
FileResult OpenLevelFolder(const std::string& packDir, OpenFolder& levels) {
    OpenFolder pack;
    const FileResult opened =
        packDir.empty() ? FileResult{false, {}} : OpenFolderAt(nullptr, packDir, pack);
    if (!opened.ok || !OpenFolderAt(&pack, LEVELS_FOLDER_NAME, levels).ok) {
        return {false, QStringLiteral("The pack's level folder %1 is missing or is not a folder of "
                                      "its own; no slot was changed.")
                           .arg(QuotedPath(JoinPath(packDir, LEVELS_FOLDER_NAME)))};
    }
    return {};
}

FileResult OpenLevelFolder(const QString& packDir, OpenFolder& levels) {
    return OpenLevelFolder(PathBytes(packDir), levels);
}

// A slot file's bytes; none when the slot has no file. Links and special files are refused.
FileResult ReadSlotIn(const OpenFolder& levels, const QString& packDir, int slot,
                      std::optional<QByteArray>& bytes) {
    bytes.reset();
    if (!IsSlot(slot)) {
        return {false, QStringLiteral("There is no slot %1 in a pack.").arg(slot)};
    }
    bool exists = false;
    FileBytes read = ReadRegularFileIn(levels, SlotFile(slot), MAX_LEVEL_FILE_BYTES + 1, &exists);
    if (!exists) {
        return {};
    }
    if (!read.result.ok) {
        return {false, CannotRead(SlotPath(packDir, slot), read.result.message)};
    }
    if (read.bytes.size() > MAX_LEVEL_FILE_BYTES) {
        return {false, CannotRead(SlotPath(packDir, slot),
                                  QStringLiteral("it is longer than any level file"))};
    }
    bytes = std::move(read.bytes);
    return {};
}

// The errno the test seam makes a call fail with, 0 to make it.
int Injected(const SlotCallHook& hook, const char* name) {
    return hook ? hook(name) : 0;
}

// Runs one call that changes the level folder, unless the test seam fails it first.
template <typename Call> bool Run(const SlotCallHook& hook, const char* name, Call call) {
    if (const int injected = Injected(hook, name); injected != 0) {
        errno = injected;
        return false;
    }
    return call() == 0;
}

bool Exists(const OpenFolder& levels, const std::string& name) {
    struct stat st {};
    return ::fstatat(levels.fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

bool IsSlotFileName(const std::string& name) {
    for (int slot = 0; slot < PACK_SLOT_COUNT; ++slot) {
        if (name == SlotFile(slot)) {
            return true;
        }
    }
    return false;
}

std::string Stem(const std::string& journal) {
    return journal.substr(0, journal.size() - std::string(JOURNAL_SUFFIX).size());
}

// Puts the folder back in a state where both levels lie in slots: the temporary file goes to
// whichever of the two slots is empty. Done when the journal is gone.
bool FinishExchange(const OpenFolder& levels, const std::string& journal) {
    const FileBytes read = ReadRegularFileIn(levels, journal, MAX_JOURNAL_BYTES);
    const QList<QByteArray> names = read.bytes.split('\n');
    if (!read.result.ok || names.size() < 2 || !IsSlotFileName(names[0].toStdString()) ||
        !IsSlotFileName(names[1].toStdString())) {
        return false; // not a journal of ours: leave it alone
    }
    const std::string first = names[0].toStdString();
    const std::string second = names[1].toStdString();
    const std::string temp = Stem(journal) + EXCHANGE_TEMPORARY_SUFFIX;
    if (Exists(levels, temp)) {
        const std::string emptySlot = !Exists(levels, first)    ? first
                                      : !Exists(levels, second) ? second
                                                                : std::string();
        if (emptySlot.empty() ||
            ::renameat(levels.fd, temp.c_str(), levels.fd, emptySlot.c_str()) != 0) {
            return false;
        }
    }
    const bool removed = ::unlinkat(levels.fd, journal.c_str(), 0) == 0;
    ::fsync(levels.fd);
    return removed;
}

void FinishAbandonedExchanges(const OpenFolder& levels) {
    for (const std::string& name : ListFolderIn(levels).names) {
        if (IsAbandoned(name, EXCHANGE_FILE_PREFIX, JOURNAL_SUFFIX)) {
            FinishExchange(levels, name);
        }
    }
}

// Two files exchanged by three renames, with a journal naming them for a later start.
FileResult ExchangeByJournal(const OpenFolder& levels, const std::string& first,
                             const std::string& second, const SlotCallHook& hook) {
    const std::string stem = EditorTemporaryName(EXCHANGE_FILE_PREFIX, "");
    const std::string journal = stem + JOURNAL_SUFFIX;
    const std::string temp = stem + EXCHANGE_TEMPORARY_SUFFIX;
    const int fd = levels.fd;
    if (!Run(hook, "write journal", [&] {
            return WriteNewFileIn(levels, journal,
                                  QByteArray::fromStdString(first + '\n' + second + '\n'))
                           .ok
                       ? 0
                       : -1;
        })) {
        const int error = errno;
        ::unlinkat(fd, journal.c_str(), 0);
        return {false, ErrnoText(error)};
    }
    ::fsync(fd); // the journal's name is on the disk before any level moves
    // After the second rename, finishing the exchange is what puts the levels in their slots.
    int renamed = 0;
    const auto move = [&](const char* name, const std::string& from, const std::string& to) {
        const bool ok =
            Run(hook, name, [&] { return ::renameat(fd, from.c_str(), fd, to.c_str()); });
        renamed += ok;
        return ok;
    };
    const bool done = move("move first aside", first, temp) && move("move second", second, first) &&
                      move("move first in", temp, second);
    const int error = errno;
    // A failed rename is taken back, or the exchange finished, as after a crash.
    const bool finished =
        Run(hook, "remove journal", [&] { return FinishExchange(levels, journal) ? 0 : -1; });
    if (!finished || (!done && renamed < 2)) {
        return {false, ErrnoText(done ? errno : error)};
    }
    return {};
}

// Exchanges two slot files, or moves one into the other's place when that has none. Either
// way one rename does it where the file system can, so each level is always in the folder.
FileResult ExchangeSlots(const OpenFolder& levels, const QString& packDir, const SlotContent& a,
                         const SlotContent& b, const SlotCallHook& hook) {
    const std::string first = SlotFile(a.slot);
    const std::string second = SlotFile(b.slot);
    const int fd = levels.fd;
    if (!a.bytes && !b.bytes) {
        return {};
    }
    if (a.bytes && b.bytes) {
        if (Run(hook, "exchange", [&] {
                return ::renameat2(fd, first.c_str(), fd, second.c_str(), RENAME_EXCHANGE);
            })) {
            ::fsync(fd);
            return {};
        }
        const FileResult journaled = errno == EINVAL || errno == ENOSYS
                                         ? ExchangeByJournal(levels, first, second, hook)
                                         : FileResult{false, ErrnoText(errno)};
        return journaled.ok
                   ? journaled
                   : FileResult{false, CannotReplace(SlotPath(packDir, a.slot), journaled.message)};
    }
    const std::string& from = a.bytes ? first : second;
    const std::string& to = a.bytes ? second : first;
    // The target was seen empty just now; where the file system has no rename that refuses
    // to replace, a plain one is as good.
    const bool moved = Run(hook, "move", [&] {
        const int renamed = ::renameat2(fd, from.c_str(), fd, to.c_str(), RENAME_NOREPLACE);
        return renamed != 0 && (errno == EINVAL || errno == ENOSYS)
                   ? ::renameat(fd, from.c_str(), fd, to.c_str())
                   : renamed;
    });
    if (!moved) {
        return {false,
                CannotReplace(SlotPath(packDir, a.bytes ? b.slot : a.slot), ErrnoText(errno))};
    }
    ::fsync(fd);
    return {};
}

FileResult WriteSlotIn(const OpenFolder& levels, const QString& packDir, const SlotContent& content,
                       const SlotCallHook& hook) {
    const std::string name = SlotFile(content.slot);
    const QString path = SlotPath(packDir, content.slot);
    if (content.bytes) {
        const int injected = Injected(hook, "replace");
        const FileResult replaced = injected != 0 ? FileResult{false, ErrnoText(injected)}
                                                  : ReplaceFileIn(levels, name, *content.bytes);
        return replaced.ok ? replaced : FileResult{false, CannotReplace(path, replaced.message)};
    }
    if (!Run(hook, "remove", [&] { return ::unlinkat(levels.fd, name.c_str(), 0); }) &&
        errno != ENOENT) {
        return {false, QStringLiteral("The level file %1 cannot be removed: %2.")
                           .arg(Quoted(path), ErrnoText(errno))};
    }
    return {};
}

const SlotContent* Find(const std::vector<SlotContent>& contents, int slot) {
    for (const SlotContent& content : contents) {
        if (content.slot == slot) {
            return &content;
        }
    }
    return nullptr;
}

// Whether the contents are the expected two files, each in the other's slot.
bool IsExchange(const std::vector<SlotContent>& expected,
                const std::vector<SlotContent>& contents) {
    if (expected.size() != 2 || contents.size() != 2 || expected[0].slot == expected[1].slot) {
        return false;
    }
    const SlotContent* a = Find(contents, expected[0].slot);
    const SlotContent* b = Find(contents, expected[1].slot);
    return a && b && a->bytes == expected[1].bytes && b->bytes == expected[0].bytes;
}

// Refuses, naming it, a slot that no longer holds what the step left there.
FileResult CheckExpected(const OpenFolder& levels, const QString& packDir,
                         const std::vector<SlotContent>& expected,
                         const std::vector<SlotContent>& contents) {
    for (const SlotContent& content : contents) {
        if (!Find(expected, content.slot)) {
            return {false, QStringLiteral("What %1 holds is not known; no slot was changed.")
                               .arg(Quoted(SlotPath(packDir, content.slot)))};
        }
    }
    for (const SlotContent& slot : expected) {
        std::optional<QByteArray> now;
        if (FileResult read = ReadSlotIn(levels, packDir, slot.slot, now); !read.ok) {
            return read;
        }
        if (now != slot.bytes) {
            return {false, QStringLiteral("The level file %1 was changed by another program "
                                          "since this step; no slot was changed.")
                               .arg(Quoted(SlotPath(packDir, slot.slot)))};
        }
    }
    return {};
}

// Opens the level folder and reads the slots an edit touches into `before`, in this order.
SlotEdit ReadSlots(const QString& packDir, std::initializer_list<int> numbers) {
    SlotEdit edit;
    OpenFolder levels;
    edit.result = OpenLevelFolder(packDir, levels);
    if (!edit.result.ok) {
        return edit;
    }
    edit.folder = levels.id;
    FinishAbandonedExchanges(levels);
    for (int slot : numbers) {
        SlotContent content{slot, {}};
        edit.result = ReadSlotIn(levels, packDir, slot, content.bytes);
        if (!edit.result.ok) {
            return edit;
        }
        edit.before.push_back(std::move(content));
    }
    return edit;
}

} // namespace

SlotEdit PlanExchange(const QString& packDir, int a, int b) {
    SlotEdit edit = ReadSlots(packDir, {a, b});
    if (edit.result.ok && a == b) {
        edit.result = {false, QStringLiteral("A slot cannot be exchanged with itself.")};
    }
    if (edit.result.ok) {
        edit.after = {{a, edit.before[1].bytes}, {b, edit.before[0].bytes}};
    }
    return edit;
}

FileBytes ReadSlotLevel(const QString& packDir, int slot) {
    const SlotEdit read = ReadSlots(packDir, {slot});
    if (read.result.ok && !read.before[0].bytes) {
        return {NoSuchFile(SlotPath(packDir, slot)), {}};
    }
    return {read.result, read.result.ok ? *read.before[0].bytes : QByteArray()};
}

SlotEdit PlanCopy(const QString& packDir, int from, int to) {
    SlotEdit edit = ReadSlots(packDir, {from, to});
    if (edit.result.ok && !edit.before[0].bytes) {
        edit.result = NoSuchFile(SlotPath(packDir, from));
    }
    if (edit.result.ok) {
        edit.after = {{to, edit.before[0].bytes}};
        edit.before.erase(edit.before.begin()); // the source is read, not written
    }
    return edit;
}

SlotEdit PlanReset(const QString& packDir, int slot) {
    SlotEdit edit = ReadSlots(packDir, {slot});
    if (!edit.result.ok) {
        return edit;
    }
    // The template lies outside the level folder and is only read, never through a link.
    const QString templatePath = TemplatePath(packDir);
    const FileBytes blank =
        ReadRegularFile(PathBytes(templatePath), MAX_LEVEL_FILE_BYTES, Links::Refuse);
    if (!blank.result.ok) {
        edit.result = {false, CannotRead(templatePath, blank.result.message)};
    } else {
        edit.after = {{slot, blank.bytes}};
    }
    return edit;
}

SlotEdit PlanSaveIntoSlot(const QString& packDir, int slot, const QByteArray& bytes) {
    SlotEdit edit = ReadSlots(packDir, {slot});
    if (edit.result.ok) {
        edit.after = {{slot, bytes}};
    }
    return edit;
}

FileResult WriteSlots(const QString& packDir, const FolderId& folder,
                      const std::vector<SlotContent>& expected,
                      const std::vector<SlotContent>& contents, const SlotCallHook& hook) {
    OpenFolder levels;
    if (FileResult opened = OpenLevelFolder(packDir, levels); !opened.ok) {
        return opened;
    }
    if (levels.id != folder) {
        return {false, QStringLiteral("The pack's level folder %1 is no longer the folder this "
                                      "step was made in; no slot was changed.")
                           .arg(QuotedPath(JoinPath(PathBytes(packDir), LEVELS_FOLDER_NAME)))};
    }
    FinishAbandonedExchanges(levels);
    if (FileResult checked = CheckExpected(levels, packDir, expected, contents); !checked.ok) {
        return checked;
    }
    if (IsExchange(expected, contents)) {
        return ExchangeSlots(levels, packDir, expected[0], expected[1], hook);
    }
    FileResult result;
    for (size_t i = 0; i < contents.size() && result.ok; ++i) {
        result = WriteSlotIn(levels, packDir, contents[i], hook);
        for (size_t k = i; !result.ok && k-- > 0;) {
            if (!WriteSlotIn(levels, packDir, *Find(expected, contents[k].slot), {}).ok) {
                result.message += QStringLiteral("\n%1 could not be put back as it was.")
                                      .arg(Quoted(SlotPath(packDir, contents[k].slot)));
            }
        }
    }
    return result;
}

FileResult DoSlotEdit(const QString& packDir, const SlotEdit& edit, const SlotCallHook& hook) {
    return edit.result.ok ? WriteSlots(packDir, edit.folder, edit.before, edit.after, hook)
                          : edit.result;
}

FileResult UndoSlotEdit(const QString& packDir, const SlotEdit& edit, const SlotCallHook& hook) {
    return edit.result.ok ? WriteSlots(packDir, edit.folder, edit.after, edit.before, hook)
                          : edit.result;
}

FileResult FinishInterruptedExchanges(const std::string& packDir) {
    OpenFolder levels;
    FileResult opened = OpenLevelFolder(packDir, levels);
    if (opened.ok) {
        FinishAbandonedExchanges(levels);
    }
    return opened;
}

bool IsInterruptedExchangeFile(const std::string& name) {
    return name.rfind(EXCHANGE_FILE_PREFIX, 0) == 0;
}

} // namespace kivo
