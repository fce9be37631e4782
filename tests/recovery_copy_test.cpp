#include "storage/level/recovery_copy.h"

#include "clicks.h"
#include "test_files.h"

#include "storage/level/level_file.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <sys/wait.h>
#include <unistd.h>
#include <utime.h>

namespace kivo {
namespace {

Level Placed(int sides) {
    Clicks clicks;
    clicks.Click(300.0f, 250.0f, sides);
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
// say, and not when the file holds the very same level; each time is told. A huge name file
// is not read whole.
TEST(RecoveryCopy, ACopyIsOfferedWhenItsLevelDiffersFromTheFile) {
    Recovery r;
    Level saved = Placed(3);
    ASSERT_TRUE(SaveLevel(saved, r.file).result.ok);
    ASSERT_TRUE(WriteRecoveryCopy(r.slot.files, Placed(4), r.file).ok);
    const struct utimbuf later { time(nullptr) + 60, time(nullptr) + 60 };
    ASSERT_EQ(utime(Bytes(r.file).c_str(), &later), 0); // touched after the copy was written
    const RecoveryCopy copy = FindRecoveryCopy(r.slot).value(); // throws when none is offered
    EXPECT_EQ(copy.fileName, r.file);
    EXPECT_EQ(copy.fileWritten, QFileInfo(r.file).lastModified());
    EXPECT_EQ(copy.written, QFileInfo(r.slot.files.levelPath).lastModified());

    ASSERT_TRUE(WriteRecoveryCopy(r.slot.files, saved, r.file).ok);
    EXPECT_FALSE(FindRecoveryCopy(r.slot).has_value());
    QFile::remove(r.file);
    EXPECT_FALSE(FindRecoveryCopy(r.slot).value().fileWritten.isValid());
    ASSERT_TRUE(WriteRecoveryCopy(r.slot.files, saved, QString()).ok);
    EXPECT_EQ(FindRecoveryCopy(r.slot).value().fileName, "");
    ASSERT_TRUE(Write(r.slot.files.namePath, r.file.toUtf8()));
    ASSERT_TRUE(QFile::resize(r.slot.files.namePath, 4LL << 30));
    EXPECT_EQ(FindRecoveryCopy(r.slot).value().fileName, "");
}

// An editor that wrote its copy of `level` for `file` into `folder` and died.
void LeaveCopyBehind(const QString& folder, const Level& level, const QString& file) {
    const pid_t child = fork();
    if (child == 0) {
        const RecoverySlot slot = ClaimRecoverySlot(folder);
        _exit(WriteRecoveryCopy(slot.files, level, file).ok ? 0 : 1);
    }
    int status = 1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_EQ(status, 0);
}

// On a full disk a write fails and says so, and the copy before it stays whole. A copy left
// by an editor that died before the disk filled up is offered all the same at the next start,
// which cannot lock a slot and tells the full disk as the cause.
TEST(RecoveryCopy, AFullDiskKeepsThePreviousCopyAndStillOffersIt) {
    Recovery r;
    TmpfsMount mount(r.folder, "64k");
    if (!mount.mounted) {
        GTEST_SKIP() << "mounting a small file system is not permitted here";
    }
    const RecoverySlot mine = ClaimRecoverySlot(r.folder); // the one below is hidden
    const Level first = Placed(3);
    ASSERT_TRUE(WriteRecoveryCopy(mine.files, first, r.file).ok);
    const QByteArray kept = ReadAll(mine.files.levelPath);
    LeaveCopyBehind(r.folder, Placed(5), r.file);
    Write(r.folder + "/filler", QByteArray(64 << 10, 'x')); // as much as fits
    Level larger = first; // more than the old copy's blocks would make room for
    larger.points.resize(larger.points.size() + 1000, first.points.front());
    const FileResult full = WriteRecoveryCopy(mine.files, larger, r.file);
    EXPECT_TRUE(full.message.contains("the disk is full")) << full.message.toStdString();
    EXPECT_EQ(ReadAll(mine.files.levelPath), kept);

    const RecoverySlot next = ClaimRecoverySlot(r.folder);
    EXPECT_FALSE(next.lock);
    EXPECT_TRUE(next.problem.contains("cannot be written: the disk is full"))
        << next.problem.toStdString();
    EXPECT_EQ(ReadAll(next.files.levelPath), EncodeLevel(Placed(5)).bytes); // the dead one's
    EXPECT_EQ(FindRecoveryCopy(next).value().fileName, r.file);
}

// In a folder this user may not write, the next start and the copy's writer say so with the
// cause, the copy there is offered, and it stays whole.
TEST(RecoveryCopy, AReadOnlyFolderWithoutRootSaysSoAndKeepsTheCopy) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "permissions do not stop root";
    }
    Recovery r;
    LeaveCopyBehind(r.folder, Placed(5), r.file);
    const ReadOnlyFor readOnly(r.folder);
    const QString denied = QString::fromLocal8Bit(strerror(EACCES));
    const RecoverySlot next = ClaimRecoverySlot(r.folder);
    EXPECT_TRUE(next.problem.contains("cannot be written: " + denied))
        << next.problem.toStdString();
    EXPECT_EQ(FindRecoveryCopy(next).value().fileName, r.file);
    const QByteArray kept = ReadAll(next.files.levelPath);
    const FileResult refused = WriteRecoveryCopy(next.files, Placed(6), r.file);
    EXPECT_TRUE(refused.message.contains(denied)) << refused.message.toStdString();
    EXPECT_EQ(ReadAll(next.files.levelPath), kept);
}

// When no copy can be kept, the slot says why: the folder is a file or every slot is taken.
TEST(RecoveryCopy, AClaimThatGetsNoSlotSaysWhy) {
    QTemporaryDir base;
    const QString plain = base.filePath("plain");
    ASSERT_TRUE(Write(plain, "a file"));
    EXPECT_TRUE(ClaimRecoverySlot(plain).problem.contains("is not a folder"));
    EXPECT_EQ(ClaimRecoverySlot(QString()).problem, ""); // no copy asked for

    const QString folder = base.filePath("recovery");
    std::vector<RecoverySlot> taken(RECOVERY_SLOTS);
    for (RecoverySlot& slot : taken) {
        slot = ClaimRecoverySlot(folder, RecoverySlotKind::Free);
        EXPECT_EQ(slot.problem, "");
    }
    const RecoverySlot none = ClaimRecoverySlot(folder, RecoverySlotKind::Free);
    EXPECT_TRUE(none.problem.contains("no slot free")) << none.problem.toStdString();
}

} // namespace
} // namespace kivo
