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
    const QString elsewhere = p.base.filePath("elsewhere.kvo");
    Write(elsewhere, Triangle());
    const auto slot = [&](int n) { return ReadSlot(p.value(), n); };
    QFile::remove(p.Path(1));
    ASSERT_TRUE(MakeSpecial(p.Path(1), Bytes(elsewhere).c_str()));
    QFile::remove(p.Path(2));
    ASSERT_TRUE(MakeSpecial(p.Path(2), nullptr, S_IFIFO));
    QFile::remove(p.Path(3));
    ASSERT_TRUE(QDir().mkdir(p.Path(3)));
    ASSERT_TRUE(QFile::resize(p.Path(4), MAX_LEVEL_FILE_BYTES + 1));
    QFile::remove(p.Path(5));
    const std::pair<PackFile, QString> refusals[] = {
        {slot(1), "it is a symbolic link, which is not followed here"},
        {slot(2), "it is a FIFO, not a regular file"},
        {slot(3), "it is a folder, not a regular file"},
        {slot(4), "it is longer than any level file"},
        {slot(PACK_SLOT_COUNT), "There is no slot 101 in a pack."}};
    for (const auto& [read, why] : refusals) {
        SCOPED_TRACE(why.toStdString());
        EXPECT_EQ(read.why, why);
        EXPECT_FALSE(read.bytes);
    }
    EXPECT_TRUE(
        refusals[0].first.result.message.contains(p.Path(1))); // the sentence names the file
    EXPECT_TRUE(slot(5).result.ok);
    EXPECT_FALSE(slot(5).bytes); // no file, and no problem either

    const std::string data = Bytes(p.data);
    QFile::remove(p.TemplateFile());
    ASSERT_TRUE(MakeSpecial(p.TemplateFile(), Bytes(elsewhere).c_str()));
    EXPECT_EQ(ReadTemplate(data).bytes, Triangle());
    for (const auto& [type, why] : {std::pair{S_IFIFO, "it is a FIFO, not a regular file"},
                                    {S_IFREG, "it is longer than any level file"}}) {
        SCOPED_TRACE(why);
        QFile::remove(p.TemplateFile());
        ASSERT_TRUE(type == S_IFREG ? Write(p.TemplateFile(), "x") &&
                                          QFile::resize(p.TemplateFile(), MAX_LEVEL_FILE_BYTES + 1)
                                    : MakeSpecial(p.TemplateFile(), nullptr, type));
        const PackFile read = ReadTemplate(data);
        EXPECT_EQ(read.why, why);
        EXPECT_FALSE(read.bytes);
    }

    const QString config = p.pack + "/" + CONFIG_FILE_NAME;
    QFile::remove(config);
    ASSERT_TRUE(MakeSpecial(config, nullptr, S_IFIFO));
    const ConfigRead fifo = ReadConfig(p.value());
    EXPECT_TRUE(fifo.exists);
    EXPECT_EQ(fifo.result.message, "it is a FIFO, not a regular file");
    QFile::remove(config);
    EXPECT_FALSE(ReadConfig(p.value()).exists);
    Write(elsewhere, "Linked\r\nMe\r\n");
    ASSERT_TRUE(MakeSpecial(config, Bytes(elsewhere).c_str()));
    EXPECT_EQ(ReadConfig(p.value()).config.lines[0], "Linked");
}

// A level folder or pack folder that is a link is not a pack's: nothing in it is read.
TEST(PackFiles, ALinkedLevelFolderOrPackFolderIsRefused) {
    SlotPack p;
    const QString linkedLevels = p.data + "/2_pak", linkedPack = p.data + "/3_pak";
    ASSERT_TRUE(QDir().mkpath(linkedLevels));
    ASSERT_TRUE(QFile::link(p.pack + "/kivo", linkedLevels + "/kivo"));
    ASSERT_TRUE(QFile::link(p.pack, linkedPack));
    for (const QString& pack : {linkedLevels, linkedPack}) {
        SCOPED_TRACE(pack.toStdString());
        const PackFile read = ReadSlot(PackAt(pack), 1);
        EXPECT_TRUE(read.why.contains("is missing or is not a folder of its own"));
        EXPECT_FALSE(read.bytes);
    }
}

// A slot file's path tells its pack and slot; other paths tell none.
TEST(PackFiles, ASlotFilesPathTellsItsPackAndSlot) {
    const Pack pack{"/data/kivo/1_pak"};
    EXPECT_EQ(SlotPath(pack, 0), "/data/kivo/1_pak/kivo/unlimited.kvo");
    const auto slot = SlotAt(SlotPath(pack, 100));
    ASSERT_TRUE(slot);
    EXPECT_EQ(slot->first, pack);
    EXPECT_EQ(slot->second, 100);
    for (const char* other : {"/data/kivo/1_pak/kivo/kivo101.kvo", "/data/kivo/1_pak/kivo1.kvo",
                              "/data/kivo/default.kvo"}) {
        EXPECT_FALSE(SlotAt(other)) << other;
    }
    EXPECT_EQ(PackAt("/data/kivo/1_pak/"), pack);
}

} // namespace
} // namespace kivo
