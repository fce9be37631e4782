// A start directory in a temporary folder holding one pack of 101 template slots, with the
// levels the pack tests put into its slots.
#pragma once

#include "clicks.h"
#include "test_files.h"

#include "storage/files/paths.h"
#include "storage/level/level_file.h"
#include "storage/pack/pack.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <map>
#include <ostream>

// Texts in test failures as the text they are.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace kivo {

const QByteArray EMPTY_LEVEL("\x00\x00\x00\x00\xff\xff\x64\x00\xc8\x00", 10);

// Polygons with these side counts clicked side by side, as file bytes.
inline QByteArray LevelOf(std::initializer_list<int> sides) {
    Clicks clicks;
    float x = 300.0f;
    for (int s : sides) {
        clicks.Click(x, 250.0f, s);
        x += 40.0f;
    }
    return EncodeLevel(clicks.level).bytes;
}

inline QByteArray Triangle() {
    return LevelOf({3});
}
// 7 connectors and a smallest side count of 4.
inline QByteArray TwoSquares() {
    return LevelOf({4, 4});
}

struct SlotPack {
    QTemporaryDir base;
    QString data = base.filePath(QString::fromLatin1(DATA_FOLDER_NAME));
    QString pack = data + "/1_pak";

    SlotPack() {
        QDir().mkpath(pack + "/" + LEVELS_FOLDER_NAME);
        Write(data + "/" + TEMPLATE_LEVEL_NAME, EMPTY_LEVEL);
        Write(pack + "/" + CONFIG_FILE_NAME, "Slots\r\nme\r\n1.1.2026\r\n1\r\n");
        for (int slot = 0; slot < PACK_SLOT_COUNT; ++slot) {
            Put(slot, EMPTY_LEVEL);
        }
    }
    Pack value() const { return PackAt(pack); }
    QString Path(int slot) const { return PathText(SlotPath(value(), slot)); }
    QString TemplateFile() const { return data + "/" + TEMPLATE_LEVEL_NAME; }
    QByteArray Bytes(int slot) const { return ReadAll(Path(slot)); }
    void Put(int slot, const QByteArray& bytes) const { Write(Path(slot), bytes); }
    // Every file below the data folder with its bytes.
    std::map<QString, QByteArray> Files() const {
        std::map<QString, QByteArray> files;
        for (QDirIterator it(data, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
             it.hasNext();) {
            const QString path = it.next();
            files[path] = ReadAll(path);
        }
        return files;
    }
};

// The pack with a triangle in slot 1, two squares in slot 2 and no file in slot 3.
struct FilledPack : SlotPack {
    FilledPack() {
        Put(1, Triangle());
        Put(2, TwoSquares());
        QFile::remove(Path(3));
    }
};

// The files whose bytes differ between two snapshots, by name; empty when none does.
inline std::string Differing(const std::map<QString, QByteArray>& a,
                             const std::map<QString, QByteArray>& b) {
    std::string names;
    for (const auto* side : {&a, &b}) {
        for (const auto& [path, bytes] : *side) {
            if (!a.count(path) || !b.count(path) || a.at(path) != b.at(path)) {
                names += QFileInfo(path).fileName().toStdString() + " ";
            }
        }
    }
    return names;
}

} // namespace kivo
