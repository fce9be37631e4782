#include "pack_overview.h"

#include "captions_and_numbers.h"
#include "slot_cache.h"
#include "tile_delegate.h"

#include "painting/slot_tile.h"
#include "painting/slot_view.h"
#include "storage/pack/pack.h"

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMouseEvent>
#include <QPushButton>
#include <QStandardItemModel>
#include <QUndoGroup>
#include <QUndoStack>

#include <utility>

namespace kivo {

namespace {

constexpr int TILE_SPACING = 6;
constexpr int TILES_ACROSS_AT_START = 6;
constexpr QSize START_SIZE(TILES_ACROSS_AT_START*(TILE_WIDTH + 2 * TILE_SPACING) + 40, 640);
const char* const WINDOW_TITLE_TEXT = "Level Overview";
const char* const REPLACE_QUESTION = "%1 holds a level. Replace it with %2?";
// A long pack name would widen the Paste button, and with it the window: the caption is cut
// in the middle beyond this, and the tooltip holds it whole.
constexpr int MAX_PASTE_CAPTION_WIDTH = 220;
constexpr int FILTER_BUTTON_WIDTH = 24;

QPushButton* Toggle(QWidget* parent, const QString& name, const QString& caption,
                    const QString& description) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setCheckable(true);
    button->setAccessibleDescription(description);
    return button;
}

bool SamePath(const QString& a, const QString& b) {
    return QDir::cleanPath(QFileInfo(a).absoluteFilePath()) ==
           QDir::cleanPath(QFileInfo(b).absoluteFilePath());
}

QPushButton* Button(QWidget* parent, const char* name, const char* caption,
                    const char* description) {
    auto* button = new QPushButton(QString::fromLatin1(caption), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAccessibleDescription(QString::fromLatin1(description));
    return button;
}

} // namespace

PackOverview::PackOverview(OverviewHost host, QWidget* parent)
    : QWidget(parent, Qt::Window), host_(std::move(host)), model_(new QStandardItemModel(this)),
      cache_(new SlotCache(this)) {
    Build();
    Connect();
    FollowPack();
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
    BuildButtons();
    for (QPushButton* button : {ui_.open, ui_.saveIntoSlot, ui_.moveEarlier, ui_.moveLater,
                                ui_.moveTo, ui_.copy, ui_.paste, ui_.reset}) {
        row->addWidget(button);
    }
    row->addStretch();
    layout->addLayout(row);
    BuildFilter(layout);
    ui_.tiles = new QListView(this);
    ui_.tiles->setObjectName(QStringLiteral("tiles"));
    ui_.tiles->setAccessibleName(QStringLiteral("Slots"));
    ui_.tiles->setViewMode(QListView::IconMode);
    ui_.tiles->setMovement(QListView::Static);
    ui_.tiles->setResizeMode(QListView::Adjust);
    ui_.tiles->setUniformItemSizes(true);
    ui_.tiles->setSelectionMode(QAbstractItemView::SingleSelection);
    ui_.tiles->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ui_.tiles->setItemDelegate(new TileDelegate(ui_.tiles));
    ui_.tiles->setModel(model_);
    ui_.tiles->viewport()->installEventFilter(this);
    layout->addWidget(ui_.tiles, 1);
    setFocusProxy(ui_.tiles);

    // The actions act on the shown pack's history alone, whichever pack that is.
    QUndoGroup* history = host_.session->packs().histories();
    ui_.undo = history->createUndoAction(this, QStringLiteral("Undo"));
    ui_.undo->setShortcut(QKeySequence::Undo);
    ui_.redo = history->createRedoAction(this, QStringLiteral("Redo"));
    ui_.redo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    addActions({ui_.undo, ui_.redo});
}

void PackOverview::BuildButtons() {
    ui_.open = Button(this, "open", "Open", "Opens the slot's level in the editor");
    ui_.saveIntoSlot = Button(this, "saveIntoSlot", "Save Into Slot",
                              "Saves the level being edited into the slot");
    ui_.moveEarlier = Button(this, "moveEarlier", "Move Earlier",
                             "Exchanges the slot's level with the slot before it (Ctrl+Up)");
    ui_.moveLater = Button(this, "moveLater", "Move Later",
                           "Exchanges the slot's level with the slot after it (Ctrl+Down)");
    ui_.moveTo = Button(this, "moveTo", "Move To...",
                        "Moves the slot's level to another slot; the levels between move one "
                        "slot towards it (Ctrl+M)");
    ui_.copy = Button(this, "copy", "Copy", "Takes the slot's level for Paste (Ctrl+C)");
    ui_.paste = Button(this, "paste", "Paste", "Copies the level Copy took into the slot (Ctrl+V)");
    ui_.reset = Button(this, "reset", "Reset", "Puts the template level into the slot");
}

// A tile shows when it passes all three parts that are set: its name holds the text, its
// level holds any of the side counts chosen, it carries any of the marks chosen.
void PackOverview::BuildFilter(QBoxLayout* layout) {
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("Show slots named"), this));
    ui_.filterText = new QLineEdit(this);
    ui_.filterText->setObjectName(QStringLiteral("filterText"));
    ui_.filterText->setAccessibleName(QStringLiteral("Filter by slot name"));
    ui_.filterText->setPlaceholderText(QStringLiteral("any name"));
    ui_.filterText->setClearButtonEnabled(true);
    row->addWidget(ui_.filterText);
    row->addWidget(new QLabel(QStringLiteral("holding"), this));
    for (int k = 0; k < int(ui_.filterSides.size()); ++k) {
        const int sides = MIN_SIDE_COUNT + k;
        QPushButton* button =
            Toggle(this, QStringLiteral("filterSides%1").arg(sides), QString::number(sides),
                   QStringLiteral("Shows the levels that hold a polygon of %1 sides").arg(sides));
        button->setFixedWidth(FILTER_BUTTON_WIDTH);
        ui_.filterSides[size_t(k)] = button;
        row->addWidget(button);
    }
    row->addWidget(new QLabel(QStringLiteral("marked"), this));
    for (size_t k = 0; k < ui_.filterMarks.size(); ++k) {
        const QString mark = QString::fromLatin1(SLOT_MARKS[k]);
        ui_.filterMarks[k] = Toggle(this, QStringLiteral("filterMark%1").arg(k), mark,
                                    QStringLiteral("Shows the slots marked %1").arg(mark));
        row->addWidget(ui_.filterMarks[k]);
    }
    row->addStretch();
    layout->addLayout(row);
}

void PackOverview::Connect() {
    const struct {
        QPushButton* button;
        QKeySequence key;
    } keys[] = {{ui_.moveEarlier, QKeySequence(Qt::CTRL | Qt::Key_Up)},
                {ui_.moveLater, QKeySequence(Qt::CTRL | Qt::Key_Down)},
                {ui_.moveTo, QKeySequence(Qt::CTRL | Qt::Key_M)},
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
    connect(ui_.moveTo, &QPushButton::clicked, this, [this] { AskMoveTo(SelectedSlot()); });
    connect(ui_.copy, &QPushButton::clicked, this, [this] { CopySlot(SelectedSlot()); });
    connect(ui_.paste, &QPushButton::clicked, this, [this] { PasteInto(SelectedSlot()); });
    connect(ui_.reset, &QPushButton::clicked, this, [this] { ResetSlot(SelectedSlot()); });
    // The buttons follow the selection as it changes, by key, click or command.
    connect(ui_.tiles->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &PackOverview::UpdateButtons);
    connect(cache_, &SlotCache::slotRead, this, [this](int slot) {
        ShowTile(slot);
        ApplyFilter();
    });
    connect(ui_.filterText, &QLineEdit::textChanged, this, &PackOverview::ApplyFilter);
    for (QPushButton* button : ui_.filterSides) {
        connect(button, &QPushButton::toggled, this, &PackOverview::ApplyFilter);
    }
    for (QPushButton* button : ui_.filterMarks) {
        connect(button, &QPushButton::toggled, this, &PackOverview::ApplyFilter);
    }
    PackDocument* packs = &host_.session->packs();
    connect(packs, &PackDocument::shownPackChanged, this, &PackOverview::FollowPack);
    connect(packs, &PackDocument::slotsWritten, this, &PackOverview::SlotsWritten);
    connect(packs, &PackDocument::stepFailed, this, &PackOverview::ShowError);
    connect(&host_.session->level(), &LevelDocument::fileUsed, this, &PackOverview::Reread);
    // The tile of the level being edited is marked wherever its file goes.
    connect(&host_.session->level(), &LevelDocument::fileChanged, this, [this] {
        for (int slot = 0; slot < model_->rowCount(); ++slot) {
            ShowTile(slot);
        }
    });
}

const QString& PackOverview::packDir() const {
    return cache_->packDir();
}

// The title names the pack as it is called now, also after Apply Change renamed it.
void PackOverview::FollowPack() {
    const QString dir = host_.session->packs().shownPackDir();
    const bool same = dir == packDir() && !dir.isEmpty();
    if (!same) {
        cache_->ShowPack(dir);
    }
    ShowTitle();
    if (same) {
        return; // the cache watches the pack's folder
    }
    ShowTiles();
    cache_->Reload();
    ShowSummary();
}

void PackOverview::ShowTitle() {
    setWindowTitle(packDir().isEmpty()
                       ? QString::fromLatin1(WINDOW_TITLE_TEXT)
                       : QStringLiteral("%1 \u2013 %2")
                             .arg(QLatin1String(WINDOW_TITLE_TEXT), PackDisplayName(packDir())));
}

void PackOverview::ShowTiles() {
    model_->clear();
    if (!packDir().isEmpty()) {
        for (int slot = 0; slot < PACK_SLOT_COUNT; ++slot) {
            model_->appendRow(new QStandardItem(SlotName(slot)));
            ShowTile(slot);
        }
        SelectSlot(0);
    }
    UpdateButtons();
    ApplyFilter();
}

void PackOverview::ShowTile(int slot) {
    QStandardItem* item = model_->item(slot);
    const SlotRead* read = cache_->Read(slot);
    if (item == nullptr) {
        return;
    }
    const bool edited = IsEdited(slot);
    item->setData(edited, EDITED_ROLE);
    const QString editedText = edited ? QStringLiteral(", being edited") : QString();
    if (read == nullptr) {
        item->setData(QStringLiteral("reading\u2026"), CAPTION_ROLE);
        item->setData(SlotName(slot) + QStringLiteral(", being read") + editedText,
                      Qt::AccessibleTextRole);
        return;
    }
    const SlotState& state = read->state;
    const SlotMark mark = MarkOf(state);
    const QString description = SlotDescription(SlotName(slot), state) + editedText;
    item->setData(read->thumbnail, THUMBNAIL_ROLE);
    item->setData(SlotCaption(state), CAPTION_ROLE);
    item->setData(QString::fromLatin1(mark.label), MARK_ROLE);
    item->setData(QColor(mark.colour.r, mark.colour.g, mark.colour.b), MARK_COLOUR_ROLE);
    item->setData(description, Qt::AccessibleTextRole);
    item->setData(state.problem.empty() ? description : QString::fromStdString(state.problem),
                  Qt::ToolTipRole);
}

bool PackOverview::IsEdited(int slot) const {
    const QString& file = host_.session->level().currentFile();
    return !file.isEmpty() && !packDir().isEmpty() && SamePath(file, SlotPath(packDir(), slot));
}

// The counts are the pack's; while the filter is set, the line also says how many it shows.
void PackOverview::ShowSummary() {
    if (packDir().isEmpty()) {
        ui_.summary->setText(QStringLiteral("No pack is shown in the pack panel."));
        return;
    }
    const std::vector<SlotState> states = cache_->States();
    QString text = states.size() < size_t(PACK_SLOT_COUNT)
                       ? QStringLiteral("Reading the pack's levels\u2026")
                       : SlotSummary(states);
    if (IsFiltering(ChosenFilter())) {
        int shown = 0;
        for (int slot = 0; slot < model_->rowCount(); ++slot) {
            shown += !ui_.tiles->isRowHidden(slot);
        }
        text += QStringLiteral(" \u00b7 the filter shows %1 of %2 tiles")
                    .arg(shown)
                    .arg(model_->rowCount());
    }
    ui_.summary->setText(text);
}

SlotFilter PackOverview::ChosenFilter() const {
    SlotFilter filter{ui_.filterText->text(), 0, {}};
    for (size_t k = 0; k < ui_.filterSides.size(); ++k) {
        if (ui_.filterSides[k]->isChecked()) {
            filter.sideCounts = uint16_t(filter.sideCounts | (1u << (MIN_SIDE_COUNT + k)));
        }
    }
    for (size_t k = 0; k < ui_.filterMarks.size(); ++k) {
        if (ui_.filterMarks[k]->isChecked()) {
            filter.marks << QString::fromLatin1(SLOT_MARKS[k]);
        }
    }
    return filter;
}

// Only tiles whose showing changes are touched, so that a slot read costs the list no layout.
void PackOverview::ApplyFilter() {
    const SlotFilter filter = ChosenFilter();
    for (int slot = 0; slot < model_->rowCount(); ++slot) {
        const SlotRead* read = cache_->Read(slot);
        const bool hide = !PassesFilter(filter, SlotName(slot), read ? &read->state : nullptr,
                                        read ? read->sideCounts : 0);
        if (ui_.tiles->isRowHidden(slot) != hide) {
            ui_.tiles->setRowHidden(slot, hide);
        }
    }
    ShowSummary();
}

// The tiles spread over the window's width, as many across as fit.
void PackOverview::FitTiles() {
    const int cell = TILE_WIDTH + 2 * TILE_SPACING;
    const int width = ui_.tiles->viewport()->width();
    const int across = std::max(1, width / cell);
    ui_.tiles->setGridSize({std::max(cell, width / across), TILE_HEIGHT + 2 * TILE_SPACING});
}

// A file the level was read from or written to: its tile is read again when it is the pack's.
void PackOverview::Reread(const QString& path) {
    for (int slot = 0; slot < PACK_SLOT_COUNT && !packDir().isEmpty(); ++slot) {
        if (QFileInfo(path) == QFileInfo(SlotPath(packDir(), slot))) {
            cache_->Forget(slot);
            cache_->Reload();
        }
    }
}

// Whatever wrote the slots (an edit, its undo or redo), their tiles are read again.
void PackOverview::SlotsWritten(const QString& packDir, const std::vector<WrittenFile>& files) {
    if (packDir != this->packDir()) {
        return;
    }
    for (const WrittenFile& file : files) {
        Reread(file.path);
    }
}

void PackOverview::OpenSlot(int slot) {
    if (slot >= 0 && !packDir().isEmpty()) {
        host_.openLevelFile(SlotPath(packDir(), slot));
    }
}

// A slot that holds a level other than the template is replaced only when the designer says so.
bool PackOverview::MayReplace(int slot, const QString& with) {
    const SlotRead* read = cache_->Read(slot);
    const bool holdsLevel = QFileInfo::exists(SlotPath(packDir(), slot)) &&
                            (read == nullptr || read->state.kind != SlotKind::Template);
    return !holdsLevel ||
           host_.dialogs.confirm(this, QString::fromLatin1(CONFIRM_TITLE),
                                 QString::fromLatin1(REPLACE_QUESTION).arg(SlotName(slot), with));
}

void PackOverview::SaveIntoSlot(int slot) {
    if (slot >= 0 && !packDir().isEmpty() &&
        MayReplace(slot, QStringLiteral("the level being edited"))) {
        Report(host_.session->SaveIntoSlot(slot));
    }
}

void PackOverview::ExchangeSlots(int a, int b) {
    Report(host_.session->packs().Exchange(a, b));
}

// Copy takes the level as it is now; Paste puts it into a slot of whatever pack is shown then.
void PackOverview::CopySlot(int slot) {
    if (slot < 0 || packDir().isEmpty()) {
        return;
    }
    const FileBytes read = host_.session->packs().SlotBytes(slot);
    if (!read.result.ok) {
        ShowError(read.result.message);
        return;
    }
    copied_ = CopiedLevel{
        QStringLiteral("%1 of %2").arg(SlotName(slot), PackDisplayName(packDir())), read.bytes};
    UpdateButtons();
}

void PackOverview::PasteInto(int slot) {
    if (slot >= 0 && copied_ && !packDir().isEmpty() && MayReplace(slot, copied_->name)) {
        Report(host_.session->packs().Paste(copied_->name, copied_->bytes, slot));
    }
}

void PackOverview::ResetSlot(int slot) {
    if (slot >= 0 && MayReplace(slot, QStringLiteral("the template level"))) {
        Report(host_.session->packs().Reset(slot));
    }
}

void PackOverview::MoveSelected(int by) {
    const int slot = SelectedSlot();
    if (slot >= 0 && slot + by >= 0 && slot + by < PACK_SLOT_COUNT) {
        ExchangeSlots(slot, slot + by);
        SelectSlot(slot + by);
    }
}

void PackOverview::MoveTo(int from, int to) {
    if (from >= 0 && to >= 0 && to != from) {
        Report(host_.session->packs().MoveTo(from, to));
        SelectSlot(to);
    }
}

void PackOverview::AskMoveTo(int slot) {
    if (slot < 0 || packDir().isEmpty()) {
        return;
    }
    QStringList names;
    for (int other = 0; other < PACK_SLOT_COUNT; ++other) {
        names << SlotName(other);
    }
    MoveTo(slot, host_.dialogs.pick(this, QStringLiteral("Move To"),
                                    QStringLiteral("Move the level of %1 to:").arg(SlotName(slot)),
                                    names, slot));
}

void PackOverview::Report(const FileResult& result) {
    if (!result.ok) {
        ShowError(result.message);
    }
}

void PackOverview::ShowError(const QString& text) {
    host_.dialogs.tell(this, MessageKind::Error, QString::fromLatin1(ERROR_TITLE), text);
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
    return cache_->AllRead();
}

void PackOverview::UpdateButtons() {
    const int slot = SelectedSlot();
    const bool chosen = slot >= 0;
    for (QPushButton* button : {ui_.open, ui_.saveIntoSlot, ui_.moveTo, ui_.copy, ui_.reset}) {
        button->setEnabled(chosen);
    }
    ui_.moveEarlier->setEnabled(slot > 0);
    ui_.moveLater->setEnabled(chosen && slot + 1 < PACK_SLOT_COUNT);
    ui_.paste->setEnabled(chosen && copied_.has_value());
    const QString paste =
        copied_ ? QStringLiteral("Paste %1").arg(copied_->name) : QStringLiteral("Paste");
    ui_.paste->setText(
        ui_.paste->fontMetrics().elidedText(paste, Qt::ElideMiddle, MAX_PASTE_CAPTION_WIDTH));
    ui_.paste->setToolTip(paste);
    ui_.paste->setAccessibleName(paste);
}

// Marks where a drag would land; -1 for nowhere.
void PackOverview::ShowDropTarget(int slot, int mark) {
    if (QStandardItem* item = model_->item(dropTarget_)) {
        item->setData(int(NO_DROP), DROP_TARGET_ROLE);
    }
    if (QStandardItem* item = model_->item(slot)) {
        item->setData(mark, DROP_TARGET_ROLE);
    }
    dropTarget_ = slot;
}

// The outer fifth of a tile on either side is the gap beside it: dropped there, the level
// moves between the two tiles; dropped on the rest, it is exchanged with the tile's.
std::pair<int, int> PackOverview::DropAt(int from, QPoint at) const {
    const QModelIndex index = ui_.tiles->indexAt(at);
    if (!index.isValid() || index.row() == from) {
        return {-1, NO_DROP};
    }
    const QRect tile = ui_.tiles->visualRect(index);
    const int edge = tile.width() / 5;
    const int mark = at.x() < tile.left() + edge    ? DROP_BEFORE
                     : at.x() > tile.right() - edge ? DROP_AFTER
                                                    : DROP_ON;
    // Between `from` and its neighbour the level would not move at all.
    const int place = mark == DROP_BEFORE ? index.row() : index.row() + 1;
    if (mark != DROP_ON && (place == from || place == from + 1)) {
        return {-1, NO_DROP};
    }
    return {index.row(), mark};
}

bool PackOverview::eventFilter(QObject* watched, QEvent* event) {
    if (watched != ui_.tiles->viewport()) {
        return QWidget::eventFilter(watched, event);
    }
    switch (event->type()) {
    case QEvent::Resize:
        FitTiles();
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease:
        if (DragTile(event->type(), *static_cast<QMouseEvent*>(event))) {
            return true;
        }
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

// A tile dragged onto another exchanges the two slots' levels; dropped beside a tile, its level
// moves there. True when the event was the drag's own.
bool PackOverview::DragTile(QEvent::Type type, const QMouseEvent& mouse) {
    const QPoint at = mouse.position().toPoint();
    if (type == QEvent::MouseButtonPress) {
        dragFrom_ = mouse.button() == Qt::LeftButton ? ui_.tiles->indexAt(at).row() : -1;
        dragStart_ = at;
        dragging_ = false;
        return false;
    }
    if (type == QEvent::MouseMove) {
        dragging_ =
            dragging_ || (dragFrom_ >= 0 && (mouse.buttons() & Qt::LeftButton) &&
                          (at - dragStart_).manhattanLength() >= QApplication::startDragDistance());
        if (dragging_) {
            const auto [slot, mark] = DropAt(dragFrom_, at);
            ShowDropTarget(slot, mark);
        }
        return dragging_;
    }
    ShowDropTarget(-1, NO_DROP);
    if (!std::exchange(dragging_, false)) {
        return false;
    }
    const int from = std::exchange(dragFrom_, -1);
    const auto [slot, mark] = DropAt(from, at);
    if (mark == DROP_ON) {
        ExchangeSlots(from, slot);
        SelectSlot(slot);
    } else if (mark != NO_DROP) {
        // The level goes before or after the tile: into its place, or the one beside it.
        const int place = mark == DROP_BEFORE ? slot : slot + 1;
        MoveTo(from, place > from ? place - 1 : place);
    }
    return true;
}

} // namespace kivo
