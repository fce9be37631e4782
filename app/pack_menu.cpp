// The "Pack" menu beside "File" and "Edit", and the pack overview it opens.
#include "main_window.h"
#include "pack_overview.h"

#include <QFile>
#include <QMenuBar>

namespace kivo {

void MainWindow::BuildPackMenu() {
    QMenu* pack = menuBar()->addMenu(QStringLiteral("Pack"));
    pack->setObjectName(QStringLiteral("packMenu"));
    ui_.levelOverviewItem = pack->addAction(QStringLiteral("Level Overview\u2026"));
    ui_.levelOverviewItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    connect(ui_.levelOverviewItem, &QAction::triggered, this, &MainWindow::ShowLevelOverview);
}

// One overview for the window's life: it follows the pack panel and saves from this level.
void MainWindow::ShowLevelOverview() {
    if (overview_ == nullptr) {
        OverviewHost host{[this] { return QFile::decodeName(packs_.shownDir.c_str()); },
                          [this](const QString& path) { return OpenLevelFile(path); },
                          [this](const QString& path) { return SaveLevelFile(path); }, history_,
                          dialogs_};
        overview_ = new PackOverview(std::move(host), this);
        connect(this, &MainWindow::shownPackChanged, overview_, &PackOverview::FollowPack);
        connect(this, &MainWindow::levelFileSaved, overview_, &PackOverview::LevelFileSaved);
    }
    overview_->show();
    overview_->raise();
    overview_->activateWindow();
}

} // namespace kivo
