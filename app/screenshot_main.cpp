// Writes a picture of the editor holding a small level, for the README:
//   kivo-editor-screenshot OUT.png
// Run it in a start directory whose kivo/ folder holds the template level.
#include "main_window.h"

#include "canvas.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPushButton>

namespace {

void Click(QWidget* widget, QPoint at, Qt::MouseButton button = Qt::LeftButton) {
    QMouseEvent press(QEvent::MouseButtonPress, at, widget->mapToGlobal(at), button, button,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, widget->mapToGlobal(at), button,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        return 2;
    }
    kivo::Dialogs quiet{
        [](QWidget*, const QString&, const QString&) { return true; },
        [](QWidget*, kivo::MessageKind, const QString&, const QString&) {},
        [](QWidget*, kivo::FileDialogKind, const QString&, const QString&) { return QString(); },
        [](QWidget*, const QString&, const QString&, const QStringList&) { return -1; }};
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
    for (const auto& click : clicks) {
        ui.sideButtons[size_t(click.sides - 3)]->click();
        Click(ui.canvas, click.at);
    }
    ui.sideButtons[0]->click();
    ui.centerButton->click();
    QApplication::processEvents();
    return window.grab().save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
