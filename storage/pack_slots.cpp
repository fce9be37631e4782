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

QString CannotRead(const QString& path, const QString& why) {
    return QStringLiteral("The level file %1 cannot be read: %2.")
        .arg(QuotedPath(PathBytes(path)), why);
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
    QStringList lines{QStringLiteral("The level file %1 has ids that do not hold together:")
                          .arg(QuotedPath(PathBytes(path)))};
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
        state.problem = loaded.message.toStdString();
        return reading;
    }
    const Level& level = reading.level;
    state.connectors = level.connectors.size();
    state.shapes = level.shapes.size();
    state.solvable =
        IsClassicModeSolvable(int16_t(level.connectors.size()), SmallestSideCount(level));
    if (const std::vector<QString> problems = IdProblems(level); !problems.empty()) {
        state.kind = SlotKind::Problem;
        state.problem = IdsProblem(path, problems).toStdString();
    } else {
        state.kind =
            HoldsTemplate(path, level, templateBytes) ? SlotKind::Template : SlotKind::Built;
    }
    return reading;
}

} // namespace kivo
