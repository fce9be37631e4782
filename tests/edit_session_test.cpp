// The edit session's rules, without a window: what the title names, what Save writes to,
// when the level counts as unsaved, and how slot edits of the packs carry the level's file.
#include "slot_pack.h"

#include "session/edit_session.h"
#include "storage/files/call_seam.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <QUndoStack>

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <utility>

#include <cstdio>

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
    // Whether the level counts as unsaved, and who changed the file Save writes to.
    std::pair<bool, ChangedBy> Mark() const {
        return {doc.IsModified(), doc.SaveTargetChangedBy()};
    }
};

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

// An exchange moves the level's file with it, and a redone Load follows the level to the slot
// it moved to; a reset over it leaves the level unsaved, and Save asks before writing over the
// template, saying this editor put it there. Its undo brings the level back into the file:
// saved again. Saving into a slot gives the level that file.
TEST_F(Session, SlotEditsCarryTheLevelsFileOrSayTheyChangedIt) {
    ASSERT_TRUE(doc.Open(p.Path(1)).ok);
    ASSERT_TRUE(packs.Exchange(1, 2).ok); // Move Later
    EXPECT_EQ(doc.currentFile() + doc.titleFile(), p.Path(2) + p.Path(2));
    Undo();
    doc.history()->redo();
    EXPECT_EQ(doc.currentFile() + doc.titleFile(), p.Path(2) + p.Path(2));
    EXPECT_EQ(Mark(), std::pair(false, ChangedBy::Nobody));
    packs.history()->undo();
    EXPECT_EQ(doc.currentFile(), p.Path(1));
    EXPECT_FALSE(doc.IsModified());

    ASSERT_TRUE(packs.Reset(1).ok);
    EXPECT_EQ(doc.currentFile() + doc.titleFile(), p.Path(1) + p.Path(1));
    EXPECT_EQ(Mark(), std::pair(true, ChangedBy::SlotEdit)); // the level is on screen only
    packs.history()->undo();
    EXPECT_EQ(Mark(), std::pair(false, ChangedBy::Nobody));
    packs.history()->redo();
    ASSERT_TRUE(session.SaveIntoSlot(2).ok);
    EXPECT_EQ(doc.currentFile(), p.Path(2));
    EXPECT_FALSE(doc.IsModified());
    packs.history()->undo(); // the slot holds its level again, put back by this editor
    EXPECT_EQ(Mark(), std::pair(true, ChangedBy::SlotEdit));
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

// A level without unsaved changes follows its file when another program changes it. Unsaved
// changes stay, and so does the level while the file cannot be read; Save then asks before
// writing over it.
TEST_F(Session, AFileChangedOnDiskIsReadAgainUnlessTheLevelHasUnsavedChanges) {
    ASSERT_TRUE(doc.Open(p.Path(1)).ok);
    p.Put(1, TwoSquares());
    ASSERT_TRUE(QTest::qWaitFor([&] { return Shown() == TwoSquares(); }));

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

// A removed file makes the level unsaved at once, and Save would write it again at its name
// without asking; a file made again at that name is seen.
TEST_F(Session, ARemovedFileMakesTheLevelUnsavedAndIsWrittenAgain) {
    ASSERT_TRUE(doc.SaveAs(File("r.kvo")).ok);
    ASSERT_TRUE(QFile::remove(File("r.kvo")));
    doc.NoticeFileChange(File("r.kvo"));
    EXPECT_EQ(Mark(), std::pair(true, ChangedBy::Nobody));
    ASSERT_TRUE(Write(File("r.kvo"), TwoSquares())); // made again by another program
    doc.NoticeFileChange(File("r.kvo"));
    // The level is nowhere else: it stays, unsaved, and Save asks before writing over theirs.
    EXPECT_NE(Shown(), TwoSquares());
    EXPECT_EQ(Mark(), std::pair(true, ChangedBy::Other));
}

// A slot step that could not be written stays where it was, so the next undo takes back the
// same step; each pack keeps its own history, and a deleted pack takes its history along and
// leaves the level that lived there unsaved.
TEST_F(Session, SlotHistoriesBelongToTheirPacksAndAFailedStepStays) {
    ASSERT_TRUE(packs.Paste("a level", TwoSquares(), 3).ok);
    ASSERT_TRUE(packs.Exchange(1, 2).ok);
    const QString levels = p.pack + "/kivo";
    ASSERT_TRUE(QDir().rename(levels, levels + "_real"));
    ASSERT_TRUE(QFile::link(levels + "_real", levels));
    QSignalSpy failed(&packs, &PackDocument::stepFailed);
    packs.history()->undo();
    EXPECT_EQ(failed.size(), 1);
    EXPECT_EQ(packs.history()->index(), 2);
    ASSERT_TRUE(QFile::remove(levels));
    ASSERT_TRUE(QDir().rename(levels + "_real", levels));
    packs.history()->undo();
    EXPECT_EQ(p.Bytes(1), Triangle());
    EXPECT_EQ(p.Bytes(3), TwoSquares());
    EXPECT_EQ(packs.history()->undoText(), "Paste a level into kivo3 in Slots");

    ASSERT_TRUE(doc.Open(p.Path(3)).ok);
    packs.New();
    EXPECT_EQ(packs.history()->count(), 0); // the new pack has a history of its own
    packs.Choose(size_t(1 - packs.shownIndex()));
    EXPECT_EQ(packs.history()->count(), 2);
    packs.Delete();
    EXPECT_EQ(packs.history()->count(), 0);
    EXPECT_TRUE(doc.IsModified()); // its file went with the pack
    EXPECT_TRUE(doc.SaveTargetFolderGone());
}

// A model of the disk for random designers and another program at work at once. The files are
// four slots of the pack and two plain files; the model knows what the editor was told about
// each (its reads and writes, slot edits, the watcher's reports, fed through the document's
// seam so that nothing waits), and checks the session against the disk after every step.
class DiskModel {
  public:
    DiskModel(SlotPack& p, EditSession& session, uint32_t seed)
        : p_(p), session_(session), doc_(session.level()), packs_(session.packs()), random_(seed) {
        for (int slot = 0; slot < SLOTS; ++slot) {
            files_ << p.Path(slot);
        }
        files_ << p.base.filePath("a.kvo") << p.base.filePath("b.kvo");
        Write(files_[SLOTS], Triangle());
        told_ = Snapshot();
    }

    // One random step; false once a check failed, with what failed in `failure`.
    bool Step() {
        before_ = Snapshot();
        allowed_.clear();
        overwrite_ = false;
        // The watcher reports late, sometimes after the designer's next steps; what it reports
        // of the file the level comes from is read.
        for (const QString& path : Pick(2) ? std::exchange(pending_, {}) : QStringList()) {
            const QString source = doc_.sourceFile();
            doc_.NoticeFileChange(path);
            if (path == source) {
                told_[path] = Disk(path);
            }
        }
        const int kind = Pick(20);
        kinds_ =
            (kinds_ + " " + std::to_string(kind)).substr(std::max<int>(0, int(kinds_.size()) - 40));
        Act(kind);
        return Check(kind);
    }
    std::string failure;

  private:
    static constexpr int SLOTS = 4;
    using Files = std::map<QString, std::optional<QByteArray>>;

    int Pick(int n) { return int(random_() % uint32_t(n)); }
    // Two picks in a fixed order, where a call's arguments would run in the compiler's: a seed
    // walks the same steps on every build.
    std::pair<int, int> PickTwo(int n, int m) {
        const int first = Pick(n);
        return {first, Pick(m)};
    }
    const QString& AnyFile() { return files_[Pick(int(files_.size()))]; }
    static std::optional<QByteArray> Disk(const QString& path) {
        return QFileInfo::exists(path) ? std::optional<QByteArray>(ReadAll(path)) : std::nullopt;
    }
    Files Snapshot() const {
        Files files;
        for (const QString& file : files_) {
            files[file] = Disk(file);
        }
        return files;
    }
    // Another program's levels are each new, so that the editor holds them only once told.
    QByteArray NewLevel() {
        Clicks clicks;
        for (int n = ++made_, x = 220; n > 0; n /= 10, x += 40) {
            clicks.Click(float(x), 150.0f, 3 + n % 10);
        }
        return EncodeLevel(clicks.level).bytes;
    }
    int made_ = 0;
    QByteArray SomeLevel() {
        const QByteArray levels[] = {Triangle(), TwoSquares(), LevelOf({5}), LevelOf({6, 3}),
                                     EMPTY_LEVEL};
        return levels[Pick(5)];
    }
    // What a slot edit, its undo or its redo told: every slot as it now is.
    void ToldSlots() {
        for (int slot = 0; slot < SLOTS; ++slot) {
            told_[p_.Path(slot)] = Disk(p_.Path(slot));
        }
    }
    // Another program changed the file; the watcher will report it.
    void Other(const QString& path) {
        allowed_ << path;
        pending_ << path;
    }
    QStringList pending_;

    void Act(int kind) {
        switch (kind) {
        case 0:
        case 1:
        case 2: { // two clicks in three place a polygon, the third deletes the nearest
            const auto [x, y] = PickTwo(300, 250);
            (kind == 2 ? doc_.DeleteNearest(float(200 + x), float(100 + y))
                       : void(doc_.Place(float(200 + x), float(100 + y), uint8_t(3 + Pick(10)))));
            break;
        }
        case 3:
            doc_.SetScore(ScoreField::Target, Pick(4) ? std::to_string(Pick(500)) : "40000");
            doc_.EndScoreTyping();
            break;
        case 4:
            Open(AnyFile());
            break;
        case 5:
        case 6:
            Save();
            break;
        case 7: {
            const QString& path = AnyFile();
            allowed_ << path;
            if (doc_.SaveAs(path).ok) {
                told_[path] = Disk(path);
            }
            break;
        }
        case 8:
        case 9: // a file the level comes from again is read anew
            (kind == 8 ? doc_.history()->undo() : doc_.history()->redo());
            if (!doc_.sourceFile().isEmpty()) {
                told_[doc_.sourceFile()] = Disk(doc_.sourceFile());
            }
            break;
        case 10:
        case 11:
            (kind == 10 ? packs_.history()->undo() : packs_.history()->redo());
            break;
        case 12:
        case 13: {
            const auto [a, b] = PickTwo(SLOTS, SLOTS);
            (kind == 12 ? packs_.Exchange(a, b) : packs_.MoveTo(a, b));
            break;
        }
        case 14: {
            const int slot = Pick(SLOTS);
            (Pick(2) ? packs_.Reset(slot) : packs_.Paste("a level", SomeLevel(), slot));
            break;
        }
        case 15:
            if (session_.SaveIntoSlot(Pick(SLOTS)).ok) {
                ToldSlots();
            }
            break;
        case 16:
        case 17: { // another program writes other bytes (or makes a removed file again), or removes
            const QString& path = AnyFile();
            (kind == 16 ? Write(path, NewLevel()) : QFile::remove(path));
            Other(path);
            break;
        }
        case 18: { // another program moves one slot's file over another's
            const QString& from = files_[Pick(SLOTS)];
            const QString& to = files_[Pick(SLOTS)];
            if (from != to && QFileInfo::exists(from)) {
                ::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData());
                Other(from);
                Other(to);
            }
            break;
        }
        default:
            doc_.ForgetCurrentFile();
            break;
        }
        if (kind >= 10 && kind <= 14) { // what a slot edit, its undo or its redo told
            ToldSlots();
        }
    }

    // Sometimes another program writes the file right after the editor read it.
    void Open(const QString& path) {
        const bool race = Pick(4) == 0;
        std::optional<QByteArray> read;
        SetCallSeam([&](const char* call) {
            if (std::string(call) == "read level" && !read) {
                read = Disk(path);
                if (race) {
                    Write(path, NewLevel());
                }
            }
            return 0;
        });
        const bool opened = doc_.Open(path).ok;
        SetCallSeam({});
        if (opened && read) {
            told_[path] = read;
        }
        if (race) {
            Other(path);
        }
    }

    // As the main window saves: a file changed since asks, and is overwritten only when the
    // designer says so.
    void Save() {
        const QString path = doc_.currentFile();
        if (path.isEmpty() || !CheckScores(doc_.level()).ok) {
            return;
        }
        if (doc_.SaveTargetChangedBy() != ChangedBy::Nobody) {
            if (Pick(2)) {
                return; // Cancel
            }
            overwrite_ = true;
        }
        allowed_ << path;
        const std::optional<QByteArray> was = Disk(path);
        const std::optional<QByteArray> told = told_[path];
        if (doc_.Save(path).ok) {
            saveOnto_ = {path, was};
            toldAtSave_ = told;
            told_[path] = Disk(path);
        }
    }

    bool Fail(const std::string& what) {
        failure = what + " after steps of kinds" + kinds_;
        return false;
    }
    std::string kinds_;

    bool Check(int kind) {
        const Files now = Snapshot();
        // (a) the mark: the level differs from what the file it came from holds now.
        const QString source = doc_.sourceFile();
        const Encoded shown = EncodeLevel(doc_.level());
        const std::optional<QByteArray> file =
            source.isEmpty() ? std::optional<QByteArray>(EMPTY_LEVEL) : Disk(source);
        const bool differs = !shown.result.ok || !file || shown.bytes != *file;
        if (pending_.isEmpty() && doc_.IsModified() != differs) {
            return Fail("the mark says " + std::string(doc_.IsModified() ? "unsaved" : "saved") +
                        " for " + source.toStdString());
        }
        // (b) a file changes only by a write the designer asked for, onto bytes the editor
        // was told the file held or after Overwrite; or by another program, or a slot edit.
        const bool slotEdit = kind >= 10 && kind <= 15;
        for (const auto& [path, bytes] : now) {
            if (bytes == before_.at(path) || allowed_.contains(path) ||
                (slotEdit && SlotAt(PathBytes(path)))) {
                continue;
            }
            return Fail("a write nobody asked for changed " + path.toStdString());
        }
        // Bytes another program moved in from a file the editor was told of are bytes it knew.
        if (saveOnto_ && !overwrite_ && saveOnto_->second && toldAtSave_ != saveOnto_->second &&
            !everTold_.count(*saveOnto_->second)) {
            return Fail("Save wrote without asking over bytes the editor was never told of in " +
                        saveOnto_->first.toStdString());
        }
        saveOnto_.reset();
        for (const auto& [path, bytes] : told_) {
            if (bytes) {
                everTold_.insert(*bytes);
            }
        }
        // (c) slot moves keep every level in the pack; a put's undo or redo changes one slot.
        if (kind >= 10 && kind <= 13) {
            std::multiset<QByteArray> was, is;
            int changed = 0;
            for (int slot = 0; slot < SLOTS; ++slot) {
                const QString path = p_.Path(slot);
                was.insert(before_.at(path).value_or("none"));
                is.insert(now.at(path).value_or("none"));
                changed += before_.at(path) != now.at(path) ? 1 : 0;
            }
            if (was != is && !(kind <= 11 && changed == 1)) {
                return Fail("a slot edit lost a level of the pack");
            }
        }
        return true;
    }

    SlotPack& p_;
    EditSession& session_;
    LevelDocument& doc_;
    PackDocument& packs_;
    std::mt19937 random_;
    QStringList files_;
    Files told_; // what the editor was told each holds
    std::optional<QByteArray> toldAtSave_;
    std::set<QByteArray> everTold_;
    Files before_;
    QStringList allowed_;
    bool overwrite_ = false;
    std::optional<std::pair<QString, std::optional<QByteArray>>> saveOnto_;
};

// Random designers and another program against the model, over several seeds.
TEST(SessionModel, RandomWorkAgainstTheDiskNeverLosesALevelAndTheMarkTellsTheTruth) {
    for (uint32_t seed = 1; seed <= 5; ++seed) {
        SlotPack p;
        EditSession session{p.base.path() + "/", QString(), MakeRandomSource(seed)};
        session.packs().Scan();
        DiskModel model(p, session, seed);
        for (int step = 0; step < 600; ++step) {
            ASSERT_TRUE(model.Step())
                << "seed " << seed << ", step " << step << ": " << model.failure;
        }
    }
}

} // namespace
} // namespace kivo
