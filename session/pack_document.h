// The packs as a document: the packs listed, the one whose details the pack panel shows, where
// the level file dialogs open, and the history of the edits of slot files. The pack panel and
// the overview show it and send it verbs; the shown pack changes only when the designer
// chooses another one, makes a new one, or it is gone.
#pragma once

#include "pack_paths.h"
#include "written_file.h"

#include "level/random_source.h"
#include "storage/pack/data_folder.h"
#include "storage/pack/slot_edits.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

class QUndoGroup;
class QUndoStack;

namespace kivo {

constexpr const char* PACK_CREATED_TEXT = "Pack Created, please select and edit Pack Details";

// What the pack panel shows. Texts are the bytes of config.txt, unchanged.
struct PackPanel {
    std::vector<std::string> names; // the entries of the pack list, in listing order
    std::string comboText;
    std::string author;
    std::string dateCreated;
    std::string packId = "ss"; // shown while no pack is
};

// What a pack verb has to tell the designer: the "Information" text after a pack was created,
// and everything that could not be done, each naming the folder or file.
struct PackOutcome {
    QString information;
    QStringList errors;
};

class PackDocument : public QObject {
    Q_OBJECT

  public:
    // baseDir: the start directory, where the dialogs open until a pack or file says otherwise.
    PackDocument(const QString& baseDir, RandomSource& random, QObject* parent);

    const QString& dataDir() const { return dataDir_; }
    const std::vector<PackInfo>& packs() const { return packs_; }
    const PackPanel& panel() const { return panel_; }
    // The shown pack, none when no pack is shown.
    const std::optional<Pack>& shownPack() const { return shown_; }
    // The shown pack's folder, empty when none is shown.
    QString shownPackDir() const;
    // The place in the list of the shown pack, -1 for none.
    int shownIndex() const;
    // The shown pack's history of slot steps (an empty one while no pack is shown); each pack
    // keeps its own, and the group's active history is the shown pack's.
    QUndoStack* history() const;
    QUndoGroup* histories() const { return histories_; }
    // Where the level file dialogs open, without a trailing '/': the shown pack's level
    // folder, or the folder of the file last loaded or saved, whichever came last.
    const QString& levelDir() const { return levelDir_; }
    void SetLevelDir(const QString& folder);

    // Finishes what editors that are gone left unfinished in the data folder.
    QStringList TidyUp();

    // The pack verbs. Each keeps the shown pack shown while it is there; a listing that finds
    // no pack makes one attempt to create one.
    PackOutcome Scan();
    void Choose(size_t index);
    PackOutcome Apply(const PackEdit& edit);
    PackOutcome New(); // the new pack is shown, ready for its details
    PackOutcome Delete();

    // The slot verbs: each written edit is a step of the pack's history.
    FileResult Exchange(int a, int b);
    FileResult MoveTo(int from, int to);
    // A slot's level as it is now, for Paste; and a level pasted into a slot, named after
    // where it came from.
    FileBytes SlotBytes(int slot) const;
    FileResult Paste(const QString& name, const QByteArray& bytes, int to);
    FileResult Reset(int slot);
    FileResult SaveIntoSlot(int slot, const QByteArray& bytes);

    // Tells, for a slot step refused because a slot holds other bytes than it left there,
    // whether this editor wrote them; empty when it did not. Set by the session.
    using Blame = std::function<QString(const SlotEdit& edit)>;
    void SetBlame(Blame blame) { blame_ = std::move(blame); }

  signals:
    void shownPackChanged();
    // A slot edit, or its undo or redo, wrote these files of a pack; a move moved these levels.
    void slotsWritten(const QString& packDir, const std::vector<WrittenFile>& files,
                      const std::vector<SlotMove>& moves);
    // The undo or redo of a slot step could not be written.
    void stepFailed(const QString& message);
    // This pack's folder was deleted, with every file in it.
    void packDeleted(const QString& packDir);

  private:
    PackOutcome List(std::optional<Pack> show, PackOutcome outcome, bool mayCreate);
    void Show(const std::optional<Pack>& pack);
    FileResult Edit(const QString& text, const SlotEdit& edit);
    FileResult Write(const SlotEdit& edit, bool undo);
    QUndoStack* HistoryOf(const Pack& pack);

    QString baseDir_;
    QString dataDir_;
    RandomSource& random_;
    std::vector<PackInfo> packs_;
    PackPanel panel_;
    std::optional<Pack> shown_;
    QString levelDir_;
    Blame blame_;
    QUndoGroup* histories_;
    QUndoStack* noPack_; // shown while no pack is: nothing to undo
    std::map<std::string, QUndoStack*> stacks_;
};

} // namespace kivo
