// The pack panel: listing, choosing, editing, creating and deleting packs.
#include "window_fixture.h"

#include <QSignalSpy>

namespace kivo {
namespace {

// Four packs made on disk before the editor starts; two of them share a name, as packs often do.
class Packs : public Window {
  protected:
    void SetUp() override {
        MakeDataFolder(home);
        const char* packs[][4] = {{"a_pak", "Alpha", "Ann", "1001"},
                                  {"b_pak", "Beta", "Bob", "1002"},
                                  {"c_pak", "New Pack", "Cy", "3"},
                                  {"d_pak", "New Pack", "Di", "4"}};
        for (const auto& pack : packs) {
            QDir(File("kivo")).mkpath(QString(pack[0]) + "/kivo");
            Write(File("kivo/") + pack[0] + "/config.txt",
                  QString("%1\r\n%2\r\nWhen?\r\n%3\r\n").arg(pack[1], pack[2], pack[3]).toUtf8());
        }
        Open();
    }
    QByteArray Config(const char* folder) {
        return Bytes(QString("kivo/") + folder + "/config.txt");
    }
};

// Every entry shows its own pack, and the list keeps its place, so the arrow keys walk through
// all of them. Typing "Alpha" over the shown pack's name, with Return and Tab, is a rename of
// that pack: it never chooses the pack named Alpha, for Apply Change or for Delete. New then
// shows the pack it made. The window may then go with unsaved steps and the pack name edited:
// the undo stack's last signals and the focus-out must not reach members that are gone.
TEST_F(Packs, ChoosingTypingApplyingDeletingAndNewActOnTheShownPack) {
    QSignalSpy shown(&window->session().packs(), &PackDocument::shownPackChanged);
    for (int index : {1, 2, 3, 0, 3}) {
        SCOPED_TRACE(index);
        Choose(index);
        EXPECT_EQ(ui().packCombo->count(), 4);
        EXPECT_EQ(ui().packCombo->currentIndex(), index);
        const PackInfo& pack = window->packs().packs()[size_t(index)];
        EXPECT_EQ(ui().authorField->text().toStdString(), pack.author);
    }
    EXPECT_EQ(shown.count(), 9);   // one for every step of the arrow keys
    Click(ui().applyChangeButton); // a listing shows the first pack, yet the changed one stays
    EXPECT_EQ(ui().packCombo->currentIndex(), 3);
    Choose(ui().packCombo->findText("Beta"));
    const QByteArray alpha = Config("a_pak");
    for (const char* typed : {"Al", "Alpha"}) {
        Type(ui().packCombo, typed);
        EXPECT_EQ(ui().packCombo->currentText(), typed); // nothing completed
        QTest::keyClick(ui().packCombo, Qt::Key_Return);
        QTest::keyClick(ui().packCombo, Qt::Key_Tab);
        EXPECT_FALSE(ui().packCombo->hasFocus());
        EXPECT_EQ(ui().authorField->text() + ui().packIdLabel->text(), "Bob1002") << typed;
    }
    Type(ui().authorField, "Ada");
    Click(ui().applyChangeButton);
    EXPECT_EQ(Config("b_pak"), "Alpha\r\nAda\r\nWhen?\r\n1002\r\n");
    EXPECT_EQ(Config("a_pak"), alpha);
    EXPECT_TRUE(answers.questions.isEmpty());

    Type(ui().packCombo, "Alp");
    QTest::keyClick(ui().packCombo, Qt::Key_Tab);
    answers.confirms = {true};
    Click(ui().deletePackButton);
    EXPECT_EQ(answers.questions.last(),
              "Confirm|Are you sure you want to delete this pack?\n\n\"Alpha\"\n" +
                  File("kivo/b_pak"));
    EXPECT_FALSE(QDir(File("kivo/b_pak")).exists());
    EXPECT_EQ(Config("a_pak"), alpha);

    Click(ui().newPackButton); // answered No
    EXPECT_EQ(ui().packCombo->count(), 3);
    answers.confirms = {true};
    Click(ui().newPackButton);
    EXPECT_EQ(answers.questions.last(), "Confirm|Do you wish to create a new Pack?");
    ASSERT_EQ(ui().packCombo->count(), 4);
    EXPECT_EQ(ui().authorField->text(), "New Author");
    EXPECT_EQ(window->packs().packs()[size_t(ui().packCombo->currentIndex())].author, "New Author");
    ClickCanvas({200, 200});
    ASSERT_EQ(Steps(), 1);
    Type(ui().packCombo, "Beta");
    ASSERT_TRUE(ui().packCombo->hasFocus());
    window.reset();
}

// With the template and the other packs gone, deleting the shown pack leaves none: nothing of
// it stays on show, and the level dialogs open in the start folder.
TEST_F(Packs, WhenNoPackIsLeftThePanelShowsNone) {
    Choose(ui().packCombo->findText("Alpha"));
    QFile::remove(File("kivo/default.kvo"));
    for (const char* gone : {"b_pak", "c_pak", "d_pak"}) {
        QDir(File("kivo/") + gone).removeRecursively();
    }
    answers.confirms = {true};
    Click(ui().deletePackButton);
    EXPECT_EQ(answers.errors.size(), 1);
    EXPECT_EQ(ui().packCombo->count(), 0);
    EXPECT_EQ(ui().packCombo->currentText() + ui().authorField->text() +
                  ui().dateCreatedField->text() + ui().packIdLabel->text(),
              "");
    EXPECT_EQ(window->packs().levelDir(), start.path());
    EXPECT_FALSE(ui().applyChangeButton->isEnabled());
    EXPECT_FALSE(ui().deletePackButton->isEnabled());
}

// Started where there is no data folder and the recovery folder is a file, the editor says
// where it looked for packs and how to start it right, once, and New says so again; and it
// says, once, that unsaved work is not being kept safe.
TEST_F(Window, AStartSaysWhatItCannotDo) {
    window.reset();
    QDir(File("kivo")).removeRecursively();
    ASSERT_TRUE(QDir(File("recovery")).removeRecursively());
    ASSERT_TRUE(Write(File("recovery"), "a plain file"));
    answers.errors.clear();
    answers.told.clear();
    Open();
    ASSERT_EQ(answers.told.size(), 1);
    EXPECT_TRUE(answers.told[0].contains("Unsaved work is not being kept safe"));
    EXPECT_TRUE(answers.told[0].contains(File("recovery")));
    answers.confirms = {true};
    Click(ui().newPackButton);
    ASSERT_EQ(answers.errors.size(), 2);
    for (const QString& error : answers.errors) {
        EXPECT_TRUE(error.endsWith(QString(NO_DATA_FOLDER_HINT).arg(File("kivo"))))
            << error.toStdString();
    }
}

} // namespace
} // namespace kivo
