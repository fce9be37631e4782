#include "recovery_keeper.h"

#include "level_document.h"

#include <QTimer>

namespace kivo {

RecoveryKeeper::RecoveryKeeper(const QString& folder, const LevelDocument& document,
                               QObject* parent)
    : QObject(parent), document_(document), folder_(folder), slot_(ClaimRecoverySlot(folder)),
      timer_(new QTimer(this)) {
    writer_.setMaxThreadCount(1);
    timer_->setSingleShot(true);
    timer_->setInterval(RECOVERY_DELAY_MS);
    connect(timer_, &QTimer::timeout, this, &RecoveryKeeper::Write);
    connect(&document, &LevelDocument::levelChanged, this, &RecoveryKeeper::Schedule);
    connect(&document, &LevelDocument::fileChanged, this, &RecoveryKeeper::Schedule);
    connect(&document, &LevelDocument::modifiedChanged, this, [this](bool modified) {
        if (!modified) {
            Drop();
        } else {
            Schedule(); // a file removed or changed under the level makes it unsaved
        }
    });
}

RecoveryKeeper::~RecoveryKeeper() {
    writer_.waitForDone();
}

std::optional<RecoveryCopy> RecoveryKeeper::LeftBehind() const {
    return FindRecoveryCopy(slot_);
}

void RecoveryKeeper::Discard() {
    RemoveRecoveryCopy(slot_.files);
}

void RecoveryKeeper::KeepForNextStart() {
    slot_ = ClaimRecoverySlot(folder_, RecoverySlotKind::Free);
}

void RecoveryKeeper::Finish() {
    Drop();
    writer_.waitForDone();
}

void RecoveryKeeper::Schedule() {
    if (slot_.lock && document_.IsModified() && !timer_->isActive()) {
        timer_->start();
    }
}

void RecoveryKeeper::Write() {
    if (!document_.IsModified()) {
        return;
    }
    writer_.start(
        [this, files = slot_.files, level = document_.level(), name = document_.sourceFile()] {
            const FileResult result = WriteRecoveryCopy(files, level, name);
            QMetaObject::invokeMethod(
                this, [this, result] { Written(result); }, Qt::QueuedConnection);
        });
}

void RecoveryKeeper::Written(const FileResult& result) {
    if (result.ok) {
        failureTold_ = false;
    } else if (!failureTold_) {
        failureTold_ = true;
        emit copyFailed(
            QStringLiteral("Unsaved work is not being kept safe: the recovery copy cannot be "
                           "written.\n%1")
                .arg(result.message));
    }
    emit copyTried(result.ok);
}

void RecoveryKeeper::Drop() {
    timer_->stop();
    if (slot_.lock) {
        writer_.start([files = slot_.files] { RemoveRecoveryCopy(files); });
    }
}

} // namespace kivo
