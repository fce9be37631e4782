// The window tells the truth about the level's file whatever happened on disk, and no way out
// of the editor loses work: undoing a reload, a removed file, and recovery copies.
#include "clicks.h"
#include "window_fixture.h"

#include "session/recovery_keeper.h"
#include "storage/level/recovery_copy.h"

#include <QSignalSpy>

namespace kivo {
namespace {

const QByteArray OTHER_LEVEL("\x00\x00\x00\x00\xff\xff\x0c\x00\x22\x00", 10);

class Truth : public Window {
  protected:
    QString copy = File("recovery/editor-1.kvo");
    bool Copied() {
        return QTest::qWaitFor([&] { return QFile::exists(copy); }, 5000);
    }
};

// A removed open file makes the level unsaved and kept in a copy; Ctrl+S writes it again
// without a question. A file made again is followed, and a change to it is read again as a step
// whose undo gives back an unsaved level, written over their file only after a question.
TEST_F(Truth, ARemovedOrChangedFileLeavesTheLevelUnsavedAndFollowed) {
    ClickCanvas({188, 60});
    SaveAs("v.kvo");
    const QByteArray saved = Bytes("v.kvo");
    ASSERT_TRUE(QFile::remove(File("v.kvo")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->isWindowModified(); }, 5000));
    EXPECT_TRUE(Copied());
    answers.choices = {2};
    window->close(); // Cancel
    EXPECT_TRUE(window->isVisible());
    QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(answers.choiceTexts.size(), 1);
    EXPECT_EQ(Bytes("v.kvo"), saved);
    EXPECT_FALSE(window->isWindowModified());

    ASSERT_TRUE(QFile::remove(File("v.kvo")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->isWindowModified(); }, 5000));
    ASSERT_TRUE(Write(File("v.kvo"), saved)); // made again, holding the level
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window->isWindowModified(); }, 5000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !QFile::exists(copy); }, 5000));
    ASSERT_TRUE(Write(File("v.kvo"), OTHER_LEVEL)); // and changed: read again
    EXPECT_TRUE(QTest::qWaitFor([&] { return level().shapes.empty(); }, 5000));
    EXPECT_EQ(window->history().undoText(), "Reload v.kvo");
    EXPECT_FALSE(window->isWindowModified());
    Undo();
    EXPECT_EQ(level().shapes.size(), 1u);
    EXPECT_TRUE(window->isWindowModified());
    EXPECT_TRUE(Copied());
    answers.choices = {0, 0}; // Save; Overwrite the file another program wrote
    window->close();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(Bytes("v.kvo"), EncodeLevel(level()).bytes);
    EXPECT_TRUE(answers.choiceTexts.last().startsWith(
        File("v.kvo") + " was changed on disk since this editor loaded or saved it."));
}

// With the recovery folder's disk full, the start says so, with that cause, and still offers
// the copy an editor left there.
TEST_F(Truth, ACopyOnAFullDiskIsOfferedAndTheCauseIsTold) {
    window.reset();
    TmpfsMount mount(File("recovery"), "64k");
    if (!mount.mounted) {
        GTEST_SKIP() << "mounting a small file system is not permitted here";
    }
    Clicks clicks;
    clicks.Click(300.0f, 250.0f, 5);
    const RecoveryFiles left{copy, File("recovery/editor-1.name"),
                             File("recovery/editor-1.scores")};
    ASSERT_TRUE(WriteRecoveryCopy(left, clicks.level, QString()).ok);
    Write(File("recovery/filler"), QByteArray(64 << 10, 'x'));
    Open(); // Restore
    ASSERT_FALSE(answers.told.isEmpty());
    EXPECT_TRUE(answers.told.last().contains("cannot be written: the disk is full"))
        << answers.told.last().toStdString();
    ASSERT_EQ(answers.choiceTexts.size(), 1);
    EXPECT_TRUE(answers.choiceTexts[0].endsWith("|Restore,Discard"));
    EXPECT_EQ(EncodeLevel(level()).bytes, EncodeLevel(clicks.level).bytes);
    EXPECT_TRUE(window->isWindowModified());
}

// A copy that cannot be written is said once, with why.
TEST_F(Truth, ACopyThatCannotBeWrittenIsSaidOnce) {
    QDir().mkpath(File("recovery"));
    ASSERT_TRUE(QFile::link(File("nowhere.kvo"), copy));
    const qsizetype told = answers.told.size(); // the pack made at the start
    ClickCanvas({188, 60});
    ASSERT_TRUE(QTest::qWaitFor([&] { return answers.told.size() > told; }, 5000));
    EXPECT_TRUE(answers.told.last().endsWith(
        "Unsaved work is not being kept safe: the recovery copy cannot be written.\n\"" + copy +
        "\" cannot be written: it is a symbolic link, not a regular file."))
        << answers.told.last().toStdString();
    QSignalSpy tried(&window->session().recovery(), &RecoveryKeeper::copyTried);
    ClickCanvas({300, 200});
    ClickCanvas({400, 200});
    ASSERT_TRUE(tried.wait(5000)); // the next copy was tried, and failed again
    EXPECT_EQ(tried.takeFirst(), QList<QVariant>{false});
    EXPECT_EQ(answers.told.size(), told + 1);
}

} // namespace
} // namespace kivo
