#include "level_records.h"

#include "level/level.h"

#include <algorithm>
#include <cstring>

namespace kivo {

namespace {

constexpr int POINT_RECORD_BYTES = 10;
constexpr int CONNECTOR_RECORD_BYTES = 6;
constexpr int ENTRY_BYTES = 10;
constexpr int SCORE_BYTES = 4;

// Writes words and floats little-endian into bytes sized for them beforehand: a level of tens of
// thousands of values is encoded on every edit that keeps the file's length, so each value is
// stored in place rather than appended.
struct Writer {
    char* at;

    void Word(int16_t v) {
        const auto u = static_cast<uint16_t>(v);
        *at++ = char(u & 0xFF);
        *at++ = char(u >> 8);
    }
    void Float(float v) {
        uint32_t u = 0;
        std::memcpy(&u, &v, sizeof u);
        for (int shift = 0; shift < 32; shift += 8) {
            *at++ = char((u >> shift) & 0xFF);
        }
    }
};

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

QString Truncated(const char* what, qint64 index, qint64 count) {
    return QStringLiteral("the file ends inside %1 %2 of %3").arg(what).arg(index + 1).arg(count);
}

// Reads a record count and checks that the records it promises are all there.
QString ReadCount(Reader& in, int16_t& count, const char* what, int recordBytes) {
    if (in.Left() < 2) {
        return QStringLiteral("the file ends before the %1 count").arg(QLatin1String(what));
    }
    count = in.Word();
    if (in.Left() < qint64(RecordsFor(count)) * recordBytes) {
        return Truncated(what, in.Left() / recordBytes, count);
    }
    return {};
}

QString ReadPoints(Reader& in, LevelRecords& records) {
    QString error = ReadCount(in, records.pointCount, "point", POINT_RECORD_BYTES);
    if (error.isEmpty()) {
        records.points.resize(size_t(RecordsFor(records.pointCount)));
    }
    for (PointRecord& p : records.points) {
        p.id = in.Word();
        p.x = in.Float();
        p.y = in.Float();
    }
    return error;
}

QString ReadConnectors(Reader& in, LevelRecords& records) {
    QString error = ReadCount(in, records.connectorCount, "connector", CONNECTOR_RECORD_BYTES);
    if (error.isEmpty()) {
        records.connectors.resize(size_t(RecordsFor(records.connectorCount)));
    }
    for (ConnectorRecord& c : records.connectors) {
        c.id = in.Word();
        c.ends[0] = in.Word();
        c.ends[1] = in.Word();
    }
    return error;
}

QString ReadShape(Reader& in, LevelRecords& records, int index, qint64 shapes) {
    ShapeRecord& shape = records.shapes.emplace_back();
    shape.firstEntry = records.entries.size();
    if (in.Left() < 2) {
        return Truncated("shape", index, shapes);
    }
    shape.entryCount = in.Word();
    if (shape.entryCount > MAX_SHAPE_ENTRIES) {
        return QStringLiteral("shape %1 has %2 outline entries; a shape has at most 17")
            .arg(index + 1)
            .arg(shape.entryCount);
    }
    const int entries = RecordsFor(shape.entryCount);
    if (in.Left() < qint64(entries) * ENTRY_BYTES) {
        return Truncated("shape", index, shapes);
    }
    for (int k = 0; k < entries; ++k) {
        EntryRecord& e = records.entries.emplace_back();
        e.connectorId = in.Word();
        e.x = in.Float();
        e.y = in.Float();
    }
    return {};
}

QString ReadShapes(Reader& in, LevelRecords& records) {
    if (in.Left() < 2) {
        return QStringLiteral("the file ends before the shape count");
    }
    records.lastShapeIndex = in.Word();
    const qint64 shapes = ShapesFor(records.lastShapeIndex);
    // Room only for the shapes the bytes can hold, each at least its count; each shape then
    // says itself what is wrong with it.
    records.shapes.reserve(size_t(std::min(shapes, in.Left() / 2)));
    records.entries.reserve(size_t(in.Left() / ENTRY_BYTES));
    for (int s = 0; s < shapes; ++s) {
        if (QString error = ReadShape(in, records, s, shapes); !error.isEmpty()) {
            return error;
        }
    }
    return {};
}

QString ReadScores(Reader& in, LevelRecords& records) {
    if (in.Left() < SCORE_BYTES) {
        return QStringLiteral("the file ends before the target and expert scores");
    }
    records.targetScore = in.Word();
    records.expertScore = in.Word();
    records.tail.assign(in.bytes.constData() + in.pos, size_t(in.Left()));
    return {};
}

} // namespace

FileResult DecodeRecords(const QByteArray& bytes, LevelRecords& into) {
    LevelRecords records;
    Reader in{bytes};
    for (auto section : {ReadPoints, ReadConnectors, ReadShapes, ReadScores}) {
        if (QString error = section(in, records); !error.isEmpty()) {
            return {false, error};
        }
    }
    into = std::move(records);
    return {};
}

qsizetype RecordsSize(qsizetype points, qsizetype connectors, qsizetype shapes, qsizetype entries,
                      qsizetype tail) {
    return 2 + POINT_RECORD_BYTES * points + 2 + CONNECTOR_RECORD_BYTES * connectors + 2 +
           2 * shapes + ENTRY_BYTES * entries + SCORE_BYTES + tail;
}

QByteArray EncodeRecords(const LevelRecords& records) {
    qsizetype entries = 0;
    for (const ShapeRecord& shape : records.shapes) {
        entries += RecordsFor(shape.entryCount);
    }
    QByteArray out(
        RecordsSize(qsizetype(records.points.size()), qsizetype(records.connectors.size()),
                    qsizetype(records.shapes.size()), entries, qsizetype(records.tail.size())),
        Qt::Uninitialized);
    Writer put{out.data()};
    put.Word(records.pointCount);
    for (const PointRecord& p : records.points) {
        put.Word(p.id);
        put.Float(p.x);
        put.Float(p.y);
    }
    put.Word(records.connectorCount);
    for (const ConnectorRecord& c : records.connectors) {
        put.Word(c.id);
        put.Word(c.ends[0]);
        put.Word(c.ends[1]);
    }
    put.Word(records.lastShapeIndex);
    for (const ShapeRecord& s : records.shapes) {
        put.Word(s.entryCount);
        const size_t end = s.firstEntry + size_t(RecordsFor(s.entryCount));
        for (size_t k = s.firstEntry; k < end; ++k) {
            const EntryRecord& e = records.entries[k];
            put.Word(e.connectorId);
            put.Float(e.x);
            put.Float(e.y);
        }
    }
    put.Word(records.targetScore);
    put.Word(records.expertScore);
    std::copy(records.tail.begin(), records.tail.end(), put.at);
    return out;
}

} // namespace kivo
