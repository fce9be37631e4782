// The data folder kivo/ and its packs: listing them with their details, writing details back,
// making a new pack from the template level and deleting one. Each verb says what it did and
// shows nothing: what the pack panel shows is the pack document's. New and Delete are as safe
// as a slot exchange: a pack is only ever listed whole, and a kill at any point leaves an
// unlisted folder that the tidy-up (tidy_up.h) finishes.
#pragma once

#include "pack.h"

#include "level/random_source.h"

#include <QString>
#include <QStringList>

#include <string>
#include <vector>

namespace kivo {

// One pack found in the data folder, with its details as config.txt holds them.
struct PackInfo {
    Pack pack;
    std::string name;
    std::string author;
    std::string dateCreated;
    std::string packId;
    // The bytes of config.txt after its fourth line, written back unchanged by Apply Change.
    std::string configRest;
    // Why Apply Change would lose part of config.txt (a text the panel cannot show whole);
    // empty when the panel shows it all.
    QString configProblem;
};

struct PackListing {
    FileResult result; // whether the data folder could be listed
    std::vector<PackInfo> packs;
    QStringList errors; // details that could not be read, each naming its file
};

// Lists every real folder of the data folder, links and the editor's unlisted folders left
// out, in the order of their names as bytes: the order the folders were made in, as their
// names begin with the clock's seconds, and the same at every start. Writes nothing.
PackListing ListPacks(const std::string& dataFolder);

// The details the designer typed for a pack.
struct PackEdit {
    std::string name;
    std::string author;
    std::string dateCreated;
};

// Writes the details into the pack's config.txt; the pack id and every line after the fourth
// stay as they were. Only a regular file in the pack's own folder is replaced, never through
// a link, and a config.txt the panel cannot show whole is refused.
FileResult ApplyPackChange(const PackInfo& pack, const PackEdit& edit);

// The pack New made, or why there is none.
struct NewPack {
    FileResult result;
    Pack pack;
};

// Builds a pack of 101 copies of the template level in an unlisted folder, syncs it, and
// names it when whole: clock seconds + random 0..10 + "_pak", never replacing anything. Its
// id is the clock seconds, or the next number above them no listed pack has.
NewPack CreatePack(const std::string& dataFolder, const std::vector<PackInfo>& listed,
                   RandomSource& random);

// Deletes the pack: its folder is first renamed to an unlisted name (after which the pack is
// gone from the list), then removed walking by descriptor. What cannot be removed is named
// and renamed back, so that it is listed again. Empty when all of it is gone.
QStringList DeletePack(const Pack& pack);

} // namespace kivo
