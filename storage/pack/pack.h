// A pack: a folder of the data folder kivo/ holding config.txt, the level folder kivo/ with its
// 101 slot files, and two folders the game fills. The data folder beside the packs holds the
// template level every new slot starts as. The game finds all of these by name, so the names
// are fixed; they, the paths built from them, and the readers of the three kinds of file live
// here alone, each reader with one rule for links, special files and size.
#pragma once

#include "pack_config.h"

#include "storage/files/file_io.h"

#include "level/slot_state.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <string>

namespace kivo {

constexpr const char* DATA_FOLDER_NAME = "kivo";             // in the start directory
constexpr const char* TEMPLATE_LEVEL_NAME = "default.kvo";   // in the data folder
constexpr const char* CONFIG_FILE_NAME = "config.txt";       // in a pack
constexpr const char* LEVELS_FOLDER_NAME = "kivo";           // in a pack
constexpr const char* HIGHSCORES_FOLDER_NAME = "highscores"; // in a pack, empty
constexpr const char* PLAYERDATA_FOLDER_NAME = "playerdata"; // in a pack, empty

// A slot's name ("unlimited", "kivo1" ... "kivo100", PACK_SLOT_COUNT in play order) and the
// name of its level file.
QString SlotName(int slot);
std::string SlotFileName(int slot);
bool IsSlot(int slot);
// The slot whose file has this name, or -1.
int SlotOfFileName(const std::string& name);

// A pack, named by its folder: the bytes of the path, without a trailing '/'. Two packs are
// the same when their folders are.
struct Pack {
    std::string folder;
};
bool operator==(const Pack& a, const Pack& b);
bool operator!=(const Pack& a, const Pack& b);
Pack PackAt(const QString& folder);

std::string DataFolderOf(const Pack& pack);
std::string ConfigPath(const Pack& pack);
std::string LevelFolderPath(const Pack& pack);
std::string SlotPath(const Pack& pack, int slot);
// The pack whose slot file this is, and which slot; none for any other path.
std::optional<std::pair<Pack, int>> SlotAt(const std::string& path);

std::string DataFolderIn(const std::string& startDirectory);
std::string TemplatePath(const std::string& dataFolder);

// A level file of the data folder or a pack as read: its bytes, none when a slot has no file,
// or why it cannot be read, alone (`why`) and as a sentence naming the file (`result`).
struct PackFile {
    FileResult result;
    QString why;
    std::optional<QByteArray> bytes;
};

// The template level. A link is followed to a regular file, as New copies whatever the file
// system gives; a FIFO, a device or a folder is refused, and so is a file longer than any
// level file, rather than copied cut short. A missing template cannot be read.
PackFile ReadTemplate(const std::string& dataFolder);

// config.txt as read. A link is followed to a regular file; FIFOs, devices and folders are
// refused. Past MAX_CONFIG_BYTES nothing is read, and the config says why Apply Change would
// lose the rest. `exists` tells a missing file from one that cannot be read.
struct ConfigRead {
    FileResult result;
    bool exists = false;
    PackConfig config;
};
ConfigRead ReadConfig(const Pack& pack);

// The pack's level folder, a folder of its own (neither it nor the pack folder a link), held
// open so that a folder swapped after this is never read or written.
FileResult OpenLevelFolder(const Pack& pack, OpenFolder& levels);

// A slot file, none when the slot has no file. Never through a link; only a regular file no
// longer than any level file is read.
PackFile ReadSlotIn(const OpenFolder& levels, const Pack& pack, int slot);
PackFile ReadSlot(const Pack& pack, int slot);

} // namespace kivo
