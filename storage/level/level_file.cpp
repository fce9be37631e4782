#include "level_file.h"
#include "reference_scans.h"

#include "storage/files/call_seam.h"
#include "storage/files/paths.h"
#include "storage/files/shown_text.h"

#include "level/element_index.h"
#include "level/element_ops.h"

#include <algorithm>
#include <cstring>

namespace kivo {

namespace {

constexpr int POINT_RECORD_BYTES = 10;
constexpr int CONNECTOR_RECORD_BYTES = 6;
constexpr int ENTRY_BYTES = 10;
constexpr int SCORE_BYTES = 4;
constexpr int MIN_SHAPE_ENTRIES = 2;
constexpr int16_t MAX_RECORD_COUNT = 32767;

void PutWord(QByteArray& out, int16_t v) {
    const auto u = static_cast<uint16_t>(v);
    out.append(char(u & 0xFF));
    out.append(char(u >> 8));
}

void PutFloat(QByteArray& out, float v) {
    uint32_t u = 0;
    std::memcpy(&u, &v, sizeof u);
    for (int shift = 0; shift < 32; shift += 8) {
        out.append(char((u >> shift) & 0xFF));
    }
}

// Reads words and floats from the front of the bytes; callers check the room first.
struct Reader {
    const QByteArray& bytes;
    qint64 pos = 0;

    qint64 Left() const { return bytes.size() - pos; }
    uint8_t Byte() { return static_cast<uint8_t>(bytes[pos++]); }
    int16_t Word() {
        const uint16_t low = Byte();
        return static_cast<int16_t>(low | uint16_t(Byte()) << 8);
    }
    float Float() {
        uint32_t u = 0;
        for (int shift = 0; shift < 32; shift += 8) {
            u |= uint32_t(Byte()) << shift;
        }
        float v = 0.0f;
        std::memcpy(&v, &u, sizeof v);
        return v;
    }
};

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

QString Truncated(const char* what, qint64 index, qint64 count) {
    return QStringLiteral("the file ends inside %1 %2 of %3").arg(what).arg(index + 1).arg(count);
}

// Reads a record count and checks that the records it promises are all there.
QString ReadCount(Reader& in, int16_t& count, const char* what, int recordBytes) {
    if (in.Left() < 2) {
        return QStringLiteral("the file ends before the %1 count").arg(QLatin1String(what));
    }
    count = in.Word();
    if (count < 0) {
        return QStringLiteral("the %1 count %2 is negative").arg(QLatin1String(what)).arg(count);
    }
    if (in.Left() < qint64(count) * recordBytes) {
        return Truncated(what, in.Left() / recordBytes, count);
    }
    return {};
}

QString ReadPoints(Reader& in, Level& level, Merging& merging) {
    QString error = ReadCount(in, level.pointCount, "point", POINT_RECORD_BYTES);
    if (error.isEmpty()) {
        merging.Reserve(level, size_t(level.pointCount), 0);
    }
    for (int i = 0; error.isEmpty() && i < level.pointCount; ++i) {
        const int16_t id = in.Word();
        const float x = in.Float();
        merging.MergePoint(level, id, x, in.Float());
    }
    return error;
}

QString ReadConnectors(Reader& in, Level& level, Merging& merging) {
    QString error = ReadCount(in, level.connectorCount, "connector", CONNECTOR_RECORD_BYTES);
    if (error.isEmpty()) {
        merging.Reserve(level, 0, size_t(level.connectorCount));
    }
    for (int i = 0; error.isEmpty() && i < level.connectorCount; ++i) {
        const int16_t id = in.Word();
        const int16_t a = in.Word();
        merging.MergeConnector(level, id, a, in.Word());
    }
    return error;
}

QString ReadShape(Reader& in, Level& level, int index, qint64 shapes) {
    if (in.Left() < 2) {
        return Truncated("shape", index, shapes);
    }
    const int16_t entries = in.Word();
    if (entries < MIN_SHAPE_ENTRIES || entries > MAX_SHAPE_ENTRIES) {
        return QStringLiteral("shape %1 has %2 outline entries; a shape has 2 to 17")
            .arg(index + 1)
            .arg(entries);
    }
    if (in.Left() < qint64(entries) * ENTRY_BYTES) {
        return Truncated("shape", index, shapes);
    }
    const auto sides = static_cast<int8_t>(entries - 1);
    if (sides < level.smallestSideCount) {
        level.smallestSideCount = sides;
    }
    int16_t connectors[MAX_SHAPE_ENTRIES];
    float x[MAX_SHAPE_ENTRIES];
    float y[MAX_SHAPE_ENTRIES];
    for (int k = 0; k < entries; ++k) {
        connectors[k] = in.Word();
        x[k] = in.Float();
        y[k] = in.Float();
    }
    AddShape(level, static_cast<int16_t>(index));
    AppendShapeEntries(level.shapes.back(), entries, x, y, connectors);
    return {};
}

QString ReadShapes(Reader& in, Level& level, Merging& merging) {
    merging.Release();
    if (in.Left() < 2) {
        return QStringLiteral("the file ends before the shape count");
    }
    level.shapeCount = in.Word();
    if (level.shapeCount < -1) {
        return QStringLiteral("the last shape index %1 is below -1").arg(level.shapeCount);
    }
    const qint64 shapes = qint64(level.shapeCount) + 1;
    // Room is reserved only for the shapes the bytes can hold, each at least a count and two
    // entries; each shape then says itself what is wrong with it.
    level.shapes.reserve(
        size_t(std::min(shapes, in.Left() / (2 + MIN_SHAPE_ENTRIES * ENTRY_BYTES))));
    level.smallestSideCount = NO_SHAPE_MINIMUM;
    for (int s = 0; s < shapes; ++s) {
        if (QString error = ReadShape(in, level, s, shapes); !error.isEmpty()) {
            return error;
        }
    }
    return {};
}

QString ReadScores(Reader& in, Level& level, Merging&) {
    if (in.Left() < SCORE_BYTES) {
        return QStringLiteral("the file ends before the target and expert scores");
    }
    level.targetScore = std::to_string(in.Word());
    level.expertScore = std::to_string(in.Word());
    return {};
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
    QByteArray& out = result.bytes;
    PutWord(out, int16_t(level.points.size()));
    for (const Point& p : level.points) {
        PutWord(out, p.id);
        PutFloat(out, p.x);
        PutFloat(out, p.y);
    }
    PutWord(out, int16_t(level.connectors.size()));
    for (const Connector& c : level.connectors) {
        PutWord(out, c.id);
        PutWord(out, c.pointIds[0]);
        PutWord(out, c.pointIds[1]);
    }
    PutWord(out, int16_t(int(level.shapes.size()) - 1));
    for (const Shape& s : level.shapes) {
        const int entries = OutlineLength(s);
        PutWord(out, int16_t(entries));
        for (int k = 0; k < entries; ++k) {
            PutWord(out, s.connectorIds[k]);
            PutFloat(out, s.entryX[k]);
            PutFloat(out, s.entryY[k]);
        }
    }
    PutWord(out, *target);
    PutWord(out, *expert);
    return result;
}

static FileResult Decode(const QByteArray& bytes, Level& into, bool indexed) {
    Level level;
    level.lastRotationAngle = into.lastRotationAngle;
    Reader in{bytes};
    Merging merging;
    merging.indexed = indexed;
    for (auto section : {ReadPoints, ReadConnectors, ReadShapes, ReadScores}) {
        if (QString error = section(in, level, merging); !error.isEmpty()) {
            return {false, error};
        }
    }
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
