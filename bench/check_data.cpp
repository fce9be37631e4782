// Makes the data folder the check timing runs on: the template level and 100 packs whose
// 101 slots each hold a covered canvas, 10,101 level files in all.
#include "level_fixtures.h"

#include "storage/level/level_file.h"
#include "storage/pack/pack.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdio>

namespace {

constexpr int PACKS = 100;

bool MakePack(const QString& data, int number, const QByteArray& level) {
    const QString pack = QDir(data).filePath(QStringLiteral("%1_pak").arg(number));
    const QString levels = QDir(pack).filePath(QString::fromLatin1(kivo::LEVELS_FOLDER_NAME));
    QFile config(QDir(pack).filePath(QString::fromLatin1(kivo::CONFIG_FILE_NAME)));
    bool made =
        QDir().mkpath(levels) && config.open(QIODevice::WriteOnly) &&
        config.write(QStringLiteral("Pack %1\r\nTimer\r\nToday\r\n%1\r\n").arg(number).toLatin1()) >
            0;
    for (int slot = 0; slot < kivo::PACK_SLOT_COUNT && made; ++slot) {
        QFile file(QDir(levels).filePath(kivo::SlotFileName(slot)));
        made = file.open(QIODevice::WriteOnly) && file.write(level) == level.size();
    }
    return made;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: check_data START_DIRECTORY\n");
        return 2;
    }
    const QString data =
        QDir(QFile::decodeName(argv[1])).filePath(QString::fromLatin1(kivo::DATA_FOLDER_NAME));
    const kivo::Encoded level = kivo::EncodeLevel(kivo::CoveredCanvas());
    bool made = level.result.ok && QDir().mkpath(data);
    QFile templateLevel(QDir(data).filePath(QString::fromLatin1(kivo::TEMPLATE_LEVEL_NAME)));
    made = made && templateLevel.open(QIODevice::WriteOnly) &&
           templateLevel.write(level.bytes) == level.bytes.size();
    for (int pack = 1; pack <= PACKS && made; ++pack) {
        made = MakePack(data, pack, level.bytes);
    }
    if (!made) {
        std::fprintf(stderr, "check_data: the data folder cannot be made\n");
        return 1;
    }
    return 0;
}
