// What a pointer move over the canvas costs with the placement preview on: working out what a
// click there would place and delete, the move as the canvas handles it (which works the
// preview out for the region to repaint), and the move with a repaint of the whole canvas.
// The pointer rests above the figure, outside every shape, where the searches walk every
// element, and over the figure, where the inside test stops early.
#include "bench_main.h"
#include "level_fixtures.h"

#include "app/canvas.h"
#include "construction/polygon.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>

#include <array>
#include <functional>

namespace kivo {
namespace {

// Window content points on the canvas: a row above the triangle field's first row (level y
// 100), then points over the field.
constexpr std::array<QPoint, 8> POINTER{
    {{160, 30}, {300, 35}, {450, 40}, {620, 45}, {200, 150}, {350, 250}, {500, 350}, {600, 420}}};

void Register(const BenchLevel& bench) {
    const Level& level = bench.level;
    const std::string suffix = RowSuffix(bench);
    auto add = [&](const std::string& what, std::function<void(benchmark::State&)> body) {
        benchmark::RegisterBenchmark((what + suffix).c_str(), body)->Unit(benchmark::kMillisecond);
    };
    add("PreviewAt", [&level](benchmark::State& state) {
        size_t k = 0;
        for (auto _ : state) {
            benchmark::DoNotOptimize(PreviewAt(level, POINTER[k++ % POINTER.size()], 12));
        }
    });
    auto move = [](Canvas& canvas, size_t k) {
        const QPointF local = POINTER[k % POINTER.size()] - canvas.pos();
        QMouseEvent event(QEvent::MouseMove, local, canvas.mapToGlobal(local), Qt::NoButton,
                          Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&canvas, &event);
    };
    add("Pointer move", [&level, move](benchmark::State& state) {
        Canvas canvas(level, nullptr);
        canvas.setGeometry(CANVAS_LEFT, CANVAS_TOP, CANVAS_WIDTH, CANVAS_HEIGHT);
        canvas.setSideCountSource([] { return MAX_SIDE_COUNT; });
        size_t k = 0;
        for (auto _ : state) {
            move(canvas, k++);
        }
    });
    for (const bool preview : {true, false}) {
        add(preview ? "Pointer move and whole repaint" : "Whole repaint, preview off",
            [&level, move, preview](benchmark::State& state) {
                Canvas canvas(level, nullptr);
                canvas.setGeometry(CANVAS_LEFT, CANVAS_TOP, CANVAS_WIDTH, CANVAS_HEIGHT);
                canvas.setSideCountSource([] { return MAX_SIDE_COUNT; });
                canvas.setPreviewEnabled(preview);
                QImage image(canvas.size(), QImage::Format_RGB32);
                size_t k = 0;
                for (auto _ : state) {
                    move(canvas, k++);
                    canvas.render(&image);
                }
            });
    }
}

} // namespace
} // namespace kivo

int main(int argc, char** argv) {
    return kivo::RunBenchmarks<QApplication>(argc, argv, [](QApplication&) {
        auto levels = std::make_unique<std::vector<kivo::BenchLevel>>(
            kivo::BenchLevels({"10000", "largest", "canvas"}));
        for (const kivo::BenchLevel& level : *levels) {
            kivo::Register(level);
        }
        return levels;
    });
}
