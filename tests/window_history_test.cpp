// Undo and redo: every change is a step, and a step brings back all the designer saw.
#include "window_fixture.h"

namespace kivo {
namespace {

using History = Window;

// Undo and redo of a Load or a Clear bring back the title, the file Save writes to and the
// scores with the level, so a Save never writes one level over another's file.
TEST_F(History, EveryKindOfStepIsTakenBackWithTitleFileAndScores) {
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
    ASSERT_EQ(Steps(), 9);
    EXPECT_EQ(ui().targetScoreField->text(), "100");
    Undo();
    EXPECT_EQ(Named(), UNNAMED);
    Undo();
    EXPECT_EQ(Named(), NamedAs("two.kvo"));
    EXPECT_EQ(ui().targetScoreField->text(), "7");
    for (int k = 2; k < 9; ++k) {
        Undo();
    }
    EXPECT_TRUE(level().shapes.empty());
    Redo();
    Redo();
    EXPECT_EQ(SavedBytes("again.kvo"), two);
    for (int k = 2; k < 8; ++k) {
        Redo();
    }
    EXPECT_EQ(Named(), UNNAMED);
    Redo();
    EXPECT_EQ(Named(), NamedAs("two.kvo"));
    EXPECT_EQ(SavedBytes("loaded.kvo"), two);
}

// The last thousand steps are kept.
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
    Undo();
    EXPECT_EQ(slider->value(), 10);
    Redo();
    EXPECT_EQ(slider->value(), 11);
    EXPECT_EQ(level().lastRotationAngle, 11.0f);
    for (int k = 0; k < UNDO_LIMIT; ++k) {
        QTest::keyClick(slider, k % 2 == 0 ? Qt::Key_Right : Qt::Key_Left);
    }
    EXPECT_EQ(Steps(), UNDO_LIMIT);
}

} // namespace
} // namespace kivo
