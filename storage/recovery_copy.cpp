#include "recovery_copy.h"

#include "storage/level_file.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace kivo {

namespace {

RecoverySlot Slot(const QString& folder, int number) {
    const QString stem = QDir(folder).filePath(QStringLiteral("editor-%1").arg(number));
    RecoverySlot slot;
    slot.files = {stem + QStringLiteral(".kvo"), stem + QStringLiteral(".name")};
    slot.lock = std::make_unique<QLockFile>(stem + QStringLiteral(".lock"));
    // A lock is stale only when its editor is gone, however long that one has run.
    slot.lock->setStaleLockTime(0);
    return slot;
}

bool WriteAtomically(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

} // namespace

QString RecoveryFolder() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
        .filePath(QStringLiteral("recovery"));
}

RecoverySlot ClaimRecoverySlot(const QString& folder, RecoverySlotKind prefer) {
    RecoverySlot chosen;
    if (folder.isEmpty() || !QDir().mkpath(folder)) {
        return chosen;
    }
    for (int number = 1; number <= RECOVERY_SLOTS; ++number) {
        RecoverySlot slot = Slot(folder, number);
        if (!slot.lock->tryLock(0)) {
            continue;
        }
        const bool leftBehind = QFileInfo::exists(slot.files.levelPath);
        if (leftBehind && prefer == RecoverySlotKind::LeftBehind) {
            return slot; // the one we had, if any, unlocks as it goes
        }
        if (!leftBehind && !chosen.lock) {
            chosen = std::move(slot);
        }
    }
    return chosen;
}

std::optional<RecoveryCopy> FindRecoveryCopy(const RecoverySlot& slot) {
    const QFileInfo copy(slot.files.levelPath);
    if (!slot.lock || !copy.isFile()) {
        return std::nullopt;
    }
    QFile name(slot.files.namePath);
    RecoveryCopy found;
    if (name.open(QIODevice::ReadOnly)) {
        found.fileName = QString::fromUtf8(name.readAll());
    }
    found.written = copy.lastModified();
    const QFileInfo saved(found.fileName);
    if (!found.fileName.isEmpty() && saved.exists() && saved.lastModified() > found.written) {
        return std::nullopt;
    }
    return found;
}

bool WriteRecoveryCopy(const RecoveryFiles& files, const Level& level, const QString& fileName) {
    const Encoded encoded = EncodeLevel(level);
    // The name goes first: a copy is never read with the name of an older one.
    return encoded.result.ok && WriteAtomically(files.namePath, fileName.toUtf8()) &&
           WriteAtomically(files.levelPath, encoded.bytes);
}

void RemoveRecoveryCopy(const RecoveryFiles& files) {
    QFile::remove(files.levelPath);
    QFile::remove(files.namePath);
}

} // namespace kivo
