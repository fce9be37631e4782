// Everything being edited, with one owner: the level and its file, the packs and their
// slot files, each with a history of its own, and the recovery copy of unsaved work. The
// windows show the session and send it verbs; they keep no copy of its state.
#pragma once

#include "level_document.h"
#include "pack_document.h"
#include "recovery_keeper.h"

#include "level/random_source.h"

#include <QObject>

namespace kivo {

class EditSession : public QObject {
    Q_OBJECT

  public:
    // baseDir: the start directory, ending in '/'; recoveryDir: where copies of unsaved work
    // are kept.
    EditSession(const QString& baseDir, const QString& recoveryDir, RandomSource random,
                QObject* parent = nullptr);

    LevelDocument& level() { return *level_; }
    const LevelDocument& level() const { return *level_; }
    PackDocument& packs() { return *packs_; }
    const PackDocument& packs() const { return *packs_; }
    RecoveryKeeper& recovery() { return *recovery_; }

    // Saves the level into a slot of the shown pack as a step of the pack's history; the
    // slot's file is then the level's file, as after Save As.
    FileResult SaveIntoSlot(int slot);

  private:
    QString SavedHereSince(const SlotEdit& edit) const;

    RandomSource random_;
    LevelDocument* level_;
    PackDocument* packs_;
    RecoveryKeeper* recovery_;
};

} // namespace kivo
