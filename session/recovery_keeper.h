// Keeps a copy of unsaved work in the recovery folder, so that it outlives a crash: written a
// moment after a change on a thread of its own, so that no click waits for it, and removed
// when the level is saved or the editor closes normally.
#pragma once

#include "storage/level/recovery_copy.h"

#include <QObject>
#include <QThreadPool>

#include <optional>

class QTimer;

namespace kivo {

class LevelDocument;

// After a change, the copy is this late at most; a burst of clicks costs one write.
constexpr int RECOVERY_DELAY_MS = 1000;

class RecoveryKeeper : public QObject {
    Q_OBJECT

  public:
    RecoveryKeeper(const QString& folder, const LevelDocument& document, QObject* parent);
    ~RecoveryKeeper() override;

    // The copy an editor that did not close normally left in this editor's slot.
    std::optional<RecoveryCopy> LeftBehind() const;
    const QString& copyPath() const { return slot_.files.levelPath; }
    // Why no copy of unsaved work can be kept, empty while one can.
    const QString& problem() const { return slot_.problem; }
    // The copy left behind is removed; or kept for the next start, this editor taking a
    // free slot of its own.
    void Discard();
    void KeepForNextStart();
    // A normal end: this editor's copy goes, and every write is done.
    void Finish();

  signals:
    // A copy could not be written, said once until one can again; the message says why.
    void copyFailed(const QString& message);
    // Each write of a copy, done or failed, after what it had to say was said.
    void copyTried(bool written);

  private:
    void Written(const FileResult& result);
    void Schedule();
    void Write();
    void Drop();

    const LevelDocument& document_;
    QString folder_;
    RecoverySlot slot_;
    QTimer* timer_;
    QThreadPool writer_; // one thread: copies are written and removed in order
    bool failureTold_ = false;
};

} // namespace kivo
