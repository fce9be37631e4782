// The edits of a pack's slots: exchange, copy, reset and save into a slot, each a step the
// editor can take back. An edit writes nothing but slot files inside the pack's level folder,
// which it holds open while it works, so a folder swapped or linked after it was checked is
// never written. Every file is replaced whole, two files are exchanged in one rename, and an
// interrupted edit leaves every slot's level in the pack.
#pragma once

#include "file_access.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kivo {

// A slot's whole file, or none when the slot has no file.
struct SlotContent {
    int slot = 0;
    std::optional<QByteArray> bytes;
};

// What an edit writes and what the slots held before it. `folder` is the level folder the edit
// was planned in: the edit, its undo and its redo write only into that very folder.
struct SlotEdit {
    FileResult result;
    FolderId folder;
    std::vector<SlotContent> before;
    std::vector<SlotContent> after;
};

// Each reads the slots it touches and refuses links, anything but a regular file, and a level
// folder that is a link; nothing is written yet.
SlotEdit PlanExchange(const QString& packDir, int a, int b);
SlotEdit PlanCopy(const QString& packDir, int from, int to);
SlotEdit PlanReset(const QString& packDir, int slot);
SlotEdit PlanSaveIntoSlot(const QString& packDir, int slot, const QByteArray& bytes);

// A slot's level file as the edits read it, for a copy to be pasted later, in any pack.
FileBytes ReadSlotLevel(const QString& packDir, int slot);

// For tests: called before each call that changes the level folder, with its name; a
// non-zero errno makes that call fail with it.
using SlotCallHook = std::function<int(const char* call)>;

// Writes `contents` into the pack's slots, provided the level folder is still `folder` and
// each slot written still holds what `expected` says (every slot written must be named
// there). Otherwise nothing is written and the message names what changed. When a write
// fails, the slots already written get their expected files back.
FileResult WriteSlots(const QString& packDir, const FolderId& folder,
                      const std::vector<SlotContent>& expected,
                      const std::vector<SlotContent>& contents, const SlotCallHook& hook = {});

// The edit done (and redone) over what the slots held before it, and undone over what it left.
FileResult DoSlotEdit(const QString& packDir, const SlotEdit& edit, const SlotCallHook& hook = {});
FileResult UndoSlotEdit(const QString& packDir, const SlotEdit& edit,
                        const SlotCallHook& hook = {});

// Where the file system cannot exchange two files in one rename, an exchange keeps a journal
// in the level folder beside a temporary file holding one of the two levels. An exchange
// whose editor is gone is finished or taken back from what the folder holds, so both levels
// are in their slots again. Slot edits and the pack scan do this by themselves.
// packDir is the bytes of the pack folder's path.
FileResult FinishInterruptedExchanges(const std::string& packDir);

// The name prefix of an exchange's journal and temporary file. Such a temporary file may be
// the only copy of a level: it is never removable, only finished.
constexpr const char* EXCHANGE_FILE_PREFIX = ".kivo-exchange-";
bool IsInterruptedExchangeFile(const std::string& name);

} // namespace kivo
