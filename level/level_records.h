// A level file's records exactly as stored: the counts as written (negative ones included),
// every record in file order with its ids, and any bytes after the expert score. Loading a
// level merges near points and repeated connectors and recounts; these records do neither,
// so that a file can be shown and rebuilt byte for byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kivo {

struct PointRecord {
    int16_t id = 0;
    float x = 0.0f;
    float y = 0.0f;
};

struct ConnectorRecord {
    int16_t id = 0;
    int16_t ends[2] = {0, 0};
};

struct EntryRecord {
    int16_t connectorId = 0;
    float x = 0.0f;
    float y = 0.0f;
};

// A stored entry count of 0 or less is followed by no entries. The entries of all shapes
// stand in one list, in file order; a shape's begin at firstEntry.
struct ShapeRecord {
    int16_t entryCount = 0;
    size_t firstEntry = 0;
};

struct LevelRecords {
    int16_t pointCount = 0;
    std::vector<PointRecord> points;
    int16_t connectorCount = 0;
    std::vector<ConnectorRecord> connectors;
    int16_t lastShapeIndex = -1;
    std::vector<ShapeRecord> shapes;
    std::vector<EntryRecord> entries;
    int16_t targetScore = 0;
    int16_t expertScore = 0;
    std::string tail; // bytes after the expert score, which no reader looks at
};

// How many records a stored count is followed by.
inline int RecordsFor(int16_t count) {
    return count > 0 ? count : 0;
}
inline int ShapesFor(int16_t lastShapeIndex) {
    return lastShapeIndex >= 0 ? lastShapeIndex + 1 : 0;
}

struct Shape;

// Appends a shape record's entries to a shape as loading does, centre and all; nothing when
// they do not fit its outline.
bool AppendRecordEntries(Shape& shape, const LevelRecords& records, const ShapeRecord& record);

} // namespace kivo
