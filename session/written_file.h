// A file a slot edit wrote: its slot, its path and its bytes now, none when it was removed.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace kivo {

struct WrittenFile {
    int slot = 0;
    QString path;
    std::optional<QByteArray> bytes;
};

} // namespace kivo
