#include "storage/recovery_copy.h"

#include "clicks.h"
#include "test_files.h"

#include "storage/level_file.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <fcntl.h>
#include <utime.h>

namespace kivo {
namespace {

Level Placed(std::initializer_list<int> sides) {
    Clicks clicks;
    float x = 300.0f;
    for (int s : sides) {
        clicks.Click(x, 250.0f, s);
        x += 40.0f;
    }
    return clicks.level;
}

// A recovery folder in a temporary folder with one slot claimed, and a level file beside it.
struct Recovery {
    QTemporaryDir base;
    QString folder = base.filePath("recovery");
    QString file = base.filePath("level.kvo");
    RecoverySlot slot = ClaimRecoverySlot(folder);
};

// The copy is offered whenever its level differs from its file's bytes, whatever the times
// say, and not when the file holds the very same level; each time is told.
TEST(RecoveryCopy, ACopyIsOfferedWhenItsLevelDiffersFromTheFile) {
    Recovery r;
    ASSERT_TRUE(r.slot.lock);
    const Level edited = Placed({3, 4});
    Level saved = Placed({3});
    ASSERT_TRUE(SaveLevel(saved, r.file).ok);
    ASSERT_TRUE(WriteRecoveryCopy(r.slot.files, edited, r.file).ok);
    const std::string file = Bytes(r.file);
    const struct utimbuf later { time(nullptr) + 60, time(nullptr) + 60 };
    ASSERT_EQ(utime(file.c_str(), &later), 0); // touched after the copy was written
    const std::optional<RecoveryCopy> copy = FindRecoveryCopy(r.slot);
    ASSERT_TRUE(copy.has_value());
    EXPECT_EQ(copy->fileName, r.file);
    EXPECT_EQ(copy->fileWritten, QFileInfo(r.file).lastModified());
    EXPECT_EQ(copy->written, QFileInfo(r.slot.files.levelPath).lastModified());

    ASSERT_TRUE(WriteRecoveryCopy(r.slot.files, saved, r.file).ok);
    EXPECT_FALSE(FindRecoveryCopy(r.slot).has_value());
    QFile::remove(r.file);
    const std::optional<RecoveryCopy> orphan = FindRecoveryCopy(r.slot);
    ASSERT_TRUE(orphan.has_value());
    EXPECT_FALSE(orphan->fileWritten.isValid());
    ASSERT_TRUE(WriteRecoveryCopy(r.slot.files, saved, QString()).ok);
    EXPECT_EQ(FindRecoveryCopy(r.slot)->fileName, "");
}

// On a full disk the write fails and says so, and the copy before it stays whole.
TEST(RecoveryCopy, AFailedWriteKeepsThePreviousCopy) {
    Recovery r;
    QDir().mkpath(r.folder);
    TmpfsMount mount(r.folder, "64k");
    if (!mount.mounted) {
        GTEST_SKIP() << "mounting a small file system is not permitted here";
    }
    r.slot = ClaimRecoverySlot(r.folder);
    ASSERT_TRUE(r.slot.lock);
    const Level first = Placed({3});
    ASSERT_TRUE(WriteRecoveryCopy(r.slot.files, first, r.file).ok);
    const QByteArray kept = ReadAll(r.slot.files.levelPath);
    QFile filler(r.folder + "/filler");
    ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
    while (filler.write(QByteArray(4096, 'x')) == 4096 && filler.flush()) {
    }
    filler.close();
    Level larger = first; // more than the old copy's blocks would make room for
    for (int i = 0; i < 1000; ++i) {
        larger.points.push_back(larger.points.front());
    }
    const FileResult full = WriteRecoveryCopy(r.slot.files, larger, r.file);
    EXPECT_TRUE(full.message.contains("the disk is full")) << full.message.toStdString();
    EXPECT_EQ(ReadAll(r.slot.files.levelPath), kept);
    EXPECT_EQ(ReadAll(r.slot.files.namePath), r.file.toUtf8());
    Level restored;
    EXPECT_TRUE(LoadLevel(restored, r.slot.files.levelPath).ok);
}

// A name file that is a FIFO or huge is not read whole, and never hangs the start.
TEST(RecoveryCopy, TheNameFileIsReadOnlyWhenItIsASmallRegularFile) {
    Recovery r;
    ASSERT_TRUE(WriteRecoveryCopy(r.slot.files, Placed({3}), r.file).ok);
    QFile::remove(r.slot.files.namePath);
    ASSERT_TRUE(MakeSpecial(r.slot.files.namePath, nullptr, S_IFIFO));
    const std::optional<RecoveryCopy> fifo = FindRecoveryCopy(r.slot);
    ASSERT_TRUE(fifo.has_value());
    EXPECT_EQ(fifo->fileName, "");
    QFile::remove(r.slot.files.namePath);
    ASSERT_TRUE(Write(r.slot.files.namePath, r.file.toUtf8()));
    ASSERT_TRUE(QFile::resize(r.slot.files.namePath, 4LL << 30));
    const std::optional<RecoveryCopy> huge = FindRecoveryCopy(r.slot);
    ASSERT_TRUE(huge.has_value());
    EXPECT_EQ(huge->fileName, "");
}

// When no copy can be kept, the slot says why: the folder is a file, cannot be written, or
// every slot is taken.
TEST(RecoveryCopy, AClaimThatGetsNoSlotSaysWhy) {
    QTemporaryDir base;
    const QString plain = base.filePath("plain");
    ASSERT_TRUE(Write(plain, "a file"));
    const RecoverySlot onFile = ClaimRecoverySlot(plain);
    EXPECT_FALSE(onFile.lock);
    EXPECT_TRUE(onFile.problem.contains("is not a folder")) << onFile.problem.toStdString();

    const QString folder = base.filePath("recovery");
    std::vector<RecoverySlot> taken;
    for (int i = 0; i < RECOVERY_SLOTS; ++i) {
        taken.push_back(ClaimRecoverySlot(folder, RecoverySlotKind::Free));
        ASSERT_TRUE(taken.back().lock) << i;
        EXPECT_EQ(taken.back().problem, "");
    }
    const RecoverySlot none = ClaimRecoverySlot(folder, RecoverySlotKind::Free);
    EXPECT_FALSE(none.lock);
    EXPECT_TRUE(none.problem.contains("no slot free")) << none.problem.toStdString();
    EXPECT_EQ(ClaimRecoverySlot(QString()).problem, ""); // no copy asked for

    const QString readOnly = base.filePath("read-only");
    QDir().mkpath(readOnly);
    if (::mount("tmpfs", Bytes(readOnly).c_str(), "tmpfs", MS_RDONLY, "size=64k") != 0) {
        GTEST_SKIP() << "mounting a read-only file system is not permitted here";
    }
    const RecoverySlot unwritable = ClaimRecoverySlot(readOnly);
    ::umount(Bytes(readOnly).c_str());
    EXPECT_FALSE(unwritable.lock);
    EXPECT_TRUE(unwritable.problem.contains("cannot be written"))
        << unwritable.problem.toStdString();
}

} // namespace
} // namespace kivo
