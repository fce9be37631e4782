// What the pack overview costs: the thumbnails of a whole pack whose 101 slots each hold a
// covered canvas, painted from levels in memory, and read from the pack's files and painted
// as the overview fills in. Both on one thread; the overview spreads them over the cores.
#include "level_fixtures.h"

#include "painting/slot_tile.h"
#include "storage/pack_layout.h"
#include "storage/pack_slots.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

namespace kivo {
namespace {

void PaintPack(benchmark::State& state, const Level& level) {
    const std::vector<Level> pack(PACK_SLOT_COUNT, level);
    for (auto _ : state) {
        for (const Level& l : pack) {
            benchmark::DoNotOptimize(PaintThumbnail(l).constBits());
        }
    }
}

void ReadAndPaintPack(benchmark::State& state, const QString& packDir) {
    for (auto _ : state) {
        for (int slot = 0; slot < PACK_SLOT_COUNT; ++slot) {
            const SlotReading reading = ReadSlot(packDir, slot, QByteArray());
            benchmark::DoNotOptimize(PaintThumbnail(reading.level).constBits());
        }
    }
}

} // namespace
} // namespace kivo

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    const QString fixtures = QCoreApplication::applicationDirPath() + "/fixtures";
    const kivo::Level level = kivo::Fixture(fixtures, "canvas.kvo", kivo::CoveredCanvas);
    QTemporaryDir base;
    const QString pack = base.filePath("pack");
    QDir().mkpath(pack + "/" + kivo::LEVELS_FOLDER_NAME);
    for (int slot = 0; slot < kivo::PACK_SLOT_COUNT; ++slot) {
        QFile::copy(fixtures + "/canvas.kvo", kivo::SlotPath(pack, slot));
    }
    const std::string suffix = " (101 x " + std::to_string(kivo::ElementCount(level)) + ")";
    benchmark::RegisterBenchmark(("Pack thumbnails" + suffix).c_str(), kivo::PaintPack, level)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("Pack read and thumbnails" + suffix).c_str(),
                                 kivo::ReadAndPaintPack, pack)
        ->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
