#include "checks.h"

#include "level/status_line.h"
#include "storage/level_file.h"
#include "storage/pack_store.h"

#include <QDir>
#include <QFileInfo>

#include <unordered_set>

namespace kivo {

namespace {

void CheckLevelFile(const QString& path, CheckReport& report) {
    ++report.levels;
    Level level;
    const FileResult result = LoadLevel(level, path);
    if (!result.ok) {
        report.problems.push_back({path, result.message});
        return;
    }
    for (const QString& dangling : DanglingIds(level)) {
        report.problems.push_back({path, dangling});
    }
}

// A pack holds config.txt and a level folder with unlimited.kvo and kivo1.kvo ... kivo100.kvo.
void CheckPack(const QString& packDir, CheckReport& report) {
    ++report.packs;
    const QDir pack(packDir);
    if (!QFileInfo(pack.filePath(QStringLiteral("config.txt"))).isFile()) {
        report.problems.push_back({pack.path(), QStringLiteral("the pack has no config.txt")});
    }
    const QDir levels(pack.filePath(QStringLiteral("kivo")));
    if (!levels.exists()) {
        report.problems.push_back(
            {pack.path(), QStringLiteral("the pack has no level folder kivo/")});
        return;
    }
    QStringList names{QStringLiteral("unlimited.kvo")};
    for (int i = 1; i <= PACK_LEVEL_COUNT; ++i) {
        names << QStringLiteral("kivo%1.kvo").arg(i);
    }
    for (const QString& name : names) {
        const QString path = levels.filePath(name);
        if (QFileInfo(path).isFile()) {
            CheckLevelFile(path, report);
        } else {
            report.problems.push_back({path, QStringLiteral("the level file is missing")});
        }
    }
}

// The data folder: the template level and one pack per subfolder, as the editor lists them.
void CheckDataFolder(const QString& dataDir, CheckReport& report) {
    const QDir data(dataDir);
    const QString templatePath = data.filePath(QStringLiteral("default.kvo"));
    if (QFileInfo(templatePath).isFile()) {
        CheckLevelFile(templatePath, report);
    } else {
        report.problems.push_back({templatePath, QStringLiteral("the template level is missing")});
    }
    const QStringList packs =
        data.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
    for (const QString& pack : packs) {
        CheckPack(data.filePath(pack), report);
    }
}

template <typename T> std::unordered_set<int16_t> IdsOf(const std::vector<T>& elements) {
    std::unordered_set<int16_t> ids;
    for (const T& e : elements) {
        ids.insert(e.id);
    }
    return ids;
}

} // namespace

void CheckPath(const QString& path, CheckReport& report) {
    const QFileInfo info(path);
    const QDir dir(path);
    if (!info.exists()) {
        report.problems.push_back({path, QStringLiteral("there is no such file or folder")});
    } else if (info.isFile()) {
        CheckLevelFile(path, report);
    } else if (QFileInfo(dir.filePath(QStringLiteral("config.txt"))).exists()) {
        CheckPack(path, report);
    } else if (QFileInfo(dir.filePath(QStringLiteral("kivo/default.kvo"))).exists()) {
        CheckDataFolder(dir.filePath(QStringLiteral("kivo")), report);
    } else if (QFileInfo(dir.filePath(QStringLiteral("default.kvo"))).exists() ||
               !QFileInfo(dir.filePath(QStringLiteral("kivo"))).isDir()) {
        CheckDataFolder(path, report);
    } else {
        CheckPack(path, report);
    }
}

std::vector<QString> DanglingIds(const Level& level) {
    std::vector<QString> dangling;
    const std::unordered_set<int16_t> points = IdsOf(level.points);
    const std::unordered_set<int16_t> connectors = IdsOf(level.connectors);
    for (size_t i = 0; i < level.connectors.size(); ++i) {
        for (int16_t id : level.connectors[i].pointIds) {
            if (!points.count(id)) {
                dangling.push_back(
                    QStringLiteral("connector %1 (id %2) ends at point id %3, which no point has")
                        .arg(i + 1)
                        .arg(level.connectors[i].id)
                        .arg(id));
            }
        }
    }
    for (size_t i = 0; i < level.shapes.size(); ++i) {
        const Shape& s = level.shapes[i];
        for (int k = 0; k < OutlineLength(s); ++k) {
            if (!connectors.count(s.connectorIds[k])) {
                dangling.push_back(
                    QStringLiteral(
                        "shape %1, outline entry %2, names connector id %3, which no connector has")
                        .arg(i + 1)
                        .arg(k + 1)
                        .arg(s.connectorIds[k]));
            }
        }
    }
    return dangling;
}

LevelSummary Summarize(const Level& level) {
    LevelSummary summary;
    summary.points = level.points.size();
    summary.connectors = level.connectors.size();
    summary.shapes = level.shapes.size();
    for (const Shape& s : level.shapes) {
        ++summary.shapesBySides[EntryTotal(s) - 1];
    }
    summary.smallestSideCount = SmallestSideCount(level);
    const bool solvable =
        IsClassicModeSolvable(int16_t(level.connectors.size()), int8_t(summary.smallestSideCount));
    summary.verdict = QString::fromLatin1(solvable ? SOLVABLE_TEXT : NOT_SOLVABLE_TEXT).trimmed();
    summary.targetScore = QString::fromStdString(level.targetScore);
    summary.expertScore = QString::fromStdString(level.expertScore);
    return summary;
}

} // namespace kivo
