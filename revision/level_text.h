// The level file's records as text a designer can read, hand-edit and put under version
// control: one record a line in file order, every value exactly as stored. Reading the text
// back gives the same records, so a file survives a trip through its text byte for byte.
#pragma once

#include "level/level_records.h"

#include <string>
#include <string_view>

namespace kivo {

// The text of the records. Besides the records it holds comment lines ("# ...") with what a
// reviewer needs and the file does not say: each shape's side count and its centre in level
// pixels.
std::string RecordsText(const LevelRecords& records);

// What reading a text came to: the records, or the first line that cannot be part of a level
// file and what is wrong with it.
struct TextRecords {
    bool ok = false;
    int line = 0; // 1-based; 0 when the whole text is at fault
    std::string error;
    LevelRecords records;
};
TextRecords ParseRecordsText(std::string_view text);

// A float as text that reads back to the same bits: the shortest decimal that does, followed
// for NaNs, negative zero and subnormals by the bits in hex, "nan(0x7fc00000)".
std::string FloatText(float v);

} // namespace kivo
