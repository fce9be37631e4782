// The copy of unsaved work that outlives a crash, a kill or a power cut. Each running editor
// holds one numbered slot in the recovery folder under a lock file, so that two editors never
// take each other's copy; a slot whose editor died is free again and its copy is offered at
// the next start. The copy is written by the same atomic writer as a level file, so a write
// that fails keeps the copy before it.
#pragma once

#include "storage/files/file_io.h"

#include "level/level.h"

#include <QDateTime>
#include <QLockFile>
#include <QString>

#include <memory>
#include <optional>

namespace kivo {

// How many editors can keep a recovery copy at once.
constexpr int RECOVERY_SLOTS = 16;

// The longest file name a copy is read with; longer than any path the system opens.
constexpr qint64 MAX_RECOVERY_NAME_BYTES = 4096;

struct RecoveryFiles {
    QString levelPath; // the level, as a level file
    QString namePath;  // the file name the level had, UTF-8, empty for none
    // The score texts as typed, target and expert on a line each, kept only while a level
    // file cannot hold them (the level's copy then holds the default scores).
    QString scoresPath;
};

struct RecoverySlot {
    // Empty when no slot was had. Without the lock, these are the files of a copy an editor
    // left behind where nothing can be written now (a full disk): offered, never written.
    RecoveryFiles files;
    std::unique_ptr<QLockFile> lock; // held while the editor runs; null when no slot was had
    // Why no copy of unsaved work can be kept, as a sentence to show once; empty when a
    // slot was had or none was asked for.
    QString problem;
};

// A copy found in a slot at start, and when it and the file it belongs to were written.
struct RecoveryCopy {
    QString fileName; // the file the level had, empty for none
    QDateTime written;
    QDateTime fileWritten; // invalid when there is no such file
    // The score texts as typed, when the level file of the copy could not hold them.
    std::optional<std::pair<std::string, std::string>> scores;
};

// The folder in the user's data location.
QString RecoveryFolder();

// Locks a slot in `folder`: at start one that holds a copy left behind if there is one,
// otherwise a free one. An empty folder asks for none. When no slot can be locked, the problem
// gives the true cause, and a copy left behind in an unlocked slot is still found.
enum class RecoverySlotKind { LeftBehind, Free };
RecoverySlot ClaimRecoverySlot(const QString& folder,
                               RecoverySlotKind prefer = RecoverySlotKind::LeftBehind);

// The copy in the slot, unless there is none or its file holds the very same level: whatever
// the files' times say, a copy that differs from its file is offered.
std::optional<RecoveryCopy> FindRecoveryCopy(const RecoverySlot& slot);

// Writes the copy atomically; safe on any thread, as it touches nothing but its arguments.
// When it fails, the copy written before stays whole. A level whose scores a level file
// cannot hold is kept all the same, with its score texts beside it.
FileResult WriteRecoveryCopy(const RecoveryFiles& files, const Level& level,
                             const QString& fileName);

void RemoveRecoveryCopy(const RecoveryFiles& files);

} // namespace kivo
