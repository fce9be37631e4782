// The .kvo level file: little-endian 16-bit words and the exact bits of 32-bit floats, with no
// header. Points, then connectors, then shape outlines, then the target and expert scores.
#pragma once

#include "storage/files/file_io.h"

#include "level/level.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace kivo {

// Level files end in ".kvo"; the name a level is saved under gets it appended unless the
// name ends in it exactly.
constexpr const char* LEVEL_FILE_EXTENSION = ".kvo";
QString WithLevelExtension(const QString& path);

// The bytes of a level as a file holds them, or why they cannot be written (a score that does
// not fit 16 bits, more elements than the file's counts can hold).
struct Encoded {
    FileResult result;
    QByteArray bytes;
};
Encoded EncodeLevel(const Level& level);
// The length of the bytes EncodeLevel gives, worked out without encoding.
qsizetype EncodedSize(const Level& level);

// Saves the level atomically: the file holds either the old level or the new one, never
// part of either. On success the three counters are set to the list lengths and the bytes
// written come back; on failure neither the level nor the file changes.
Encoded SaveLevel(Level& level, const QString& path);

// Replaces the level's elements, counters, smallest side count and score texts with the
// file's, and gives back the bytes it decoded, from one read. A missing, unreadable or
// malformed file, or one that is not a regular file, is refused and the level stays as it was;
// the message names the file.
FileBytes LoadLevel(Level& level, const QString& path);
// The same for a path given as the file system's bytes, which need not be UTF-8; the message
// says why alone, for callers that name the file themselves.
FileBytes ReadLevelAt(Level& level, const std::string& pathBytes);

// Reads a level from bytes into `into` (which keeps its other values); on failure the
// message says what is wrong with the bytes, and `into` is untouched.
FileResult DecodeLevel(const QByteArray& bytes, Level& into);

// A score field's text read as the file stores it: leading spaces, an optional sign, then
// digits up to the first other character; no digits read as 0. None when out of 16 bits.
std::optional<int16_t> ParseScore(const std::string& text);

// The longest file the format can describe; anything past it would be after the scores.
constexpr qint64 MAX_LEVEL_FILE_BYTES =
    2 + 10 * 32767 + 2 + 6 * 32767 + 2 + 32768LL * (2 + 10 * MAX_SHAPE_ENTRIES) + 4;

} // namespace kivo
