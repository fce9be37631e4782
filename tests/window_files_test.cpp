// Saving and loading, the unsaved-changes mark, the close box and the recovery copy.
#include "window_fixture.h"

#include <QSignalSpy>

namespace kivo {
namespace {

const QString PREFIX = "KIVO Level Editor - ";

// Clear resets title, file and scores; the title then names whatever file Save writes to,
// whether Save As or a Save that asked for a name chose it.
TEST_F(Window, SaveAsClearAndSaveKeepTheTitleOnTheFileSaveWrites) {
    ClickCanvas({188, 60});
    const QString packLevels = window->packStore().levelDir;
    QSignalSpy saved(window.get(), &MainWindow::levelFileSaved);
    for (const char* name : {"plain", "caps.KVO", "exact.kvo"}) {
        SaveAs(name);
        EXPECT_TRUE(QFile::exists(File(name).replace(".kvo", "") + ".kvo")) << name;
    }
    EXPECT_FALSE(QFile::exists(File("exact.kvo.kvo")));
    EXPECT_EQ(answers.dialogs[0], "Save KIVO As...|" + packLevels);
    EXPECT_EQ(window->shell().currentFile, File("exact.kvo"));
    EXPECT_EQ(Title(), PREFIX + File("exact.kvo"));
    EXPECT_EQ(window->packStore().levelDir, start.path() + "/");
    ASSERT_EQ(saved.count(), 3);
    EXPECT_EQ(saved[0][0].toString(), File("plain.kvo"));

    Type(ui().targetScoreField, "321");
    Click(ui().clearButton); // answered No
    EXPECT_EQ(answers.questions, QStringList{"Confirm|Are you sure you wish to clear?"});
    EXPECT_EQ(level().shapes.size(), 1u);
    ClearYes();
    EXPECT_TRUE(level().shapes.empty());
    EXPECT_EQ(level().pointCount, 0);
    EXPECT_EQ(Title(), "KIVO Level Editor V1.0");
    EXPECT_EQ(window->shell().currentFile, "");
    EXPECT_EQ(ui().targetScoreField->text() + ui().expertScoreField->text(), "100200");
    EXPECT_EQ(Status(), "3" + SOLVABLE); // the status text stays until the next change

    answers.files = {File("first")};
    Save(); // asks for a name once
    EXPECT_EQ(Title(), PREFIX + File("first.kvo"));
    ClickCanvas({300, 200});
    Save();
    EXPECT_EQ(answers.dialogs.filter("Save KIVO|").size(), 1);
    Level first;
    ASSERT_TRUE(LoadLevel(first, File("first.kvo")).ok);
    EXPECT_EQ(first.shapes.size(), 1u);
}

TEST_F(Window, LoadThenSaveWritesBackAndACancelledDialogEmptiesTheCurrentFile) {
    ClickCanvas({188, 60});
    SaveAs("a.kvo");
    QFile::copy(File("a.kvo"), File("noext"));
    Load("noext");
    EXPECT_TRUE(answers.dialogs.last().startsWith("Load KIVO|"));
    EXPECT_EQ(Title(), PREFIX + File("noext"));
    EXPECT_EQ(Status(), "3" + SOLVABLE);
    ClickCanvas({300, 200});
    Save(); // no dialog
    EXPECT_EQ(answers.dialogs.size(), 2);
    EXPECT_TRUE(QFile::exists(File("noext.kvo")));

    Load(QString()); // cancelled
    EXPECT_EQ(window->shell().currentFile, "");
    EXPECT_EQ(level().shapes.size(), 2u);
    EXPECT_EQ(Title(), PREFIX + File("noext"));
    Save();
    EXPECT_TRUE(answers.dialogs.last().startsWith("Save KIVO|"));
}

TEST_F(Window, FilesThatCannotBeLoadedOrSavedAreReportedAndChangeNothing) {
    ClickCanvas({188, 60});
    SaveAs("good.kvo");
    const QString title = window->windowTitle();
    const QString folder = window->packStore().levelDir;
    QFile bad(File("bad.kvo"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly) && bad.write("\x05\x00", 2) == 2);
    bad.close();
    Load("bad.kvo");
    SaveAs("missing/folder/x.kvo");
    EXPECT_FALSE(window->OpenLevelFile(File("missing.kvo")));
    ASSERT_EQ(answers.errors.size(), 3);
    EXPECT_TRUE(answers.errors[0].contains(File("bad.kvo")));
    EXPECT_EQ(level().shapes.size(), 1u);
    EXPECT_EQ(window->windowTitle(), title);
    EXPECT_EQ(window->shell().currentFile, File("good.kvo"));
    EXPECT_EQ(window->packStore().levelDir, folder);
    EXPECT_EQ(Steps(), 1);

    Type(ui().expertScoreField, "99999");
    Save();
    ASSERT_EQ(answers.errors.size(), 4);
    EXPECT_TRUE(answers.errors[3].contains("expert score"));
    EXPECT_TRUE(window->isWindowModified());
}

// The title's mark follows the history; the close box asks only when changes would be lost,
// while File -> Exit always asks.
TEST_F(Window, TheTitleMarksUnsavedChangesAndTheCloseBoxAsksForThem) {
    auto marked = [this] {
        return window->windowTitle().endsWith("[*]") && window->isWindowModified();
    };
    EXPECT_FALSE(marked());
    ClickCanvas({188, 60});
    EXPECT_TRUE(marked());
    SaveAs("a.kvo");
    EXPECT_FALSE(marked());
    Type(ui().targetScoreField, "5");
    EXPECT_TRUE(marked());
    Undo();
    EXPECT_FALSE(marked());
    Redo();
    EXPECT_TRUE(marked());
    Load("a.kvo");
    EXPECT_FALSE(marked());
    ui().aboutItem->trigger();
    EXPECT_TRUE(answers.told.last().startsWith("About|KIVO Level Editor V1.0"));
    ui().exitItem->trigger(); // answered No
    EXPECT_EQ(answers.questions, QStringList{"Confirm|Are you sure you want to quit?"});
    window->close();
    EXPECT_FALSE(window->isVisible());
    Open();
    ClickCanvas({188, 60});
    window->close(); // answered No
    EXPECT_EQ(answers.questions.size(), 2);
    EXPECT_TRUE(window->isVisible());
    answers.confirms = {true};
    ui().exitItem->trigger(); // asked once, not again by the close it makes
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(answers.questions.size(), 3);
}

class Recovery : public Window {
  protected:
    const QString copy = File("recovery/editor-1.kvo");
    void WaitForCopy() { QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(copy), 5000); }
};

// A crash is the window going without its close: the copy stays, and the next start offers it
// for Restore or Discard.
TEST_F(Recovery, UnsavedWorkSurvivesACrashUntilSavedExitedOrDiscarded) {
    ClickCanvas({188, 60});
    SaveAs("a.kvo");
    ClickCanvas({300, 200});
    WaitForCopy();
    EXPECT_EQ(QDir(start.path()).entryList({"*.kvo"}), QStringList{"a.kvo"}); // none beside it
    const QByteArray unsaved = EncodeLevel(level()).bytes;
    ASSERT_FALSE(unsaved.isEmpty());

    // A second editor meanwhile neither sees nor takes the first one's copy.
    MainWindow second(window->shell(), answers.Seam(), MakeRandomSource(1));
    second.Start();
    EXPECT_TRUE(answers.choiceTexts.isEmpty());

    Open(); // after the crash; Restore
    ASSERT_EQ(answers.choiceTexts.size(), 1);
    EXPECT_TRUE(answers.choiceTexts[0].contains(File("a.kvo")));
    EXPECT_TRUE(answers.choiceTexts[0].endsWith("|Restore,Discard"));
    EXPECT_EQ(EncodeLevel(level()).bytes, unsaved);
    EXPECT_EQ(Title(), PREFIX + File("a.kvo"));
    EXPECT_EQ(window->shell().currentFile, File("a.kvo"));
    EXPECT_TRUE(window->isWindowModified());
    Save(); // a save takes the copy away, and so does a normal exit
    QTRY_VERIFY(!QFile::exists(copy));
    ClickCanvas({400, 300});
    WaitForCopy();
    answers.confirms = {true};
    window->close();
    EXPECT_FALSE(QFile::exists(copy));

    Open();
    ClickCanvas({188, 60});
    WaitForCopy();
    answers.choices = {1};
    Open(); // after a crash; Discard
    EXPECT_EQ(answers.choiceTexts.size(), 2);
    EXPECT_TRUE(level().shapes.empty());
    EXPECT_FALSE(QFile::exists(copy));
    EXPECT_FALSE(window->isWindowModified());
}

TEST(ShellPaths, StartFolderAndFileNames) {
    EXPECT_EQ(WithTrailingSlash("/") + WithTrailingSlash("/a") + WithTrailingSlash("/b/"),
              "//a//b/");
    EXPECT_EQ(FolderOf("/a/b/level.kvo"), "/a/b/");
    EXPECT_EQ(WithLevelExtension("/a/x") + WithLevelExtension("/a/x.kvo") +
                  WithLevelExtension("/a/x.KVO") + WithLevelExtension("kvo"),
              "/a/x.kvo/a/x.kvo/a/x.KVO.kvokvo.kvo");
    QTemporaryDir top;
    const QString deep =
        top.path() + "/" + QString("d").repeated(200) + "/" + QString("e").repeated(200);
    ASSERT_TRUE(QDir().mkpath(deep));
    const QString here = QDir::currentPath();
    QDir::setCurrent(deep);
    const ShellState shell = FindStartDirectory();
    QDir::setCurrent(here);
    EXPECT_EQ(shell.baseDir, deep + "/");
}

} // namespace
} // namespace kivo
