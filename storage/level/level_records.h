// The .kvo level file's byte layout, read into and written from its records as stored. The
// level reader decodes through here, so a file that loads is exactly a file whose records
// decode; kivo-level's dump and build work on the same records.
#pragma once

#include "storage/files/file_io.h"

#include "level/level_records.h"

#include <QByteArray>

namespace kivo {

// Reads the records from bytes; on failure the message says what is wrong with the bytes,
// and `into` is untouched. Counts of 0 or less are followed by no records. A shape of more
// than MAX_SHAPE_ENTRIES entries is refused, as the level cannot hold it.
FileResult DecodeRecords(const QByteArray& bytes, LevelRecords& into);

// The bytes of the records, counts as stored, tail last. The records must be as many as their
// counts say (RecordsFor, ShapesFor).
QByteArray EncodeRecords(const LevelRecords& records);

// How many bytes records of these sizes take, without encoding them.
qsizetype RecordsSize(qsizetype points, qsizetype connectors, qsizetype shapes, qsizetype entries,
                      qsizetype tail = 0);

} // namespace kivo
