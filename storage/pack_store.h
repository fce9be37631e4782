// The packs in the data folder kivo/: listing them, showing one in the pack panel, writing
// its details back, creating new packs from the template level and deleting them.
// The store works on plain data; the window mirrors the panel into its controls and shows
// the outcome's messages.
#pragma once

#include "file_access.h"
#include "pack_layout.h"

#include "level/random_source.h"

#include <QString>
#include <QStringList>

#include <string>
#include <vector>

namespace kivo {

constexpr const char* PACK_CREATED_TEXT = "Pack Created, please select and edit Pack Details";

// One pack found in the data folder. levelsPath holds the bytes of the path, as the file
// system names it, ending in '/'.
struct PackInfo {
    std::string name;
    std::string levelsPath;
    std::string author;
    std::string dateCreated;
    std::string packId;
    // The bytes of config.txt after its fourth line, written back unchanged by Apply Change.
    std::string configRest;
    // Why Apply Change would lose part of config.txt (a text the panel cannot show whole);
    // empty when the panel shows it all.
    QString configProblem;
};

// What the pack panel shows. Texts are the bytes of config.txt, unchanged.
struct PackPanel {
    std::vector<std::string> names; // the entries of the pack list, in listing order
    std::string comboText;
    std::string author;
    std::string dateCreated;
    std::string packId = "ss";
};

struct PackStore {
    QString dataDir; // the data folder: the start directory's kivo/
    std::vector<PackInfo> packs;
    PackPanel panel;
    // The folder of the pack whose details are shown (its path's bytes), empty when none is:
    // Apply Change and Delete act on it alone, even when another pack has the same id.
    std::string shownDir;
    // Where the level file dialogs open, ending in '/': the shown pack's level folder, or the
    // folder of the file last loaded or saved, whichever came last.
    QString levelDir;
};

// What an operation has to tell the user: the "Information" text after a pack was created,
// and everything that could not be done, each naming the folder or file.
struct PackOutcome {
    QString information;
    QStringList errors;
};

// The details the user has typed into the panel.
struct PackEdit {
    std::string name;
    std::string author;
    std::string dateCreated;
};

// A store over baseDir/kivo, with nothing listed yet; the dialogs open in baseDir.
PackStore MakePackStore(const QString& baseDir);

// Lists the packs and shows the first; when there is none, makes one attempt to create one.
// Only real folders are packs: files, links and special entries are not. Packs a crash left
// half-made are removed.
PackOutcome ScanPacks(PackStore& store, RandomSource& random);

// Shows the pack at this place in the list, the entry the designer chose: packs may share a
// name, so a name cannot say which. With none there, nothing changes.
void ShowPackDetails(PackStore& store, size_t index);

// The place in the list of the pack whose details are shown, -1 for none.
int ShownPackIndex(const PackStore& store);

// The pack's folder (the bytes of its path, as `shownDir` holds it), its levels path without
// the level folder.
std::string PackDirOf(const PackInfo& pack);

// Writes the edited details into the shown pack's config.txt, then lists the packs anew.
// The pack id and every line after the fourth stay as they were. Only a regular file in the
// pack's own folder is replaced, never through a link. A config.txt the panel cannot show
// whole is refused. When it cannot be written, nothing is listed anew and the panel keeps the
// edits.
PackOutcome ApplyPackChange(PackStore& store, const PackEdit& edit, RandomSource& random);

// Builds a pack with 101 copies of the template level under an unfinished name and renames
// it into place when whole, then lists the packs anew.
PackOutcome CreatePack(PackStore& store, RandomSource& random);

// Deletes the shown pack's folder with everything in it, staying on the pack's own file
// system and never following a link, then lists the packs anew; what is left is named.
PackOutcome DeletePack(PackStore& store, RandomSource& random);

// The longest config.txt read; the four lines used are far shorter.
constexpr qint64 MAX_CONFIG_BYTES = 64 * 1024;
// The longest text the panel's fields show whole.
constexpr qsizetype MAX_PACK_TEXT_LENGTH = 32767;

// config.txt as read: the four texts, the bytes after the fourth line, and why the panel
// cannot show it whole (empty when it can). A line ends at CR LF, a lone CR, a lone LF or
// the end; a NUL is a character of its line. Missing lines are empty.
struct PackConfig {
    std::vector<std::string> lines;
    std::string rest;
    QString problem;
};
PackConfig ReadPackConfig(const QByteArray& bytes);

// The four texts alone.
std::vector<std::string> ReadConfigLines(const QByteArray& bytes);

// Pack texts on screen: UTF-8 where the bytes are valid UTF-8, otherwise one character per
// byte; a NUL shows as the sign for it, U+2400. StoredPackText gives back the original bytes while
// the shown text is unchanged, so bytes of any 8-bit character set survive an Apply Change, and
// writes an edited text in the encoding the original was read in (8-bit where every character
// fits).
QString ShownPackText(const std::string& bytes);
std::string StoredPackText(const QString& shown, const std::string& original);

} // namespace kivo
