#include "pack_overview.h"

#include "painting/slot_tile.h"
#include "painting/slot_view.h"
#include "storage/pack_layout.h"

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QLabel>
#include <QListView>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QStandardItemModel>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QUndoStack>
#include <QtConcurrent/QtConcurrentRun>

#include <utility>

namespace kivo {

namespace {

enum TileRole {
    THUMBNAIL_ROLE = Qt::UserRole + 1,
    CAPTION_ROLE,
    MARK_ROLE,
    MARK_COLOUR_ROLE,
};

constexpr int TILE_SPACING = 6;
constexpr int SETTLE_MS = 50; // a save renames a file into place; let the folder settle
constexpr QSize START_SIZE(6 * (TILE_WIDTH + 2 * TILE_SPACING) + 40, 640);
const char* const WINDOW_TITLE_TEXT = "Level Overview";

bool operator==(const FileStamp& a, const FileStamp& b) {
    return a.size == b.size && a.modified == b.modified && a.changed == b.changed;
}

FileStamp StampOf(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) {
        return {};
    }
    return {info.size(), info.lastModified().toMSecsSinceEpoch(),
            info.metadataChangeTime().toMSecsSinceEpoch()};
}

// Runs off the user-interface thread: reads the slot and paints its thumbnail. The stamp is
// taken before the read, so a file that changes meanwhile is read again.
SlotRead ReadTile(const QString& packDir, int slot, const QByteArray& blank, FileStamp stamp) {
    const SlotReading reading = ReadSlot(packDir, slot, blank);
    return {stamp, reading.state, PaintThumbnail(reading.level)};
}

// One tile, painted by the same code as kivo-level's contact sheet.
class TileDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        if (option.state & QStyle::State_Selected) {
            QColor highlight = option.palette.highlight().color();
            highlight.setAlpha(110);
            painter->fillRect(option.rect, highlight);
        }
        const QColor colour = index.data(MARK_COLOUR_ROLE).value<QColor>();
        const TileView tile{
            index.data(THUMBNAIL_ROLE).value<QImage>(), index.data(Qt::DisplayRole).toString(),
            index.data(CAPTION_ROLE).toString(), index.data(MARK_ROLE).toString(),
            Colour{uint8_t(colour.red()), uint8_t(colour.green()), uint8_t(colour.blue())}};
        PaintTile(*painter, option.rect, tile);
        if (option.state & QStyle::State_HasFocus) {
            painter->setPen(QPen(option.palette.highlight().color(), 1, Qt::DotLine));
            painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
        }
    }
    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
        return {TILE_WIDTH, TILE_HEIGHT};
    }
};

// A slot edit in the editor's history. It was done before it was pushed; undo writes back
// what the slots held, redo writes the edit again, both into the pack it was made in.
class SlotStep : public QUndoCommand {
  public:
    using Write = std::function<void(const QString& packDir, const std::vector<SlotContent>&)>;

    SlotStep(const QString& text, QString packDir, SlotEdit edit, Write write)
        : QUndoCommand(text), packDir_(std::move(packDir)), edit_(std::move(edit)),
          write_(std::move(write)) {}

    void undo() override { write_(packDir_, edit_.before); }
    void redo() override {
        if (done_) {
            write_(packDir_, edit_.after);
        }
        done_ = true;
    }

  private:
    QString packDir_;
    SlotEdit edit_;
    Write write_;
    bool done_ = false;
};

QPushButton* Button(QWidget* parent, QBoxLayout* row, const char* name, const char* caption,
                    const char* description) {
    auto* button = new QPushButton(QString::fromLatin1(caption), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAccessibleDescription(QString::fromLatin1(description));
    row->addWidget(button);
    return button;
}

} // namespace

PackOverview::PackOverview(OverviewHost host, QWidget* parent)
    : QWidget(parent, Qt::Window), host_(std::move(host)), model_(new QStandardItemModel(this)),
      watcher_(new QFileSystemWatcher(this)), settle_(new QTimer(this)) {
    settle_->setSingleShot(true);
    settle_->setInterval(SETTLE_MS);
    Build();
    Connect();
    FollowPack();
}

PackOverview::~PackOverview() {
    for (QFuture<void>& reading : running_) {
        reading.waitForFinished();
    }
}

void PackOverview::Build() {
    setObjectName(QStringLiteral("packOverview"));
    setWindowTitle(QString::fromLatin1(WINDOW_TITLE_TEXT));
    resize(START_SIZE);
    auto* layout = new QVBoxLayout(this);
    ui_.summary = new QLabel(this);
    ui_.summary->setObjectName(QStringLiteral("summary"));
    ui_.summary->setAccessibleName(QStringLiteral("Summary"));
    layout->addWidget(ui_.summary);
    auto* row = new QHBoxLayout;
    ui_.open = Button(this, row, "open", "Open", "Opens the slot's level in the editor");
    ui_.saveIntoSlot = Button(this, row, "saveIntoSlot", "Save Into Slot",
                              "Saves the level being edited into the slot");
    ui_.moveEarlier = Button(this, row, "moveEarlier", "Move Earlier",
                             "Exchanges the slot's level with the slot before it (Ctrl+Up)");
    ui_.moveLater = Button(this, row, "moveLater", "Move Later",
                           "Exchanges the slot's level with the slot after it (Ctrl+Down)");
    ui_.copy = Button(this, row, "copy", "Copy", "Takes the slot's level for Paste (Ctrl+C)");
    ui_.paste =
        Button(this, row, "paste", "Paste", "Copies the level Copy took into the slot (Ctrl+V)");
    ui_.reset = Button(this, row, "reset", "Reset", "Puts the template level into the slot");
    row->addStretch();
    layout->addLayout(row);
    ui_.tiles = new QListView(this);
    ui_.tiles->setObjectName(QStringLiteral("tiles"));
    ui_.tiles->setAccessibleName(QStringLiteral("Slots"));
    ui_.tiles->setViewMode(QListView::IconMode);
    ui_.tiles->setMovement(QListView::Static);
    ui_.tiles->setResizeMode(QListView::Adjust);
    ui_.tiles->setUniformItemSizes(true);
    ui_.tiles->setSpacing(TILE_SPACING);
    ui_.tiles->setSelectionMode(QAbstractItemView::SingleSelection);
    ui_.tiles->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ui_.tiles->setItemDelegate(new TileDelegate(ui_.tiles));
    ui_.tiles->setModel(model_);
    ui_.tiles->viewport()->installEventFilter(this);
    layout->addWidget(ui_.tiles, 1);
    setFocusProxy(ui_.tiles);
}

void PackOverview::Connect() {
    const struct {
        QPushButton* button;
        QKeySequence key;
    } keys[] = {{ui_.moveEarlier, QKeySequence(Qt::CTRL | Qt::Key_Up)},
                {ui_.moveLater, QKeySequence(Qt::CTRL | Qt::Key_Down)},
                {ui_.copy, QKeySequence::Copy},
                {ui_.paste, QKeySequence::Paste}};
    for (const auto& key : keys) {
        auto* action = new QAction(key.button->text(), this);
        action->setShortcut(key.key);
        addAction(action);
        connect(action, &QAction::triggered, key.button, &QPushButton::click);
    }
    connect(ui_.tiles, &QListView::activated, this,
            [this](const QModelIndex& index) { OpenSlot(index.row()); });
    connect(ui_.open, &QPushButton::clicked, this, [this] { OpenSlot(SelectedSlot()); });
    connect(ui_.saveIntoSlot, &QPushButton::clicked, this,
            [this] { SaveIntoSlot(SelectedSlot()); });
    connect(ui_.moveEarlier, &QPushButton::clicked, this, [this] { MoveSelected(-1); });
    connect(ui_.moveLater, &QPushButton::clicked, this, [this] { MoveSelected(1); });
    connect(ui_.copy, &QPushButton::clicked, this, [this] {
        copied_ = SelectedSlot();
        UpdateButtons();
    });
    connect(ui_.paste, &QPushButton::clicked, this, [this] { CopySlot(copied_, SelectedSlot()); });
    connect(ui_.reset, &QPushButton::clicked, this, [this] { ResetSlot(SelectedSlot()); });
    connect(ui_.tiles->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &PackOverview::UpdateButtons);
    connect(watcher_, &QFileSystemWatcher::directoryChanged, settle_, qOverload<>(&QTimer::start));
    connect(watcher_, &QFileSystemWatcher::fileChanged, settle_, qOverload<>(&QTimer::start));
    connect(settle_, &QTimer::timeout, this, &PackOverview::Reload);
    // The window's saved mark belongs to the level: crossing a slot step keeps it as it was.
    connect(host_.undoStack, &QUndoStack::indexChanged, this, [this] {
        if (carryClean_) {
            carryClean_ = false;
            host_.undoStack->setClean();
        }
    });
}

void PackOverview::FollowPack() {
    const QString dir = host_.shownPackDir();
    if (dir == packDir_ && !dir.isEmpty()) {
        return; // the folder watcher keeps the tiles current
    }
    ++generation_;
    packDir_ = dir;
    reads_.clear();
    pending_.clear();
    copied_ = -1;
    if (!watcher_->files().isEmpty() || !watcher_->directories().isEmpty()) {
        watcher_->removePaths(watcher_->files() + watcher_->directories());
    }
    blank_ = dir.isEmpty() ? QByteArray() : TemplateBytes(dir);
    setWindowTitle(dir.isEmpty()
                       ? QString::fromLatin1(WINDOW_TITLE_TEXT)
                       : QStringLiteral("%1 \u2013 %2")
                             .arg(QLatin1String(WINDOW_TITLE_TEXT), PackDisplayName(dir)));
    ShowTiles();
    Reload();
}

void PackOverview::ShowTiles() {
    model_->clear();
    if (!packDir_.isEmpty()) {
        for (int slot = 0; slot < PACK_SLOT_COUNT; ++slot) {
            model_->appendRow(new QStandardItem(SlotName(slot)));
            ShowTile(slot);
        }
        SelectSlot(0);
    }
    UpdateButtons();
}

// Sends every slot whose file changed since it was read to be read again.
void PackOverview::Reload() {
    running_.erase(std::remove_if(running_.begin(), running_.end(),
                                  [](const QFuture<void>& f) { return f.isFinished(); }),
                   running_.end());
    ShowSummary();
    if (packDir_.isEmpty()) {
        return;
    }
    watcher_->addPath(QDir(packDir_).filePath(QString::fromLatin1(LEVELS_FOLDER_NAME)));
    for (int slot = 0; slot < PACK_SLOT_COUNT; ++slot) {
        const QString path = SlotPath(packDir_, slot);
        const FileStamp stamp = StampOf(path);
        const auto read = reads_.find(slot);
        const auto sent = pending_.find(slot);
        if ((read != reads_.end() && read->second.stamp == stamp) ||
            (sent != pending_.end() && sent->second == stamp)) {
            continue;
        }
        if (stamp.size >= 0 && !watcher_->files().contains(path)) {
            watcher_->addPath(path);
        }
        pending_[slot] = stamp;
        running_.push_back(QtConcurrent::run([this, dir = packDir_, slot, blank = blank_, stamp,
                                              generation = generation_] {
            const SlotRead read = ReadTile(dir, slot, blank, stamp);
            QMetaObject::invokeMethod(
                this, [this, read, generation] { Apply(read, generation); }, Qt::QueuedConnection);
        }));
    }
}

void PackOverview::Apply(const SlotRead& read, int generation) {
    if (generation != generation_) {
        return;
    }
    const int slot = read.state.slot;
    if (const auto sent = pending_.find(slot);
        sent != pending_.end() && sent->second == read.stamp) {
        pending_.erase(sent);
    }
    reads_[slot] = read;
    ShowTile(slot);
    ShowSummary();
    UpdateButtons();
}

void PackOverview::ShowTile(int slot) {
    QStandardItem* item = model_->item(slot);
    const auto read = reads_.find(slot);
    if (item == nullptr) {
        return;
    }
    if (read == reads_.end()) {
        item->setData(QStringLiteral("reading\u2026"), CAPTION_ROLE);
        item->setData(SlotName(slot) + QStringLiteral(", being read"), Qt::AccessibleTextRole);
        return;
    }
    const SlotState& state = read->second.state;
    const SlotMark mark = MarkOf(state);
    const QString description = SlotDescription(SlotName(slot), state);
    item->setData(read->second.thumbnail, THUMBNAIL_ROLE);
    item->setData(SlotCaption(state), CAPTION_ROLE);
    item->setData(QString::fromLatin1(mark.label), MARK_ROLE);
    item->setData(QColor(mark.colour.r, mark.colour.g, mark.colour.b), MARK_COLOUR_ROLE);
    item->setData(description, Qt::AccessibleTextRole);
    item->setData(state.problem.empty() ? description : QString::fromStdString(state.problem),
                  Qt::ToolTipRole);
}

void PackOverview::ShowSummary() {
    if (packDir_.isEmpty()) {
        ui_.summary->setText(QStringLiteral("No pack is shown in the pack panel."));
        return;
    }
    if (reads_.size() < size_t(PACK_SLOT_COUNT)) {
        ui_.summary->setText(QStringLiteral("Reading the pack's levels\u2026"));
        return;
    }
    std::vector<SlotState> states;
    for (const auto& [slot, read] : reads_) {
        states.push_back(read.state);
    }
    ui_.summary->setText(SlotSummary(states));
}

void PackOverview::LevelFileSaved(const QString& path) {
    for (int slot = 0; slot < PACK_SLOT_COUNT && !packDir_.isEmpty(); ++slot) {
        if (QFileInfo(path) == QFileInfo(SlotPath(packDir_, slot))) {
            Forget({{slot, std::nullopt}});
            Reload();
        }
    }
}

void PackOverview::OpenSlot(int slot) {
    if (slot >= 0 && !packDir_.isEmpty()) {
        host_.openLevelFile(SlotPath(packDir_, slot));
    }
}

// Asks first when the slot holds a level other than the template.
void PackOverview::SaveIntoSlot(int slot) {
    if (slot < 0 || packDir_.isEmpty()) {
        return;
    }
    const QString path = SlotPath(packDir_, slot);
    const auto read = reads_.find(slot);
    const bool holdsLevel = QFileInfo::exists(path) &&
                            (read == reads_.end() || read->second.state.kind != SlotKind::Template);
    if (holdsLevel &&
        !host_.dialogs.confirm(
            this, QStringLiteral("Confirm"),
            QStringLiteral("%1 holds a level. Replace it with the level being edited?")
                .arg(SlotName(slot)))) {
        return;
    }
    if (host_.saveLevelFile(path)) {
        LevelFileSaved(path);
    }
}

void PackOverview::ExchangeSlots(int a, int b) {
    if (!packDir_.isEmpty()) {
        Edit(QStringLiteral("Exchange %1 and %2").arg(SlotName(a), SlotName(b)),
             PlanExchange(packDir_, a, b));
    }
}

void PackOverview::CopySlot(int from, int to) {
    if (!packDir_.isEmpty() && from >= 0 && to >= 0 && from != to) {
        Edit(QStringLiteral("Copy %1 into %2").arg(SlotName(from), SlotName(to)),
             PlanCopy(packDir_, from, to));
    }
}

void PackOverview::ResetSlot(int slot) {
    if (!packDir_.isEmpty() && slot >= 0) {
        Edit(QStringLiteral("Reset %1").arg(SlotName(slot)), PlanReset(packDir_, slot));
    }
}

void PackOverview::MoveSelected(int by) {
    const int slot = SelectedSlot();
    if (slot >= 0 && slot + by >= 0 && slot + by < PACK_SLOT_COUNT) {
        ExchangeSlots(slot, slot + by);
        SelectSlot(slot + by);
    }
}

// Writes the edit; only an edit that was written becomes a step of the history.
void PackOverview::Edit(const QString& text, const SlotEdit& edit) {
    if (!edit.result.ok) {
        ShowError(edit.result.message);
        return;
    }
    const FileResult written = WriteSlots(packDir_, edit.after);
    Forget(edit.after);
    Reload();
    if (!written.ok) {
        ShowError(written.message);
        return;
    }
    carryClean_ = host_.undoStack->isClean();
    host_.undoStack->push(
        new SlotStep(text + QStringLiteral(" in %1").arg(PackDisplayName(packDir_)), packDir_, edit,
                     [this](const QString& dir, const std::vector<SlotContent>& contents) {
                         WriteStep(dir, contents);
                     }));
}

void PackOverview::WriteStep(const QString& packDir, const std::vector<SlotContent>& contents) {
    carryClean_ = host_.undoStack->isClean();
    const FileResult written = WriteSlots(packDir, contents);
    if (packDir == packDir_) {
        Forget(contents);
        Reload();
    }
    if (!written.ok) {
        ShowError(written.message);
    }
}

// The slots are read again at the next reload, whatever their files' stamps say.
void PackOverview::Forget(const std::vector<SlotContent>& contents) {
    for (const SlotContent& content : contents) {
        if (const auto read = reads_.find(content.slot); read != reads_.end()) {
            read->second.stamp.size = -2;
        }
    }
}

void PackOverview::ShowError(const QString& text) {
    host_.dialogs.tell(this, MessageKind::Error, QStringLiteral("Error"), text);
}

int PackOverview::SelectedSlot() const {
    const QModelIndexList selected = ui_.tiles->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.front().row();
}

void PackOverview::SelectSlot(int slot) {
    const QModelIndex index = model_->index(slot, 0);
    ui_.tiles->setCurrentIndex(index);
    ui_.tiles->scrollTo(index);
}

bool PackOverview::AllRead() const {
    return packDir_.isEmpty() || (reads_.size() == size_t(PACK_SLOT_COUNT) && pending_.empty());
}

void PackOverview::UpdateButtons() {
    const int slot = SelectedSlot();
    const bool chosen = slot >= 0;
    for (QPushButton* button : {ui_.open, ui_.saveIntoSlot, ui_.copy, ui_.reset}) {
        button->setEnabled(chosen);
    }
    ui_.moveEarlier->setEnabled(slot > 0);
    ui_.moveLater->setEnabled(chosen && slot + 1 < PACK_SLOT_COUNT);
    ui_.paste->setEnabled(chosen && copied_ >= 0 && copied_ != slot);
    ui_.paste->setText(copied_ >= 0 ? QStringLiteral("Paste %1").arg(SlotName(copied_))
                                    : QStringLiteral("Paste"));
}

// A tile dragged onto another exchanges the two slots' levels.
bool PackOverview::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (watched != ui_.tiles->viewport() ||
        (type != QEvent::MouseButtonPress && type != QEvent::MouseMove &&
         type != QEvent::MouseButtonRelease)) {
        return QWidget::eventFilter(watched, event);
    }
    const auto* mouse = static_cast<QMouseEvent*>(event);
    const QPoint at = mouse->position().toPoint();
    if (type == QEvent::MouseButtonPress) {
        dragFrom_ = mouse->button() == Qt::LeftButton ? ui_.tiles->indexAt(at).row() : -1;
        dragStart_ = at;
        dragging_ = false;
    } else if (type == QEvent::MouseMove) {
        dragging_ =
            dragging_ || (dragFrom_ >= 0 && (mouse->buttons() & Qt::LeftButton) &&
                          (at - dragStart_).manhattanLength() >= QApplication::startDragDistance());
        return dragging_;
    } else if (std::exchange(dragging_, false)) {
        const int from = std::exchange(dragFrom_, -1);
        const int to = ui_.tiles->indexAt(at).row();
        if (to >= 0 && to != from) {
            ExchangeSlots(from, to);
            SelectSlot(to);
        }
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace kivo
