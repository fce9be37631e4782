#include "storage/check/pack_check.h"
#include "storage/pack/tidy_up.h"

#include "slot_pack.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>

namespace kivo {
namespace {

// Holds a lock on a file or folder, as a running editor holds what it is still writing.
struct Held {
    int fd;
    explicit Held(const QString& path) : fd(::open(Bytes(path).c_str(), O_RDONLY)) {
        ::flock(fd, LOCK_EX);
    }
    ~Held() { ::close(fd); }
};

// What Check says of each leftover, by file name and up to the ';' that says what becomes of
// it, leaving out the level files a pack lacks.
std::vector<std::string> Said(const std::vector<std::string>& paths) {
    std::vector<std::string> said;
    for (const Problem& problem : CheckPaths(paths).problems) {
        if (!problem.what.contains("level file is missing")) {
            said.push_back(
                QFileInfo(QString::fromStdString(problem.path)).fileName().toStdString() + ": " +
                problem.what.left(problem.what.indexOf(';')).toStdString());
        }
    }
    return said;
}

// The tidy-up removes what editors that are gone left, and only that: never what a running
// editor holds, never a file that merely looks like a leftover, never through a link. A pack
// without config.txt gets the empty one every pack has; the editor's own folders do not. Check
// names each leftover as what it is beforehand, and none of them after.
TEST(TidyUp, RemovesOnlyWhatEditorsThatAreGoneLeftAndCheckNamesIt) {
    SlotPack p;
    const QString levels = p.pack + "/kivo/", loose = p.base.filePath("loose/");
    const QStringList gone{levels + ".kivo-save-1.tmp", p.pack + "/.kivo-save-999999999-1.tmp",
                           p.data + "/.kivo-save-2.tmp", loose + ".kivo-save-4.tmp"};
    const QStringList kept{levels + ".kivo-save-live.tmp", levels + "notes.tmp",
                           levels + ".kivo-save-x", p.data + "/.kivo-unlisted-live/kivo1.kvo"};
    for (const QString& path : gone + kept) {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
        ASSERT_TRUE(Write(path, "someone's"));
    }
    ASSERT_TRUE(MakeSpecial(levels + ".kivo-save-3.tmp", "notes.tmp"));
    ASSERT_TRUE(Write(loose + "a.kvo", EMPTY_LEVEL));
    ASSERT_TRUE(Write(levels + ".kivo-exchange-1.journal", "")); // killed before it named any
    for (const char* unlisted : {"/.kivo-unlisted-1/kivo", "/.kivo-new-pack-999999999-1/kivo"}) {
        ASSERT_TRUE(QDir().mkpath(p.data + unlisted));
        ASSERT_TRUE(Write(p.data + unlisted + "/kivo1.kvo", "half"));
    }
    ASSERT_TRUE(QDir().mkpath(p.data + "/2_pak/kivo"));
    ASSERT_TRUE(QDir().mkpath(p.data + "/3_pak"));
    ASSERT_TRUE(MakeSpecial(p.data + "/3_pak/config.txt", "/nowhere"));
    ASSERT_TRUE(MakeSpecial(p.data + "/4_pak", Bytes(p.data + "/2_pak").c_str()));
    QFile::remove(p.pack + "/config.txt");
    const Held live(levels + ".kivo-save-live.tmp");
    const Held building(p.data + "/.kivo-unlisted-live");
    const std::vector<std::string> paths{Bytes(p.data), Bytes(loose + "a.kvo")};
    EXPECT_EQ(Said(paths),
              (std::vector<std::string>{
                  ".kivo-new-pack-999999999-1: a pack folder left by an interrupted New or Delete",
                  ".kivo-save-2.tmp: a temporary file left by an interrupted save",
                  ".kivo-unlisted-1: a pack folder left by an interrupted New or Delete",
                  "1_pak: the pack has no config.txt",
                  ".kivo-save-999999999-1.tmp: a temporary file left by an interrupted save",
                  ".kivo-exchange-1.journal: part of a move of slots that was interrupted",
                  ".kivo-save-1.tmp: a temporary file left by an interrupted save",
                  "2_pak: the pack has no config.txt",
                  "config.txt: the pack's details cannot be read: there is no such file",
                  "3_pak: the pack has no level folder kivo/",
                  ".kivo-save-4.tmp: a temporary file left by an interrupted save"}));

    EXPECT_EQ(TidyDataFolder(Bytes(p.data)), QStringList());
    EXPECT_EQ(TidyFolder(Bytes(loose)), QStringList());
    for (const QString& path : gone) {
        EXPECT_FALSE(QFile::exists(path)) << path.toStdString();
    }
    for (const QString& path : kept) {
        EXPECT_EQ(ReadAll(path), "someone's") << path.toStdString();
    }
    EXPECT_TRUE(IsA(levels + ".kivo-save-3.tmp", S_IFLNK));
    EXPECT_FALSE(QFile::exists(levels + ".kivo-exchange-1.journal"));
    EXPECT_EQ(QDir(p.data).entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot),
              (QStringList{".kivo-unlisted-live", "1_pak", "2_pak", "3_pak", "4_pak"}));
    EXPECT_EQ(ReadAll(p.pack + "/config.txt"), "");
    EXPECT_TRUE(IsA(p.pack + "/config.txt", S_IFREG));
    EXPECT_TRUE(IsA(p.data + "/2_pak/config.txt", S_IFREG));
    EXPECT_TRUE(IsA(p.data + "/3_pak/config.txt", S_IFLNK)); // not written through
    EXPECT_FALSE(QFile::exists(p.data + "/.kivo-unlisted-live/config.txt"));
    EXPECT_EQ(Said(paths),
              (std::vector<std::string>{
                  "config.txt: the pack's config.txt is empty",
                  "config.txt: the pack's config.txt is empty",
                  "config.txt: the pack's details cannot be read: there is no such file",
                  "3_pak: the pack has no level folder kivo/"}));
}

} // namespace
} // namespace kivo
