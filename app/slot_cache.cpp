#include "slot_cache.h"

#include "painting/slot_tile.h"
#include "storage/pack/pack.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QThread>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>

namespace kivo {

namespace {

constexpr int SETTLE_MS = 50; // a save renames a file into place; let the folder settle

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
SlotRead ReadTile(const QString& packDir, int slot, const std::optional<QByteArray>& blank,
                  FileStamp stamp) {
    const SlotReading reading = ReadSlotState(PackAt(packDir), slot, blank);
    return {stamp, reading.state, PaintThumbnail(reading.level), SideCountsHeld(reading.level)};
}

} // namespace

SlotCache::SlotCache(QObject* parent)
    : QObject(parent), watcher_(new QFileSystemWatcher(this)), settle_(new QTimer(this)) {
    // One core is left to the window's thread, so that painting and input never wait for a
    // reader to be switched out.
    readers_.setMaxThreadCount(std::max(1, QThread::idealThreadCount() - 1));
    settle_->setSingleShot(true);
    settle_->setInterval(SETTLE_MS);
    connect(watcher_, &QFileSystemWatcher::directoryChanged, settle_, qOverload<>(&QTimer::start));
    connect(watcher_, &QFileSystemWatcher::fileChanged, settle_, qOverload<>(&QTimer::start));
    connect(settle_, &QTimer::timeout, this, &SlotCache::Reload);
}

SlotCache::~SlotCache() {
    for (QFuture<void>& reading : running_) {
        reading.waitForFinished();
    }
}

void SlotCache::ShowPack(const QString& packDir) {
    ++generation_;
    packDir_ = packDir;
    reads_.clear();
    pending_.clear();
    if (!watcher_->files().isEmpty() || !watcher_->directories().isEmpty()) {
        watcher_->removePaths(watcher_->files() + watcher_->directories());
    }
    blank_ = packDir.isEmpty() ? std::nullopt : TemplateBytes(PackAt(packDir));
}

void SlotCache::Reload() {
    running_.erase(std::remove_if(running_.begin(), running_.end(),
                                  [](const QFuture<void>& f) { return f.isFinished(); }),
                   running_.end());
    if (packDir_.isEmpty()) {
        return;
    }
    watcher_->addPath(PathText(LevelFolderPath(PackAt(packDir_))));
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
        running_.push_back(QtConcurrent::run(&readers_, [this, dir = packDir_, slot, blank = blank_,
                                                         stamp, generation = generation_] {
            const SlotRead read = ReadTile(dir, slot, blank, stamp);
            QMetaObject::invokeMethod(
                this, [this, read, generation] { Apply(read, generation); }, Qt::QueuedConnection);
        }));
    }
}

void SlotCache::Apply(const SlotRead& read, int generation) {
    if (generation != generation_) {
        return;
    }
    const int slot = read.state.slot;
    if (const auto sent = pending_.find(slot);
        sent != pending_.end() && sent->second == read.stamp) {
        pending_.erase(sent);
    }
    reads_[slot] = read;
    emit slotRead(slot);
}

void SlotCache::Forget(int slot) {
    if (const auto read = reads_.find(slot); read != reads_.end()) {
        read->second.stamp.size = -2;
    }
}

const SlotRead* SlotCache::Read(int slot) const {
    const auto read = reads_.find(slot);
    return read == reads_.end() ? nullptr : &read->second;
}

std::vector<SlotState> SlotCache::States() const {
    std::vector<SlotState> states;
    for (const auto& [slot, read] : reads_) {
        states.push_back(read.state);
    }
    return states;
}

bool SlotCache::AllRead() const {
    return packDir_.isEmpty() || (reads_.size() == size_t(PACK_SLOT_COUNT) && pending_.empty());
}

} // namespace kivo
