// Saving and loading and taking them back, the unsaved-changes mark, the close box and the
// recovery copy.
#include "window_fixture.h"

namespace kivo {
namespace {

// Save As adds ".kvo" unless the name ends in it and opens in the pack's folder; Save asks for
// a name only while there is none, and a cancelled dialog leaves none; Clear asks first and
// empties the fields, and its undo shows the title and the scores it brings back; a file that
// cannot be loaded or saved is reported by name. A file another program changed since the
// editor loaded or saved it is not overwritten without a question: Cancel keeps it, Save As
// saves elsewhere, Overwrite replaces it.
TEST_F(Window, TheFileCommandsAskWhatTheyMustAndReportWhatFailed) {
    ClickCanvas({188, 60});
    const QString packLevels = window->packs().levelDir();
    for (const char* name : {"plainkvo", "caps.KVO", "exact.kvo"}) {
        SaveAs(name);
        EXPECT_TRUE(QFile::exists(File(name).replace(".kvo", "") + ".kvo")) << name;
    }
    EXPECT_EQ(answers.dialogs[0], "Save KIVO As...|" + packLevels);

    Type(ui().targetScoreField, "7");
    Click(ui().clearButton); // answered No
    EXPECT_EQ(answers.questions, QStringList{"Confirm|Are you sure you wish to clear?"});
    EXPECT_EQ(level().shapes.size(), 1u);
    ClearYes();
    EXPECT_EQ(ui().targetScoreField->text() + ui().expertScoreField->text(), "100200");
    Undo();
    EXPECT_EQ(Named(), NamedAs("exact.kvo"));
    EXPECT_EQ(ui().targetScoreField->text(), "7");
    Redo();

    // The platform's standard keys reach the commands.
    answers.files = {File("first")};
    QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier); // asks for a name once
    EXPECT_TRUE(answers.dialogs.last().startsWith("Save KIVO|"));
    QFile::copy(File("first.kvo"), File("noext"));
    answers.files = {File("noext")};
    QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_TRUE(answers.dialogs.last().startsWith("Load KIVO|"));
    ClickCanvas({400, 300});
    const qsizetype dialogs = answers.dialogs.size();
    Save(); // no dialog
    EXPECT_EQ(Bytes("noext.kvo"), EncodeLevel(level()).bytes);
    Load(QString()); // cancelled
    Save();
    EXPECT_EQ(answers.dialogs.size(), dialogs + 2);

    SaveAs("a.kvo");
    const QByteArray kept = EncodeLevel(level()).bytes;
    ASSERT_TRUE(Write(File("bad.kvo"), QByteArray("\x05\x00", 2)));
    Load("bad.kvo");
    ASSERT_EQ(answers.errors.size(), 1);
    EXPECT_TRUE(answers.errors[0].contains(File("bad.kvo")));
    SaveAs("missing/folder/x.kvo");
    ASSERT_EQ(answers.errors.size(), 2);
    EXPECT_TRUE(answers.errors[1].contains(File("missing/folder/x.kvo")));
    EXPECT_EQ(EncodeLevel(level()).bytes, kept);
    EXPECT_EQ(Named(), NamedAs("a.kvo"));

    ClickCanvas({300, 200}); // unsaved, so that the level does not follow its file
    const QByteArray theirs("\x00\x00\x00\x00\xff\xff\x64\x00\xc8\x00", 10);
    ASSERT_TRUE(Write(File("a.kvo"), theirs));
    answers.choices = {2};
    Save(); // Cancel
    EXPECT_EQ(answers.choiceTexts.last(),
              File("a.kvo") + " was changed on disk since this editor loaded or saved it.\n\n"
                              "Overwrite it with the level being edited, or save the level under "
                              "another name?|Overwrite,Save As...,Cancel");
    EXPECT_EQ(Bytes("a.kvo"), theirs);
    answers.choices = {1};
    answers.files = {File("b.kvo")};
    Save(); // Save As
    EXPECT_EQ(Bytes("a.kvo"), theirs);
    EXPECT_EQ(Named(), NamedAs("b.kvo"));
    ASSERT_TRUE(Write(File("b.kvo"), theirs));
    answers.choices = {0};
    Save(); // Overwrite
    EXPECT_EQ(Bytes("b.kvo"), EncodeLevel(level()).bytes);
}

// The title marks unsaved changes; the close box asks only when changes would be lost, while
// File -> Exit always asks, once.
TEST_F(Window, UnsavedWorkIsMarkedAskedForAndSurvivesACrash) {
    EXPECT_TRUE(window->windowTitle().endsWith("[*]"));
    ClickCanvas({188, 60});
    SaveAs("a.kvo");
    Click(ui().sideButtons[4]);
    EXPECT_FALSE(window->isWindowModified());
    ui().aboutItem->trigger();
    EXPECT_TRUE(answers.told.last().startsWith("About|KIVO Level Editor V1.0"));
    ClickCanvas({300, 200});
    Type(ui().targetScoreField, "40000"); // a score no level file holds is kept in the copy too
    answers.choices = {2};
    window->close(); // Cancel
    EXPECT_EQ(answers.choiceTexts.last(),
              "The level has changes that are not saved.\n\nSave them first?|Save,Discard,Cancel");
    EXPECT_TRUE(window->isVisible());

    // A crash is the window going without its close: the copy stays, and the next start offers
    // it for Restore or Discard; a second editor meanwhile neither sees nor takes it.
    const QString copy = File("recovery/editor-1.kvo");
    auto copied = [&] { return QTest::qWaitFor([&] { return QFile::exists(copy); }, 5000); };
    ASSERT_TRUE(copied());
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(File("recovery/editor-1.scores")); }));
    const QByteArray unsaved = EncodeLevel(level()).bytes;
    answers.choiceTexts.clear();
    MainWindow second(window->shell(), answers.Seam(), MakeRandomSource(1));
    second.Start();
    EXPECT_TRUE(answers.choiceTexts.isEmpty());

    Open(); // after the crash; Restore
    ASSERT_EQ(answers.choiceTexts.size(), 1);
    EXPECT_TRUE(answers.choiceTexts[0].contains(File("a.kvo")));
    EXPECT_TRUE(answers.choiceTexts[0].endsWith("|Restore,Discard"));
    EXPECT_EQ(EncodeLevel(level()).bytes, unsaved);
    EXPECT_EQ(Named(), NamedAs("a.kvo"));
    EXPECT_EQ(ui().targetScoreField->text(), "40000");
    EXPECT_TRUE(window->isWindowModified());

    // Exit asks its own question, then what the close box asks: typed details and unsaved work
    // are each kept or let go, and the copy stays while the work is kept.
    Type(ui().authorField, "someone");
    ASSERT_TRUE(copied());
    const qsizetype choices = answers.choiceTexts.size();
    ui().exitItem->trigger(); // answered No: nothing more is asked
    EXPECT_EQ(answers.questions.last(), "Confirm|Are you sure you want to quit?");
    EXPECT_EQ(answers.choiceTexts.size(), choices);
    answers.confirms = {true};
    answers.choices = {1, 2}; // Discard the details; Cancel at the level
    ui().exitItem->trigger();
    EXPECT_TRUE(window->isVisible());
    ASSERT_EQ(answers.choiceTexts.size(), choices + 2);
    EXPECT_TRUE(answers.choiceTexts[choices].endsWith("|Apply,Discard,Cancel"));
    EXPECT_TRUE(answers.choiceTexts.last().endsWith("|Save,Discard,Cancel"));
    EXPECT_TRUE(QFile::exists(copy));
    answers.confirms = {true};
    answers.choices = {1, 1}; // Discard both
    const qsizetype asked = answers.questions.size() + answers.choiceTexts.size();
    ui().exitItem->trigger(); // its own question and the close box's, not again by the close
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(answers.questions.size() + answers.choiceTexts.size(), asked + 3);
    EXPECT_FALSE(QFile::exists(copy)); // an exit that discards the work takes the copy away

    Open();
    ClickCanvas({188, 60});
    ASSERT_TRUE(copied());
    answers.choices = {1};
    Open(); // after a crash; Discard
    EXPECT_TRUE(level().shapes.empty());
    EXPECT_FALSE(QFile::exists(copy));
    window->close(); // nothing would be lost: no question
    EXPECT_FALSE(window->isVisible());
}

// Save and Save As refuse scores that cannot be saved before they ask for a name. A name that
// still holds a wildcard when the dialog returns is refused by name: nothing is read or
// written, and Save still writes to the file it wrote to before.
TEST_F(Window, ScoresAreCheckedFirstAndWildcardNamesAreRefused) {
    ClickCanvas({300, 200});
    Type(ui().targetScoreField, "-");
    answers.files = {File("never.kvo")};
    Save();
    ui().saveAsItem->trigger();
    EXPECT_TRUE(answers.dialogs.isEmpty());
    ASSERT_EQ(answers.errors.size(), 2);
    EXPECT_TRUE(answers.errors[0].contains("The target score \"-\" cannot be saved"));
    EXPECT_FALSE(QFile::exists(File("never.kvo")));

    Type(ui().targetScoreField, "5");
    SaveAs("kept.kvo");
    ASSERT_TRUE(QFile::copy(File("kept.kvo"), File("lev1.kvo")));
    ClickCanvas({400, 300});
    SaveAs("*.kvo");
    SaveAs("lev?");
    answers.choices = {1}; // the unsaved level is discarded
    Load("lev?.kvo");
    ASSERT_EQ(answers.errors.size(), 5);
    for (int k = 2; k < 5; ++k) {
        SCOPED_TRACE(k);
        EXPECT_TRUE(answers.errors[k].contains("still holds a wildcard (* or ?)"));
    }
    EXPECT_TRUE(answers.errors[2].contains(File("*.kvo")));
    EXPECT_FALSE(QFile::exists(File("*.kvo")));
    EXPECT_FALSE(QFile::exists(File("lev?.kvo")));
    EXPECT_EQ(level().shapes.size(), 2u);
    EXPECT_EQ(Named(), NamedAs("kept.kvo"));
}

} // namespace
} // namespace kivo
