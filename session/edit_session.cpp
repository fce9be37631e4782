#include "edit_session.h"

#include "storage/files/paths.h"
#include "storage/level/level_file.h"

namespace kivo {

EditSession::EditSession(const QString& baseDir, const QString& recoveryDir, RandomSource random,
                         QObject* parent)
    : QObject(parent), random_(std::move(random)), level_(new LevelDocument(random_, this)),
      packs_(new PackDocument(baseDir, random_, this)),
      recovery_(new RecoveryKeeper(recoveryDir, *level_, this)) {
    // A slot edit that moves or replaces the level's file takes the level's file along.
    connect(packs_, &PackDocument::slotsWritten, level_,
            [this](const QString&, const std::vector<WrittenFile>& files,
                   const std::vector<SlotMove>& moves) { level_->FilesRewritten(files, moves); });
    connect(level_, &LevelDocument::fileUsed, packs_, [this](const QString& path) {
        packs_->SetLevelDir(PathText(FolderPart(PathBytes(path))));
    });
}

FileResult EditSession::SaveIntoSlot(int slot) {
    const QString path = SlotPath(packs_->shownPackDir(), slot);
    if (FileResult scores = CheckScores(level_->level()); !scores.ok) {
        return scores;
    }
    const Encoded encoded = EncodeLevel(level_->level());
    if (!encoded.result.ok) {
        return encoded.result;
    }
    const FileResult saved = packs_->SaveIntoSlot(slot, encoded.bytes);
    if (saved.ok && !packs_->shownPackDir().isEmpty()) {
        level_->SavedBy(path, encoded.bytes);
    }
    return saved;
}

} // namespace kivo
