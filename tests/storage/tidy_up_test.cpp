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

// The tidy-up removes what editors that are gone left, and only that: never what a running
// editor holds, never a file that merely looks like a leftover, never through a link. A pack
// without config.txt gets the empty one every pack has; the editor's own folders do not.
TEST(TidyUp, RemovesOnlyWhatEditorsThatAreGoneLeft) {
    SlotPack p;
    const QString levels = p.pack + "/kivo/";
    const QStringList gone{levels + ".kivo-save-1.tmp", p.pack + "/.kivo-save-999999999-1.tmp",
                           p.data + "/.kivo-save-2.tmp"};
    const QStringList kept{levels + ".kivo-save-live.tmp", levels + "notes.tmp",
                           levels + ".kivo-save-x", p.data + "/.kivo-unlisted-live/kivo1.kvo"};
    for (const QString& path : gone + kept) {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
        ASSERT_TRUE(Write(path, "someone's"));
    }
    ASSERT_TRUE(MakeSpecial(levels + ".kivo-save-3.tmp", "notes.tmp"));
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

    EXPECT_EQ(TidyDataFolder(Bytes(p.data)), QStringList());
    for (const QString& path : gone) {
        EXPECT_FALSE(QFile::exists(path)) << path.toStdString();
    }
    for (const QString& path : kept) {
        EXPECT_EQ(ReadAll(path), "someone's") << path.toStdString();
    }
    EXPECT_TRUE(IsA(levels + ".kivo-save-3.tmp", S_IFLNK));
    EXPECT_EQ(QDir(p.data).entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot),
              (QStringList{".kivo-unlisted-live", "1_pak", "2_pak", "3_pak", "4_pak"}));
    EXPECT_EQ(ReadAll(p.pack + "/config.txt"), "");
    EXPECT_TRUE(IsA(p.pack + "/config.txt", S_IFREG));
    EXPECT_TRUE(IsA(p.data + "/2_pak/config.txt", S_IFREG));
    EXPECT_TRUE(IsA(p.data + "/3_pak/config.txt", S_IFLNK)); // not written through
    EXPECT_FALSE(QFile::exists(p.data + "/.kivo-unlisted-live/config.txt"));
}

// Check names every leftover as what it is and what becomes of it, and a pack whose
// config.txt is missing or empty; the tidy-up that follows leaves nothing of them to name.
TEST(TidyUp, CheckNamesWhatTheTidyUpWillDo) {
    SlotPack p;
    const QString levels = p.pack + "/kivo/";
    ASSERT_TRUE(Write(levels + ".kivo-save-1.tmp", "part"));
    ASSERT_TRUE(Write(levels + ".kivo-exchange-1.journal", ""));
    ASSERT_TRUE(QDir().mkpath(p.data + "/.kivo-unlisted-1"));
    ASSERT_TRUE(QDir().mkpath(p.data + "/2_pak/kivo"));
    ASSERT_TRUE(Write(p.pack + "/config.txt", "\r\n\r\n"));
    ASSERT_TRUE(QDir().mkpath(p.base.filePath("loose")));
    ASSERT_TRUE(Write(p.base.filePath("loose/a.kvo"), EMPTY_LEVEL));
    ASSERT_TRUE(Write(p.base.filePath("loose/.kivo-save-2.tmp"), "part"));
    std::vector<std::string> said;
    for (const Problem& problem :
         CheckPaths({Bytes(p.data), Bytes(p.base.filePath("loose/a.kvo"))}).problems) {
        if (!problem.what.contains("level file is missing")) {
            said.push_back(
                QFileInfo(QString::fromStdString(problem.path)).fileName().toStdString() + ": " +
                problem.what.left(problem.what.indexOf(';')).toStdString());
        }
    }
    EXPECT_EQ(said, (std::vector<std::string>{
                        ".kivo-unlisted-1: a pack folder left by an interrupted New or Delete",
                        "config.txt: the pack's config.txt is empty",
                        ".kivo-exchange-1.journal: part of a move of slots that was interrupted",
                        ".kivo-save-1.tmp: a temporary file left by an interrupted save",
                        "2_pak: the pack has no config.txt",
                        ".kivo-save-2.tmp: a temporary file left by an interrupted save"}));
    TidyDataFolder(Bytes(p.data));
    TidyFolder(Bytes(p.base.filePath("loose")));
    for (const Problem& problem : CheckPaths({Bytes(p.data)}).problems) {
        EXPECT_TRUE(problem.what.contains("level file is missing") ||
                    problem.what.contains("config.txt is empty"))
            << problem.path << ": " << problem.what.toStdString();
    }
    EXPECT_FALSE(QFile::exists(p.base.filePath("loose/.kivo-save-2.tmp")));
}

} // namespace
} // namespace kivo
