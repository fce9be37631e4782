// Feeds arbitrary bytes to the level file's records and to the reading of their text: a file
// the records take must come back byte for byte through its text, and a text that reads must
// write a file whose text reads to the same file again.
#include "revision/level_text.h"
#include "storage/level/level_records.h"

#include <cstdint>
#include <cstdlib>

using namespace kivo;

static void ThroughText(const QByteArray& bytes) {
    LevelRecords records;
    if (!DecodeRecords(bytes, records).ok) {
        return;
    }
    const TextRecords parsed = ParseRecordsText(RecordsText(records));
    if (!parsed.ok || EncodeRecords(parsed.records) != bytes) {
        std::abort();
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    ThroughText(bytes);
    const TextRecords parsed =
        ParseRecordsText(std::string_view(reinterpret_cast<const char*>(data), size));
    if (parsed.ok) {
        ThroughText(EncodeRecords(parsed.records));
    }
    return 0;
}
