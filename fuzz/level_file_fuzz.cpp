// Feeds arbitrary bytes to the level file reader, checks it against the reader that scans
// instead of using indexes, and hands what it accepts to the editing operations, the writer
// and the reader again.
#include "construction/level_transform.h"
#include "construction/polygon.h"
#include "level/drawing.h"
#include "level/element_ops.h"
#include "level/shape_deletion.h"
#include "level/status_line.h"
#include "storage/level/level_file.h"
#include "storage/level/reference_scans.h"

#include <cstdint>
#include <cstdlib>

using namespace kivo;

static void EditAsADesignerWould(Level& level) {
    RandomSource random = MakeRandomSource(1);
    UpdateStatusLine(level);
    DrawingList(level);
    PlacePolygon(level, random, 300.0f, 200.0f, 3);
    if (!level.shapes.empty()) {
        DeleteShape(level, NearestShape(level, 300.0f, 200.0f));
    }
    CenterLevel(level);
    RotateLevel(level, 45.0f);
    UpdateStatusLine(level);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    Level level;
    const FileResult read = DecodeLevel(bytes, level);
    // The indexes must read every input as the scans do, refusals included.
    Level scanned;
    const FileResult scan = DecodeLevelByScan(bytes, scanned);
    if (scan.ok != read.ok || scan.message != read.message || !(scanned == level)) {
        std::abort();
    }
    if (!read.ok) {
        return 0;
    }
    // What was read must be written and read back to the same bytes.
    const QByteArray written = EncodeLevel(level).bytes;
    Level reread;
    if (!DecodeLevel(written, reread).ok || EncodeLevel(reread).bytes != written) {
        std::abort();
    }
    EditAsADesignerWould(level);
    return 0;
}
