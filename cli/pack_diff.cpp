#include "pack_diff.h"

#include "painting/slot_view.h"
#include "revision/level_report.h"
#include "revision/slot_changes.h"
#include "storage/check/slot_reading.h"
#include "storage/files/paths.h"
#include "storage/files/shown_text.h"
#include "storage/pack/data_folder.h"
#include "storage/pack/pack.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <map>
#include <sys/stat.h>

namespace kivo {

namespace {

const char* const CONFIG_FIELDS[] = {"name", "author", "date created", "pack id"};

// One version of a pack as the diff compares it.
struct PackVersion {
    std::string folder;
    std::vector<std::string> config; // the four lines, empty when there is no config.txt
    bool hasConfig = false;
    SlotContents contents;
    std::vector<SlotReading> readings;
    std::string templateBytes;
};

// The pack's config.txt, template and slots through the pack's own readers.
PackVersion ReadPackVersion(const std::string& folder) {
    PackVersion pack;
    pack.folder = folder;
    const Pack value = PackAt(QString::fromStdString(folder));
    const ConfigRead config = ReadConfig(value);
    pack.hasConfig = config.result.ok && config.exists;
    if (pack.hasConfig) {
        pack.config = config.config.lines;
    }
    pack.config.resize(4);
    const std::optional<QByteArray> blank = TemplateBytes(value);
    pack.templateBytes = blank ? blank->toStdString() : std::string();
    for (int slot = 0; slot < PACK_SLOT_COUNT; ++slot) {
        const PackFile read = ReadSlot(value, slot);
        pack.contents.push_back(read.result.ok && read.bytes
                                    ? std::optional<std::string>(read.bytes->toStdString())
                                    : std::nullopt);
        pack.readings.push_back(ReadSlotState(value, slot, blank));
    }
    return pack;
}

struct SlotLine {
    int slot;
    QString change;
    int other = -1;
    std::vector<std::string> lines; // what changed in the level, for a changed slot
};

struct PackReport {
    std::string name;
    std::vector<std::pair<QString, std::pair<QString, QString>>> config;
    std::vector<SlotLine> lines;
    int unchanged = 0;
    QString summaryBefore;
    QString summaryAfter;
    bool same = true;
};

std::vector<SlotState> States(const PackVersion& pack) {
    std::vector<SlotState> states;
    for (const SlotReading& s : pack.readings) {
        states.push_back(s.state);
    }
    return states;
}

std::vector<std::string> LevelLines(const SlotReading& before, const SlotReading& after) {
    if (!before.state.problem.empty() || !after.state.problem.empty()) {
        const std::string& problem =
            !after.state.problem.empty() ? after.state.problem : before.state.problem;
        return {(after.state.problem.empty() ? "before: " : "after: ") + problem};
    }
    return ChangeLines(FindChanges(&before.level, &after.level), &before.level, &after.level);
}

PackReport ComparePacks(const PackVersion& a, const PackVersion& b) {
    PackReport report;
    report.name = b.hasConfig ? b.config[0] : a.config[0];
    for (int i = 0; i < 4; ++i) {
        if (a.config[size_t(i)] != b.config[size_t(i)]) {
            report.config.push_back(
                {QString::fromLatin1(CONFIG_FIELDS[i]),
                 {ShownPackText(a.config[size_t(i)]), ShownPackText(b.config[size_t(i)])}});
        }
    }
    static const char* const CHANGES[] = {"unchanged", "added",    "removed",
                                          "changed",   "moved in", "exchanged"};
    const std::vector<SlotOutcome> outcomes = CompareSlots(a.contents, b.contents, b.templateBytes);
    for (size_t i = 0; i < outcomes.size(); ++i) {
        const SlotOutcome& o = outcomes[i];
        if (o.change == SlotChange::Unchanged) {
            ++report.unchanged;
            continue;
        }
        SlotLine line{int(i), QString::fromLatin1(CHANGES[int(o.change)]), o.from, {}};
        if (o.change == SlotChange::Changed) {
            line.lines = LevelLines(a.readings[i], b.readings[i]);
        }
        report.lines.push_back(std::move(line));
    }
    report.summaryBefore = SlotSummary(States(a));
    report.summaryAfter = SlotSummary(States(b));
    report.same = report.config.empty() && report.lines.empty();
    return report;
}

void PrintPack(const PackReport& r) {
    Out() << "pack " << ShownPackText(r.name) << "\n";
    for (const auto& [field, values] : r.config) {
        Out() << "  config.txt " << field << ": \"" << values.first << "\" \u2192 \""
              << values.second << "\"\n";
    }
    for (const SlotLine& s : r.lines) {
        if (s.change == "exchanged") {
            if (s.other > s.slot) {
                Out() << "  " << SlotName(s.slot) << " \u21c4 " << SlotName(s.other) << "\n";
            }
            continue;
        }
        Out() << "  " << SlotName(s.slot) << ": " << s.change;
        if (s.other >= 0) {
            Out() << " from " << SlotName(s.other);
        }
        Out() << "\n";
        for (const std::string& line : s.lines) {
            Out() << "    " << QString::fromStdString(line) << "\n";
        }
    }
    Out() << "  " << r.unchanged << " slots unchanged\n";
    Out() << "  slots: " << r.summaryBefore
          << (r.summaryBefore == r.summaryAfter ? QStringLiteral(" (unchanged)")
                                                : " \u2192 " + r.summaryAfter)
          << "\n";
}

QJsonObject PackJson(const PackReport& r) {
    QJsonArray config;
    for (const auto& [field, values] : r.config) {
        config.append(
            QJsonObject{{"field", field}, {"before", values.first}, {"after", values.second}});
    }
    QJsonArray slotList;
    for (const SlotLine& s : r.lines) {
        QJsonArray lines;
        for (const std::string& line : s.lines) {
            lines.append(QString::fromStdString(line));
        }
        QJsonObject slot{{"slot", SlotName(s.slot)}, {"change", s.change}, {"lines", lines}};
        if (s.other >= 0) {
            slot["other"] = SlotName(s.other);
        }
        slotList.append(slot);
    }
    return {{"pack", ShownPackText(r.name)},
            {"same", r.same},
            {"config", config},
            {"slots", slotList},
            {"unchanged", r.unchanged},
            {"summary", QJsonObject{{"before", r.summaryBefore}, {"after", r.summaryAfter}}}};
}

bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

// A pack has config.txt or a level folder with its first slot; a start directory's data
// folder shares the level folder's name, so the folder alone says nothing.
bool IsPack(const std::string& folder) {
    const Pack pack{folder};
    return Exists(ConfigPath(pack)) || Exists(SlotPath(pack, 0));
}

// The packs of a data folder, or of the data folder of a start directory, by pack id (the
// folder's name when it has none), as the pack panel lists them.
std::map<std::string, std::string> PacksById(std::string data) {
    if (const std::string inner = DataFolderIn(data); IsRealFolder(inner) && !IsPack(inner)) {
        data = inner;
    }
    std::map<std::string, std::string> packs;
    for (const PackInfo& info : ListPacks(data).packs) {
        const std::string& folder = info.pack.folder;
        packs.emplace(info.packId.empty() ? folder.substr(folder.rfind('/') + 1) : info.packId,
                      folder);
    }
    return packs;
}

} // namespace

bool IsPackOrDataFolder(const std::string& path) {
    return IsRealFolder(path);
}

int DiffFolders(const std::string& before, const std::string& after, bool json) {
    std::vector<std::pair<std::string, std::string>> pairs; // folders, empty for none
    if (IsPack(before) && IsPack(after)) {
        pairs.push_back({before, after});
    } else {
        const auto a = PacksById(before);
        const auto b = PacksById(after);
        for (const auto& [id, folder] : a) {
            const auto found = b.find(id);
            pairs.push_back({folder, found == b.end() ? std::string() : found->second});
        }
        for (const auto& [id, folder] : b) {
            if (a.count(id) == 0) {
                pairs.push_back({std::string(), folder});
            }
        }
    }
    bool same = true;
    QJsonArray packs;
    for (const auto& [a, b] : pairs) {
        if (a.empty() || b.empty()) {
            same = false;
            const std::string& folder = a.empty() ? b : a;
            const PackVersion pack = ReadPackVersion(folder);
            const QString what = a.empty() ? QStringLiteral("added") : QStringLiteral("removed");
            if (json) {
                packs.append(
                    QJsonObject{{"pack", ShownPackText(pack.config[0])}, {"change", what}});
            } else {
                Out() << "pack " << ShownPackText(pack.config[0]) << ": " << what << "\n";
            }
            continue;
        }
        const PackReport report = ComparePacks(ReadPackVersion(a), ReadPackVersion(b));
        same = same && report.same;
        if (json) {
            packs.append(PackJson(report));
        } else if (!report.same) {
            PrintPack(report);
        }
    }
    if (json) {
        Out() << QJsonDocument(QJsonObject{{"same", same}, {"packs", packs}}).toJson();
    }
    return same ? SOUND : PROBLEM_FOUND;
}

} // namespace kivo
