// The "Pack" menu beside "File" and "Edit", and the pack overview it opens.
#include "main_window.h"
#include "pack_overview.h"

#include <QFile>
#include <QListView>
#include <QMenuBar>
#include <QUndoView>

namespace kivo {

// Each history as a list of its named steps, in a window of its own; clicking a step goes
// back or forward to it. The pack's list follows the shown pack.
void MainWindow::BuildHistoryItems(QMenu* view) {
    view->addSeparator();
    auto item = [this, view](const char* caption, const char* name, auto history) {
        QAction* action = view->addAction(QString::fromLatin1(caption));
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, [this, caption, history] {
            auto* list = new QUndoView(history, this);
            list->setWindowFlag(Qt::Tool);
            list->setAttribute(Qt::WA_DeleteOnClose);
            list->setWindowTitle(QString::fromLatin1(caption));
            list->setObjectName(QString::fromLatin1(caption));
            list->show();
        });
        return action;
    };
    ui_.levelHistoryItem = item("Level History", "levelHistoryItem", session_.level().history());
    ui_.packHistoryItem = item("Pack History", "packHistoryItem", session_.packs().histories());
}

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
