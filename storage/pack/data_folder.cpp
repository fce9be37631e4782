#include "data_folder.h"

#include "storage/files/folder_removal.h"
#include "storage/files/paths.h"
#include "storage/files/shown_text.h"
#include "storage/files/temporary_names.h"

#include <algorithm>
#include <cerrno>

namespace kivo {

namespace {

constexpr int MAX_PACK_NAME_DRAWS = 64;
constexpr int PACK_NAME_RANDOM_MAX = 10;

PackInfo ReadPack(const Pack& pack, QStringList& errors) {
    ConfigRead read = ReadConfig(pack);
    if (!read.result.ok && read.exists) {
        errors << QStringLiteral(
                      "The details of the pack %1 are shown empty: %2 cannot be read: %3.")
                      .arg(QuotedPath(pack.folder), QuotedPath(ConfigPath(pack)),
                           read.result.message);
    }
    const std::vector<std::string>& lines = read.config.lines;
    return {pack,
            lines[0],
            lines[1],
            lines[2],
            lines[3],
            std::move(read.config.rest),
            read.exists ? read.config.problem : QString()};
}

// The clock seconds, or the next number above them that no listed pack has as its id.
std::string FreePackId(const std::vector<PackInfo>& listed) {
    for (int64_t id = ClockSeconds();; ++id) {
        const std::string text = std::to_string(id);
        if (std::none_of(listed.begin(), listed.end(),
                         [&](const PackInfo& pack) { return pack.packId == text; })) {
            return text;
        }
    }
}

FileResult Named(const FileResult& result, const std::string& path) {
    return result.ok ? result
                     : FileResult{false, QStringLiteral("%1 cannot be written: %2")
                                             .arg(QuotedPath(path), result.message)};
}

// The config, the three folders and the 101 level files of a new pack, in a folder not yet
// listed; synced once when all is written.
FileResult FillPack(const OpenFolder& built, const std::string& shown, const QByteArray& level,
                    const std::string& id) {
    FileResult result =
        Named(WriteNewFileIn(built, CONFIG_FILE_NAME,
                             ConfigBytes({"New Pack", "New Author", "When?", id}), Sync::Later),
              JoinPath(shown, CONFIG_FILE_NAME));
    for (const char* folder :
         {LEVELS_FOLDER_NAME, HIGHSCORES_FOLDER_NAME, PLAYERDATA_FOLDER_NAME}) {
        result = result.ok ? Named(MakeFolderIn(built, folder), JoinPath(shown, folder)) : result;
    }
    OpenFolder levels;
    result = result.ok ? OpenFolderAt(&built, LEVELS_FOLDER_NAME, levels) : result;
    for (int slot = 0; result.ok && slot < PACK_SLOT_COUNT; ++slot) {
        result = Named(WriteNewFileIn(levels, SlotFileName(slot), level, Sync::Later),
                       JoinPath(JoinPath(shown, LEVELS_FOLDER_NAME), SlotFileName(slot)));
    }
    return result.ok ? SyncFileSystem(built) : result;
}

// Gives a whole pack its name. A name that exists is drawn again, and the rename never
// replaces anything, so no existing pack is touched.
NewPack NamePack(const OpenFolder& data, const std::string& dataFolder, const std::string& built,
                 RandomSource& random) {
    const std::string seconds = std::to_string(ClockSeconds());
    for (int draw = 0; draw < MAX_PACK_NAME_DRAWS; ++draw) {
        const std::string name =
            seconds + std::to_string(RandomUpTo(random, PACK_NAME_RANDOM_MAX)) + "_pak";
        if (RenameWithoutReplacing(data, built, data, name)) {
            SyncFolder(data);
            return {{}, {JoinPath(dataFolder, name)}};
        }
        if (errno != EEXIST) {
            return {{false, QStringLiteral("the pack cannot be named %1: %2")
                                .arg(QuotedPath(JoinPath(dataFolder, name)), ErrnoText(errno))},
                    {}};
        }
    }
    return {{false, QStringLiteral("every new pack name for this second is taken in %1")
                        .arg(QuotedPath(dataFolder))},
            {}};
}

NewPack BuildPack(const OpenFolder& data, const std::string& dataFolder, const QByteArray& level,
                  const std::string& id, RandomSource& random) {
    const std::string name = TemporaryName(UNLISTED_PACK_PREFIX, "");
    const std::string shown = JoinPath(dataFolder, name);
    OpenFolder built;
    NewPack made{Named(MakeFolderIn(data, name), shown), {}};
    made.result = made.result.ok ? OpenFolderAt(&data, name, built) : made.result;
    if (!made.result.ok) {
        return made;
    }
    MarkLive(built.fd); // no other editor's tidy-up takes it while it is being built
    made.result = FillPack(built, shown, level, id);
    made = made.result.ok ? NamePack(data, dataFolder, name, random) : made;
    if (!made.result.ok) {
        // A half-made pack holds nothing of the user's: take it away again.
        const QStringList left = RemoveFolderIn(data, name, shown);
        if (!left.isEmpty()) {
            made.result.message +=
                QStringLiteral(". What remains of it:\n%1").arg(left.join(QLatin1Char('\n')));
        }
    }
    return made;
}

} // namespace

PackListing ListPacks(const std::string& dataFolder) {
    PackListing listing;
    Listing names = ListFolder(dataFolder);
    if (!names.result.ok) {
        listing.result = {false, QStringLiteral("The data folder %1 cannot be listed: %2.")
                                     .arg(QuotedPath(dataFolder), names.result.message)};
        return listing;
    }
    std::sort(names.names.begin(), names.names.end());
    for (const std::string& name : names.names) {
        const std::string path = JoinPath(dataFolder, name);
        if (!IsUnlistedPackName(name) && IsRealFolder(path)) {
            listing.packs.push_back(ReadPack({path}, listing.errors));
        }
    }
    return listing;
}

FileResult ApplyPackChange(const PackInfo& pack, const PackEdit& edit) {
    const std::string config = ConfigPath(pack.pack);
    if (!pack.configProblem.isEmpty()) {
        return {false, QStringLiteral("%1 was left as it is: %2, so a change made here would "
                                      "lose part of it.")
                           .arg(QuotedPath(config), pack.configProblem)};
    }
    // The pack folder was a real folder when listed; a link put in its place is not followed.
    OpenFolder folder;
    if (!OpenFolderAt(nullptr, pack.pack.folder, folder).ok) {
        return {false, QStringLiteral("%1 cannot be written: the pack folder %2 is no longer a "
                                      "folder.")
                           .arg(QuotedPath(config), QuotedPath(pack.pack.folder))};
    }
    const std::vector<std::string> lines{OneLine(edit.name), OneLine(edit.author),
                                         OneLine(edit.dateCreated), pack.packId};
    const FileResult written =
        ReplaceFileIn(folder, CONFIG_FILE_NAME, ConfigBytes(lines, pack.configRest));
    return written.ok ? written
                      : FileResult{false, QStringLiteral("%1 cannot be written: %2.")
                                              .arg(QuotedPath(config), written.message)};
}

NewPack CreatePack(const std::string& dataFolder, const std::vector<PackInfo>& listed,
                   RandomSource& random) {
    OpenFolder data;
    if (const FileResult opened = OpenFolderAt(nullptr, dataFolder, data); !opened.ok) {
        return {{false, QStringLiteral("No pack was created: the data folder %1 cannot be "
                                       "opened: %2.")
                            .arg(QuotedPath(dataFolder), opened.message)},
                {}};
    }
    const PackFile level = ReadTemplate(dataFolder);
    if (!level.result.ok) {
        return {{false, QStringLiteral("No pack can be created: the template level %1 cannot be "
                                       "read: %2.")
                            .arg(QuotedPath(TemplatePath(dataFolder)), level.why)},
                {}};
    }
    NewPack made = BuildPack(data, dataFolder, *level.bytes, FreePackId(listed), random);
    if (!made.result.ok) {
        made.result.message = QStringLiteral("No pack was created: %1.").arg(made.result.message);
    }
    return made;
}

QStringList DeletePack(const Pack& pack) {
    const std::string name = NamePart(pack.folder);
    const QString cannot = QStringLiteral("%1 (%2)").arg(QuotedPath(pack.folder));
    OpenFolder data, doomed, renamed;
    if (const FileResult opened = OpenFolderAt(nullptr, DataFolderOf(pack), data); !opened.ok) {
        return {cannot.arg(opened.message)};
    }
    if (const FileResult opened = OpenFolderAt(&data, name, doomed); !opened.ok) {
        return {cannot.arg(opened.message)};
    }
    MarkLive(doomed.fd); // no other editor's tidy-up takes it while it is being removed
    const std::string hidden = TemporaryName(UNLISTED_PACK_PREFIX, "");
    if (!RenameWithoutReplacing(data, name, data, hidden)) {
        return {cannot.arg(ErrnoText(errno))};
    }
    SyncFolder(data);
    // Another folder swapped in before the rename is put back untouched.
    if (!OpenFolderAt(&data, hidden, renamed).ok || renamed.id != doomed.id) {
        RenameWithoutReplacing(data, hidden, data, name);
        return {cannot.arg(QStringLiteral("another folder was put in its place"))};
    }
    QStringList left = RemoveFolderIn(data, hidden, pack.folder);
    if (!left.isEmpty() && !RenameWithoutReplacing(data, hidden, data, name)) {
        left << QStringLiteral("%1 (%2)").arg(QuotedPath(JoinPath(DataFolderOf(pack), hidden)),
                                              ErrnoText(errno));
    }
    return left;
}

} // namespace kivo
