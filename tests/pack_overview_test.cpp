#include "slot_pack.h"
#include "window_fixture.h"

#include "app/pack_overview.h"
#include "app/tile_delegate.h"

#include <QAccessible>
#include <QListView>

namespace kivo {
namespace {

// The editor started in a folder holding two packs, with the overview opened by its key.
class Overview : public Window {
  protected:
    FilledPack p;
    QString second = p.data + "/2_pak";
    PackOverview* overview = nullptr;
    std::map<QString, QByteArray> before;

    void SetUp() override {
        p.Put(4, Triangle().left(21));
        QDir().mkpath(second + "/kivo");
        Write(second + "/config.txt", "Second\r\nme\r\n2.1.2026\r\n2\r\n");
        home = p.base.path();
        Open();
        Choose(ui().packCombo->findText("Slots")); // packs are listed in the file system's order
        QTest::keyClick(window.get(), Qt::Key_L, Qt::ControlModifier);
        overview = window->levelOverview();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(overview));
        ASSERT_TRUE(QTest::qWaitFor([this] { return overview->AllRead(); }));
        before = p.Files();
    }
    QListView* Tiles() const { return overview->controls().tiles; }
    // Ctrl+Z pressed in the overview, which takes back the pack's last slot step.
    void UndoSlotStep() {
        Activate(overview);
        QTest::keyClick(Tiles(), Qt::Key_Z, Qt::ControlModifier);
    }
    // Makes the window the one that takes the keys. Qt counts the editor and its overview both
    // active while either is, so waiting for QWindow's word would not wait.
    static void Activate(QWidget* w) {
        w->activateWindow();
        ASSERT_TRUE(QTest::qWaitFor([w] { return QApplication::activeWindow() == w; }));
    }
    void ActivateEditor() { Activate(window.get()); }
    // A key pressed on the slot's tile; Return opens its level in the editor.
    void KeyOnSlot(int slot, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        overview->SelectSlot(slot);
        Tiles()->setFocus();
        QTest::keyClick(Tiles(), key, modifiers);
    }
    QModelIndex Tile(int slot) const { return Tiles()->model()->index(slot, 0); }
    QPoint Centre(int slot) const { return Tiles()->visualRect(Tile(slot)).center(); }
    void ClickTile(int slot) {
        QTest::mouseClick(Tiles()->viewport(), Qt::LeftButton, {}, Centre(slot));
    }
    // The slots whose tile passes the test, in order.
    template <typename Test> QList<int> SlotsWhere(Test test) const {
        QList<int> found;
        for (int slot = 0; slot < PACK_SLOT_COUNT; ++slot) {
            if (test(slot)) {
                found << slot;
            }
        }
        return found;
    }
    QString AccessibleName(int slot) const {
        QAccessibleInterface* list = QAccessible::queryAccessibleInterface(Tiles());
        return list->child(slot)->text(QAccessible::Name);
    }
    // The files that differ from those at the start with the given slots' bytes replaced.
    std::string ChangedBeyond(std::map<int, QByteArray> replaced) const {
        std::map<QString, QByteArray> files = before;
        for (const auto& [slot, bytes] : replaced) {
            files[p.Path(slot)] = bytes;
        }
        return Differing(p.Files(), files);
    }
};

// The buttons stand in one row below the summary. The tiles show the slots in play order, and
// spread over the window's width as it is resized rather than leave a gap beside the last of a
// row. A file that changes on disk is read again.
TEST_F(Overview, ListsTheSlotsInPlayOrderAcrossTheWidthAndMarksWhatIsWrong) {
    const OverviewControls& c = overview->controls();
    int left = 0;
    for (const QPushButton* button :
         {c.open, c.saveIntoSlot, c.moveEarlier, c.moveLater, c.moveTo, c.copy, c.paste, c.reset}) {
        SCOPED_TRACE(button->text().toStdString());
        EXPECT_EQ(button->y(), c.open->y());
        EXPECT_GT(button->y(), c.summary->geometry().bottom());
        EXPECT_GE(button->x(), left);
        left = button->geometry().right();
    }
    ASSERT_EQ(Tiles()->model()->rowCount(), PACK_SLOT_COUNT);
    for (int slot = 0; slot < PACK_SLOT_COUNT; ++slot) {
        EXPECT_EQ(Tile(slot).data().toString(), SlotName(slot));
    }
    const auto step = [this](int width) {
        overview->resize(width, overview->height());
        QCoreApplication::processEvents();
        return Centre(1).x() - Centre(0).x();
    };
    const int narrow = step(overview->width());
    EXPECT_GT(step(overview->width() + 90), narrow);
    Level damaged;
    EXPECT_EQ(Tile(4).data(Qt::ToolTipRole).toString(),
              LoadLevel(damaged, p.Path(4)).result.message);
    EXPECT_EQ(AccessibleName(9), "kivo9, no level, marked empty");
    p.Put(9, Triangle());
    EXPECT_TRUE(QTest::qWaitFor(
        [this] { return AccessibleName(9) == "kivo9, 3 connectors \u00b7 1 shape, solvable"; }));
}

// Exchanges, by key and by drag, and resets write only their slots and are taken back by Undo;
// a drag outlines the tile it would land on. Opening and saving reach exactly the chosen
// slot's file.
TEST_F(Overview, SlotCommandsActOnTheChosenSlotsFilesOnly) {
    KeyOnSlot(1, Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(ChangedBeyond({{1, TwoSquares()}, {2, Triangle()}}), "");
    EXPECT_EQ(overview->SelectedSlot(), 2);
    EXPECT_FALSE(window->isWindowModified()); // the level itself is unchanged
    EXPECT_EQ(window->history().count(), 0);  // and its history holds no slot step
    UndoSlotStep();
    EXPECT_EQ(ChangedBeyond({}), "");
    QTest::mousePress(Tiles()->viewport(), Qt::LeftButton, {}, Centre(1));
    QTest::mouseMove(Tiles()->viewport(), Centre(7)); // a drag outlines the tile it would land on
    EXPECT_TRUE(Tile(7).data(DROP_TARGET_ROLE).toBool());
    QTest::mouseMove(Tiles()->viewport(), Centre(6));
    EXPECT_EQ(SlotsWhere([this](int slot) { return Tile(slot).data(DROP_TARGET_ROLE).toBool(); }),
              QList<int>{6});
    QTest::mouseRelease(Tiles()->viewport(), Qt::LeftButton, {}, Centre(6));
    EXPECT_FALSE(Tile(6).data(DROP_TARGET_ROLE).toBool());
    EXPECT_EQ(ChangedBeyond({{1, EMPTY_LEVEL}, {6, Triangle()}}), "");
    overview->SelectSlot(2); // holds a level: Reset asks as Paste does, and No keeps it
    QTest::mouseClick(overview->controls().reset, Qt::LeftButton);
    EXPECT_EQ(answers.questions.takeLast(),
              "Confirm|kivo2 holds a level. Replace it with the template level?");
    EXPECT_EQ(p.Bytes(2), TwoSquares());
    answers.confirms = {true};
    QTest::mouseClick(overview->controls().reset, Qt::LeftButton);
    answers.questions.clear();
    EXPECT_EQ(p.Bytes(2), EMPTY_LEVEL);
    UndoSlotStep();
    UndoSlotStep();
    EXPECT_EQ(ChangedBeyond({}), "");

    KeyOnSlot(1, Qt::Key_Return);
    ClickTile(4);
    QTest::mouseDClick(Tiles()->viewport(), Qt::LeftButton, {}, Centre(4)); // kivo4 is damaged
    EXPECT_EQ(answers.errors.size(), 1); // the damaged file is refused as Load refuses it
    EXPECT_EQ(window->session().level().currentFile(), p.Path(1));

    overview->SelectSlot(7); // holds the template: saved without a question
    QTest::mouseClick(overview->controls().saveIntoSlot, Qt::LeftButton);
    EXPECT_EQ(ChangedBeyond({{7, Triangle()}}), "");
    EXPECT_EQ(window->session().level().currentFile(), p.Path(7));
    overview->SelectSlot(2); // holds a level: asked, and No keeps it
    QTest::mouseClick(overview->controls().saveIntoSlot, Qt::LeftButton);
    EXPECT_EQ(answers.questions,
              QStringList{"Confirm|kivo2 holds a level. Replace it with the level being edited?"});
    EXPECT_EQ(p.Bytes(2), TwoSquares());
    answers.confirms = {true};
    QTest::mouseClick(overview->controls().saveIntoSlot, Qt::LeftButton);
    EXPECT_EQ(ChangedBeyond({{7, Triangle()}, {2, Triangle()}}), "");
}

// Move To moves one level to the slot picked, by key or by dropping its tile beside another,
// and shifts the levels between by one, as one step that Ctrl+Z takes back. A slot without a
// file in the way is named and nothing moves.
TEST_F(Overview, MoveToMovesOneLevelAndShiftsThoseBetweenAsOneStep) {
    const std::vector<QByteArray> levels{LevelOf({5}), LevelOf({6}), LevelOf({7}), LevelOf({8})};
    for (int i = 0; i < 4; ++i) {
        p.Put(5 + i, levels[size_t(i)]);
    }
    ASSERT_TRUE(QTest::qWaitFor([this] { return overview->AllRead(); }));
    before = p.Files();
    answers.picks = {7};
    KeyOnSlot(5, Qt::Key_M, Qt::ControlModifier);
    EXPECT_EQ(answers.pickTexts, QStringList{"Move To|Move the level of kivo5 to:|kivo5"});
    EXPECT_EQ(ChangedBeyond({{5, levels[1]}, {6, levels[2]}, {7, levels[0]}}), "");
    EXPECT_EQ(overview->SelectedSlot(), 7);
    UndoSlotStep();
    EXPECT_EQ(ChangedBeyond({}), "");

    // Dropped on the left edge of kivo5: kivo8's level goes before it, into kivo5's place.
    const QRect five = Tiles()->visualRect(Tile(5));
    const QPoint beside(five.left() + 2, five.center().y());
    QTest::mousePress(Tiles()->viewport(), Qt::LeftButton, {}, Centre(8));
    QTest::mouseMove(Tiles()->viewport(), beside);
    EXPECT_EQ(Tile(5).data(DROP_TARGET_ROLE).toInt(), int(DROP_BEFORE));
    QTest::mouseRelease(Tiles()->viewport(), Qt::LeftButton, {}, beside);
    EXPECT_EQ(ChangedBeyond({{5, levels[3]}, {6, levels[0]}, {7, levels[1]}, {8, levels[2]}}), "");
    EXPECT_EQ(overview->controls().undo->text(), "Undo Move kivo8 to kivo5 in Slots");
    UndoSlotStep();
    EXPECT_EQ(ChangedBeyond({}), "");

    overview->SelectSlot(5);
    answers.picks = {2};
    QTest::mouseClick(overview->controls().moveTo, Qt::LeftButton);
    EXPECT_EQ(answers.errors,
              QStringList{"KIVO Level Editor|kivo3 has no level file, so no level can move "
                          "across it; reset it first."});
    EXPECT_EQ(ChangedBeyond({}), "");
}

// The buttons follow the selection at once; a copied level can be pasted into another pack,
// after the question Save Into Slot asks for a slot that holds a level. The overview shows the
// panel's pack, titled by its name, and a long name never widens it through the Paste caption.
TEST_F(Overview, CopyAndPasteFollowTheSelectionAndCrossPacks) {
    EXPECT_TRUE(Tiles()->hasFocus()); // the arrow keys walk the tiles from the start
    ClickTile(1);
    QTest::keyClick(Tiles(), Qt::Key_C, Qt::ControlModifier);
    ClickTile(2);
    EXPECT_TRUE(overview->controls().paste->isEnabled());
    EXPECT_EQ(overview->controls().paste->text(), "Paste kivo1 of Slots");
    ClickTile(0);
    EXPECT_FALSE(overview->controls().moveEarlier->isEnabled());
    ClickTile(2);
    QTest::keyClick(Tiles(), Qt::Key_V, Qt::ControlModifier); // answered No
    EXPECT_EQ(answers.questions,
              QStringList{"Confirm|kivo2 holds a level. Replace it with kivo1 of Slots?"});
    EXPECT_EQ(p.Bytes(2), TwoSquares());

    Choose(ui().packCombo->findText("Second"));
    EXPECT_TRUE(overview->windowTitle().endsWith("Second"));
    ASSERT_TRUE(QTest::qWaitFor([this] { return overview->AllRead(); }));
    EXPECT_EQ(overview->controls().summary->text(),
              "0 of 101 slots built \u00b7 0 not solvable in Classic Mode \u00b7 101 problems");
    Activate(overview);
    ClickTile(5);
    QTest::keyClick(Tiles(), Qt::Key_V, Qt::ControlModifier); // no file there: no question
    EXPECT_EQ(ReadAll(SlotPath(second, 5)), Triangle());
    EXPECT_EQ(overview->controls().undo->text(), "Undo Paste kivo1 of Slots into kivo5 in Second");

    const QString name = QString("A pack whose name runs on well beyond any button, ").repeated(4);
    ActivateEditor();
    Type(ui().packCombo->lineEdit(), name);
    Click(ui().applyChangeButton);
    EXPECT_EQ(overview->windowTitle(), "Level Overview \u2013 " + name);
    const int width = overview->width();
    Activate(overview);
    ClickTile(5);
    QTest::keyClick(Tiles(), Qt::Key_C, Qt::ControlModifier);
    QCoreApplication::processEvents();
    EXPECT_EQ(overview->width(), width);
    EXPECT_EQ(overview->controls().paste->toolTip(), "Paste kivo5 of " + name);
    EXPECT_LT(overview->controls().paste->text().size(),
              overview->controls().paste->toolTip().size());
}

// Where the overview meets the main window: the edited tile is framed and follows its level; a
// moved level is saved where it went, even after a redone Load, and the overview may not undo
// that save. Each window's Ctrl+Z takes back its own kind of step; the pack shown stays shown.
TEST_F(Overview, EachWindowEditsWhatItShows) {
    const auto edited = [this] {
        return SlotsWhere([this](int slot) { return Tile(slot).data(EDITED_ROLE).toBool(); });
    };
    EXPECT_EQ(edited(), QList<int>{});
    KeyOnSlot(1, Qt::Key_Return);
    EXPECT_EQ(edited(), QList<int>{1});
    EXPECT_TRUE(AccessibleName(1).endsWith(", being edited"));
    const QRect tile = Tiles()->visualRect(Tile(1));
    const QImage framed = Tiles()->viewport()->grab().toImage();
    EXPECT_EQ(framed.pixelColor(tile.topLeft() + QPoint(1, tile.height() / 2)),
              QColor(45, 120, 200));
    QTest::mouseClick(overview->controls().moveLater, Qt::LeftButton);
    EXPECT_EQ(edited(), QList<int>{2});
    EXPECT_EQ(Named(), "KIVO Level Editor - " + p.Path(2) + "|" + p.Path(2));
    ActivateEditor();
    Undo();
    QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Named(), "KIVO Level Editor - " + p.Path(2) + "|" + p.Path(2));
    EXPECT_FALSE(window->isWindowModified());
    ClickCanvas({400, 300});
    EXPECT_EQ(ui().undoItem->text(), "Undo Place Triangle");
    QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(answers.choiceTexts.isEmpty());
    // The level moved there is kept.
    EXPECT_EQ(ChangedBeyond({{1, TwoSquares()}, {2, EncodeLevel(level()).bytes}}), "");
    const auto saved = p.Files();
    UndoSlotStep();
    EXPECT_EQ(Differing(p.Files(), saved), "");
    ASSERT_FALSE(answers.errors.isEmpty());
    EXPECT_TRUE(answers.errors.last().contains("was changed by this editor since this step"))
        << answers.errors.last().toStdString();

    // The editor's Ctrl+Z takes back level steps only, the overview's the slot steps.
    overview->close();
    ActivateEditor();
    Undo();
    EXPECT_EQ(p.Bytes(1), TwoSquares());
    EXPECT_EQ(EncodeLevel(level()).bytes, Triangle());
    EXPECT_TRUE(window->isWindowModified()); // kivo2 holds the level as it was saved
    EXPECT_EQ(overview->controls().undo->text(), "Undo Exchange kivo1 and kivo2 in Slots");

    // Apply Change keeps the pack shown, in the panel and in the overview.
    Choose(ui().packCombo->findText("Second"));
    Type(ui().dateCreatedField, "3.3.2026");
    Click(ui().applyChangeButton);
    EXPECT_EQ(ui().packCombo->currentText(), "Second");
    EXPECT_EQ(overview->packDir(), second);

    // Typed details are not dropped when another pack is chosen: Cancel keeps them.
    Type(ui().authorField, "Someone");
    answers.choices = {2};
    Choose(ui().packCombo->findText("Slots"));
    EXPECT_TRUE(answers.choiceTexts.last().startsWith(
        "The details typed for the pack \"Second\" were not applied."));
    EXPECT_EQ(ui().authorField->text(), "Someone");
    EXPECT_EQ(overview->packDir(), second);
    answers.choices = {0}; // Apply, then show the chosen pack
    Choose(ui().packCombo->findText("Slots"));
    EXPECT_EQ(ReadAll(second + "/config.txt"), "Second\r\nSomeone\r\n3.3.2026\r\n2\r\n");
    EXPECT_EQ(overview->packDir(), p.pack);
}

// A Reset of the slot being edited keeps its file: Ctrl+S asks before writing over it, and the
// overview's Undo makes the level saved again. Deleting its pack says so below the question;
// the level is then unsaved, and Ctrl+S asks for a name.
TEST_F(Overview, SlotAndPackEditsUnderTheEditedLevelKeepItsWork) {
    KeyOnSlot(1, Qt::Key_Return);
    answers.confirms = {true};
    QTest::mouseClick(overview->controls().reset, Qt::LeftButton);
    ASSERT_EQ(p.Bytes(1), EMPTY_LEVEL);
    ActivateEditor();
    EXPECT_EQ(Named(), "KIVO Level Editor - " + p.Path(1) + "|" + p.Path(1));
    EXPECT_TRUE(window->isWindowModified());
    answers.choices = {2}; // Cancel
    QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier);
    ASSERT_EQ(answers.choiceTexts.size(), 1);
    EXPECT_TRUE(answers.choiceTexts[0].startsWith(p.Path(1) + " now holds another level: a slot "
                                                              "edit in the pack overview"));
    EXPECT_TRUE(answers.dialogs.isEmpty());

    UndoSlotStep();
    EXPECT_EQ(p.Bytes(1), Triangle());
    EXPECT_FALSE(window->isWindowModified());

    ActivateEditor();
    answers.confirms = {true};
    Click(ui().deletePackButton);
    EXPECT_TRUE(answers.questions.last().startsWith(
        "Confirm|Are you sure you want to delete this pack?\n\n\"Slots\""));
    EXPECT_TRUE(answers.questions.last().endsWith("\n\nThe level being edited, " + p.Path(1) +
                                                  ", lives in this pack: its file goes with it."));
    ASSERT_FALSE(QFileInfo::exists(p.pack));
    EXPECT_TRUE(window->isWindowModified());

    const QString kept = p.base.filePath("kept.kvo");
    answers.files = {kept};
    QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(answers.dialogs.last().startsWith("Save KIVO|"));
    EXPECT_EQ(ReadAll(kept), Triangle());
    EXPECT_EQ(Named(), "KIVO Level Editor - " + kept + "|" + kept);
    EXPECT_FALSE(window->isWindowModified());
}

// The filter above the tiles shows the slots whose name holds the typed text, whose level holds
// any of the chosen side counts and which carry any of the chosen marks, all three at once;
// the line above the tiles says how many it shows.
TEST_F(Overview, TheFilterShowsTheTilesThatPassAllItsParts) {
    const OverviewControls& c = overview->controls();
    const auto shown = [this] {
        return SlotsWhere([this](int slot) { return !Tiles()->isRowHidden(slot); });
    };
    const auto sides = [&c](int count) { return c.filterSides[size_t(count - MIN_SIDE_COUNT)]; };
    const auto clearText = [this, &c] {
        Type(c.filterText, "");
        QTest::keyClick(c.filterText, Qt::Key_Backspace);
    };
    Type(c.filterText, "KIVO1");
    EXPECT_EQ(shown(), (QList<int>{1, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 100}));
    EXPECT_TRUE(c.summary->text().endsWith(" \u00b7 the filter shows 12 of 101 tiles"));
    clearText();
    Click(sides(4));
    EXPECT_EQ(shown(), QList<int>{2});
    Click(sides(3));
    EXPECT_EQ(shown(), (QList<int>{1, 2}));
    Click(c.filterMarks[2]); // problem: neither level has one
    EXPECT_EQ(shown(), QList<int>{});
    EXPECT_TRUE(c.summary->text().endsWith("the filter shows 0 of 101 tiles"));
    Click(sides(3));
    Click(sides(4));
    EXPECT_EQ(shown(), (QList<int>{3, 4}));
    Click(c.filterMarks[1]); // or not solvable
    EXPECT_EQ(shown(), (QList<int>{2, 3, 4}));
    Type(c.filterText, "2");
    EXPECT_EQ(shown(), QList<int>{2});
    Click(c.filterMarks[1]);
    Click(c.filterMarks[2]);
    clearText();
    EXPECT_EQ(shown().size(), PACK_SLOT_COUNT);
    EXPECT_EQ(c.summary->text(),
              "2 of 101 slots built \u00b7 1 not solvable in Classic Mode \u00b7 2 problems");
}

} // namespace
} // namespace kivo
