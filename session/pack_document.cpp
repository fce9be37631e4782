#include "pack_document.h"

#include "slot_step.h"

#include "storage/pack_layout.h"

#include <QFile>
#include <QFileInfo>
#include <QUndoStack>

#include <set>

namespace kivo {

namespace {

// How many slot steps Undo can take back.
constexpr int SLOT_UNDO_LIMIT = 200;

std::vector<WrittenFile> WrittenFiles(const QString& packDir,
                                      const std::vector<SlotContent>& contents) {
    std::vector<WrittenFile> files;
    for (const SlotContent& content : contents) {
        files.push_back({SlotPath(packDir, content.slot), content.bytes});
    }
    return files;
}

} // namespace

PackDocument::PackDocument(const QString& baseDir, RandomSource& random, QObject* parent)
    : QObject(parent), baseDir_(baseDir), store_(MakePackStore(baseDir)), random_(random),
      history_(new QUndoStack(this)) {
    history_->setUndoLimit(SLOT_UNDO_LIMIT);
}

QString PackDocument::shownPackDir() const {
    return QFile::decodeName(QByteArray::fromStdString(store_.shownDir));
}

void PackDocument::SetLevelDir(const QString& folder) {
    store_.levelDir = folder;
}

// A listing shows the first pack; the one shown before is shown again when it is still there.
PackOutcome PackDocument::KeepShown(const std::string& shownDir, PackOutcome outcome) {
    for (size_t i = 0; i < store_.packs.size() && !shownDir.empty(); ++i) {
        if (PackDirOf(store_.packs[i]) == shownDir && store_.shownDir != shownDir) {
            ShowPackDetails(store_, i);
        }
    }
    // With no pack shown, the level dialogs no longer open in a pack folder that may be gone.
    if (store_.shownDir.empty() && !QFileInfo(store_.levelDir).isDir()) {
        store_.levelDir = baseDir_;
    }
    emit shownPackChanged();
    return outcome;
}

// The shown pack's folder is taken before the store lists the packs anew and shows the first.
PackOutcome PackDocument::Scan() {
    const std::string shown = store_.shownDir;
    return KeepShown(shown, ScanPacks(store_, random_));
}

void PackDocument::Choose(size_t index) {
    if (index >= store_.packs.size()) {
        return;
    }
    const std::string before = store_.shownDir;
    ShowPackDetails(store_, index);
    if (store_.shownDir != before) {
        emit shownPackChanged();
    }
}

PackOutcome PackDocument::Apply(const PackEdit& edit) {
    const std::string shown = store_.shownDir;
    return KeepShown(shown, ApplyPackChange(store_, edit, random_));
}

PackOutcome PackDocument::New() {
    std::set<std::string> before;
    for (const PackInfo& pack : store_.packs) {
        before.insert(pack.levelsPath);
    }
    const std::string shown = store_.shownDir;
    PackOutcome outcome = CreatePack(store_, random_);
    std::string made = shown;
    for (const PackInfo& pack : store_.packs) {
        if (before.count(pack.levelsPath) == 0) {
            made = PackDirOf(pack);
        }
    }
    return KeepShown(made, std::move(outcome));
}

// What remains of a pack that could not be deleted whole stays shown.
PackOutcome PackDocument::Delete() {
    const std::string shown = store_.shownDir;
    return KeepShown(shown, DeletePack(store_, random_));
}

FileResult PackDocument::Exchange(int a, int b) {
    const QString dir = shownPackDir();
    if (dir.isEmpty()) {
        return {};
    }
    return Edit(QStringLiteral("Exchange %1 and %2").arg(SlotName(a), SlotName(b)),
                PlanExchange(dir, a, b));
}

FileBytes PackDocument::SlotBytes(int slot) const {
    return ReadSlotLevel(shownPackDir(), slot);
}

FileResult PackDocument::Paste(const QString& name, const QByteArray& bytes, int to) {
    const QString dir = shownPackDir();
    if (dir.isEmpty()) {
        return {};
    }
    return Edit(QStringLiteral("Paste %1 into %2").arg(name, SlotName(to)),
                PlanSaveIntoSlot(dir, to, bytes));
}

FileResult PackDocument::Reset(int slot) {
    const QString dir = shownPackDir();
    if (dir.isEmpty()) {
        return {};
    }
    return Edit(QStringLiteral("Reset %1").arg(SlotName(slot)), PlanReset(dir, slot));
}

FileResult PackDocument::SaveIntoSlot(int slot, const QByteArray& bytes) {
    const QString dir = shownPackDir();
    if (dir.isEmpty()) {
        return {};
    }
    return Edit(QStringLiteral("Save Into %1").arg(SlotName(slot)),
                PlanSaveIntoSlot(dir, slot, bytes));
}

// Writes the edit; only an edit that was written becomes a step of the history. Its undo and
// redo write only where the slots still hold what the step left there, so a file another
// program changed meanwhile is never overwritten: the step stays, and the message says which.
FileResult PackDocument::Edit(const QString& text, const SlotEdit& edit) {
    if (!edit.result.ok) {
        return edit.result;
    }
    const QString dir = shownPackDir();
    const FileResult written = Write(dir, edit, false);
    if (written.ok) {
        history_->push(
            new SlotStep(text + QStringLiteral(" in %1").arg(PackDisplayName(dir)), dir, edit,
                         [this](const QString& packDir, const SlotEdit& step, bool undo) {
                             if (const FileResult result = Write(packDir, step, undo); !result.ok) {
                                 emit stepFailed(result.message);
                             }
                         }));
    }
    return written;
}

FileResult PackDocument::Write(const QString& packDir, const SlotEdit& edit, bool undo) {
    const FileResult written = undo ? UndoSlotEdit(packDir, edit) : DoSlotEdit(packDir, edit);
    if (written.ok) {
        emit slotsWritten(packDir, WrittenFiles(packDir, undo ? edit.before : edit.after));
    }
    return written;
}

} // namespace kivo
