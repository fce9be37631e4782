// Writes a picture of the editor holding a small level, or of the pack overview of a pack
// built click by click, for the README:
//   kivo-editor-screenshot OUT.png
//   kivo-editor-screenshot --overview OUT.png
// Run it in a start directory whose kivo/ folder holds the template level.
#include "main_window.h"

#include "canvas.h"
#include "pack_overview.h"

#include <QApplication>
#include <QFile>
#include <QListView>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>

namespace {

void Click(QWidget* widget, QPoint at, Qt::MouseButton button = Qt::LeftButton) {
    QMouseEvent press(QEvent::MouseButtonPress, at, widget->mapToGlobal(at), button, button,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, widget->mapToGlobal(at), button,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
}

kivo::PackOverview* OpenOverview(kivo::MainWindow& window) {
    window.controls().levelOverviewItem->trigger();
    kivo::PackOverview* overview = window.levelOverview();
    overview->resize(1180, 660);
    return overview;
}

void SaveIntoSlot(kivo::PackOverview* overview, int slot) {
    overview->SelectSlot(slot);
    overview->controls().saveIntoSlot->click();
}

// The last level cut short, to show the problem mark; the picture once every slot is read.
// Where the pointer rests in the editor's picture, in canvas coordinates.
constexpr QPoint PREVIEW_AT(215, 300);

bool DrawOverview(kivo::PackOverview* overview, const QString& out) {
    QFile::resize(kivo::SlotPath(overview->packDir(), 9), 40);
    overview->SelectSlot(4);
    const bool read = QTest::qWaitFor([overview] { return overview->AllRead(); });
    QTest::qWait(200);
    return read && overview->grab().save(out);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const bool overview = argc == 3 && QByteArray(argv[1]) == "--overview";
    if (argc != 2 && !overview) {
        return 2;
    }
    kivo::Dialogs quiet{
        [](QWidget*, const QString&, const QString&) { return true; },
        [](QWidget*, kivo::MessageKind, const QString&, const QString&) {},
        [](QWidget*, kivo::FileDialogKind, const QString&, const QString&) { return QString(); },
        [](QWidget*, const QString&, const QString&, const QStringList&) { return -1; },
        [](QWidget*, const QString&, const QString&, const QStringList&, int) { return -1; }};
    kivo::ShellState shell = kivo::FindStartDirectory();
    shell.recoveryDir.clear(); // a picture keeps no recovery copy
    kivo::MainWindow window(shell, quiet, kivo::MakeRandomSource(1));
    window.show();
    window.Start();
    const kivo::Controls& ui = window.controls();
    // Canvas positions: content coordinates less the canvas's place at (141, 23).
    const struct {
        int sides;
        QPoint at;
    } clicks[] = {{6, {220, 190}}, {4, {215, 140}}, {3, {258, 165}},
                  {4, {275, 210}}, {3, {200, 235}}, {6, {285, 255}},
                  {3, {170, 185}}, {4, {240, 285}}, {12, {330, 180}}};
    // In the overview every slot after the first holds the figure one click further on.
    kivo::PackOverview* pack = overview ? OpenOverview(window) : nullptr;
    int slot = 1;
    for (const auto& click : clicks) {
        ui.sideButtons[size_t(click.sides - 3)]->click();
        Click(ui.canvas, click.at);
        if (pack != nullptr) {
            SaveIntoSlot(pack, slot++);
        }
    }
    ui.centerButton->click();
    QApplication::processEvents();
    if (overview) {
        return DrawOverview(pack, QString::fromLocal8Bit(argv[2])) ? 0 : 1;
    }
    // The pointer beside the figure: the preview shows the pentagon a click would place.
    ui.sideButtons[2]->click();
    QTest::mouseMove(ui.canvas, PREVIEW_AT);
    QApplication::processEvents();
    return window.grab().save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
