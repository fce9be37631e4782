#include "pack_store.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

namespace kivo {

namespace {

constexpr int MAX_PACK_NAME_DRAWS = 64;
constexpr int PACK_NAME_RANDOM_MAX = 10;

QString ConfigPath(const QString& packDir) {
    return packDir + QStringLiteral("/config.txt");
}

QString TemplatePath(const PackStore& store) {
    return store.dataDir + QStringLiteral("/default.kvo");
}

QString Quoted(const QString& path) {
    return QLatin1Char('"') + QDir::toNativeSeparators(path) + QLatin1Char('"');
}

// The pack folder that holds a levels path (…/<pack>/kivo/).
QString PackDirOf(const PackInfo& pack) {
    QString levels = QString::fromStdString(pack.levelsPath);
    levels.chop(1);
    return QFileInfo(levels).path();
}

PackInfo ReadPack(const QString& dataDir, const QString& entry) {
    QByteArray bytes;
    QFile config(ConfigPath(dataDir + QLatin1Char('/') + entry));
    if (config.open(QIODevice::ReadOnly)) {
        bytes = config.readAll();
    }
    const std::vector<std::string> lines = ReadConfigLines(bytes);
    PackInfo pack;
    pack.name = lines[0];
    pack.levelsPath = (dataDir + QLatin1Char('/') + entry + QStringLiteral("/kivo/")).toStdString();
    pack.author = lines[1];
    pack.dateCreated = lines[2];
    pack.packId = lines[3];
    return pack;
}

// The combo's text is the pack's name, as choosing it from the list leaves it.
void ShowPack(PackStore& store, const PackInfo& pack, QString& levelDir) {
    store.panel.comboText = pack.name;
    store.panel.author = pack.author;
    store.panel.dateCreated = pack.dateCreated;
    store.panel.packId = pack.packId;
    store.shownDir = PackDirOf(pack);
    levelDir = QString::fromStdString(pack.levelsPath);
}

// Lists every subdirectory of the data folder, in the order the file system gives them.
bool ListPacks(PackStore& store, PackOutcome& outcome) {
    store.packs.clear();
    store.panel.names.clear();
    store.shownDir.clear();
    const QDir data(store.dataDir);
    if (!data.exists()) {
        outcome.errors
            << QStringLiteral("The data folder %1 is missing.").arg(Quoted(store.dataDir));
        return false;
    }
    const QStringList entries = data.entryList(
        QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Unsorted);
    for (const QString& entry : entries) {
        store.packs.push_back(ReadPack(store.dataDir, entry));
        store.panel.names.push_back(store.packs.back().name);
    }
    return true;
}

void ShowFirstPack(PackStore& store, QString& levelDir) {
    if (store.packs.empty()) {
        store.panel = PackPanel{store.panel.names, {}, {}, {}, {}};
        return;
    }
    ShowPack(store, store.packs.front(), levelDir);
}

QByteArray ConfigBytes(const std::vector<std::string>& lines) {
    QByteArray bytes;
    for (const std::string& line : lines) {
        bytes.append(line.data(), qsizetype(line.size()));
        bytes.append("\r\n");
    }
    return bytes;
}

// A line break inside a text would split it over two lines of config.txt.
std::string OneLine(std::string text) {
    for (char& c : text) {
        if (c == '\r' || c == '\n' || c == '\0') {
            c = ' ';
        }
    }
    return text;
}

bool WriteConfig(const QString& packDir, const std::vector<std::string>& lines, QString& error) {
    QSaveFile file(ConfigPath(packDir));
    const QByteArray bytes = ConfigBytes(lines);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit()) {
        return true;
    }
    error = QStringLiteral("%1 cannot be written: %2.")
                .arg(Quoted(file.fileName()), file.errorString());
    return false;
}

// The clock seconds, or the next number above them that no listed pack has as its id.
std::string FreePackId(const PackStore& store) {
    for (int64_t id = ClockSeconds();; ++id) {
        const std::string text = std::to_string(id);
        bool taken = false;
        for (const PackInfo& pack : store.packs) {
            taken = taken || pack.packId == text;
        }
        if (!taken) {
            return text;
        }
    }
}

// Makes a new, empty pack folder named clock seconds + random 0..10 + "_pak"; a name that
// exists is drawn again, so no existing pack is ever touched.
QString MakePackDir(const PackStore& store, RandomSource& random, QString& error) {
    const QString seconds = QString::number(ClockSeconds());
    QDir data(store.dataDir);
    for (int draw = 0; draw < MAX_PACK_NAME_DRAWS; ++draw) {
        const QString name = seconds + QString::number(RandomUpTo(random, PACK_NAME_RANDOM_MAX)) +
                             QStringLiteral("_pak");
        if (data.exists(name)) {
            continue;
        }
        if (data.mkdir(name)) {
            return data.filePath(name);
        }
        error = QStringLiteral(
                    "No pack can be created: the folder %1 cannot be created in the data folder.")
                    .arg(Quoted(data.filePath(name)));
        return {};
    }
    error = QStringLiteral(
                "No pack can be created: every new pack name for this second is taken in %1.")
                .arg(Quoted(store.dataDir));
    return {};
}

// The folders and 101 level files of a new pack.
bool FillPack(const PackStore& store, const QString& packDir, const std::string& id,
              QString& error) {
    if (!WriteConfig(packDir, {"New Pack", "New Author", "When?", id}, error)) {
        return false;
    }
    QDir pack(packDir);
    for (const char* folder : {"kivo", "highscores", "playerdata"}) {
        if (!pack.mkdir(QString::fromLatin1(folder))) {
            error = QStringLiteral("The folder %1 cannot be created.")
                        .arg(Quoted(pack.filePath(QString::fromLatin1(folder))));
            return false;
        }
    }
    QStringList levels{QStringLiteral("unlimited.kvo")};
    for (int i = 1; i <= PACK_LEVEL_COUNT; ++i) {
        levels << QStringLiteral("kivo%1.kvo").arg(i);
    }
    for (const QString& level : levels) {
        const QString target = packDir + QStringLiteral("/kivo/") + level;
        if (!QFile::copy(TemplatePath(store), target)) {
            error =
                QStringLiteral("The template level cannot be copied to %1.").arg(Quoted(target));
            return false;
        }
    }
    return true;
}

// Removes a folder tree without following links out of it; what cannot be removed is
// added to `left`.
void RemoveTree(const QString& path, QStringList& left) {
    const QFileInfo info(path);
    if (info.isSymLink() || !info.isDir()) {
        if (!QFile::remove(path)) {
            left << path;
        }
        return;
    }
    QDirIterator it(path, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        RemoveTree(it.next(), left);
    }
    if (!QDir().rmdir(path)) {
        left << path;
    }
}

PackOutcome CreateAndList(PackStore& store, RandomSource& random, QString& levelDir) {
    PackOutcome outcome;
    if (!QFileInfo(store.dataDir).isDir()) {
        // Listing reports the missing data folder.
    } else if (!QFileInfo(TemplatePath(store)).isFile()) {
        outcome.errors << QStringLiteral(
                              "No pack can be created: the template level %1 is missing.")
                              .arg(Quoted(TemplatePath(store)));
    } else if (QString error, dir = MakePackDir(store, random, error); dir.isEmpty()) {
        outcome.errors << error;
    } else if (!FillPack(store, dir, FreePackId(store), error)) {
        // A half-made pack holds nothing of the user's: take it away again.
        QStringList left;
        RemoveTree(dir, left);
        outcome.errors << QStringLiteral("No pack was created. %1").arg(error);
    } else {
        outcome.information = QString::fromLatin1(PACK_CREATED_TEXT);
    }
    ListPacks(store, outcome);
    ShowFirstPack(store, levelDir);
    return outcome;
}

} // namespace

std::vector<std::string> ReadConfigLines(const QByteArray& bytes) {
    std::vector<std::string> lines;
    qsizetype pos = 0;
    while (lines.size() < 4 && pos < bytes.size()) {
        qsizetype end = pos;
        while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n' &&
               bytes[end] != '\0') {
            ++end;
        }
        lines.emplace_back(bytes.constData() + pos, size_t(end - pos));
        if (end < bytes.size() && bytes[end] == '\r' && end + 1 < bytes.size() &&
            bytes[end + 1] == '\n') {
            ++end;
        }
        pos = end + 1;
    }
    lines.resize(4);
    return lines;
}

QString ShownPackText(const std::string& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    if (!utf8.hasError()) {
        return text;
    }
    return QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
}

std::string StoredPackText(const QString& shown, const std::string& original) {
    if (shown == ShownPackText(original)) {
        return original;
    }
    return shown.toStdString();
}

PackStore MakePackStore(const QString& baseDir) {
    PackStore store;
    store.dataDir = QDir(baseDir).filePath(QStringLiteral("kivo"));
    return store;
}

PackOutcome ScanPacks(PackStore& store, RandomSource& random, QString& levelDir) {
    PackOutcome outcome;
    if (ListPacks(store, outcome) && store.packs.empty()) {
        return CreateAndList(store, random, levelDir);
    }
    ShowFirstPack(store, levelDir);
    return outcome;
}

void ShowPackDetails(PackStore& store, const std::string& name, QString& levelDir) {
    for (const PackInfo& pack : store.packs) {
        if (pack.name == name) {
            ShowPack(store, pack, levelDir);
        }
    }
}

void ShowPackAt(PackStore& store, size_t index, QString& levelDir) {
    if (index < store.packs.size()) {
        ShowPack(store, store.packs[index], levelDir);
    }
}

int ShownPackIndex(const PackStore& store) {
    for (size_t i = 0; i < store.packs.size(); ++i) {
        if (!store.shownDir.isEmpty() && PackDirOf(store.packs[i]) == store.shownDir) {
            return int(i);
        }
    }
    return -1;
}

PackOutcome ApplyPackChange(PackStore& store, const PackEdit& edit, RandomSource& random,
                            QString& levelDir) {
    if (store.shownDir.isEmpty()) {
        return {{}, {QStringLiteral("No pack is shown, so there is nothing to change.")}};
    }
    QString error;
    const std::vector<std::string> lines{OneLine(edit.name), OneLine(edit.author),
                                         OneLine(edit.dateCreated), store.panel.packId};
    if (!WriteConfig(store.shownDir, lines, error)) {
        store.panel.comboText = edit.name;
        store.panel.author = edit.author;
        store.panel.dateCreated = edit.dateCreated;
        return {{}, {error}};
    }
    return ScanPacks(store, random, levelDir);
}

PackOutcome CreatePack(PackStore& store, RandomSource& random, QString& levelDir) {
    return CreateAndList(store, random, levelDir);
}

PackOutcome DeletePack(PackStore& store, RandomSource& random, QString& levelDir) {
    if (store.shownDir.isEmpty()) {
        return {{}, {QStringLiteral("No pack is shown, so there is nothing to delete.")}};
    }
    const QString dir = store.shownDir;
    QStringList left;
    RemoveTree(dir, left);
    PackOutcome outcome = ScanPacks(store, random, levelDir);
    if (!left.isEmpty()) {
        QStringList shown;
        for (const QString& path : left) {
            shown << QDir::toNativeSeparators(path);
        }
        outcome.errors.prepend(
            QStringLiteral("The pack %1 could not be deleted completely. What remains:\n%2")
                .arg(Quoted(dir), shown.join(QLatin1Char('\n'))));
    }
    return outcome;
}

} // namespace kivo
