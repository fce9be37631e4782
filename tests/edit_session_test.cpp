// The edit session's rules, without a window: what the title names, what Save writes to,
// when the level counts as unsaved, and how slot edits of the packs carry the level's file.
#include "slot_pack.h"

#include "session/edit_session.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <QUndoStack>

#include <algorithm>
#include <random>

namespace kivo {
namespace {

class Session : public ::testing::Test {
  protected:
    SlotPack p;
    EditSession session{p.base.path() + "/", p.base.filePath("recovery"), MakeRandomSource(5)};
    LevelDocument& doc = session.level();
    PackDocument& packs = session.packs();

    void SetUp() override {
        p.Put(1, Triangle());
        p.Put(2, TwoSquares());
        packs.Scan();
        ASSERT_EQ(packs.shownPackDir().toStdString() + "/", p.pack.toStdString() + "/");
    }
    QString File(const QString& name) const { return p.base.filePath(name); }
    QByteArray Shown() const { return EncodeLevel(doc.level()).bytes; }
    void Undo() { doc.history()->undo(); }
};

TEST_F(Session, TheMarkSaysUnsavedExactlyWhileTheLevelDiffersFromItsFile) {
    EXPECT_FALSE(doc.IsModified());
    doc.Place(300, 250, 3);
    EXPECT_TRUE(doc.IsModified());
    Undo(); // back to the level the editor started with
    EXPECT_FALSE(doc.IsModified());
    doc.SetScore(ScoreField::Target, "150");
    EXPECT_TRUE(doc.IsModified());
    doc.SetScore(ScoreField::Target, "100"); // typed back as it was
    EXPECT_FALSE(doc.IsModified());
}

TEST_F(Session, TheTitleAndTheFileSaveWritesChangeTogetherWithTheirSteps) {
    EXPECT_EQ(doc.Title(), "KIVO Level Editor V1.0");
    ASSERT_TRUE(doc.Open(p.Path(1)).ok);
    EXPECT_EQ(doc.Title(), "KIVO Level Editor - " + p.Path(1));
    EXPECT_EQ(doc.history()->undoText(), "Load kivo1.kvo");
    doc.ForgetCurrentFile();                 // a cancelled dialog: Save asks, the title stays
    ASSERT_TRUE(doc.Save(File("b.kvo")).ok); // Save keeps the title
    EXPECT_EQ(doc.titleFile(), p.Path(1));
    EXPECT_EQ(doc.currentFile(), File("b.kvo"));
    doc.Clear();
    EXPECT_EQ(doc.Title(), "KIVO Level Editor V1.0");
    EXPECT_FALSE(doc.IsModified()); // a cleared level is a new one
}

// An exchange moves the level's file with it; a reset over it leaves the level unsaved, and
// Save asks before writing over the template, saying this editor put it there. Its undo brings
// the level back into the file: saved again. Saving into a slot gives the level that file.
TEST_F(Session, SlotEditsCarryTheLevelsFileOrSayTheyChangedIt) {
    ASSERT_TRUE(doc.Open(p.Path(1)).ok);
    ASSERT_TRUE(packs.Exchange(1, 2).ok);
    EXPECT_EQ(doc.currentFile(), p.Path(2));
    packs.history()->undo();
    EXPECT_EQ(doc.currentFile(), p.Path(1));
    EXPECT_FALSE(doc.IsModified());

    ASSERT_TRUE(packs.Reset(1).ok);
    EXPECT_EQ(doc.currentFile() + doc.titleFile(), p.Path(1) + p.Path(1));
    EXPECT_TRUE(doc.IsModified()); // the level is on screen only
    EXPECT_EQ(doc.SaveTargetChangedBy(), ChangedBy::SlotEdit);
    packs.history()->undo();
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.SaveTargetChangedBy(), ChangedBy::Nobody);
    packs.history()->redo();
    ASSERT_TRUE(session.SaveIntoSlot(2).ok);
    EXPECT_EQ(doc.currentFile(), p.Path(2));
    EXPECT_FALSE(doc.IsModified());
    packs.history()->undo(); // the slot holds its level again, put back by this editor
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.SaveTargetChangedBy(), ChangedBy::SlotEdit);
}

// A score is saved only as the designer wrote it: never an empty or half-typed one as 0.
TEST_F(Session, ScoresThatDoNotReadAsANumberAreNotSaved) {
    for (const char* score : {"", "-", "abc", "12a", " 7", "99999999999", "40000"}) {
        SCOPED_TRACE(score);
        doc.SetScore(ScoreField::Expert, score);
        const FileResult saved = doc.SaveAs(File("s.kvo"));
        EXPECT_FALSE(saved.ok);
        EXPECT_TRUE(saved.message.contains("expert score")) << saved.message.toStdString();
        EXPECT_FALSE(session.SaveIntoSlot(5).ok);
    }
    EXPECT_FALSE(QFile::exists(File("s.kvo")));
    EXPECT_EQ(p.Bytes(5), EMPTY_LEVEL);
    for (const char* score : {"-5", "+12", "32767", "-32768", "0"}) {
        SCOPED_TRACE(score);
        doc.SetScore(ScoreField::Expert, score);
        EXPECT_TRUE(doc.SaveAs(File("s.kvo")).ok);
    }
}

// A level without unsaved changes follows its file when another program changes it, read again
// as a step that Undo takes back. Unsaved changes stay, and so does the level while the file
// cannot be read; Save then asks before writing over it.
TEST_F(Session, AFileChangedOnDiskIsReadAgainUnlessTheLevelHasUnsavedChanges) {
    ASSERT_TRUE(doc.Open(p.Path(1)).ok);
    p.Put(1, TwoSquares());
    ASSERT_TRUE(QTest::qWaitFor([&] { return Shown() == TwoSquares(); }));
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.currentFile(), p.Path(1));
    EXPECT_EQ(doc.history()->undoText(), "Reload " + SlotName(1) + ".kvo");
    Undo();
    EXPECT_EQ(Shown(), Triangle());
    EXPECT_TRUE(doc.CurrentFileChangedOnDisk());
    doc.history()->redo();

    QSignalSpy kept(&doc, &LevelDocument::changedOnDisk);
    doc.Place(450, 250, 5);
    const QByteArray edited = Shown();
    p.Put(1, Triangle());
    ASSERT_TRUE(kept.wait());
    EXPECT_EQ(Shown(), edited);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_TRUE(doc.CurrentFileChangedOnDisk());

    Undo();
    ASSERT_TRUE(doc.Save(p.Path(1)).ok);
    p.Put(1, QByteArray("\x05\x00", 2)); // ends in its first point
    ASSERT_TRUE(kept.wait());
    EXPECT_EQ(Shown(), TwoSquares());
    EXPECT_TRUE(doc.CurrentFileChangedOnDisk());
}

// The shown pack stays shown whatever is listed anew, until the designer chooses another.
TEST_F(Session, TheShownPackStaysShownAfterApplyNewAndRescan) {
    QDir().mkpath(p.data + "/2_pak/kivo");
    Write(p.data + "/2_pak/config.txt", "Second\r\nme\r\n2.1.2026\r\n2\r\n");
    packs.Scan();
    const QString first = packs.shownPackDir();
    packs.Choose(size_t(1 - packs.shownIndex())); // the pack a listing does not show
    const QString shown = packs.shownPackDir();
    ASSERT_NE(shown, first);
    EXPECT_TRUE(packs.Apply({"Second", "me", "3.1.2026"}).errors.isEmpty());
    EXPECT_EQ(packs.shownPackDir(), shown);
    packs.Scan();
    EXPECT_EQ(packs.shownPackDir(), shown);
    packs.New();
    EXPECT_NE(packs.shownPackDir(), shown); // the new pack, ready for its details
}

// Random designers: level steps, slot exchanges, saves that ask when the file changed,
// loads, and undo and redo of both histories. After every step the mark says unsaved exactly
// when the level differs from its file, and the pack holds every level it held, except
// where a save replaced the level's own file.
TEST_F(Session, RandomWorkNeverLosesALevelAndTheMarkTellsTheTruth) {
    std::mt19937 random(7);
    auto pick = [&](int n) { return int(random() % uint32_t(n)); };
    std::multiset<QByteArray> pack;
    for (int slot = 0; slot < 4; ++slot) {
        pack.insert(p.Bytes(slot));
    }
    auto held = [&] {
        std::multiset<QByteArray> now;
        for (int slot = 0; slot < 4; ++slot) {
            now.insert(p.Bytes(slot));
        }
        return now;
    };
    for (int step = 0; step < 300; ++step) {
        SCOPED_TRACE(step);
        switch (pick(8)) {
        case 0:
            doc.Place(float(200 + pick(300)), float(100 + pick(250)), uint8_t(3 + pick(10)));
            break;
        case 1:
            doc.DeleteNearest(float(200 + pick(300)), float(100 + pick(250)));
            break;
        case 2:
            packs.Exchange(pick(4), pick(4));
            break;
        case 3:
            doc.Open(p.Path(pick(4)));
            break;
        case 4:
            if (!doc.currentFile().isEmpty() && !doc.CurrentFileChangedOnDisk()) {
                const QByteArray old = ReadAll(doc.currentFile());
                ASSERT_TRUE(doc.Save(doc.currentFile()).ok);
                pack.erase(pack.find(old));
                pack.insert(ReadAll(doc.currentFile()));
            }
            break;
        case 5:
            doc.history()->undo();
            break;
        case 6:
            packs.history()->undo();
            break;
        case 7:
            (pick(2) ? doc.history() : packs.history())->redo();
            break;
        }
        ASSERT_EQ(held(), pack);
        if (!doc.currentFile().isEmpty() && !doc.CurrentFileChangedOnDisk()) {
            EXPECT_EQ(doc.IsModified(), Shown() != ReadAll(doc.currentFile()));
        }
    }
}

} // namespace
} // namespace kivo
