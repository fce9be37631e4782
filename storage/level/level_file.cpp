#include "level_file.h"
#include "level_records.h"
#include "reference_scans.h"

#include "storage/files/call_seam.h"
#include "storage/files/paths.h"
#include "storage/files/shown_text.h"

#include "level/element_index.h"
#include "level/element_ops.h"

#include <algorithm>

namespace kivo {

namespace {

constexpr int16_t MAX_RECORD_COUNT = 32767;

std::optional<int16_t> ScoreOf(const std::string& text, const char* field, FileResult& result) {
    const std::optional<int16_t> score = ParseScore(text);
    if (!score) {
        result.ok = false;
        result.message = QStringLiteral("the %1 \"%2\" is outside the range -32768 to 32767")
                             .arg(QString::fromLatin1(field), QString::fromStdString(text));
    }
    return score;
}

// Merging points and connectors as the file is read: through indexes, or by scanning the
// lists as the reference.
struct Merging {
    bool indexed = true;
    PointGrid grid;
    ConnectorIndex connectors;

    int16_t MergePoint(Level& level, int16_t id, float x, float y) {
        return indexed ? AddPoint(level, grid, id, x, y) : AddPoint(level, id, x, y);
    }
    int16_t MergeConnector(Level& level, int16_t id, int16_t a, int16_t b) {
        return indexed ? AddConnector(level, connectors, id, a, b) : AddConnector(level, id, a, b);
    }
    // The merging is over once the connectors are read: the tables go before the outlines
    // take their room, so that a large load asks the system for less fresh memory.
    void Release() {
        grid = {};
        connectors = {};
    }
    // Room for the records the bytes are known to hold, so that reading allocates up front.
    void Reserve(Level& level, size_t points, size_t connectorRecords) {
        level.points.reserve(points);
        level.connectors.reserve(connectorRecords);
        if (indexed) {
            kivo::Reserve(grid, points);
            kivo::Reserve(connectors, connectorRecords);
        }
    }
};

// Fills the level from the file's records as the editor's element operations would, one
// record at a time: near points and repeated connectors merge, ids stay as stored.
void FillLevel(const LevelRecords& records, Level& level, Merging& merging) {
    level.pointCount = records.pointCount;
    level.connectorCount = records.connectorCount;
    merging.Reserve(level, records.points.size(), records.connectors.size());
    for (const PointRecord& p : records.points) {
        merging.MergePoint(level, p.id, p.x, p.y);
    }
    for (const ConnectorRecord& c : records.connectors) {
        merging.MergeConnector(level, c.id, c.ends[0], c.ends[1]);
    }
    merging.Release();
    level.shapeCount = records.lastShapeIndex;
    level.smallestSideCount = NO_SHAPE_MINIMUM;
    level.shapes.reserve(records.shapes.size());
    for (size_t s = 0; s < records.shapes.size(); ++s) {
        const ShapeRecord& shape = records.shapes[s];
        const auto sides = static_cast<int8_t>(shape.entryCount - 1);
        if (sides < level.smallestSideCount) {
            level.smallestSideCount = sides;
        }
        AddShape(level, static_cast<int16_t>(s));
        AppendRecordEntries(level.shapes.back(), records, shape);
    }
    level.targetScore = std::to_string(records.targetScore);
    level.expertScore = std::to_string(records.expertScore);
}

// Messages name the file as every message does (QuotedPath); the reason comes from below.
QString CannotLoad(const std::string& path, const QString& why) {
    return QStringLiteral("The level file %1 cannot be loaded: %2.").arg(QuotedPath(path), why);
}

QString CannotSave(const QString& path, const QString& why) {
    return QStringLiteral("The level cannot be saved to %1: %2.")
        .arg(QuotedPath(PathBytes(path)), why);
}

} // namespace

std::optional<int16_t> ParseScore(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > 32768) {
            return std::nullopt;
        }
    }
    value = negative ? -value : value;
    if (value > 32767) {
        return std::nullopt;
    }
    return static_cast<int16_t>(value);
}

Encoded EncodeLevel(const Level& level) {
    Encoded result;
    const std::optional<int16_t> target = ScoreOf(level.targetScore, "target score", result.result);
    const std::optional<int16_t> expert = ScoreOf(level.expertScore, "expert score", result.result);
    if (!target || !expert) {
        return result;
    }
    if (level.points.size() > size_t(MAX_RECORD_COUNT) ||
        level.connectors.size() > size_t(MAX_RECORD_COUNT) ||
        level.shapes.size() > size_t(MAX_RECORD_COUNT) + 1) {
        result.result = {false,
                         QStringLiteral("the level has more elements than a level file can hold")};
        return result;
    }
    LevelRecords records;
    records.pointCount = int16_t(level.points.size());
    records.points.reserve(level.points.size());
    for (const Point& p : level.points) {
        records.points.push_back({p.id, p.x, p.y});
    }
    records.connectorCount = int16_t(level.connectors.size());
    records.connectors.reserve(level.connectors.size());
    for (const Connector& c : level.connectors) {
        records.connectors.push_back({c.id, {c.pointIds[0], c.pointIds[1]}});
    }
    records.lastShapeIndex = int16_t(int(level.shapes.size()) - 1);
    records.shapes.reserve(level.shapes.size());
    for (const Shape& s : level.shapes) {
        const int entries = OutlineLength(s);
        records.shapes.push_back({int16_t(entries), records.entries.size()});
        for (int k = 0; k < entries; ++k) {
            records.entries.push_back({s.connectorIds[k], s.entryX[k], s.entryY[k]});
        }
    }
    records.targetScore = *target;
    records.expertScore = *expert;
    result.bytes = EncodeRecords(records);
    return result;
}

qsizetype EncodedSize(const Level& level) {
    qsizetype entries = 0;
    for (const Shape& s : level.shapes) {
        entries += OutlineLength(s);
    }
    return RecordsSize(qsizetype(level.points.size()), qsizetype(level.connectors.size()),
                       qsizetype(level.shapes.size()), entries);
}

static FileResult Decode(const QByteArray& bytes, Level& into, bool indexed) {
    LevelRecords records;
    if (FileResult read = DecodeRecords(bytes, records); !read.ok) {
        return read;
    }
    Level level;
    level.lastRotationAngle = into.lastRotationAngle;
    Merging merging;
    merging.indexed = indexed;
    FillLevel(records, level, merging);
    RefreshConnectorEnds(level);
    into = std::move(level);
    return {};
}

FileResult DecodeLevel(const QByteArray& bytes, Level& into) {
    return Decode(bytes, into, true);
}

FileResult DecodeLevelByScan(const QByteArray& bytes, Level& into) {
    return Decode(bytes, into, false);
}

QString WithLevelExtension(const QString& path) {
    const QString extension = QString::fromLatin1(LEVEL_FILE_EXTENSION);
    return path.endsWith(extension, Qt::CaseSensitive) ? path : path + extension;
}

// What follows the scores is not part of the level, so no more is read than a level can take.
FileBytes ReadLevelAt(Level& level, const std::string& pathBytes) {
    FileBytes read = ReadFileStart(pathBytes, MAX_LEVEL_FILE_BYTES, Links::Follow);
    SeamError("read level"); // a test may change the file right after it was read
    if (read.result.ok) {
        read.result = DecodeLevel(read.bytes, level);
    }
    if (!read.result.ok) {
        return {{false, read.result.message}, {}};
    }
    return read;
}

FileBytes LoadLevel(Level& level, const QString& path) {
    FileBytes read = ReadLevelAt(level, PathBytes(path));
    if (!read.result.ok) {
        read.result.message = CannotLoad(PathBytes(path), read.result.message);
    }
    return read;
}

Encoded SaveLevel(Level& level, const QString& path) {
    Encoded encoded = EncodeLevel(level);
    if (encoded.result.ok) {
        encoded.result = ReplaceFile(PathBytes(path), encoded.bytes, Links::Follow);
    }
    if (!encoded.result.ok) {
        return {{false, CannotSave(path, encoded.result.message)}, {}};
    }
    CountAsSaved(level);
    return encoded;
}

} // namespace kivo
