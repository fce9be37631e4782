// The KIVO Level Editor: works in the directory it is started in, whose kivo/ folder holds
// the packs and the template level.
#include "main_window.h"
#include "storage/level/level_memory.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char** argv) {
    kivo::KeepLevelMemory();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("KIVO Level Editor"));
    QApplication::setDesktopFileName(QStringLiteral("kivo-editor"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/kivo-editor.svg")));

    kivo::MainWindow window(kivo::FindStartDirectory(), kivo::PlatformDialogs(),
                            kivo::MakeRandomSource(uint32_t(kivo::ClockSeconds())));
    window.show();
    window.Start();
    return app.exec();
}
