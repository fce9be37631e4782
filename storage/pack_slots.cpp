#include "pack_slots.h"

#include "file_access.h"
#include "id_problems.h"
#include "pack_check.h"
#include "pack_layout.h"
#include "pack_store.h"

#include "level/status_line.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace kivo {

namespace {

// A tooltip or message box has room for a few broken ids; the rest are counted.
constexpr int SHOWN_ID_PROBLEMS = 5;

QString CannotReplace(const QString& path, const QString& why) {
    return QStringLiteral("The level file \"%1\" cannot be replaced: %2.").arg(path, why);
}

QString CannotRead(const QString& path, const QString& why) {
    return QStringLiteral("The level file \"%1\" cannot be read: %2.").arg(path, why);
}

bool IsSlot(int slot) {
    return slot >= 0 && slot < PACK_SLOT_COUNT;
}

// The level folder must be the pack's own folder, not a link that leads elsewhere.
FileResult CheckLevelsFolder(const QString& packDir) {
    const QString folder = QDir(packDir).filePath(QString::fromLatin1(LEVELS_FOLDER_NAME));
    const QFileInfo info(folder);
    if (packDir.isEmpty() || info.isSymLink() || !info.isDir()) {
        return {false, QStringLiteral("The pack's level folder \"%1\" is missing or is not a "
                                      "folder of its own; no slot was changed.")
                           .arg(folder)};
    }
    return {};
}

// A slot file's bytes; none when the slot has no file. Links and special files are refused,
// so an edit never reads or writes anything outside the level folder.
FileResult ReadSlotFile(const QString& path, std::optional<QByteArray>& bytes) {
    bytes.reset();
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) {
        return {};
    }
    FileBytes read = ReadRegularFile(PathBytes(path), MAX_LEVEL_FILE_BYTES + 1, Links::Refuse);
    if (!read.result.ok) {
        return {false, CannotRead(path, read.result.message)};
    }
    if (read.bytes.size() > MAX_LEVEL_FILE_BYTES) {
        return {false, CannotRead(path, QStringLiteral("it is longer than any level file"))};
    }
    bytes = std::move(read.bytes);
    return {};
}

FileResult ReadSlotContent(const QString& packDir, int slot, SlotContent& content) {
    if (!IsSlot(slot)) {
        return {false, QStringLiteral("There is no slot %1 in a pack.").arg(slot)};
    }
    content.slot = slot;
    return ReadSlotFile(SlotPath(packDir, slot), content.bytes);
}

FileResult WriteSlot(const QString& packDir, const SlotContent& content, const SlotWriter& write) {
    const QString path = SlotPath(packDir, content.slot);
    if (content.bytes) {
        return write(path, *content.bytes);
    }
    QFile file(path);
    if (file.exists() && !file.remove()) {
        return {false, QStringLiteral("The level file \"%1\" cannot be removed: %2.")
                           .arg(path, file.errorString())};
    }
    return {};
}

bool HoldsTemplate(const QString& path, const Level& level, const QByteArray& templateBytes) {
    if (level.points.empty() && level.connectors.empty() && level.shapes.empty()) {
        return true;
    }
    if (templateBytes.isEmpty() || QFileInfo(path).size() != templateBytes.size()) {
        return false;
    }
    std::optional<QByteArray> bytes;
    return ReadSlotFile(path, bytes).ok && bytes == templateBytes;
}

QString IdsProblem(const QString& path, const std::vector<QString>& problems) {
    QStringList lines{
        QStringLiteral("The level file \"%1\" has ids that do not hold together:").arg(path)};
    for (size_t i = 0; i < problems.size() && i < size_t(SHOWN_ID_PROBLEMS); ++i) {
        lines << problems[i];
    }
    if (problems.size() > size_t(SHOWN_ID_PROBLEMS)) {
        lines << QStringLiteral("and %1 more").arg(problems.size() - SHOWN_ID_PROBLEMS);
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace

QString PackDisplayName(const QString& packDir) {
    const QString path = QDir(packDir).filePath(QString::fromLatin1(CONFIG_FILE_NAME));
    const FileBytes config = ReadRegularFile(PathBytes(path), MAX_CONFIG_BYTES, Links::Refuse);
    const std::string name = config.result.ok ? ReadConfigLines(config.bytes)[0] : std::string();
    return name.empty() ? QDir(packDir).dirName() : ShownPackText(name);
}

QString SlotPath(const QString& packDir, int slot) {
    return QDir(packDir).filePath(QString::fromLatin1(LEVELS_FOLDER_NAME) + QLatin1Char('/') +
                                  SlotFileName(slot));
}

QString TemplatePath(const QString& packDir) {
    return QDir::cleanPath(
        QDir(packDir).filePath(QStringLiteral("../") + QString::fromLatin1(TEMPLATE_LEVEL_NAME)));
}

QByteArray TemplateBytes(const QString& packDir) {
    std::optional<QByteArray> bytes;
    return ReadSlotFile(TemplatePath(packDir), bytes).ok && bytes ? *bytes : QByteArray();
}

SlotReading ReadSlot(const QString& packDir, int slot, const QByteArray& templateBytes) {
    SlotReading reading;
    SlotState& state = reading.state;
    state.slot = slot;
    const QString path = SlotPath(packDir, slot);
    if (const FileResult loaded = LoadLevel(reading.level, path); !loaded.ok) {
        reading.level = Level{};
        state.kind = SlotKind::Problem;
        state.problem = loaded.message;
        return reading;
    }
    const Level& level = reading.level;
    state.connectors = level.connectors.size();
    state.shapes = level.shapes.size();
    state.solvable =
        IsClassicModeSolvable(int16_t(level.connectors.size()), SmallestSideCount(level));
    if (const std::vector<QString> problems = IdProblems(level); !problems.empty()) {
        state.kind = SlotKind::Problem;
        state.problem = IdsProblem(path, problems);
    } else {
        state.kind =
            HoldsTemplate(path, level, templateBytes) ? SlotKind::Template : SlotKind::Built;
    }
    return reading;
}

QString SlotSummary(const std::vector<SlotState>& states) {
    qsizetype built = 0;
    qsizetype notSolvable = 0;
    qsizetype problems = 0;
    for (const SlotState& s : states) {
        built += s.kind == SlotKind::Built;
        notSolvable += s.kind == SlotKind::Built && !s.solvable;
        problems += s.kind == SlotKind::Problem;
    }
    return QStringLiteral("%1 of %2 slots built \u00b7 %3 not solvable in Classic Mode \u00b7 %4")
        .arg(built)
        .arg(PACK_SLOT_COUNT)
        .arg(notSolvable)
        .arg(Counted(problems, "problem", "problems"));
}

SlotMark MarkOf(const SlotState& state) {
    switch (state.kind) {
    case SlotKind::Template:
        return {"empty", {150, 150, 150}};
    case SlotKind::Problem:
        return {"problem", {210, 30, 30}};
    case SlotKind::Built:
        break;
    }
    return state.solvable ? SlotMark{"", {0, 0, 0}} : SlotMark{"not solvable", {225, 120, 0}};
}

QString SlotCaption(const SlotState& state) {
    if (state.kind == SlotKind::Problem && state.connectors + state.shapes == 0) {
        return QStringLiteral("no level");
    }
    return QStringLiteral("%1 \u00b7 %2\n%3")
        .arg(Counted(qsizetype(state.connectors), "connector", "connectors"),
             Counted(qsizetype(state.shapes), "shape", "shapes"),
             QLatin1String(state.solvable ? "solvable" : "not solvable"));
}

QString SlotDescription(const SlotState& state) {
    const char* mark = MarkOf(state).label;
    return QStringLiteral("%1, %2%3")
        .arg(SlotName(state.slot),
             SlotCaption(state).replace(QLatin1Char('\n'), QLatin1String(", ")),
             *mark ? QStringLiteral(", marked %1").arg(QLatin1String(mark)) : QString());
}

SlotEdit PlanExchange(const QString& packDir, int a, int b) {
    SlotEdit edit;
    SlotContent first;
    SlotContent second;
    edit.result = ReadSlotContent(packDir, a, first);
    if (edit.result.ok) {
        edit.result = ReadSlotContent(packDir, b, second);
    }
    if (edit.result.ok && a == b) {
        edit.result = {false, QStringLiteral("A slot cannot be exchanged with itself.")};
    }
    if (edit.result.ok) {
        edit.before = {first, second};
        edit.after = {{a, second.bytes}, {b, first.bytes}};
    }
    return edit;
}

SlotEdit PlanCopy(const QString& packDir, int from, int to) {
    SlotEdit edit;
    SlotContent source;
    SlotContent target;
    edit.result = ReadSlotContent(packDir, from, source);
    if (edit.result.ok) {
        edit.result = ReadSlotContent(packDir, to, target);
    }
    if (edit.result.ok && !source.bytes) {
        edit.result = {
            false, CannotRead(SlotPath(packDir, from), QStringLiteral("there is no such file"))};
    }
    if (edit.result.ok) {
        edit.before = {target};
        edit.after = {{to, source.bytes}};
    }
    return edit;
}

SlotEdit PlanReset(const QString& packDir, int slot) {
    SlotEdit edit;
    SlotContent target;
    std::optional<QByteArray> blank;
    edit.result = ReadSlotContent(packDir, slot, target);
    if (edit.result.ok) {
        edit.result = ReadSlotFile(TemplatePath(packDir), blank);
    }
    if (edit.result.ok && !blank) {
        edit.result = {false,
                       CannotRead(TemplatePath(packDir), QStringLiteral("there is no such file"))};
    }
    if (edit.result.ok) {
        edit.before = {target};
        edit.after = {{slot, blank}};
    }
    return edit;
}

FileResult ReplaceLevelFile(const QString& path, const QByteArray& bytes) {
    const FileResult replaced = ReplaceFile(PathBytes(path), bytes, Links::Refuse);
    return replaced.ok ? replaced : FileResult{false, CannotReplace(path, replaced.message)};
}

FileResult WriteSlots(const QString& packDir, const std::vector<SlotContent>& contents,
                      const SlotWriter& write) {
    FileResult result = CheckLevelsFolder(packDir);
    std::vector<SlotContent> earlier(contents.size());
    for (size_t i = 0; i < contents.size() && result.ok; ++i) {
        result = ReadSlotContent(packDir, contents[i].slot, earlier[i]);
    }
    for (size_t i = 0; i < contents.size() && result.ok; ++i) {
        result = WriteSlot(packDir, contents[i], write);
        for (size_t k = i; !result.ok && k-- > 0;) {
            if (!WriteSlot(packDir, earlier[k], write).ok) {
                result.message += QStringLiteral("\n%1 could not be put back as it was.")
                                      .arg(SlotPath(packDir, earlier[k].slot));
            }
        }
    }
    return result;
}

} // namespace kivo
