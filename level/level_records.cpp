#include "level_records.h"

#include "element_ops.h"

namespace kivo {

bool AppendRecordEntries(Shape& shape, const LevelRecords& records, const ShapeRecord& record) {
    const int entries = RecordsFor(record.entryCount);
    if (entries > MAX_SHAPE_ENTRIES) {
        return false;
    }
    int16_t connectors[MAX_SHAPE_ENTRIES];
    float x[MAX_SHAPE_ENTRIES];
    float y[MAX_SHAPE_ENTRIES];
    for (int k = 0; k < entries; ++k) {
        const EntryRecord& e = records.entries[record.firstEntry + size_t(k)];
        connectors[k] = e.connectorId;
        x[k] = e.x;
        y[k] = e.y;
    }
    return AppendShapeEntries(shape, entries, x, y, connectors);
}

} // namespace kivo
