#include "level_document.h"

#include "step_names.h"

#include "construction/angles.h"
#include "construction/level_transform.h"
#include "level/element_ops.h"
#include "level/shape_deletion.h"
#include "level/status_line.h"
#include "storage/files/paths.h"
#include "storage/level/level_file.h"
#include "storage/pack/tidy_up.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QUndoStack>

namespace kivo {

namespace {

bool SameFile(const QString& a, const QString& b) {
    return !a.isEmpty() && !b.isEmpty() && (a == b || QFileInfo(a) == QFileInfo(b));
}

std::optional<QByteArray> BytesOnDisk(const QString& path) {
    const FileBytes read = ReadFileStart(PathBytes(path), MAX_LEVEL_FILE_BYTES, Links::Follow);
    if (!read.result.ok) {
        return std::nullopt;
    }
    return read.bytes;
}

// An optional sign, then digits only, within 16 bits.
bool IsWrittenOut(const std::string& score) {
    const size_t start = !score.empty() && (score[0] == '-' || score[0] == '+') ? 1 : 0;
    return score.size() > start &&
           score.find_first_not_of("0123456789", start) == std::string::npos &&
           ParseScore(score).has_value();
}

} // namespace

FileResult CheckScores(const Level& level) {
    for (const auto& [name, score] :
         {std::pair{"target", &level.targetScore}, std::pair{"expert", &level.expertScore}}) {
        if (!IsWrittenOut(*score)) {
            return {false, QStringLiteral("The %1 score \"%2\" cannot be saved: a level file holds "
                                          "a score as a whole number from -32768 to 32767.")
                               .arg(QLatin1String(name), QString::fromStdString(*score))};
        }
    }
    return {};
}

// The lists compare their lengths first, so a placement or deletion is told apart at once.
bool SameStoredLevel(const Level& a, const Level& b) {
    return a.targetScore == b.targetScore && a.expertScore == b.expertScore &&
           a.points == b.points && a.connectors == b.connectors && a.shapes == b.shapes;
}

LevelDocument::LevelDocument(RandomSource& random, QObject* parent)
    : QObject(parent), random_(random), history_(new QUndoStack(this)),
      watcher_(new QFileSystemWatcher(this)) {
    history_->setUndoLimit(UNDO_LIMIT);
    connect(watcher_, &QFileSystemWatcher::fileChanged, this, &LevelDocument::NoticeFileChange);
    // A file removed and made again is no longer watched: its folder tells when it is back.
    connect(watcher_, &QFileSystemWatcher::directoryChanged, this, [this] {
        if (!sourceFile().isEmpty()) {
            NoticeFileChange(sourceFile());
        }
    });
}

QString LevelDocument::Title() const {
    return titleFile().isEmpty()
               ? QString::fromLatin1(WINDOW_TITLE)
               : QString::fromLatin1(FILE_TITLE_PREFIX) + QDir::toNativeSeparators(titleFile());
}

PlaceResult LevelDocument::Place(float x, float y, uint8_t sides) {
    PlaceResult result = PlaceResult::Placed;
    Edit(QStringLiteral("Place %1").arg(PolygonName(sides)), {ReachKind::Appends},
         [&] { result = PlacePolygon(level_, random_, x, y, sides); });
    return result;
}

// The deletion is planned once: the plan names the step, is what the step keeps, and is what
// is removed.
void LevelDocument::DeleteNearest(float x, float y) {
    const ChangeReach reach{ReachKind::Removes,
                            PlanShapeDeletion(level_, NearestShape(level_, x, y))};
    const ShapeDeletion& plan = reach.deletion;
    const QString name =
        plan.shapes.empty()
            ? QStringLiteral("Delete Polygon")
            : QStringLiteral("Delete %1")
                  .arg(PolygonName(EntryTotal(level_.shapes[plan.shapes.back()]) - 1));
    Edit(name, reach, [&] { RemovePlanned(level_, plan); });
}

// A cleared level is a new one: it has no file, and nothing of it is unsaved.
void LevelDocument::Clear() {
    Edit(QStringLiteral("Clear"), {ReachKind::Whole}, [this] {
        ClearElements(level_);
        level_.targetScore = DEFAULT_TARGET_SCORE;
        level_.expertScore = DEFAULT_EXPERT_SCORE;
        SetCurrentFile({});
    });
}

void LevelDocument::Center() {
    Edit(QStringLiteral("Center"), {ReachKind::Whole}, [this] { CenterLevel(level_); });
}

void LevelDocument::BeginDrag() {
    drag_ = BeginChange(level_, {ReachKind::Whole});
    dragView_ = view_;
}

void LevelDocument::DragTo(int position) {
    RotateLevel(level_, ToFloat(position));
    view_.slider = position;
    Changed();
}

void LevelDocument::EndDrag() {
    if (drag_) {
        Record(QStringLiteral("Rotate"), EndChange(std::move(*drag_), level_), dragView_,
               LevelStep::Separate);
        drag_.reset();
    }
}

void LevelDocument::TurnTo(int position) {
    Edit(
        QStringLiteral("Rotate"), {ReachKind::Whole},
        [&] {
            RotateLevel(level_, ToFloat(position));
            view_.slider = position;
        },
        LevelStep::SliderTurn);
}

void LevelDocument::SetScore(ScoreField field, const std::string& text) {
    const bool target = field == ScoreField::Target;
    Edit(
        target ? QStringLiteral("Edit Target Score") : QStringLiteral("Edit Expert Score"),
        {ReachKind::Values}, [&] { (target ? level_.targetScore : level_.expertScore) = text; },
        target ? LevelStep::TargetTyping : LevelStep::ExpertTyping, scoreVisit_);
}

void LevelDocument::EndScoreTyping() {
    ++scoreVisit_;
}

FileResult LevelDocument::Open(const QString& path) {
    return ReadFile(QStringLiteral("Load %1"), path, path);
}

// A file that cannot be loaded leaves the level and its file as they were, so that a Save
// never writes the old level over the file that was refused.
FileResult LevelDocument::ReadFile(const QString& stepText, const QString& path,
                                   const QString& title) {
    FileResult result;
    Edit(stepText.arg(QFileInfo(path).fileName()), {ReachKind::Whole}, [&] {
        QByteArray bytes;
        result = ReadInto(path, level_, bytes);
        if (result.ok) {
            Learn(path, bytes, ChangedBy::Nobody);
            SetCurrentFile({path, title, path, bytes});
        }
    });
    if (result.ok) {
        emit fileUsed(path);
    }
    return result;
}

// The restored level belongs to its file again, and is unsaved as far as it differs from it.
FileResult
LevelDocument::Restore(const QString& copyPath, const QString& fileName,
                       const std::optional<std::pair<std::string, std::string>>& scores) {
    FileResult result;
    Edit(QStringLiteral("Restore"), {ReachKind::Whole}, [&] {
        result = LoadLevel(level_, copyPath).result;
        if (!result.ok) {
            return;
        }
        if (scores) {
            level_.targetScore = scores->first;
            level_.expertScore = scores->second;
        }
        if (fileName.isEmpty()) {
            SetCurrentFile({});
            return;
        }
        const std::optional<QByteArray> bytes = BytesOnDisk(fileName);
        Learn(fileName, QFileInfo::exists(fileName) ? bytes : std::nullopt, ChangedBy::Nobody);
        SetCurrentFile({fileName, fileName, fileName, bytes.value_or(QByteArray())});
    });
    return result;
}

// The bytes remembered are the very bytes decoded, from one read.
FileResult LevelDocument::ReadInto(const QString& path, Level& level, QByteArray& bytes) {
    FileBytes read = LoadLevel(level, path);
    bytes = std::move(read.bytes);
    return read.result;
}

FileResult LevelDocument::SaveAs(const QString& path) {
    return SaveUnder(path, path);
}

FileResult LevelDocument::Save(const QString& path) {
    return SaveUnder(path, titleFile());
}

FileResult LevelDocument::SaveUnder(const QString& path, const QString& title) {
    if (FileResult scores = CheckScores(level_); !scores.ok) {
        return scores;
    }
    TidyFolder(FolderPart(PathBytes(path)));
    const Encoded saved = SaveLevel(level_, path);
    if (saved.result.ok) {
        Learn(path, saved.bytes, ChangedBy::MainWindow);
        SetCurrentFile({path, title, path, saved.bytes});
        Changed();
        emit fileUsed(path);
    }
    return saved.result;
}

void LevelDocument::SavedBy(const QString& path, const QByteArray& bytes) {
    CountAsSaved(level_);
    Learn(path, bytes, ChangedBy::SlotEdit);
    SetCurrentFile({path, path, path, bytes});
    Changed();
    emit fileUsed(path);
}

void LevelDocument::ForgetCurrentFile() {
    FileView file = view_.file;
    file.currentFile.clear();
    SetCurrentFile(std::move(file));
}

// The disk is read, so that a change the watcher has not reported yet is seen too.
ChangedBy LevelDocument::SaveTargetChangedBy() {
    const QString& path = currentFile();
    if (path.isEmpty()) {
        return ChangedBy::Nobody;
    }
    const std::optional<QByteArray> disk = BytesOnDisk(path);
    if (!disk && QFileInfo::exists(path)) {
        return ChangedBy::Other; // there, but not a level file this editor can read
    }
    const KnownFile* known = Known(path);
    if (!known || known->bytes != disk) {
        Learn(path, disk, ChangedBy::Other);
        UpdateModified();
        known = Known(path);
    }
    if (!known->bytes || *known->bytes == view_.file.origin) {
        return ChangedBy::Nobody; // gone, or it holds the very level this one came from
    }
    return known->changedBy == ChangedBy::Nobody ? ChangedBy::Other : known->changedBy;
}

bool LevelDocument::SaveTargetFolderGone() const {
    return !currentFile().isEmpty() && !QFileInfo(currentFile()).dir().exists();
}

const KnownFile* LevelDocument::Known(const QString& path) const {
    const auto found = known_.find(path);
    return found == known_.end() ? nullptr : &found->second;
}

void LevelDocument::Learn(const QString& path, std::optional<QByteArray> bytes, ChangedBy by) {
    KnownFile& known = known_[path];
    if (known.bytes == bytes && known.bytes) {
        return; // nothing new: who changed it last stays
    }
    known.changedBy = by;
    known.bytes = std::move(bytes);
}

// The files are told by slot: the level follows a move of its slot to the slot it went to.
void LevelDocument::FilesRewritten(const std::vector<WrittenFile>& files,
                                   const std::vector<SlotMove>& moves) {
    for (const WrittenFile& written : files) {
        Learn(written.path, written.bytes, ChangedBy::SlotEdit);
    }
    const FileView& file = view_.file;
    const auto ours = std::find_if(files.begin(), files.end(), [&](const WrittenFile& written) {
        return SameFile(written.path, file.sourceFile);
    });
    if (ours != files.end() && ours->bytes != std::optional<QByteArray>(file.origin)) {
        for (const SlotMove& move : moves) {
            const auto to = std::find_if(files.begin(), files.end(),
                                         [&](const WrittenFile& f) { return f.slot == move.to; });
            if (move.from == ours->slot && to != files.end() &&
                to->bytes == std::optional<QByteArray>(file.origin)) {
                MoveFileTo(to->path);
                return;
            }
        }
    }
    UpdateModified();
}

void LevelDocument::FolderRemoved(const QString& folder) {
    const QString prefix = folder + QLatin1Char('/');
    for (auto& [path, known] : known_) {
        if (path.startsWith(prefix)) {
            Learn(path, std::nullopt, ChangedBy::SlotEdit);
        }
    }
    UpdateModified();
}

// The file Save writes to and the title go along while they name the file the level came from.
void LevelDocument::MoveFileTo(const QString& path) {
    FileView file = view_.file;
    if (file.currentFile == file.sourceFile) {
        file.currentFile = path;
    }
    if (file.titleFile == file.sourceFile) {
        file.titleFile = path;
    }
    file.sourceFile = path;
    SetCurrentFile(std::move(file));
}

// A file the level comes from again may have changed while it was not watched.
void LevelDocument::Recheck() {
    const QString& path = sourceFile();
    if (path.isEmpty()) {
        return;
    }
    const std::optional<QByteArray> disk = BytesOnDisk(path);
    const KnownFile* known = Known(path);
    if ((disk || !QFileInfo::exists(path)) && (!known || known->bytes != disk)) {
        Learn(path, disk, ChangedBy::Other);
        UpdateModified();
    }
}

void LevelDocument::Follow() {
    const FileView& file = view_.file;
    const KnownFile* known = Known(file.sourceFile);
    if (file.sourceFile.isEmpty() || !known ||
        known->bytes == std::optional<QByteArray>(file.origin) ||
        !SlotAt(PathBytes(file.sourceFile))) {
        return;
    }
    // Only a slot this editor moved the level into is a candidate, and the disk has the last
    // word: another program may have changed it since.
    const QString folder = QFileInfo(file.sourceFile).path();
    QStringList candidates;
    for (const auto& [path, other] : known_) {
        if (other.bytes == std::optional<QByteArray>(file.origin) &&
            QFileInfo(path).path() == folder && SlotAt(PathBytes(path))) {
            candidates << path;
        }
    }
    for (const QString& path : candidates) {
        const std::optional<QByteArray> disk = BytesOnDisk(path);
        if (disk == std::optional<QByteArray>(file.origin)) {
            MoveFileTo(path);
            return;
        }
        Learn(path, QFileInfo::exists(path) ? disk : std::nullopt, ChangedBy::Other);
    }
}

void LevelDocument::SetCurrentFile(FileView file) {
    const bool named = file.currentFile != currentFile() || file.titleFile != titleFile();
    view_.file = std::move(file);
    WatchFile();
    UpdateModified();
    if (named) {
        emit fileChanged();
    }
}

// The file the level came from is watched, and its folder, which tells when a file that was
// removed is made again.
void LevelDocument::WatchFile() {
    const QString& path = sourceFile();
    const QString folder = path.isEmpty() ? QString() : QFileInfo(path).path();
    const QStringList files = watcher_->files();
    if (!files.isEmpty() && files != QStringList{path}) {
        watcher_->removePaths(files);
    }
    const QStringList folders = watcher_->directories();
    if (!folders.isEmpty() && folders != QStringList{folder}) {
        watcher_->removePaths(folders);
    }
    if (!path.isEmpty() && watcher_->files().isEmpty() && QFileInfo::exists(path)) {
        watcher_->addPath(path);
    }
    if (!folder.isEmpty() && watcher_->directories().isEmpty() && QFileInfo(folder).isDir()) {
        watcher_->addPath(folder);
    }
}

// A file replaced by a rename is no longer watched: watch its successor. A level without
// unsaved changes follows its file, read again as a step of the history, so Undo brings back
// what was shown. Unsaved changes stay, and so does the level while the file cannot be read
// (another program may be half way through writing it); Save then asks before writing. A file
// that is gone leaves the level unsaved.
void LevelDocument::NoticeFileChange(const QString& path) {
    if (!SameFile(path, sourceFile()) && path != sourceFile()) {
        return;
    }
    watcher_->removePath(path);
    WatchFile();
    const std::optional<QByteArray> disk = BytesOnDisk(path);
    const bool there = QFileInfo::exists(path);
    const KnownFile* known = Known(path);
    if (there && !disk) {
        emit changedOnDisk(path);
        return;
    }
    if (known && known->bytes == disk) {
        return;
    }
    const bool wasModified = IsModified();
    Learn(path, disk, ChangedBy::Other);
    UpdateModified();
    if (!disk) {
        emit changedOnDisk(path);
        return;
    }
    if (wasModified || !ReadFile(QStringLiteral("Reload %1"), sourceFile(), titleFile()).ok) {
        emit changedOnDisk(path);
    }
}

void LevelDocument::Record(const QString& text, LevelChange change, const DocumentView& view,
                           LevelStep::Merge merge, int run) {
    if (!IsEmpty(change) || FilesDiffer(view.file, view_.file)) {
        history_->push(new LevelStep(
            text, std::move(change), level_, view, view_,
            [this](const DocumentView& shown, bool files) { ShowState(shown, files); }, merge,
            run));
    }
    Changed();
}

void LevelDocument::ShowState(const DocumentView& view, bool files) {
    EndScoreTyping();
    view_.slider = view.slider;
    if (files) {
        SetCurrentFile(view.file);
        Recheck();
        Follow();
    }
    emit sliderChanged(view_.slider);
    Changed();
}

// The status line keeps its text while it has no new one.
void LevelDocument::Changed() {
    if (std::optional<std::string> text = UpdateStatusLine(level_)) {
        status_ = std::move(*text);
    }
    UpdateModified();
    emit levelChanged();
}

void LevelDocument::UpdateModified() {
    static const QByteArray empty = EncodeLevel(Level()).bytes;
    const KnownFile* known = Known(sourceFile());
    const std::optional<QByteArray> file = sourceFile().isEmpty() ? std::optional<QByteArray>(empty)
                                           : known                ? known->bytes
                                                                  : std::nullopt;
    // Most edits change the file's length; encoding the largest level costs more than the edit,
    // so the level is encoded only when the lengths agree.
    const bool modified = !file || EncodedSize(level_) != file->size() || [&] {
        const Encoded now = EncodeLevel(level_);
        return !now.result.ok || now.bytes != *file;
    }();
    if (modified != modified_) {
        modified_ = modified;
        emit modifiedChanged(modified_);
    }
}

} // namespace kivo
