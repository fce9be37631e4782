#include "recovery_copy.h"

#include "level_file.h"

#include "storage/files/paths.h"
#include "storage/files/shown_text.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QSysInfo>

#include <cerrno>
#include <csignal>

namespace kivo {

namespace {

RecoverySlot Slot(const QString& folder, int number) {
    const QString stem = QDir(folder).filePath(QStringLiteral("editor-%1").arg(number));
    RecoverySlot slot;
    slot.files = {stem + QString::fromLatin1(LEVEL_FILE_EXTENSION), stem + QStringLiteral(".name"),
                  stem + QStringLiteral(".scores")};
    slot.lock = std::make_unique<QLockFile>(stem + QStringLiteral(".lock"));
    // A lock is stale only when its editor is gone, however long that one has run.
    slot.lock->setStaleLockTime(0);
    return slot;
}

QString NotKeptSafe(const QString& folder, const QString& why) {
    return QStringLiteral("Unsaved work is not being kept safe: the recovery folder %1 %2.")
        .arg(QuotedPath(PathBytes(folder)), why);
}

// Why no copy can be kept in `folder`, or nothing when one can be tried.
QString FolderProblem(const QString& folder) {
    const QFileInfo info(folder);
    if (info.exists() && !info.isDir()) {
        return NotKeptSafe(folder, QStringLiteral("is not a folder"));
    }
    if (!QDir().mkpath(folder)) {
        return NotKeptSafe(folder, QStringLiteral("cannot be made"));
    }
    return {};
}

// The bytes of a regular file, read without blocking and only so far; none otherwise.
std::optional<QByteArray> ReadBounded(const QString& path, qint64 limit, Links links) {
    FileBytes read = ReadRegularFile(PathBytes(path), limit, links, {});
    if (!read.result.ok) {
        return std::nullopt;
    }
    return std::move(read.bytes);
}

// Whether the lock of a slot is held by an editor still running on this machine.
bool HeldByARunningEditor(const QLockFile& lock) {
    qint64 pid = 0;
    QString host;
    QString application;
    if (!lock.getLockInfo(&pid, &host, &application)) {
        return false;
    }
    return host != QSysInfo::machineHostName() || ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

// Writes and removes a small file in the folder: whether anything can be written there.
FileResult WriteProbe(const QString& folder) {
    const QString probe = QDir(folder).filePath(QStringLiteral("editor-probe"));
    const FileResult written =
        ReplaceFile(PathBytes(probe), QByteArrayLiteral("\n"), Links::Refuse);
    QFile::remove(probe);
    return written;
}

// Replaces one of the copy's files; a failure names the file.
FileResult ReplaceCopyFile(const QString& path, const QByteArray& bytes) {
    FileResult written = ReplaceFile(PathBytes(path), bytes, Links::Refuse);
    if (!written.ok) {
        written.message = QStringLiteral("%1 cannot be written: %2.")
                              .arg(QuotedPath(PathBytes(path)), written.message);
    }
    return written;
}

} // namespace

QString RecoveryFolder() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
        .filePath(QStringLiteral("recovery"));
}

RecoverySlot ClaimRecoverySlot(const QString& folder, RecoverySlotKind prefer) {
    RecoverySlot chosen;
    if (folder.isEmpty()) {
        return chosen;
    }
    if (chosen.problem = FolderProblem(folder); !chosen.problem.isEmpty()) {
        return chosen;
    }
    RecoveryFiles unheld; // a copy left behind in a slot that could not be locked
    for (int number = 1; number <= RECOVERY_SLOTS; ++number) {
        RecoverySlot slot = Slot(folder, number);
        const bool leftBehind = QFileInfo::exists(slot.files.levelPath);
        if (!slot.lock->tryLock(0)) {
            if (leftBehind && unheld.levelPath.isEmpty() && !HeldByARunningEditor(*slot.lock)) {
                unheld = slot.files;
            }
            continue;
        }
        if (leftBehind && prefer == RecoverySlotKind::LeftBehind) {
            return slot; // the one we had, if any, unlocks as it goes
        }
        if (!leftBehind && !chosen.lock) {
            chosen = std::move(slot);
        }
    }
    if (chosen.lock) {
        return chosen;
    }
    // Qt's lock says only that it failed; a write of our own tells a full disk or a folder
    // without permission from slots that running editors hold.
    const FileResult probe = WriteProbe(folder);
    if (probe.ok) {
        chosen.problem = NotKeptSafe(
            folder, QStringLiteral("has no slot free: %1 other editors keep their copies there")
                        .arg(RECOVERY_SLOTS));
    } else {
        chosen.problem = NotKeptSafe(folder, QStringLiteral("cannot be written: ") + probe.message);
        if (prefer == RecoverySlotKind::LeftBehind) {
            chosen.files = unheld; // still offered; nothing new can be written there anyway
        }
    }
    return chosen;
}

std::optional<RecoveryCopy> FindRecoveryCopy(const RecoverySlot& slot) {
    if (slot.files.levelPath.isEmpty()) {
        return std::nullopt;
    }
    const std::optional<QByteArray> level =
        ReadBounded(slot.files.levelPath, MAX_LEVEL_FILE_BYTES, Links::Refuse);
    if (!level) {
        return std::nullopt;
    }
    RecoveryCopy found;
    const std::optional<QByteArray> name =
        ReadBounded(slot.files.namePath, MAX_RECOVERY_NAME_BYTES, Links::Refuse);
    found.fileName = name ? QString::fromUtf8(*name) : QString();
    found.written = QFileInfo(slot.files.levelPath).lastModified();
    if (const std::optional<QByteArray> scores =
            ReadBounded(slot.files.scoresPath, MAX_RECOVERY_NAME_BYTES, Links::Refuse)) {
        const QList<QByteArray> lines = scores->split('\n');
        if (lines.size() >= 2) {
            found.scores = std::pair{lines[0].toStdString(), lines[1].toStdString()};
        }
    }
    if (found.fileName.isEmpty()) {
        return found;
    }
    const QFileInfo file(found.fileName);
    found.fileWritten = file.exists() ? file.lastModified() : QDateTime();
    if (!found.scores &&
        ReadBounded(found.fileName, MAX_LEVEL_FILE_BYTES, Links::Follow) == level) {
        return std::nullopt; // the file holds this very level: nothing was lost
    }
    return found;
}

FileResult WriteRecoveryCopy(const RecoveryFiles& files, const Level& level,
                             const QString& fileName) {
    Encoded encoded = EncodeLevel(level);
    QByteArray scores;
    if (!encoded.result.ok) {
        Level kept = level;
        kept.targetScore = DEFAULT_TARGET_SCORE;
        kept.expertScore = DEFAULT_EXPERT_SCORE;
        encoded = EncodeLevel(kept);
        if (!encoded.result.ok) {
            return encoded.result;
        }
        scores = QByteArray::fromStdString(level.targetScore + '\n' + level.expertScore);
    }
    // The texts go first: a copy is never read with its scores' texts of another level.
    if (!scores.isEmpty()) {
        if (FileResult written = ReplaceCopyFile(files.scoresPath, scores); !written.ok) {
            return written;
        }
    } else if (QFileInfo::exists(files.scoresPath) && !QFile::remove(files.scoresPath)) {
        return {false, QStringLiteral("The recovery copy's scores %1 cannot be removed.")
                           .arg(QuotedPath(PathBytes(files.scoresPath)))};
    }
    const std::optional<QByteArray> oldName =
        ReadBounded(files.namePath, MAX_RECOVERY_NAME_BYTES, Links::Refuse);
    const QByteArray name = fileName.toUtf8();
    if (oldName != name) {
        if (FileResult written = ReplaceCopyFile(files.namePath, name); !written.ok) {
            return written;
        }
    }
    const FileResult written = ReplaceCopyFile(files.levelPath, encoded.bytes);
    if (!written.ok && oldName && oldName != name) {
        // The copy before this one stays, and with it the name it was written with.
        ReplaceFile(PathBytes(files.namePath), *oldName, Links::Refuse);
    }
    return written;
}

void RemoveRecoveryCopy(const RecoveryFiles& files) {
    QFile::remove(files.levelPath);
    QFile::remove(files.namePath);
    QFile::remove(files.scoresPath);
}

} // namespace kivo
