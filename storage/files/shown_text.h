// How paths and failures read in messages. Packs arrive zipped, copied from network drives or
// out of version control, so names need not be UTF-8 and may hold control characters.
#pragma once

#include <QString>

#include <string>
#include <sys/types.h>

namespace kivo {

// A path as text for messages: UTF-8 as it is, every byte that is not valid UTF-8 and every
// control character (which a terminal would act on) as \xNN, and a backslash doubled, so
// that each shown path maps back to one path, and a name that cannot be shown is still told
// apart from its neighbours.
QString ShownPath(const std::string& path);
// The path in quotes, for messages.
QString QuotedPath(const std::string& path);
// Whether bytes are valid UTF-8 (no overlong forms, no surrogates).
bool IsValidUtf8(const std::string& bytes);

// Why a call failed, in words; a full disk says so.
QString ErrnoText(int error);
// "a FIFO", "a device", ... for a file's mode.
QString KindOf(mode_t mode);

} // namespace kivo
