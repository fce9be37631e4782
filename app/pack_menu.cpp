// The "Pack" menu beside "File" and "Edit", and the pack overview it opens.
#include "main_window.h"
#include "pack_overview.h"

#include <QFile>
#include <QListView>
#include <QMenuBar>

namespace kivo {

void MainWindow::BuildPackMenu() {
    QMenu* pack = menuBar()->addMenu(QStringLiteral("Pack"));
    pack->setObjectName(QStringLiteral("packMenu"));
    ui_.levelOverviewItem = pack->addAction(QStringLiteral("Level Overview\u2026"));
    ui_.levelOverviewItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    connect(ui_.levelOverviewItem, &QAction::triggered, this, &MainWindow::ShowLevelOverview);
}

// One overview for the window's life: it shows the session's shown pack.
void MainWindow::ShowLevelOverview() {
    if (overview_ == nullptr) {
        OverviewHost host{
            &session_, [this](const QString& path) { return MaybeSave() && OpenLevelFile(path); },
            dialogs_};
        overview_ = new PackOverview(std::move(host), this);
    }
    overview_->show();
    overview_->raise();
    overview_->activateWindow();
    overview_->controls().tiles->setFocus(); // the arrow keys walk the tiles at once
}

} // namespace kivo
