// The plain scans that the level reader's indexes must agree with, kept for the tests and the
// fuzzer that compare the two and the benchmarks that measure the difference. The editor
// itself uses level_file.h.
#pragma once

#include "storage/files/file_io.h"

#include "level/level.h"

#include <QByteArray>

namespace kivo {

// DecodeLevel merging points and connectors by scanning the lists.
FileResult DecodeLevelByScan(const QByteArray& bytes, Level& into);

} // namespace kivo
