// Levels under version control, on the largest level, each from the files' bytes as
// kivo-level takes them: its text and back, a designer's diff of one added polygon, and the
// merge of one polygon added on one side with one removed on the other.
#include "bench_main.h"
#include "level_fixtures.h"

#include "construction/polygon.h"
#include "level/shape_deletion.h"
#include "revision/level_merge.h"
#include "revision/level_report.h"
#include "revision/level_text.h"
#include "storage/level/level_file.h"
#include "storage/level/level_records.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>

namespace kivo {
namespace {

struct Versions {
    QByteArray base;
    QByteArray ours;   // one polygon added next to the figure
    QByteArray theirs; // one polygon removed in the middle
    std::string text;  // the base's text
};

Versions MakeVersions(const Level& level) {
    Versions v;
    v.base = EncodeLevel(level).bytes;
    Level ours = level;
    float x = 0.0f;
    float y = 0.0f;
    for (const Point& p : ours.points) {
        x = std::max(x, float(double(p.x) * X_SCALE));
        y = std::max(y, float(double(p.y) * Y_SCALE));
    }
    RandomSource random = MakeRandomSource(3);
    PlacePolygon(ours, random, x + 10.0f, y + 10.0f, 4);
    v.ours = EncodeLevel(ours).bytes;
    Level theirs = level;
    DeleteShape(theirs, theirs.shapes[theirs.shapes.size() / 2].id);
    v.theirs = EncodeLevel(theirs).bytes;
    LevelRecords records;
    DecodeRecords(v.base, records);
    v.text = RecordsText(records);
    return v;
}

Level Decoded(const QByteArray& bytes) {
    Level level;
    DecodeLevel(bytes, level);
    return level;
}

void Register(const BenchLevel& level, const Versions& v) {
    const std::string suffix = RowSuffix(level);
    benchmark::RegisterBenchmark(("kivo-level dump" + suffix).c_str(),
                                 [&v](benchmark::State& state) {
                                     for (auto _ : state) {
                                         LevelRecords records;
                                         DecodeRecords(v.base, records);
                                         benchmark::DoNotOptimize(RecordsText(records).data());
                                     }
                                 })
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("kivo-level build" + suffix).c_str(), [&v](benchmark::State&
                                                                                 state) {
        for (auto _ : state) {
            const TextRecords parsed = ParseRecordsText(v.text);
            benchmark::DoNotOptimize(EncodeRecords(parsed.records).data());
        }
    })->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("kivo-level diff" + suffix).c_str(), [&v](benchmark::State&
                                                                                state) {
        for (auto _ : state) {
            const Level before = Decoded(v.base);
            const Level after = Decoded(v.ours);
            const LevelChanges changes = FindChanges(&before, &after);
            benchmark::DoNotOptimize(ChangeLines(changes, &before, &after).data());
        }
    })->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("kivo-level merge" + suffix).c_str(), [&v](benchmark::State&
                                                                                 state) {
        for (auto _ : state) {
            const MergeResult merge =
                MergeLevels(Decoded(v.base), Decoded(v.ours), Decoded(v.theirs));
            if (!merge.conflicts.empty() || merge.take != MergeTake::Merged) {
                state.SkipWithError("the merge was not clean");
                break;
            }
            benchmark::DoNotOptimize(EncodeLevel(merge.merged).bytes.data());
        }
    })->Unit(benchmark::kMillisecond);
}

} // namespace
} // namespace kivo

int main(int argc, char** argv) {
    return kivo::RunBenchmarks<QCoreApplication>(argc, argv, [](QCoreApplication&) {
        struct Kept {
            std::vector<kivo::BenchLevel> levels = kivo::BenchLevels({"largest"});
            kivo::Versions versions;
        };
        auto kept = std::make_unique<Kept>();
        kept->versions = kivo::MakeVersions(kept->levels.front().level);
        kivo::Register(kept->levels.front(), kept->versions);
        return kept;
    });
}
