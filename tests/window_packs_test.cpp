// The pack panel: listing, choosing, editing, creating and deleting packs.
#include "window_fixture.h"

#include <QSignalSpy>

namespace kivo {
namespace {

class Packs : public Window {
  protected:
    // Packs made on disk before the editor starts: folder, then the four lines.
    void StartWith(const std::vector<std::array<const char*, 5>>& packs) {
        window.reset();
        QDir(File("kivo")).removeRecursively();
        QDir(start.path()).mkpath("kivo");
        QFile::copy(KIVO_SOURCE_DIR "/data/kivo/default.kvo", File("kivo/default.kvo"));
        for (const auto& pack : packs) {
            QDir(File("kivo")).mkpath(QString(pack[0]) + "/kivo");
            QFile config(File("kivo/") + pack[0] + "/config.txt");
            ASSERT_TRUE(config.open(QIODevice::WriteOnly));
            config.write(
                QString("%1\r\n%2\r\nWhen?\r\n%3\r\n").arg(pack[1], pack[2], pack[3]).toUtf8());
        }
        Open();
    }
    // The pack on disk in this folder: its config.txt.
    QByteArray Config(const char* folder) {
        return Bytes(QString("kivo/") + folder + "/config.txt");
    }
    int IndexOf(const char* folder) {
        const auto& packs = window->packStore().packs;
        for (size_t i = 0; i < packs.size(); ++i) {
            if (QString::fromStdString(packs[i].levelsPath).contains(QString("/") + folder + "/")) {
                return int(i);
            }
        }
        return -1;
    }
    void Choose(int index) {
        ui().packCombo->setFocus();
        const int from = ui().packCombo->currentIndex();
        for (int k = from; k != index; k += index > from ? 1 : -1) {
            QTest::keyClick(ui().packCombo, index > from ? Qt::Key_Down : Qt::Key_Up);
        }
    }
};

TEST_F(Packs, AFirstStartCreatesAndAnnouncesAPackAndShowsIt) {
    EXPECT_EQ(answers.told,
              QStringList{"Information|Pack Created, please select and edit Pack Details"});
    EXPECT_EQ(ui().packCombo->count(), 1);
    EXPECT_EQ(ui().packCombo->currentText() + ui().authorField->text() +
                  ui().dateCreatedField->text(),
              "New PackNew AuthorWhen?");
    EXPECT_EQ(ui().packIdLabel->text().toStdString(), window->packStore().packs[0].packId);
    EXPECT_EQ(window->packStore().levelDir.toStdString(), window->packStore().packs[0].levelsPath);
    Open(); // a second start finds the pack
    EXPECT_EQ(answers.told.size(), 1);
}

// Typing "Alpha" over the shown pack's name, with Return and Tab, is a rename of that pack:
// it never chooses the pack named Alpha, for Apply Change or for Delete.
TEST_F(Packs, TypingInThePackNameNeverChoosesAPack) {
    StartWith({{"a_pak", "Alpha", "Ann", "1001"}, {"b_pak", "Beta", "Bob", "1002"}});
    Choose(IndexOf("b_pak"));
    ASSERT_EQ(ui().authorField->text(), "Bob");
    const QByteArray alpha = Config("a_pak");
    for (const char* typed : {"Al", "Alpha"}) {
        Type(ui().packCombo, typed);
        EXPECT_EQ(ui().packCombo->currentText(), typed); // nothing completed
        QTest::keyClick(ui().packCombo, Qt::Key_Return);
        QTest::keyClick(ui().packCombo, Qt::Key_Tab);
        EXPECT_FALSE(ui().packCombo->hasFocus());
        EXPECT_EQ(ui().authorField->text(), "Bob") << typed;
        EXPECT_EQ(ui().packIdLabel->text(), "1002") << typed;
    }
    Click(ui().applyChangeButton);
    EXPECT_EQ(Config("b_pak"), "Alpha\r\nBob\r\nWhen?\r\n1002\r\n");
    EXPECT_EQ(Config("a_pak"), alpha);

    Choose(IndexOf("b_pak"));
    Type(ui().packCombo, "Alp");
    QTest::keyClick(ui().packCombo, Qt::Key_Tab);
    answers.confirms = {true};
    Click(ui().deletePackButton);
    EXPECT_TRUE(answers.questions.last().startsWith(
        "Confirm|Are you sure you want to delete this pack?\n\n\"Alpha\"\n"));
    EXPECT_TRUE(answers.questions.last().endsWith("b_pak"));
    EXPECT_FALSE(QDir(File("kivo/b_pak")).exists());
    EXPECT_EQ(Config("a_pak"), alpha);
}

// Packs often share a name: every entry shows its own pack, and the list keeps its place, so
// the arrow keys walk through all of them.
TEST_F(Packs, ChoosingAnEntryShowsItsOwnPackAndKeepsTheList) {
    StartWith({{"1_pak", "New Pack", "One", "1"},
               {"2_pak", "New Pack", "Two", "2"},
               {"3_pak", "New Pack", "Three", "3"}});
    QSignalSpy shown(window.get(), &MainWindow::shownPackChanged);
    for (int index : {1, 2, 0, 2}) {
        Choose(index);
        EXPECT_EQ(ui().packCombo->count(), 3);
        EXPECT_EQ(ui().packCombo->currentIndex(), index);
        const PackInfo& pack = window->packStore().packs[size_t(index)];
        EXPECT_EQ(ui().authorField->text().toStdString(), pack.author);
        EXPECT_EQ(window->packStore().levelDir.toStdString(), pack.levelsPath);
    }
    EXPECT_EQ(shown.count(), 6); // one for every step of the arrow keys
}

TEST_F(Packs, ApplyChangeWritesTheShownPackAndNewShowsTheNewPack) {
    StartWith({{"a_pak", "Alpha", "Ann", "1001"}});
    Type(ui().authorField, "Ada");
    Click(ui().applyChangeButton);
    EXPECT_EQ(Config("a_pak"), "Alpha\r\nAda\r\nWhen?\r\n1001\r\n");
    EXPECT_TRUE(answers.questions.isEmpty());

    Click(ui().newPackButton); // answered No
    EXPECT_EQ(ui().packCombo->count(), 1);
    answers.confirms = {true};
    Click(ui().newPackButton);
    EXPECT_EQ(answers.questions.last(), "Confirm|Do you wish to create a new Pack?");
    ASSERT_EQ(ui().packCombo->count(), 2);
    EXPECT_EQ(ui().authorField->text(), "New Author");
    EXPECT_NE(ui().packIdLabel->text(), "1001");
    EXPECT_EQ(ui().packCombo->currentIndex(), 1 - IndexOf("a_pak"));
}

// With the template gone, deleting the last pack leaves none: nothing of it stays on show,
// and the level dialogs open in the start folder.
TEST_F(Packs, WhenNoPackIsLeftThePanelShowsNone) {
    StartWith({{"a_pak", "Alpha", "Ann", "1001"}});
    QFile::remove(File("kivo/default.kvo"));
    answers.confirms = {true};
    Click(ui().deletePackButton);
    EXPECT_EQ(answers.errors.size(), 1);
    EXPECT_EQ(ui().packCombo->count(), 0);
    EXPECT_EQ(ui().packCombo->currentText() + ui().authorField->text() +
                  ui().dateCreatedField->text() + ui().packIdLabel->text(),
              "");
    EXPECT_EQ(window->packStore().levelDir, start.path() + "/");
}

// The window may go with unsaved steps and the pack name edited: the undo stack's last signals
// and the focus-out must not reach commands on members that are gone.
TEST_F(Packs, TheWindowCanGoWithUnsavedStepsAndThePackNameEdited) {
    StartWith({{"a_pak", "Alpha", "Ann", "1001"}, {"b_pak", "Beta", "Bob", "1002"}});
    ClickCanvas({200, 200});
    ASSERT_EQ(Steps(), 1);
    Type(ui().packCombo, "Beta");
    ASSERT_TRUE(ui().packCombo->hasFocus());
    window.reset();
}

} // namespace
} // namespace kivo
