#include "pack.h"

#include "storage/files/paths.h"
#include "storage/files/shown_text.h"
#include "storage/level/level_file.h"

#include <sys/stat.h>

namespace kivo {

namespace {

QString LongerThanAnyLevel() {
    return QStringLiteral("it is longer than any level file");
}

PackFile Refused(const std::string& path, const QString& why) {
    return {
        {false, QStringLiteral("The level file %1 cannot be read: %2.").arg(QuotedPath(path), why)},
        why,
        {}};
}

} // namespace

QString SlotName(int slot) {
    return slot == 0 ? QStringLiteral("unlimited") : QStringLiteral("kivo%1").arg(slot);
}

std::string SlotFileName(int slot) {
    return SlotName(slot).toStdString() + LEVEL_FILE_EXTENSION;
}

bool IsSlot(int slot) {
    return slot >= 0 && slot < PACK_SLOT_COUNT;
}

int SlotOfFileName(const std::string& name) {
    for (int slot = 0; slot < PACK_SLOT_COUNT; ++slot) {
        if (name == SlotFileName(slot)) {
            return slot;
        }
    }
    return -1;
}

bool operator==(const Pack& a, const Pack& b) {
    return a.folder == b.folder;
}

bool operator!=(const Pack& a, const Pack& b) {
    return !(a == b);
}

Pack PackAt(const QString& folder) {
    return {PathBytes(folder)};
}

std::string DataFolderOf(const Pack& pack) {
    return FolderPart(pack.folder);
}

std::string ConfigPath(const Pack& pack) {
    return JoinPath(pack.folder, CONFIG_FILE_NAME);
}

std::string LevelFolderPath(const Pack& pack) {
    return JoinPath(pack.folder, LEVELS_FOLDER_NAME);
}

std::string SlotPath(const Pack& pack, int slot) {
    return JoinPath(LevelFolderPath(pack), SlotFileName(slot));
}

std::optional<std::pair<Pack, int>> SlotAt(const std::string& path) {
    const int slot = SlotOfFileName(NamePart(path));
    const std::string levels = FolderPart(path);
    if (slot < 0 || NamePart(levels) != LEVELS_FOLDER_NAME) {
        return std::nullopt;
    }
    return std::pair{Pack{FolderPart(levels)}, slot};
}

std::string DataFolderIn(const std::string& startDirectory) {
    return JoinPath(startDirectory, DATA_FOLDER_NAME);
}

std::string TemplatePath(const std::string& dataFolder) {
    return JoinPath(dataFolder, TEMPLATE_LEVEL_NAME);
}

PackFile ReadTemplate(const std::string& dataFolder) {
    const std::string path = TemplatePath(dataFolder);
    FileBytes read =
        ReadRegularFile(path, MAX_LEVEL_FILE_BYTES, Links::Follow, LongerThanAnyLevel());
    if (!read.result.ok) {
        return Refused(path, read.result.message);
    }
    return {{}, {}, std::move(read.bytes)};
}

ConfigRead ReadConfig(const Pack& pack) {
    const std::string path = ConfigPath(pack);
    ConfigRead read;
    const FileBytes bytes = ReadFileStart(path, MAX_CONFIG_BYTES + 1, Links::Follow);
    read.exists = Exists(path);
    read.result = bytes.result;
    read.config = ParsePackConfig(bytes.bytes.left(MAX_CONFIG_BYTES));
    if (!bytes.result.ok) {
        read.config.problem = QStringLiteral("it cannot be read: %1").arg(bytes.result.message);
    } else if (bytes.bytes.size() > MAX_CONFIG_BYTES) {
        read.config.problem =
            QStringLiteral("it is longer than the %1 bytes read").arg(MAX_CONFIG_BYTES);
    }
    return read;
}

FileResult OpenLevelFolder(const Pack& pack, OpenFolder& levels) {
    OpenFolder folder;
    const FileResult opened =
        pack.folder.empty() ? FileResult{false, {}} : OpenFolderAt(nullptr, pack.folder, folder);
    if (!opened.ok || !OpenFolderAt(&folder, LEVELS_FOLDER_NAME, levels).ok) {
        return {false, QStringLiteral("The pack's level folder %1 is missing or is not a folder of "
                                      "its own; no slot was changed.")
                           .arg(QuotedPath(LevelFolderPath(pack)))};
    }
    return {};
}

PackFile ReadSlotIn(const OpenFolder& levels, const Pack& pack, int slot) {
    if (!IsSlot(slot)) {
        const QString why = QStringLiteral("There is no slot %1 in a pack.").arg(slot);
        return {{false, why}, why, {}};
    }
    bool exists = false;
    FileBytes read = ReadRegularFileIn(levels, SlotFileName(slot), MAX_LEVEL_FILE_BYTES,
                                       LongerThanAnyLevel(), &exists);
    if (!exists) {
        return {};
    }
    if (!read.result.ok) {
        return Refused(SlotPath(pack, slot), read.result.message);
    }
    return {{}, {}, std::move(read.bytes)};
}

PackFile ReadSlot(const Pack& pack, int slot) {
    OpenFolder levels;
    if (FileResult opened = OpenLevelFolder(pack, levels); !opened.ok) {
        return {opened, opened.message, {}};
    }
    return ReadSlotIn(levels, pack, slot);
}

} // namespace kivo
