// The packs as a document: the pack whose details are shown, and the history of the edits of
// its slot files. The pack panel and the overview show it and send it verbs; the shown pack
// changes only when the designer chooses another one, makes a new one, or it is gone.
#pragma once

#include "written_file.h"

#include "level/random_source.h"
#include "storage/pack_slots.h"
#include "storage/pack_store.h"

#include <QObject>
#include <QString>

#include <vector>

class QUndoStack;

namespace kivo {

class PackDocument : public QObject {
    Q_OBJECT

  public:
    PackDocument(const QString& baseDir, RandomSource& random, QObject* parent);

    const PackStore& store() const { return store_; }
    // The shown pack's folder, empty when none is shown.
    QString shownPackDir() const;
    QUndoStack* history() const { return history_; }
    // Where the level file dialogs open.
    const QString& levelDir() const { return store_.levelDir; }
    void SetLevelDir(const QString& folder);

    // The pack verbs. Each keeps the shown pack shown while it is there.
    PackOutcome Scan();
    void Choose(size_t index);
    PackOutcome Apply(const PackEdit& edit);
    PackOutcome New(); // the new pack is shown, ready for its details
    PackOutcome Delete();

    // The slot verbs: each written edit is a step of the pack's history.
    FileResult Exchange(int a, int b);
    // A slot's level as it is now, for Paste; and a level pasted into a slot, named after
    // where it came from.
    FileBytes SlotBytes(int slot) const;
    FileResult Paste(const QString& name, const QByteArray& bytes, int to);
    FileResult Reset(int slot);
    FileResult SaveIntoSlot(int slot, const QByteArray& bytes);

  signals:
    void shownPackChanged();
    // A slot edit, or its undo or redo, wrote these files of a pack.
    void slotsWritten(const QString& packDir, const std::vector<WrittenFile>& files);
    // The undo or redo of a slot step could not be written.
    void stepFailed(const QString& message);

  private:
    PackOutcome KeepShown(const std::string& shownDir, PackOutcome outcome);
    FileResult Edit(const QString& text, const SlotEdit& edit);
    FileResult Write(const QString& packDir, const SlotEdit& edit, bool undo);

    QString baseDir_;
    PackStore store_;
    RandomSource& random_;
    QUndoStack* history_;
};

} // namespace kivo
