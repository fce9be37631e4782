#include "slot_edits.h"

#include "slot_journal.h"

#include "storage/files/call_seam.h"
#include "storage/files/shown_text.h"

#include <algorithm>
#include <cerrno>
#include <unistd.h>

namespace kivo {

namespace {

QString Quoted(const Pack& pack, int slot) {
    return QuotedPath(SlotPath(pack, slot));
}

QString CannotReplace(const Pack& pack, int slot, const QString& why) {
    return QStringLiteral("The level file %1 cannot be replaced: %2.").arg(Quoted(pack, slot), why);
}

// Opens the level folder, finishes what interrupted moves left there (the tidy-up that comes
// before every slot edit), and reads the slots an edit touches into `before`, in this order.
SlotEdit ReadSlots(const Pack& pack, const std::vector<int>& numbers) {
    OpenFolder levels;
    SlotEdit edit;
    edit.pack = pack;
    edit.result = OpenLevelFolder(pack, levels);
    if (!edit.result.ok) {
        return edit;
    }
    edit.folder = levels.id;
    FinishInterruptedMoves(levels);
    for (int slot : numbers) {
        PackFile read = ReadSlotIn(levels, pack, slot);
        if (!read.result.ok) {
            edit.result = read.result;
            return edit;
        }
        edit.before.push_back({slot, std::move(read.bytes)});
    }
    return edit;
}

SlotEdit Refused(const Pack& pack, const QString& why) {
    SlotEdit edit;
    edit.result = {false, why};
    edit.pack = pack;
    return edit;
}

// A move of the levels of `order`: each goes one place back, the first to the last place.
SlotEdit PlanMove(const Pack& pack, std::vector<int> order) {
    SlotEdit edit = ReadSlots(pack, order);
    if (!edit.result.ok) {
        return edit;
    }
    edit.verb = SlotVerb::Move;
    edit.order = std::move(order);
    for (size_t i = 0; i < edit.before.size(); ++i) {
        const size_t to = i == 0 ? edit.before.size() - 1 : i - 1;
        edit.after.push_back({edit.order[to], edit.before[i].bytes});
    }
    std::sort(edit.after.begin(), edit.after.end(),
              [](const SlotContent& a, const SlotContent& b) { return a.slot < b.slot; });
    return edit;
}

// Refuses, naming it, a slot that no longer holds what the step left there.
FileResult CheckExpected(const OpenFolder& levels, const Pack& pack,
                         const std::vector<SlotContent>& expected) {
    for (const SlotContent& slot : expected) {
        const PackFile now = ReadSlotIn(levels, pack, slot.slot);
        if (!now.result.ok) {
            return now.result;
        }
        if (now.bytes != slot.bytes) {
            return {false, QStringLiteral("The level file %1 was changed by another program "
                                          "since this step; no slot was changed.")
                               .arg(Quoted(pack, slot.slot))};
        }
    }
    return {};
}

FileResult WriteSlotIn(const OpenFolder& levels, const Pack& pack, const SlotContent& content) {
    const std::string name = SlotFileName(content.slot);
    if (content.bytes) {
        const FileResult replaced = ReplaceFileIn(levels, name, *content.bytes);
        return replaced.ok ? replaced
                           : FileResult{false, CannotReplace(pack, content.slot, replaced.message)};
    }
    if (!Mutate("remove", [&] { return ::unlinkat(levels.fd, name.c_str(), 0); }) &&
        errno != ENOENT) {
        return {false, QStringLiteral("The level file %1 cannot be removed: %2.")
                           .arg(Quoted(pack, content.slot), ErrnoText(errno))};
    }
    return {};
}

std::vector<int> OrderOf(const SlotEdit& edit, bool undone) {
    std::vector<int> order = edit.order;
    if (undone) {
        std::reverse(order.begin(), order.end());
    }
    return order;
}

FileResult MoveLevels(const OpenFolder& levels, const SlotEdit& edit, bool undone) {
    std::vector<std::string> names;
    for (int slot : OrderOf(edit, undone)) {
        names.push_back(SlotFileName(slot));
    }
    const FileResult moved = MoveSlotFiles(levels, names);
    return moved.ok ? moved
                    : FileResult{false, CannotReplace(edit.pack, edit.order[0], moved.message)};
}

FileResult Write(const SlotEdit& edit, bool undone) {
    if (!edit.result.ok) {
        return edit.result;
    }
    OpenFolder levels;
    if (FileResult opened = OpenLevelFolder(edit.pack, levels); !opened.ok) {
        return opened;
    }
    if (levels.id != edit.folder) {
        return {false, QStringLiteral("The pack's level folder %1 is no longer the folder this "
                                      "step was made in; no slot was changed.")
                           .arg(QuotedPath(LevelFolderPath(edit.pack)))};
    }
    FinishInterruptedMoves(levels);
    const std::vector<SlotContent>& expected = ContentsAfter(edit, !undone);
    if (FileResult checked = CheckExpected(levels, edit.pack, expected); !checked.ok) {
        return checked;
    }
    return edit.verb == SlotVerb::Move
               ? MoveLevels(levels, edit, undone)
               : WriteSlotIn(levels, edit.pack, ContentsAfter(edit, undone)[0]);
}

} // namespace

SlotEdit PlanExchange(const Pack& pack, int a, int b) {
    if (a == b) {
        return Refused(pack, QStringLiteral("A slot cannot be exchanged with itself."));
    }
    return PlanMove(pack, {a, b});
}

// Every slot of a longer move must hold a level: a file held aside stands for one slot alone.
SlotEdit PlanMoveTo(const Pack& pack, int from, int to) {
    if (from == to || !IsSlot(from) || !IsSlot(to)) {
        return Refused(pack, QStringLiteral("There is no other slot to move %1 to.")
                                 .arg(IsSlot(from) ? SlotName(from) : QString::number(from)));
    }
    std::vector<int> order;
    for (int slot = from; slot != to; slot += to > from ? 1 : -1) {
        order.push_back(slot);
    }
    order.push_back(to);
    SlotEdit edit = PlanMove(pack, order);
    for (size_t i = 0; edit.result.ok && order.size() > 2 && i < edit.before.size(); ++i) {
        if (!edit.before[i].bytes) {
            edit.result = {false, QStringLiteral("%1 has no level file, so no level can move "
                                                 "across it; reset it first.")
                                      .arg(SlotName(edit.before[i].slot))};
        }
    }
    return edit;
}

SlotEdit PlanPut(const Pack& pack, int slot, const QByteArray& bytes) {
    SlotEdit edit = ReadSlots(pack, {slot});
    if (edit.result.ok) {
        edit.after = {{slot, bytes}};
    }
    return edit;
}

SlotEdit PlanReset(const Pack& pack, int slot) {
    SlotEdit edit = ReadSlots(pack, {slot});
    if (!edit.result.ok) {
        return edit;
    }
    const PackFile blank = ReadTemplate(DataFolderOf(pack));
    if (!blank.result.ok) {
        edit.result = blank.result;
    } else {
        edit.after = {{slot, blank.bytes}};
    }
    return edit;
}

FileResult DoSlotEdit(const SlotEdit& edit) {
    return Write(edit, false);
}

FileResult UndoSlotEdit(const SlotEdit& edit) {
    return Write(edit, true);
}

std::vector<SlotMove> MovesOf(const SlotEdit& edit, bool undone) {
    const std::vector<int> order = OrderOf(edit, undone);
    std::vector<SlotMove> moves;
    for (size_t i = 0; i < order.size(); ++i) {
        moves.push_back({order[i], order[i == 0 ? order.size() - 1 : i - 1]});
    }
    return moves;
}

const std::vector<SlotContent>& ContentsAfter(const SlotEdit& edit, bool undone) {
    return undone ? edit.before : edit.after;
}

} // namespace kivo
