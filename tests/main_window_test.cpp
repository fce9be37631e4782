#include "app/canvas.h"
#include "app/controls.h"
#include "app/main_window.h"
#include "storage/level_file.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>

#include <deque>

namespace kivo {
namespace {

const QString SOLVABLE = " Connectors ::  This KIVO can be solved in Classic Mode";
const QString NOT_SOLVABLE = " Connectors ::  This KIVO can not be solved in Classic Mode";

// Answers the window's questions and dialogs from queues and records what it said.
struct Answers {
    std::deque<bool> confirms;
    std::deque<QString> files;
    QStringList questions;
    QStringList told;
    QStringList errors;
    QStringList dialogs; // "title|folder"

    Dialogs Seam() {
        return Dialogs{
            [this](QWidget*, const QString& title, const QString& question) {
                questions << title + "|" + question;
                const bool yes = !confirms.empty() && confirms.front();
                if (!confirms.empty()) {
                    confirms.pop_front();
                }
                return yes;
            },
            [this](QWidget*, MessageKind kind, const QString& title, const QString& text) {
                (kind == MessageKind::Error ? errors : told) << title + "|" + text;
            },
            [this](QWidget*, FileDialogKind, const QString& title, const QString& folder) {
                dialogs << title + "|" + folder;
                QString file;
                if (!files.empty()) {
                    file = files.front();
                    files.pop_front();
                }
                return file;
            }};
    }
};

class Window : public ::testing::Test {
  protected:
    QTemporaryDir start;
    Answers answers;
    std::unique_ptr<MainWindow> window;

    void SetUp() override {
        QDir(start.path()).mkdir("kivo");
        QFile::copy(KIVO_SOURCE_DIR "/data/kivo/default.kvo", start.filePath("kivo/default.kvo"));
        Open();
    }
    void Open() {
        ShellState shell;
        shell.baseDir = start.path() + "/";
        window = std::make_unique<MainWindow>(shell, answers.Seam(), MakeRandomSource(9));
        window->show();
        window->Start();
    }
    const Controls& ui() const { return window->controls(); }
    const Level& level() const { return window->level(); }
    QString Status() const { return ui().statusField->text(); }
    QString File(const QString& name) const { return start.filePath(name); }

    // Clicks the canvas at a position in window content coordinates.
    void ClickCanvas(QPoint content, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(ui().canvas, button, Qt::NoModifier, content - ui().canvas->pos());
    }
    void Trigger(QAction* item) { item->trigger(); }
};

TEST_F(Window, LayoutCaptionsAndInitialState) {
    EXPECT_EQ(window->windowTitle(), "KIVO Level Editor V1.0");
    EXPECT_EQ(window->size(), QSize(640, 480));
    EXPECT_EQ(ui().rotationSlider->geometry(), QRect(25, 2, 360, 19));
    EXPECT_EQ(ui().rotationSlider->value(), 0);
    EXPECT_EQ(ui().rotationSlider->maximum(), 360);
    EXPECT_EQ(ui().clearButton->geometry(), QRect(25, 35, 88, 19));
    EXPECT_EQ(ui().clearButton->text(), "Clear KIVO");
    EXPECT_EQ(ui().centerButton->text(), "Center KIVO");
    EXPECT_EQ(ui().targetScoreField->geometry(), QRect(85, 95, 40, 19));
    EXPECT_EQ(ui().targetScoreField->text(), "100");
    EXPECT_EQ(ui().expertScoreField->text(), "200");
    EXPECT_EQ(ui().sideButtons[0]->geometry(), QRect(420, 2, 19, 19));
    EXPECT_EQ(ui().sideButtons[9]->geometry().right() + 1, 637);
    EXPECT_EQ(ui().sideButtons[9]->text(), "12");
    EXPECT_EQ(ui().canvas->geometry(), QRect(141, 23, 500, 414));
    EXPECT_EQ(ui().packPanel->geometry(), QRect(0, 169, 140, 268));
    EXPECT_EQ(ui().packCombo->geometry().topLeft(), QPoint(10, 28));
    EXPECT_EQ(ui().deletePackButton->geometry(), QRect(25, 241, 88, 19));
    EXPECT_FALSE(ui().packIdLabel->isEnabled());
    EXPECT_EQ(ui().canvas->mapTo(window.get(), QPoint(0, 0)).y(), window->menuBar()->height() + 23);
    for (int k = 0; k < 10; ++k) {
        EXPECT_EQ(ui().sideButtons[size_t(k)]->isChecked(), k == 0);
        EXPECT_EQ(ui().sideButtons[size_t(k)]->property("control").toInt(), 16 + k);
    }
    EXPECT_EQ(window->sideCount(), 3);
    EXPECT_EQ(ui().packCombo->property("control").toInt(), 34);
}

TEST_F(Window, MenuAndStatusBar) {
    const QList<QAction*> menus = window->menuBar()->actions();
    ASSERT_EQ(menus.size(), 2);
    EXPECT_EQ(menus[0]->text(), "File");
    EXPECT_EQ(menus[1]->text(), "Edit");
    QStringList items;
    for (QAction* a : menus[0]->menu()->actions()) {
        items << (a->isSeparator() ? "-" : a->text() + "=" + a->property("menuItem").toString());
    }
    EXPECT_EQ(items, QStringList({"&Load...=8", "Save=9", "Save As...=10", "-", "About=11", "-",
                                  "Exit=12"}));
    const QStatusBar* bar = window->statusBar();
    int right = 0;
    for (int i = 0; i < 3; ++i) {
        const auto* field = bar->findChild<QLabel*>(QStringLiteral("statusField%1").arg(i));
        ASSERT_NE(field, nullptr);
        right = field->mapTo(window.get(), QPoint(field->width(), 0)).x();
        EXPECT_EQ(right, (QList<int>{141, 491, 641})[i]);
    }
    EXPECT_EQ(bar->findChild<QLabel*>("statusField1"), ui().statusField);
}

TEST_F(Window, EveryControlHasAnAccessibleName) {
    EXPECT_EQ(ui().targetScoreField->accessibleName(), "Target Score");
    EXPECT_EQ(ui().expertScoreField->accessibleName(), "Expert Score");
    EXPECT_EQ(ui().authorField->accessibleName(), "Author");
    EXPECT_EQ(ui().dateCreatedField->accessibleName(), "Date Created");
    EXPECT_EQ(ui().packCombo->accessibleName(), "Current Pack");
    EXPECT_EQ(ui().applyChangeButton->accessibleName(), "Apply Change");
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (w->property("control").isValid()) {
            EXPECT_FALSE(w->accessibleName().isEmpty()) << w->objectName().toStdString();
        }
    }
}

TEST_F(Window, AFirstStartCreatesAndAnnouncesAPack) {
    EXPECT_EQ(answers.told,
              QStringList{"Information|Pack Created, please select and edit Pack Details"});
    EXPECT_EQ(ui().packCombo->count(), 1);
    EXPECT_EQ(ui().packCombo->currentText(), "New Pack");
    EXPECT_EQ(ui().authorField->text(), "New Author");
    EXPECT_EQ(ui().dateCreatedField->text(), "When?");
    EXPECT_EQ(ui().packIdLabel->text().toStdString(), window->packStore().packs[0].packId);
    EXPECT_EQ(window->packStore().levelDir.toStdString(), window->packStore().packs[0].levelsPath);
    answers.told.clear();
    Open(); // a second start finds the pack
    EXPECT_TRUE(answers.told.isEmpty());
}

TEST_F(Window, LeftClicksPlacePolygonsOfTheChosenSideCount) {
    ClickCanvas({188, 60}); // level pixels (200, 100)
    ASSERT_EQ(level().points.size(), 3u);
    EXPECT_EQ(level().points[0].x, 11.5f);
    EXPECT_EQ(level().points[2].x, 10.0f);
    EXPECT_EQ(level().points[0].y, float(100.0 / 30.0));
    EXPECT_EQ(Status(), "3" + SOLVABLE);

    QTest::mouseClick(ui().sideButtons[3], Qt::LeftButton);
    EXPECT_EQ(window->sideCount(), 6);
    EXPECT_TRUE(ui().sideButtons[3]->isChecked());
    EXPECT_FALSE(ui().sideButtons[0]->isChecked());
    ClickCanvas({300, 200});
    ASSERT_EQ(level().shapes.size(), 2u);
    EXPECT_EQ(level().shapes[1].entryCount, 7.0f);

    QTest::mouseClick(ui().sideButtons[3], Qt::LeftButton); // pressing it again keeps it
    EXPECT_TRUE(ui().sideButtons[3]->isChecked());
}

TEST_F(Window, AClickInsideAShapeAddsNothingAndADoubleClickPlacesOnce) {
    ClickCanvas({188, 60});
    ClickCanvas({203, 70}); // inside the triangle
    EXPECT_EQ(level().shapes.size(), 1u);
    // What the platform delivers for a double click: press, release, press, double click,
    // release, all at one spot.
    Canvas* canvas = ui().canvas;
    const QPoint at(300, 300);
    QTest::mousePress(canvas, Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseRelease(canvas, Qt::LeftButton, Qt::NoModifier, at);
    QTest::mousePress(canvas, Qt::LeftButton, Qt::NoModifier, at);
    QMouseEvent twice(QEvent::MouseButtonDblClick, at, canvas->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(canvas, &twice);
    QTest::mouseRelease(canvas, Qt::LeftButton, Qt::NoModifier, at);
    EXPECT_EQ(level().shapes.size(), 2u);
}

TEST_F(Window, ARightClickDeletesTheShapeWithTheNearestCentre) {
    ClickCanvas({300, 200}, Qt::RightButton); // nothing to delete
    EXPECT_EQ(Status(), "");
    ClickCanvas({188, 60}); // a triangle whose centre is at level pixels (215, 108.66)
    ClickCanvas({300, 200});
    ClickCanvas({400, 350});
    ASSERT_EQ(level().shapes.size(), 3u);
    const int16_t triangle = level().shapes[0].id;
    // The search is given content + (23, 40), so the click lies 23 pixels left of the centre.
    ClickCanvas({192, 69}, Qt::RightButton);
    ASSERT_EQ(level().shapes.size(), 2u);
    EXPECT_NE(level().shapes[0].id, triangle);
    ClickCanvas({630, 400}, Qt::RightButton); // anywhere on the canvas finds a shape
    EXPECT_EQ(level().shapes.size(), 1u);
    ClickCanvas({630, 400}, Qt::RightButton);
    EXPECT_TRUE(level().shapes.empty());
    EXPECT_EQ(Status(), "0" + SOLVABLE);
}

TEST_F(Window, ButtonsActOnClicksOnly) {
    ClickCanvas({188, 60});
    QTest::mouseClick(ui().clearButton, Qt::RightButton);
    ui().clearButton->setFocus();
    ui().targetScoreField->setFocus();
    EXPECT_TRUE(answers.questions.isEmpty());
    EXPECT_EQ(level().shapes.size(), 1u);
}

TEST_F(Window, ClearAsksAndResetsTitleFileAndScoresButNotTheStatusText) {
    ClickCanvas({188, 60});
    ui().targetScoreField->setText("321");
    answers.confirms = {false};
    QTest::mouseClick(ui().clearButton, Qt::LeftButton);
    EXPECT_EQ(answers.questions, QStringList{"Confirm|Are you sure you wish to clear?"});
    EXPECT_EQ(level().shapes.size(), 1u);

    answers.files = {File("x.kvo")};
    Trigger(ui().saveAsItem);
    answers.confirms = {true};
    QTest::mouseClick(ui().clearButton, Qt::LeftButton);
    EXPECT_TRUE(level().shapes.empty());
    EXPECT_EQ(level().pointCount, 0);
    EXPECT_EQ(window->windowTitle(), "KIVO Level Editor V1.0");
    EXPECT_EQ(window->shell().currentFile, "");
    EXPECT_EQ(ui().targetScoreField->text(), "100");
    EXPECT_EQ(ui().expertScoreField->text(), "200");
    EXPECT_EQ(Status(), "3" + SOLVABLE);
}

TEST_F(Window, SaveAsAppendsTheExtensionAndNamesTheFileInTheTitle) {
    ClickCanvas({188, 60});
    const QString packLevels = window->packStore().levelDir;
    answers.files = {File("plain")};
    Trigger(ui().saveAsItem);
    EXPECT_EQ(answers.dialogs, QStringList{"Save KIVO As...|" + packLevels});
    EXPECT_TRUE(QFile::exists(File("plain.kvo")));
    EXPECT_EQ(window->shell().currentFile, File("plain.kvo"));
    EXPECT_EQ(window->windowTitle(), "KIVO Level Editor - " + File("plain.kvo"));
    EXPECT_EQ(window->packStore().levelDir, start.path() + "/");

    answers.files = {File("caps.KVO")};
    Trigger(ui().saveAsItem);
    EXPECT_TRUE(QFile::exists(File("caps.KVO.kvo")));
    answers.files = {File("exact.kvo")};
    Trigger(ui().saveAsItem);
    EXPECT_TRUE(QFile::exists(File("exact.kvo")));
    EXPECT_FALSE(QFile::exists(File("exact.kvo.kvo")));
}

TEST_F(Window, SaveAsksForANameOnceAndKeepsTheTitle) {
    ClickCanvas({188, 60});
    answers.files = {File("first")};
    Trigger(ui().saveItem);
    EXPECT_EQ(answers.dialogs.size(), 1);
    EXPECT_TRUE(answers.dialogs[0].startsWith("Save KIVO|"));
    EXPECT_EQ(window->windowTitle(), "KIVO Level Editor V1.0");
    ClickCanvas({300, 200});
    Trigger(ui().saveItem); // no dialog now
    EXPECT_EQ(answers.dialogs.size(), 1);
    Level saved;
    ASSERT_TRUE(LoadLevel(saved, File("first.kvo")).ok);
    EXPECT_EQ(saved.shapes.size(), 2u);
}

TEST_F(Window, LoadThenSaveWritesBackAndACancelledDialogEmptiesTheCurrentFile) {
    ClickCanvas({188, 60});
    answers.files = {File("a.kvo")};
    Trigger(ui().saveAsItem);
    QFile::copy(File("a.kvo"), File("noext"));
    answers.confirms = {true};
    QTest::mouseClick(ui().clearButton, Qt::LeftButton);

    answers.files = {File("noext")};
    Trigger(ui().loadItem);
    EXPECT_TRUE(answers.dialogs.last().startsWith("Load KIVO|"));
    EXPECT_EQ(level().shapes.size(), 1u);
    EXPECT_EQ(window->windowTitle(), "KIVO Level Editor - " + File("noext"));
    EXPECT_EQ(Status(), "3" + SOLVABLE);
    const int dialogs = answers.dialogs.size();
    Trigger(ui().saveItem);
    EXPECT_EQ(answers.dialogs.size(), dialogs);
    EXPECT_TRUE(QFile::exists(File("noext.kvo")));

    answers.files = {QString()};
    Trigger(ui().loadItem); // cancelled
    EXPECT_EQ(window->shell().currentFile, "");
    EXPECT_EQ(level().shapes.size(), 1u);
    EXPECT_EQ(window->windowTitle(), "KIVO Level Editor - " + File("noext"));
    answers.files = {QString()};
    Trigger(ui().saveItem);
    EXPECT_TRUE(answers.dialogs.last().startsWith("Save KIVO|"));
}

TEST_F(Window, FilesThatCannotBeLoadedOrSavedAreReportedAndChangeNothing) {
    ClickCanvas({188, 60});
    answers.files = {File("good.kvo")};
    Trigger(ui().saveAsItem);
    const QString title = window->windowTitle();
    const QString folder = window->packStore().levelDir;
    QFile bad(File("bad.kvo"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("\x05\x00", 2);
    bad.close();

    answers.files = {File("bad.kvo")};
    Trigger(ui().loadItem);
    ASSERT_EQ(answers.errors.size(), 1);
    EXPECT_TRUE(answers.errors[0].contains(File("bad.kvo")));
    EXPECT_EQ(level().shapes.size(), 1u);
    EXPECT_EQ(window->windowTitle(), title);
    EXPECT_EQ(window->shell().currentFile, File("good.kvo"));

    answers.files = {File("missing/folder/x.kvo")};
    Trigger(ui().saveAsItem);
    ASSERT_EQ(answers.errors.size(), 2);
    EXPECT_EQ(window->windowTitle(), title);
    EXPECT_EQ(window->shell().currentFile, File("good.kvo"));
    EXPECT_EQ(window->packStore().levelDir, folder);

    ui().expertScoreField->setText("99999");
    Trigger(ui().saveItem);
    ASSERT_EQ(answers.errors.size(), 3);
    EXPECT_TRUE(answers.errors[2].contains("expert score"));
}

TEST_F(Window, APlacementOnAFullLevelIsRefusedWithAMessage) {
    // 32,763 points far from each other leave ids for no more than a triangle's 6 elements.
    QByteArray bytes;
    auto word = [&bytes](int v) { bytes.append(char(v & 0xFF)).append(char((v >> 8) & 0xFF)); };
    auto real = [&bytes](float v) { bytes.append(reinterpret_cast<const char*>(&v), 4); };
    word(32763);
    for (int i = 0; i < 32763; ++i) {
        word(i);
        real(100.0f + float(i % 200));
        real(100.0f + float(i / 200));
    }
    word(0);
    word(-1);
    word(100);
    word(200);
    QFile full(File("full.kvo"));
    ASSERT_TRUE(full.open(QIODevice::WriteOnly));
    full.write(bytes);
    full.close();
    answers.files = {File("full.kvo")};
    Trigger(ui().loadItem);
    ASSERT_EQ(level().points.size(), 32763u);
    ClickCanvas({300, 200});
    ASSERT_EQ(answers.errors.size(), 1);
    EXPECT_TRUE(answers.errors[0].contains("The level is full")) << answers.errors[0].toStdString();
    EXPECT_TRUE(level().shapes.empty());
    EXPECT_EQ(level().points.size(), 32763u);
}

TEST_F(Window, TheSliderTurnsByTheDifferenceToTheLastAngle) {
    ClickCanvas({360, 230});                // a triangle from level pixels (372, 270)
    const Point corner = level().points[0]; // (402, 270), the canvas centre
    const Point left = level().points[2];   // (372, 270)
    ui().rotationSlider->setValue(90);
    EXPECT_NEAR(double(level().points[2].x) * 20.0, 402.0, 0.001);
    EXPECT_NEAR(double(level().points[2].y) * 30.0, 240.0, 0.001);
    ui().rotationSlider->setFocus();
    QTest::keyClick(ui().rotationSlider, Qt::Key_Home);
    EXPECT_EQ(ui().rotationSlider->value(), 0);
    EXPECT_NEAR(level().points[2].x, left.x, 1e-5);
    EXPECT_NEAR(level().points[2].y, left.y, 1e-5);
    EXPECT_NEAR(level().points[0].x, corner.x, 1e-5);
}

TEST_F(Window, CenterMovesTheLevelOntoTheCrosshair) {
    ClickCanvas({188, 60});
    QTest::mouseClick(ui().centerButton, Qt::LeftButton);
    EXPECT_NEAR(double(level().points[0].x) * 20.0, 417.0, 0.001);
    EXPECT_NEAR(double(level().points[0].y) * 30.0, 261.34, 0.01);
    EXPECT_TRUE(answers.questions.isEmpty());
}

TEST_F(Window, ThePackPanelShowsEditsCreatesAndDeletesPacks) {
    answers.confirms = {true};
    QTest::mouseClick(ui().newPackButton, Qt::LeftButton);
    EXPECT_EQ(answers.questions.last(), "Confirm|Do you wish to create a new Pack?");
    ASSERT_EQ(ui().packCombo->count(), 2);
    EXPECT_EQ(answers.told.size(), 2);

    ui().packCombo->setEditText("Renamed");
    ui().authorField->setText("Ada");
    QTest::mouseClick(ui().applyChangeButton, Qt::LeftButton);
    EXPECT_EQ(answers.questions.size(), 1);
    const std::vector<PackInfo>& packs = window->packStore().packs;
    ASSERT_EQ(packs.size(), 2u);
    EXPECT_EQ(packs[0].name, "Renamed");
    EXPECT_EQ(packs[0].author, "Ada");
    EXPECT_EQ(packs[1].name, "New Pack");

    QTest::keyClicks(ui().packCombo, "New Pack");
    EXPECT_EQ(ui().authorField->text(), "Ada"); // typing selects nothing
    ui().packCombo->activated(1);
    EXPECT_EQ(ui().authorField->text(), "New Author");
    EXPECT_EQ(ui().packIdLabel->text().toStdString(), packs[1].packId);
    EXPECT_EQ(window->packStore().levelDir.toStdString(), packs[1].levelsPath);

    answers.confirms = {false, true};
    QTest::mouseClick(ui().deletePackButton, Qt::LeftButton);
    EXPECT_EQ(window->packStore().packs.size(), 2u);
    QTest::mouseClick(ui().deletePackButton, Qt::LeftButton);
    EXPECT_EQ(answers.questions.last(), "Confirm|Are you sure you want to delete this pack?");
    ASSERT_EQ(window->packStore().packs.size(), 1u);
    EXPECT_EQ(window->packStore().packs[0].name, "Renamed");
    EXPECT_EQ(ui().packCombo->currentText(), "Renamed");
}

TEST_F(Window, TheCloseBoxEndsWithoutAQuestion) {
    ClickCanvas({188, 60});
    window->close();
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(answers.questions.isEmpty());
}

TEST_F(Window, AboutAndExit) {
    Trigger(ui().aboutItem);
    EXPECT_TRUE(answers.told.last().startsWith("About|KIVO Level Editor V1.0"));
    answers.confirms = {false};
    Trigger(ui().exitItem);
    EXPECT_EQ(answers.questions.last(), "Confirm|Are you sure you want to quit?");
    EXPECT_TRUE(window->isVisible());
    answers.confirms = {true};
    Trigger(ui().exitItem);
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(window->shell().quitRequested);
}

class History : public Window {
  protected:
    void SetUp() override {
        Window::SetUp();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    QByteArray SavedBytes(const char* name) {
        answers.files = {File(name)};
        Trigger(ui().saveAsItem);
        QFile f(File(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void Undo() { QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier); }
    void Redo() { QTest::keyClick(window.get(), Qt::Key_Y, Qt::ControlModifier); }
    int Steps() const { return window->history().count(); }
};

TEST_F(History, TheEditMenuFollowsFileAndItsItemsEnableThemselves) {
    const QList<QAction*> menus = window->menuBar()->actions();
    ASSERT_EQ(menus.size(), 2);
    const QList<QAction*> items = menus[1]->menu()->actions();
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[0], ui().undoItem);
    EXPECT_EQ(ui().undoItem->text(), "Undo");
    EXPECT_EQ(ui().redoItem->text(), "Redo");
    EXPECT_TRUE(ui().undoItem->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_Z)));
    EXPECT_TRUE(
        ui().redoItem->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)));
    EXPECT_TRUE(ui().redoItem->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_Y)));
    EXPECT_FALSE(ui().undoItem->isEnabled());
    EXPECT_FALSE(ui().redoItem->isEnabled());
    ClickCanvas({188, 60});
    EXPECT_TRUE(ui().undoItem->isEnabled());
    EXPECT_EQ(ui().undoItem->text(), "Undo");
    Undo();
    EXPECT_FALSE(ui().undoItem->isEnabled());
    EXPECT_TRUE(ui().redoItem->isEnabled());
}

TEST_F(History, EveryKindOfStepIsTakenBackToTheSameBytes) {
    ClickCanvas({188, 60});
    ClickCanvas({300, 200});
    const QByteArray two = SavedBytes("two.kvo");
    ClickCanvas({400, 300});
    ClickCanvas({192, 69}, Qt::RightButton);
    QTest::mouseClick(ui().centerButton, Qt::LeftButton);
    ui().rotationSlider->setValue(30);
    answers.confirms = {true};
    QTest::mouseClick(ui().clearButton, Qt::LeftButton);
    answers.files = {File("two.kvo")};
    Trigger(ui().loadItem);
    const int steps = Steps();
    EXPECT_EQ(steps, 8);
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

TEST_F(History, UndoingALoadOrAClearBringsBackTheScores) {
    ClickCanvas({188, 60});
    ui().targetScoreField->setText("123");
    const QByteArray before = SavedBytes("before.kvo");
    answers.confirms = {true};
    QTest::mouseClick(ui().clearButton, Qt::LeftButton);
    EXPECT_EQ(ui().targetScoreField->text(), "100");
    Undo();
    EXPECT_EQ(ui().targetScoreField->text(), "123");
    EXPECT_EQ(SavedBytes("after.kvo"), before);
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
    EXPECT_EQ(level().lastRotationAngle, 90.0f);
    Undo();
    EXPECT_EQ(level(), start);
    EXPECT_EQ(slider->value(), 0);
    EXPECT_EQ(level().lastRotationAngle, 0.0f);
    slider->setValue(10); // turns by 10 from the restored angle
    EXPECT_EQ(level().lastRotationAngle, 10.0f);
    EXPECT_EQ(Steps(), 2); // and replaces the drag that was undone
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Right);
    EXPECT_EQ(slider->value(), 11);
    EXPECT_EQ(Steps(), 3);
    Undo();
    EXPECT_EQ(slider->value(), 10);
    Redo();
    EXPECT_EQ(slider->value(), 11);
    EXPECT_EQ(level().lastRotationAngle, 11.0f);
}

TEST_F(History, ANewStepAfterAnUndoDropsWhatCouldBeRedone) {
    ClickCanvas({188, 60});
    ClickCanvas({300, 200});
    Undo();
    EXPECT_TRUE(ui().redoItem->isEnabled());
    ClickCanvas({400, 300});
    EXPECT_FALSE(ui().redoItem->isEnabled());
    EXPECT_EQ(Steps(), 2);
}

TEST_F(History, ClicksThatChangeNothingAddNoStep) {
    ClickCanvas({300, 200}, Qt::RightButton); // nothing to delete
    EXPECT_EQ(Steps(), 0);
    ClickCanvas({188, 60});
    ClickCanvas({203, 70}); // inside the triangle
    QTest::mouseClick(ui().sideButtons[4], Qt::LeftButton);
    EXPECT_EQ(Steps(), 1);
    answers.confirms = {false};
    QTest::mouseClick(ui().clearButton, Qt::LeftButton);
    answers.files = {QString()};
    Trigger(ui().loadItem);
    EXPECT_EQ(Steps(), 1);
}

TEST_F(History, TheHistoryKeepsTheLastThousandSteps) {
    ClickCanvas({188, 60});
    ui().rotationSlider->setFocus();
    for (int k = 0; k < UNDO_LIMIT + 5; ++k) {
        QTest::keyClick(ui().rotationSlider, k % 2 == 0 ? Qt::Key_Right : Qt::Key_Left);
    }
    EXPECT_EQ(Steps(), UNDO_LIMIT);
    EXPECT_EQ(window->history().undoLimit(), UNDO_LIMIT);
}

TEST_F(Window, TheCanvasShowsConnectorsCentresAndTheCrosshair) {
    ClickCanvas({188, 60}); // corners at content (218, 60), (203, 86), (188, 60)
    const QImage image = ui().canvas->grab().toImage();
    auto at = [&](int x, int y) { return image.pixelColor(QPoint(x, y) - ui().canvas->pos()); };
    EXPECT_EQ(at(203, 60), QColor(55, 55, 55));  // the top side
    EXPECT_EQ(at(218, 60), QColor(55, 55, 55));  // an end pixel
    EXPECT_EQ(at(203, 69), QColor(255, 55, 55)); // the centre dot
    EXPECT_EQ(at(205, 69), QColor(255, 55, 55));
    EXPECT_EQ(at(203, 75), Qt::white);
    EXPECT_EQ(at(390, 215), QColor(185, 185, 185)); // an arm of the crosshair
    EXPECT_EQ(at(390, 230), Qt::white);             // its open middle
    EXPECT_EQ(at(400, 400), Qt::white);
}

} // namespace
} // namespace kivo

namespace kivo {
namespace {

TEST(ShellPaths, StartFolderAndFileNames) {
    EXPECT_EQ(WithTrailingSlash("/"), "/");
    EXPECT_EQ(WithTrailingSlash("/home/ann"), "/home/ann/");
    EXPECT_EQ(WithTrailingSlash("/home/ann/"), "/home/ann/");
    EXPECT_EQ(FolderOf("/a/b/level.kvo"), "/a/b/");
    EXPECT_EQ(WithLevelExtension("/a/x"), "/a/x.kvo");
    EXPECT_EQ(WithLevelExtension("/a/x.kvo"), "/a/x.kvo");
    EXPECT_EQ(WithLevelExtension("/a/x.KVO"), "/a/x.KVO.kvo");
    EXPECT_EQ(WithLevelExtension("kvo"), "kvo.kvo");
    const QString deep =
        QDir::tempPath() + "/" + QString("d").repeated(200) + "/" + QString("e").repeated(200);
    ASSERT_TRUE(QDir().mkpath(deep));
    const QString here = QDir::currentPath();
    QDir::setCurrent(deep);
    const ShellState shell = FindStartDirectory();
    QDir::setCurrent(here);
    QDir(QDir::tempPath() + "/" + QString("d").repeated(200)).removeRecursively();
    EXPECT_EQ(shell.baseDir, deep + "/");
}

} // namespace
} // namespace kivo
