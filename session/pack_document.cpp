#include "pack_document.h"

#include "slot_step.h"

#include "storage/files/shown_text.h"
#include "storage/pack/tidy_up.h"

#include <QDir>
#include <QFileInfo>
#include <QUndoGroup>
#include <QUndoStack>

#include <algorithm>

namespace kivo {

namespace {

// How many slot steps Undo can take back.
constexpr int SLOT_UNDO_LIMIT = 200;

std::vector<WrittenFile> WrittenFiles(const Pack& pack, const std::vector<SlotContent>& contents) {
    std::vector<WrittenFile> files;
    for (const SlotContent& content : contents) {
        files.push_back({content.slot, PathText(SlotPath(pack, content.slot)), content.bytes});
    }
    return files;
}

} // namespace

PackDocument::PackDocument(const QString& baseDir, RandomSource& random, QObject* parent)
    : QObject(parent), baseDir_(baseDir), dataDir_(PathText(DataFolderIn(PathBytes(baseDir)))),
      random_(random), levelDir_(PathText(PathBytes(baseDir))), histories_(new QUndoGroup(this)),
      noPack_(new QUndoStack(histories_)) {
    histories_->setActiveStack(noPack_);
}

QUndoStack* PackDocument::history() const {
    return histories_->activeStack();
}

QUndoStack* PackDocument::HistoryOf(const Pack& pack) {
    QUndoStack*& stack = stacks_[pack.folder];
    if (!stack) {
        stack = new QUndoStack(histories_);
        stack->setUndoLimit(SLOT_UNDO_LIMIT);
    }
    return stack;
}

QString PackDocument::shownPackDir() const {
    return shown_ ? PathText(shown_->folder) : QString();
}

int PackDocument::shownIndex() const {
    for (size_t i = 0; shown_ && i < packs_.size(); ++i) {
        if (packs_[i].pack == *shown_) {
            return int(i);
        }
    }
    return -1;
}

void PackDocument::SetLevelDir(const QString& folder) {
    levelDir_ = folder;
}

QStringList PackDocument::TidyUp() {
    return TidyDataFolder(PathBytes(dataDir_));
}

// The combo's text is the pack's name, as choosing it from the list leaves it. With no pack
// shown, the level dialogs no longer open in a pack folder that may be gone.
void PackDocument::Show(const std::optional<Pack>& pack) {
    shown_ = pack;
    const int index = shownIndex();
    histories_->setActiveStack(index < 0 ? noPack_ : HistoryOf(*shown_));
    if (index < 0) {
        shown_.reset();
        panel_ = PackPanel{panel_.names, {}, {}, {}, {}};
        if (!QFileInfo(levelDir_).isDir()) {
            levelDir_ = PathText(PathBytes(baseDir_));
        }
        return;
    }
    const PackInfo& info = packs_[size_t(index)];
    panel_ = PackPanel{panel_.names, info.name, info.author, info.dateCreated, info.packId};
    levelDir_ = PathText(LevelFolderPath(info.pack));
}

// Lists the packs anew and shows `show` while it is listed, else the first. A listing that
// finds no pack in a data folder makes one attempt to create one.
PackOutcome PackDocument::List(std::optional<Pack> show, PackOutcome outcome, bool mayCreate) {
    PackListing listing = ListPacks(PathBytes(dataDir_));
    outcome.errors += listing.errors;
    if (!listing.result.ok) {
        outcome.errors << listing.result.message;
    }
    if (listing.result.ok && listing.packs.empty() && mayCreate) {
        PackOutcome created = New();
        created.errors = outcome.errors + created.errors;
        return created;
    }
    packs_ = std::move(listing.packs);
    panel_.names.clear();
    for (const PackInfo& info : packs_) {
        panel_.names.push_back(info.name);
    }
    const auto listed = [&](const Pack& pack) {
        return std::any_of(packs_.begin(), packs_.end(),
                           [&](const PackInfo& info) { return info.pack == pack; });
    };
    Show(show && listed(*show) ? show
         : packs_.empty()      ? std::nullopt
                               : std::optional<Pack>(packs_.front().pack));
    emit shownPackChanged();
    return outcome;
}

PackOutcome PackDocument::Scan() {
    return List(shown_, {}, true);
}

void PackDocument::Choose(size_t index) {
    if (index >= packs_.size() || int(index) == shownIndex()) {
        return;
    }
    Show(packs_[index].pack);
    emit shownPackChanged();
}

// When the details cannot be written, nothing is listed anew and the panel keeps the edits.
PackOutcome PackDocument::Apply(const PackEdit& edit) {
    const int index = shownIndex();
    if (index < 0) {
        return {{}, {QStringLiteral("No pack is shown, so there is nothing to change.")}};
    }
    if (const FileResult written = ApplyPackChange(packs_[size_t(index)], edit); !written.ok) {
        panel_.comboText = edit.name;
        panel_.author = edit.author;
        panel_.dateCreated = edit.dateCreated;
        return {{}, {written.message}};
    }
    return List(shown_, {}, true);
}

// Without a data folder there is nothing to create a pack in: the listing says so.
PackOutcome PackDocument::New() {
    PackOutcome outcome;
    std::optional<Pack> show = shown_;
    if (QFileInfo(dataDir_).isDir()) {
        const NewPack made = CreatePack(PathBytes(dataDir_), packs_, random_);
        if (made.result.ok) {
            outcome.information = QString::fromLatin1(PACK_CREATED_TEXT);
            show = made.pack;
        } else {
            outcome.errors << made.result.message;
        }
    }
    return List(show, outcome, false);
}

// What remains of a pack that could not be deleted whole is listed again and stays shown.
PackOutcome PackDocument::Delete() {
    if (!shown_) {
        return {{}, {QStringLiteral("No pack is shown, so there is nothing to delete.")}};
    }
    PackOutcome outcome;
    const Pack deleted = *shown_;
    if (const QStringList left = DeletePack(deleted); !left.isEmpty()) {
        outcome.errors << QStringLiteral(
                              "The pack %1 could not be deleted completely. What remains:\n%2")
                              .arg(QuotedPath(shown_->folder), left.join(QLatin1Char('\n')));
    }
    outcome = List(shown_, outcome, true);
    // A pack that is gone takes its history with it.
    if (shown_ != deleted) {
        if (const auto found = stacks_.find(deleted.folder); found != stacks_.end()) {
            delete found->second;
            stacks_.erase(found);
        }
        emit packDeleted(PathText(deleted.folder));
    }
    return outcome;
}

FileResult PackDocument::Exchange(int a, int b) {
    if (!shown_) {
        return {};
    }
    return Edit(QStringLiteral("Exchange %1 and %2").arg(SlotName(a), SlotName(b)),
                PlanExchange(*shown_, a, b));
}

FileResult PackDocument::MoveTo(int from, int to) {
    if (!shown_) {
        return {};
    }
    return Edit(QStringLiteral("Move %1 to %2").arg(SlotName(from), SlotName(to)),
                PlanMoveTo(*shown_, from, to));
}

FileBytes PackDocument::SlotBytes(int slot) const {
    const PackFile read = shown_ ? ReadSlot(*shown_, slot) : PackFile{};
    if (read.result.ok && !read.bytes) {
        return {{false, QStringLiteral("The level file %1 cannot be read: there is no such file.")
                            .arg(QuotedPath(shown_ ? SlotPath(*shown_, slot) : std::string()))},
                {}};
    }
    return {read.result, read.bytes.value_or(QByteArray())};
}

FileResult PackDocument::Paste(const QString& name, const QByteArray& bytes, int to) {
    if (!shown_) {
        return {};
    }
    return Edit(QStringLiteral("Paste %1 into %2").arg(name, SlotName(to)),
                PlanPut(*shown_, to, bytes));
}

FileResult PackDocument::Reset(int slot) {
    if (!shown_) {
        return {};
    }
    return Edit(QStringLiteral("Reset %1").arg(SlotName(slot)), PlanReset(*shown_, slot));
}

FileResult PackDocument::SaveIntoSlot(int slot, const QByteArray& bytes) {
    if (!shown_) {
        return {};
    }
    return Edit(QStringLiteral("Save Into %1").arg(SlotName(slot)), PlanPut(*shown_, slot, bytes));
}

// Writes the edit; only an edit that was written becomes a step of the history. Its undo and
// redo write only where the slots still hold what the step left there, so a file another
// program changed meanwhile is never overwritten: the step stays, and the message says which.
FileResult PackDocument::Edit(const QString& text, const SlotEdit& edit) {
    if (!edit.result.ok) {
        return edit.result;
    }
    const FileResult written = Write(edit, false);
    if (written.ok) {
        QUndoStack* stack = HistoryOf(edit.pack);
        stack->push(new SlotStep(
            text + QStringLiteral(" in %1").arg(PackDisplayName(edit.pack)), edit,
            [this](const SlotEdit& step, bool undo) {
                const FileResult result = Write(step, undo);
                if (!result.ok) {
                    const QString ours = blame_ ? blame_(step) : QString();
                    emit stepFailed(ours.isEmpty() ? result.message : ours);
                }
                return result.ok;
            },
            stack));
    }
    return written;
}

FileResult PackDocument::Write(const SlotEdit& edit, bool undo) {
    const FileResult written = undo ? UndoSlotEdit(edit) : DoSlotEdit(edit);
    if (written.ok) {
        emit slotsWritten(PathText(edit.pack.folder),
                          WrittenFiles(edit.pack, ContentsAfter(edit, undo)), MovesOf(edit, undo));
    }
    return written;
}

} // namespace kivo
