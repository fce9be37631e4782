#include "pack_diff.h"

#include "painting/slot_view.h"
#include "revision/level_report.h"
#include "revision/slot_changes.h"
#include "storage/pack_check.h"
#include "storage/pack_layout.h"
#include "storage/pack_slots.h"
#include "storage/pack_store.h"

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

PackVersion ReadPackVersion(const std::string& folder) {
    PackVersion pack;
    pack.folder = folder;
    const QString dir = QString::fromStdString(folder);
    const FileBytes config =
        ReadRegularFile(JoinPath(folder, CONFIG_FILE_NAME), MAX_CONFIG_BYTES, Links::Refuse);
    pack.hasConfig = config.result.ok;
    pack.config = config.result.ok ? ReadConfigLines(config.bytes) : std::vector<std::string>(4);
    pack.config.resize(4);
    const QByteArray templateBytes = TemplateBytes(dir);
    pack.templateBytes = templateBytes.toStdString();
    for (int slot = 0; slot < PACK_SLOT_COUNT; ++slot) {
        const std::string path = PathBytes(SlotPath(dir, slot));
        const FileBytes read = ReadRegularFile(path, MAX_LEVEL_FILE_BYTES + 1, Links::Refuse);
        pack.contents.push_back(
            read.result.ok ? std::optional<std::string>(read.bytes.toStdString()) : std::nullopt);
        pack.readings.push_back(ReadSlot(dir, slot, templateBytes));
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
    return Exists(JoinPath(folder, CONFIG_FILE_NAME)) ||
           Exists(JoinPath(JoinPath(folder, LEVELS_FOLDER_NAME), SlotFileName(0).toStdString()));
}

// The packs of a data folder, or of the data folder of a start directory, by pack id (the
// folder's name when it has none).
std::map<std::string, std::string> PacksById(std::string data) {
    if (const std::string inner = JoinPath(data, DATA_FOLDER_NAME);
        IsRealFolder(inner) && !IsPack(inner)) {
        data = inner;
    }
    std::map<std::string, std::string> packs;
    const Listing listing = ListFolder(data);
    for (const std::string& name : listing.names) {
        const std::string folder = JoinPath(data, name);
        if (IsUnfinishedPackName(name) || !IsRealFolder(folder) || !IsPack(folder)) {
            continue;
        }
        const FileBytes config =
            ReadRegularFile(JoinPath(folder, CONFIG_FILE_NAME), MAX_CONFIG_BYTES, Links::Refuse);
        std::vector<std::string> lines =
            config.result.ok ? ReadConfigLines(config.bytes) : std::vector<std::string>();
        lines.resize(4);
        packs.emplace(lines[3].empty() ? name : lines[3], folder);
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
