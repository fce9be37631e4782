#include "edit_session.h"

#include "storage/files/paths.h"
#include "storage/files/shown_text.h"
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
    connect(packs_, &PackDocument::packDeleted, level_, &LevelDocument::FolderRemoved);
    packs_->SetBlame([this](const SlotEdit& edit) { return SavedHereSince(edit); });
}

// A slot that holds what the main window saved there was changed by this editor, not by
// another program.
QString EditSession::SavedHereSince(const SlotEdit& edit) const {
    for (const auto* contents : {&edit.before, &edit.after}) {
        for (const SlotContent& content : *contents) {
            const QString path = PathText(SlotPath(edit.pack, content.slot));
            const KnownFile* known = level_->Known(path);
            if (!known || known->changedBy != ChangedBy::MainWindow ||
                known->bytes == content.bytes) {
                continue;
            }
            const PackFile now = ReadSlot(edit.pack, content.slot);
            if (now.result.ok && now.bytes == known->bytes) {
                return QStringLiteral("The level file %1 was changed by this editor since this "
                                      "step: the level being edited was saved there from the main "
                                      "window. No slot was changed.")
                    .arg(QuotedPath(SlotPath(edit.pack, content.slot)));
            }
        }
    }
    return {};
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
