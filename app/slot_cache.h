// The shown pack's slots as last read, each with its thumbnail. Slots are read and painted on
// worker threads, so that no pack, however large its levels, stalls the window; a slot is read
// again when its file's stamp changes, and the cache watches the pack's level folder for that.
#pragma once

#include "session/pack_paths.h"

#include <QFuture>
#include <QImage>
#include <QObject>
#include <QString>
#include <QThreadPool>

#include <map>
#include <optional>
#include <vector>

class QFileSystemWatcher;
class QTimer;

namespace kivo {

// The file facts a slot's reading is kept by: when none of them changed, neither did the file.
struct FileStamp {
    qint64 size = -1; // -1: no file
    qint64 modified = 0;
    qint64 changed = 0;
};

// A slot as last read, with its thumbnail.
struct SlotRead {
    FileStamp stamp;
    SlotState state;
    QImage thumbnail;
    uint16_t sideCounts = 0; // SideCountsHeld of the slot's level
};

class SlotCache : public QObject {
    Q_OBJECT

  public:
    explicit SlotCache(QObject* parent);
    ~SlotCache() override;

    // Reads the slots of this pack from now on; an empty folder shows none.
    void ShowPack(const QString& packDir);
    const QString& packDir() const { return packDir_; }
    // Sends every slot whose file changed since it was read to be read again.
    void Reload();
    // The slot is read again at the next reload, whatever its file's stamp says.
    void Forget(int slot);

    const SlotRead* Read(int slot) const; // null while it is being read
    std::vector<SlotState> States() const;
    bool AllRead() const; // every slot read since it last changed

  signals:
    void slotRead(int slot);

  private:
    void Apply(const SlotRead& read, int generation);

    QFileSystemWatcher* watcher_;
    QTimer* settle_;
    QString packDir_;
    std::optional<QByteArray> blank_;  // the template level's bytes
    std::map<int, SlotRead> reads_;    // by slot, for the shown pack
    std::map<int, FileStamp> pending_; // slots being read, with the stamp they were sent with
    std::vector<QFuture<void>> running_;
    // The reads have threads of their own: the global pool is where Qt's raster engine splits
    // large fills, and a paint of the window must never wait behind a pack being read.
    QThreadPool readers_;
    int generation_ = 0; // raised whenever the shown pack changes
};

} // namespace kivo
