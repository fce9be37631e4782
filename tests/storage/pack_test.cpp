#include "slot_pack.h"

#include "storage/files/paths.h"
#include "storage/pack/pack.h"

#include <gtest/gtest.h>

namespace kivo {
namespace {

// Each of the three readers of a pack's files refuses by its one rule, saying why: a slot is
// read only as a regular file inside a real level folder, never through a link; the template
// and config.txt follow a link to a regular file, as New copies the template whatever the file
// system gives. None reads a FIFO, a device or a folder, and no level file longer than any
// level can be is read cut short.
TEST(PackFiles, EachReaderRefusesByItsOneRuleSayingWhy) {
    SlotPack p;
    const QString elsewhere = p.base.filePath("elsewhere.kvo"), linked = p.base.filePath("linked");
    Write(elsewhere, Triangle());
    Write(linked, "Linked\r\nMe\r\n");
    const auto replace = [](const QString& path, const QString& linkTo, mode_t type = S_IFLNK) {
        QFile::remove(path);
        return MakeSpecial(path, linkTo.isEmpty() ? nullptr : Bytes(linkTo).c_str(), type);
    };
    ASSERT_TRUE(replace(p.Path(1), elsewhere));
    ASSERT_TRUE(replace(p.Path(2), {}, S_IFIFO));
    QFile::remove(p.Path(3));
    ASSERT_TRUE(QDir().mkdir(p.Path(3)));
    ASSERT_TRUE(QFile::resize(p.Path(4), MAX_LEVEL_FILE_BYTES + 1));
    QFile::remove(p.Path(5));
    ASSERT_TRUE(replace(p.TemplateFile(), {}, S_IFIFO));
    ASSERT_TRUE(Write(p.base.filePath("default.kvo"), "x"));
    ASSERT_TRUE(QFile::resize(p.base.filePath("default.kvo"), MAX_LEVEL_FILE_BYTES + 1));
    ASSERT_TRUE(replace(p.pack + "/default.kvo", elsewhere));
    // A level folder or a pack folder that is a link is not a pack's: nothing in it is read.
    const QString linkedLevels = p.data + "/2_pak", linkedPack = p.data + "/3_pak";
    ASSERT_TRUE(QDir().mkpath(linkedLevels));
    ASSERT_TRUE(QFile::link(p.pack + "/kivo", linkedLevels + "/kivo"));
    ASSERT_TRUE(QFile::link(p.pack, linkedPack));
    const auto notOwn = [](const QString& pack) {
        return "The pack's level folder \"" + pack +
               "/kivo\" is missing or is not a folder of its own; no slot was changed.";
    };
    const auto slot = [&](int n) { return ReadSlot(p.value(), n); };
    const std::pair<PackFile, QString> refusals[] = {
        {slot(1), "it is a symbolic link, which is not followed here"},
        {slot(2), "it is a FIFO, not a regular file"},
        {slot(3), "it is a folder, not a regular file"},
        {slot(4), "it is longer than any level file"},
        {slot(PACK_SLOT_COUNT), "There is no slot 101 in a pack."},
        {ReadSlot(PackAt(linkedLevels), 1), notOwn(linkedLevels)},
        {ReadSlot(PackAt(linkedPack), 1), notOwn(linkedPack)},
        {ReadTemplate(Bytes(p.data)), "it is a FIFO, not a regular file"},
        {ReadTemplate(Bytes(p.base.path())), "it is longer than any level file"}};
    for (const auto& [read, why] : refusals) {
        SCOPED_TRACE(why.toStdString());
        EXPECT_EQ(read.why, why);
        EXPECT_FALSE(read.bytes);
    }
    EXPECT_TRUE(
        refusals[0].first.result.message.contains(p.Path(1))); // the sentence names the file
    EXPECT_TRUE(slot(5).result.ok);
    EXPECT_FALSE(slot(5).bytes); // no file, and no problem either
    EXPECT_EQ(ReadTemplate(Bytes(p.pack)).bytes, Triangle());

    ASSERT_TRUE(replace(p.pack + "/" + CONFIG_FILE_NAME, {}, S_IFIFO));
    ASSERT_TRUE(replace(linkedLevels + "/" + CONFIG_FILE_NAME, linked));
    const ConfigRead fifo = ReadConfig(p.value());
    EXPECT_TRUE(fifo.exists);
    EXPECT_EQ(fifo.result.message, "it is a FIFO, not a regular file");
    EXPECT_FALSE(ReadConfig(PackAt(p.base.path())).exists);
    EXPECT_EQ(ReadConfig(PackAt(linkedLevels)).config.lines[0], "Linked");
}

// A slot file's path tells its pack and slot; other paths tell none.
TEST(PackFiles, ASlotFilesPathTellsItsPackAndSlot) {
    const Pack pack{"/data/kivo/1_pak"};
    EXPECT_EQ(SlotPath(pack, 0), "/data/kivo/1_pak/kivo/unlimited.kvo");
    EXPECT_EQ(SlotAt(SlotPath(pack, 100)), std::pair(pack, 100));
    for (const char* other : {"/data/kivo/1_pak/kivo/kivo101.kvo", "/data/kivo/1_pak/kivo1.kvo",
                              "/data/kivo/default.kvo"}) {
        EXPECT_FALSE(SlotAt(other)) << other;
    }
    EXPECT_EQ(PackAt("/data/kivo/1_pak/"), pack);
}

} // namespace
} // namespace kivo
