// Undo and redo: every change is a step, and a step brings back all the designer saw.
#include "window_fixture.h"

#include <QMenu>
#include <QMenuBar>

namespace kivo {
namespace {

using History = Window;

// Only changes are steps, the items enable themselves, and the last thousand steps are kept.
TEST_F(History, TheEditMenuTakesBackChangesOnly) {
    const QList<QAction*> menus = window->menuBar()->actions();
    ASSERT_EQ(menus.size(), 3); // File, Edit and Pack
    EXPECT_EQ(menus[1]->text(), "Edit");
    EXPECT_EQ(menus[1]->menu()->actions(), QList<QAction*>({ui().undoItem, ui().redoItem}));
    EXPECT_EQ(ui().undoItem->text() + ui().redoItem->text(), "UndoRedo");
    EXPECT_TRUE(
        ui().redoItem->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)));
    EXPECT_FALSE(ui().undoItem->isEnabled());
    ClickCanvas({300, 200}, Qt::RightButton); // nothing to delete
    ClickCanvas({188, 60});
    ClickCanvas({203, 70}); // inside the triangle
    Click(ui().sideButtons[4]);
    Click(ui().clearButton); // answered No
    Load(QString());         // cancelled
    EXPECT_EQ(Steps(), 1);
    EXPECT_TRUE(ui().undoItem->isEnabled() && !ui().redoItem->isEnabled());
    Undo();
    EXPECT_TRUE(!ui().undoItem->isEnabled() && ui().redoItem->isEnabled());
    ClickCanvas({188, 60}); // a new step drops what could be redone
    EXPECT_FALSE(ui().redoItem->isEnabled());
    ui().rotationSlider->setFocus();
    for (int k = 0; k < UNDO_LIMIT + 5; ++k) {
        QTest::keyClick(ui().rotationSlider, k % 2 == 0 ? Qt::Key_Right : Qt::Key_Left);
    }
    EXPECT_EQ(Steps(), UNDO_LIMIT);
}

TEST_F(History, EveryKindOfStepIsTakenBackToTheSameBytes) {
    ClickCanvas({188, 60});
    ClickCanvas({300, 200});
    const QByteArray two = SavedBytes("two.kvo");
    ClickCanvas({400, 300});
    ClickCanvas({192, 69}, Qt::RightButton);
    Click(ui().centerButton);
    ui().rotationSlider->setValue(30);
    Type(ui().targetScoreField, "7");
    ClearYes();
    Load("two.kvo");
    const int steps = Steps();
    EXPECT_EQ(steps, 9);
    for (int k = 0; k < steps; ++k) {
        Undo();
    }
    EXPECT_TRUE(level().shapes.empty());
    Redo();
    Redo();
    EXPECT_EQ(SavedBytes("again.kvo"), two);
    for (int k = 2; k < steps; ++k) {
        Redo();
    }
    EXPECT_EQ(SavedBytes("loaded.kvo"), two);
}

// Undo after a Load brings back the file the earlier level came from, so Save writes it
// there and never over the file that was loaded.
TEST_F(History, UndoingALoadOrAClearBringsBackTitleFileAndScores) {
    ClickCanvas({188, 60});
    const QByteArray b = SavedBytes("b.kvo");
    ClickCanvas({300, 200});
    Type(ui().targetScoreField, "123");
    const QByteArray a = SavedBytes("a.kvo");
    Load("b.kvo");
    EXPECT_EQ(ui().targetScoreField->text(), "100");
    Undo();
    EXPECT_EQ(Title(), "KIVO Level Editor - " + File("a.kvo"));
    EXPECT_EQ(ui().targetScoreField->text(), "123");
    Save();
    EXPECT_EQ(Bytes("b.kvo"), b);
    EXPECT_EQ(Bytes("a.kvo"), a);
    Redo();
    EXPECT_EQ(window->shell().currentFile, File("b.kvo"));
    ClearYes();
    Undo();
    EXPECT_EQ(Title(), "KIVO Level Editor - " + File("b.kvo"));
    EXPECT_EQ(window->shell().currentFile, File("b.kvo"));
    Redo();
    EXPECT_EQ(Title(), "KIVO Level Editor V1.0");
    EXPECT_EQ(window->shell().currentFile, "");
}

TEST_F(History, ASliderDragIsOneStepAndItsUndoPutsTheSliderBack) {
    ClickCanvas({360, 230});
    QSlider* slider = ui().rotationSlider;
    const Level start = level();
    slider->setSliderDown(true);
    for (int v = 1; v <= 90; ++v) {
        slider->setValue(v);
    }
    slider->setSliderDown(false);
    EXPECT_EQ(Steps(), 2);
    Undo();
    EXPECT_EQ(level(), start);
    EXPECT_EQ(slider->value(), 0);
    slider->setValue(10); // turns by 10 from the restored angle
    EXPECT_EQ(level().lastRotationAngle, 10.0f);
    EXPECT_EQ(Steps(), 2); // and replaces the drag that was undone
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Right);
    EXPECT_EQ(Steps(), 3);
    Undo();
    EXPECT_EQ(slider->value(), 10);
    Redo();
    EXPECT_EQ(slider->value(), 11);
    EXPECT_EQ(level().lastRotationAngle, 11.0f);
}

} // namespace
} // namespace kivo
