// What the pack overview costs: the thumbnails of a whole pack whose 101 slots each hold a
// covered canvas, painted from levels in memory, and read from the pack's files and painted
// as the overview fills in. Both on one thread; the overview spreads them over the cores.
// Then `kivo-level check` of 100 such packs, and `kivo-level diff` of two, on the clock, as
// the command line runs them.
#include "bench_main.h"
#include "level_fixtures.h"

#include "painting/slot_tile.h"
#include "storage/check/slot_reading.h"
#include "storage/files/paths.h"
#include "storage/level/level_file.h"
#include "storage/pack/pack.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
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
            const SlotReading reading = ReadSlotState(PackAt(packDir), slot, std::nullopt);
            benchmark::DoNotOptimize(PaintThumbnail(reading.level).constBits());
        }
    }
}

constexpr int CHECKED_PACKS = 100;

// A data folder of 100 packs whose slots all hold the level file.
void MakePacks(const QString& data, const QString& levelPath) {
    QFile::copy(levelPath, data + "/" + TEMPLATE_LEVEL_NAME);
    for (int p = 1; p <= CHECKED_PACKS; ++p) {
        const QString pack = data + QStringLiteral("/%1_pak").arg(p);
        QDir().mkpath(pack + "/" + LEVELS_FOLDER_NAME);
        QFile config(pack + "/" + CONFIG_FILE_NAME);
        config.open(QIODevice::WriteOnly);
        config.write(QStringLiteral("Pack %1\r\nbench\r\n1.1.2026\r\n%1\r\n").arg(p).toUtf8());
        for (int slot = 0; slot < PACK_SLOT_COUNT; ++slot) {
            QFile::copy(levelPath, PathText(SlotPath(PackAt(pack), slot)));
        }
    }
}

// kivo-level diff of two such packs, one slot of the second emptied, on the clock.
void DiffPacks(benchmark::State& state, const QString& data) {
    const QString before = data + QStringLiteral("/1_pak");
    const QString after = data + QStringLiteral("/2_pak");
    QFile slot(PathText(SlotPath(PackAt(after), 5)));
    slot.open(QIODevice::WriteOnly);
    slot.write(EncodeLevel(Level{}).bytes);
    slot.close();
    for (auto _ : state) {
        QProcess diff;
        diff.start(QStringLiteral(KIVO_LEVEL_PROGRAM), {QStringLiteral("diff"), before, after});
        diff.waitForFinished(-1);
        if (diff.exitStatus() != QProcess::NormalExit || diff.exitCode() != 1) {
            state.SkipWithError("kivo-level diff did not tell the packs apart");
        }
    }
}

void CheckPacks(benchmark::State& state, const QString& data) {
    for (auto _ : state) {
        QProcess check;
        check.start(QStringLiteral(KIVO_LEVEL_PROGRAM), {QStringLiteral("check"), data});
        check.waitForFinished(-1);
        if (check.exitStatus() != QProcess::NormalExit) {
            state.SkipWithError("kivo-level check did not finish");
        }
    }
}

} // namespace
} // namespace kivo

int main(int argc, char** argv) {
    return kivo::RunBenchmarks<QGuiApplication>(argc, argv, [](QGuiApplication&) {
        const kivo::BenchLevel canvas = kivo::BenchLevels({"canvas"}).front();
        auto base = std::make_unique<QTemporaryDir>();
        const QString pack = base->filePath("pack");
        QDir().mkpath(pack + "/" + kivo::LEVELS_FOLDER_NAME);
        for (int slot = 0; slot < kivo::PACK_SLOT_COUNT; ++slot) {
            QFile::copy(canvas.path, kivo::PathText(kivo::SlotPath(kivo::PackAt(pack), slot)));
        }
        const std::string suffix =
            " (101 x " + std::to_string(kivo::ElementCount(canvas.level)) + ")";
        benchmark::RegisterBenchmark(("Pack thumbnails" + suffix).c_str(), kivo::PaintPack,
                                     canvas.level)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("Pack read and thumbnails" + suffix).c_str(),
                                     kivo::ReadAndPaintPack, pack)
            ->Unit(benchmark::kMillisecond);
        const QString data = base->filePath("kivo");
        QDir().mkpath(data);
        kivo::MakePacks(data, canvas.path);
        benchmark::RegisterBenchmark("kivo-level check of 100 packs", kivo::CheckPacks, data)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->Iterations(3);
        benchmark::RegisterBenchmark("kivo-level diff of two packs", kivo::DiffPacks, data)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
        return base;
    });
}
