#include "slot_reading.h"

#include "storage/files/paths.h"
#include "storage/files/shown_text.h"
#include "storage/level/id_problems.h"
#include "storage/level/level_file.h"

#include "level/status_line.h"

#include <QStringList>

namespace kivo {

namespace {

// A tooltip or message box has room for a few broken ids; the rest are counted.
constexpr int SHOWN_ID_PROBLEMS = 5;

QString IdsProblem(const std::string& path, const std::vector<QString>& problems) {
    QStringList lines{QStringLiteral("The level file %1 has ids that do not hold together:")
                          .arg(QuotedPath(path))};
    for (size_t i = 0; i < problems.size() && i < size_t(SHOWN_ID_PROBLEMS); ++i) {
        lines << problems[i];
    }
    if (problems.size() > size_t(SHOWN_ID_PROBLEMS)) {
        lines << QStringLiteral("and %1 more").arg(problems.size() - SHOWN_ID_PROBLEMS);
    }
    return lines.join(QLatin1Char('\n'));
}

SlotReading Problem(int slot, const QString& message) {
    SlotReading reading;
    reading.state.slot = slot;
    reading.state.kind = SlotKind::Problem;
    reading.state.problem = message.toStdString();
    return reading;
}

} // namespace

QString PackDisplayName(const Pack& pack) {
    const ConfigRead read = ReadConfig(pack);
    const std::string& name = read.config.lines[0];
    return name.empty() ? PathText(NamePart(pack.folder)) : ShownPackText(name);
}

std::optional<QByteArray> TemplateBytes(const Pack& pack) {
    return ReadTemplate(DataFolderOf(pack)).bytes;
}

SlotReading ReadSlotState(const Pack& pack, int slot, const std::optional<QByteArray>& blank) {
    const std::string path = SlotPath(pack, slot);
    const PackFile read = ReadSlot(pack, slot);
    if (!read.bytes) {
        return Problem(slot, read.result.ok
                                 ? QStringLiteral("The level file %1 cannot be loaded: there is "
                                                  "no such file.")
                                       .arg(QuotedPath(path))
                                 : read.result.message);
    }
    SlotReading reading;
    if (const FileResult decoded = DecodeLevel(*read.bytes, reading.level); !decoded.ok) {
        return Problem(slot, QStringLiteral("The level file %1 cannot be loaded: %2.")
                                 .arg(QuotedPath(path), decoded.message));
    }
    const Level& level = reading.level;
    SlotState& state = reading.state;
    state.slot = slot;
    state.connectors = level.connectors.size();
    state.shapes = level.shapes.size();
    state.solvable =
        IsClassicModeSolvable(int16_t(level.connectors.size()), SmallestSideCount(level));
    if (const std::vector<QString> problems = IdProblems(level); !problems.empty()) {
        state.kind = SlotKind::Problem;
        state.problem = IdsProblem(path, problems).toStdString();
    } else {
        const bool empty = level.points.empty() && level.connectors.empty() && level.shapes.empty();
        state.kind = empty || read.bytes == blank ? SlotKind::Template : SlotKind::Built;
    }
    return reading;
}

} // namespace kivo
