// What a level designer waits for, on levels of about 100, 1,000 and 10,000 elements, the
// largest a level can hold, and a canvas covered once. Where an index replaced a scan, the
// scan is measured beside it ("scan"); the other operations have one way only.
#include "bench_main.h"
#include "level_fixtures.h"

#include "app/canvas.h"
#include "construction/level_transform.h"
#include "construction/polygon.h"
#include "construction/reference_scans.h"
#include "level/drawing.h"
#include "level/element_ops.h"
#include "level/level_change.h"
#include "level/shape_deletion.h"
#include "level/status_line.h"
#include "session/level_document.h"
#include "storage/level/level_file.h"
#include "storage/level/reference_scans.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <functional>

namespace kivo {
namespace {

// Where the benchmarks save and write copies.
QTemporaryDir* scratch = nullptr;

} // namespace

void RegisterRecovery(const std::string& suffix, const Level& level, const QString& folder);

namespace {

// A click next to the figure, outside every shape: where a designer adds the next polygon.
std::pair<float, float> NextClick(const Level& level) {
    float x = 0.0f;
    float y = 0.0f;
    for (const Point& p : level.points) {
        x = std::max(x, float(double(p.x) * X_SCALE));
        y = std::max(y, float(double(p.y) * Y_SCALE));
    }
    return {x + 10.0f, y + 10.0f};
}

// Runs `edit` on a fresh copy of the level each time, timing the edit alone.
void TimeEdit(benchmark::State& state, const Level& level,
              const std::function<void(Level&)>& edit) {
    for (auto _ : state) {
        state.PauseTiming();
        Level copy = level;
        state.ResumeTiming();
        edit(copy);
        benchmark::DoNotOptimize(copy.points.data());
    }
}

QByteArray FileBytes(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

void Register(const BenchLevel& bench) {
    const Level& level = bench.level;
    const std::string suffix = RowSuffix(bench);
    const QString path = bench.path;
    auto add = [&](const std::string& what, std::function<void(benchmark::State&)> body) {
        benchmark::RegisterBenchmark((what + suffix).c_str(), body)->Unit(benchmark::kMillisecond);
    };

    add("LoadLevel", [path](benchmark::State& state) {
        for (auto _ : state) {
            Level loaded;
            LoadLevel(loaded, path);
            benchmark::DoNotOptimize(loaded.points.data());
        }
    });
    add("LoadLevel scan", [path](benchmark::State& state) {
        for (auto _ : state) {
            Level loaded;
            DecodeLevelByScan(FileBytes(path), loaded);
            benchmark::DoNotOptimize(loaded.points.data());
        }
    });
    add("SaveLevel", [&level](benchmark::State& state) {
        Level copy = level;
        const QString out = scratch->filePath("save.kvo");
        for (auto _ : state) {
            SaveLevel(copy, out);
        }
    });
    const auto [x, y] = NextClick(level);
    add("PlacePolygon+status", [&level, x = x, y = y](benchmark::State& state) {
        RandomSource random = MakeRandomSource(5);
        TimeEdit(state, level, [&](Level& l) {
            PlacePolygon(l, random, x, y, 3);
            UpdateStatusLine(l);
        });
    });
    add("PlacePolygon+status scan", [&level, x = x, y = y](benchmark::State& state) {
        RandomSource random = MakeRandomSource(5);
        TimeEdit(state, level, [&](Level& l) {
            PlacePolygonByScan(l, random, x, y, 3);
            UpdateStatusLine(l);
        });
    });
    add("DeleteShape+status", [&level](benchmark::State& state) {
        const int16_t middle = level.shapes[level.shapes.size() / 2].id;
        TimeEdit(state, level, [middle](Level& l) {
            DeleteShape(l, middle);
            UpdateStatusLine(l);
        });
    });
    for (const bool scan : {false, true}) {
        void (*center)(Level&) = scan ? CenterLevelByScan : CenterLevel;
        void (*rotate)(Level&, float) = scan ? RotateLevelByScan : RotateLevel;
        const std::string tag = scan ? " scan" : "";
        add("CenterLevel+status" + tag, [&level, center](benchmark::State& state) {
            TimeEdit(state, level, [center](Level& l) {
                center(l);
                UpdateStatusLine(l);
            });
        });
        add("RotateLevel+status" + tag, [&level, rotate](benchmark::State& state) {
            TimeEdit(state, level, [rotate](Level& l) {
                rotate(l, 45.0f);
                UpdateStatusLine(l);
            });
        });
    }
    add("UpdateStatusLine", [&level](benchmark::State& state) {
        Level copy = level;
        for (auto _ : state) {
            benchmark::DoNotOptimize(UpdateStatusLine(copy));
        }
    });
    add("DrawingList", [&level](benchmark::State& state) {
        for (auto _ : state) {
            benchmark::DoNotOptimize(DrawingList(level));
        }
    });
    add("Canvas repaint", [&level](benchmark::State& state) {
        Canvas canvas(level, nullptr);
        canvas.setGeometry(141, 23, 500, 414);
        QImage image(canvas.size(), QImage::Format_RGB32);
        for (auto _ : state) {
            canvas.render(&image);
        }
    });
    RegisterRecovery(suffix, level, scratch->filePath("recovery"));
    // A key typed into a score field of a level opened from its file: the text keeps its
    // length, so whether the level is unsaved is told by encoding it and comparing bytes.
    add("Score key, unsaved check", [path](benchmark::State& state) {
        RandomSource random = MakeRandomSource(5);
        LevelDocument document(random, nullptr);
        document.Open(path);
        const std::string texts[] = {"4999", "5000"};
        size_t k = 0;
        for (auto _ : state) {
            document.SetScore(ScoreField::Target, texts[++k % 2]);
            benchmark::DoNotOptimize(document.IsModified());
        }
    });
    // The recording alone, around a placement that is not timed: as the editor records it,
    // and from two whole copies as it did before.
    add("Undo step of a placement", [&level, x = x, y = y](benchmark::State& state) {
        RandomSource random = MakeRandomSource(5);
        TimeEdit(state, level, [&](Level& l) {
            ChangeRecorder recorder = BeginChange(l, {ReachKind::Appends});
            state.PauseTiming();
            PlacePolygon(l, random, x, y, 3);
            state.ResumeTiming();
            LevelChange change = EndChange(std::move(recorder), l);
            benchmark::DoNotOptimize(change.points.elements.data());
        });
    });
    add("Undo step of a placement, two copies", [&level, x = x, y = y](benchmark::State& state) {
        RandomSource random = MakeRandomSource(5);
        TimeEdit(state, level, [&](Level& l) {
            const Level before = l;
            state.PauseTiming();
            PlacePolygon(l, random, x, y, 3);
            state.ResumeTiming();
            LevelChange change = DiffLevels(before, l);
            benchmark::DoNotOptimize(change.points.elements.data());
        });
    });
    add("Undo step of a deletion", [&level](benchmark::State& state) {
        const int16_t middle = level.shapes[level.shapes.size() / 2].id;
        TimeEdit(state, level, [&](Level& l) {
            ChangeRecorder recorder =
                BeginChange(l, {ReachKind::Removes, PlanShapeDeletion(l, middle)});
            state.PauseTiming();
            DeleteShape(l, middle);
            state.ResumeTiming();
            LevelChange change = EndChange(std::move(recorder), l);
            benchmark::DoNotOptimize(change.points.elements.data());
        });
    });
}

} // namespace
} // namespace kivo

int main(int argc, char** argv) {
    return kivo::RunBenchmarks<QApplication>(argc, argv, [](QApplication&) {
        struct Kept {
            QTemporaryDir scratch;
            std::vector<kivo::BenchLevel> levels =
                kivo::BenchLevels({"100", "1000", "10000", "largest", "canvas"});
        };
        auto kept = std::make_unique<Kept>();
        kivo::scratch = &kept->scratch;
        for (const kivo::BenchLevel& level : kept->levels) {
            kivo::Register(level);
        }
        return kept;
    });
}
