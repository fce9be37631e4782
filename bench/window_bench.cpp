// What a designer feels in the window itself: from a real mouse click on the canvas to the end
// of the frame that shows the new polygon, and from opening the pack overview to its tiles,
// with the longest task the window's thread ran meanwhile. Times are on the clock and in the
// thread's processor time; each click is measured alone and the median reported.
#include "bench_main.h"
#include "level_fixtures.h"

#include "app/canvas.h"
#include "app/main_window.h"
#include "app/pack_overview.h"
#include "construction/polygon.h"
#include "level/frames.h"
#include "storage/check/slot_reading.h"
#include "storage/pack/pack.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListView>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>
#include <QWheelEvent>

#include <algorithm>
#include <ctime>
#include <memory>

namespace kivo {
namespace {

// The application, timing every event it hands out from the top of the event loop: each is
// one task of the window's thread.
class TimedApplication : public QApplication {
  public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override {
        if (depth_ > 0) {
            return QApplication::notify(receiver, event);
        }
        ++depth_;
        QElapsedTimer clock;
        clock.start();
        const bool done = QApplication::notify(receiver, event);
        longestNs_ = std::max(longestNs_, clock.nsecsElapsed());
        --depth_;
        return done;
    }
    qint64 TakeLongestNs() { return std::exchange(longestNs_, 0); }

  private:
    int depth_ = 0;
    qint64 longestNs_ = 0;
};

double ThreadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

double Median(std::vector<double> values) {
    if (values.empty()) {
        return 0.0;
    }
    std::nth_element(values.begin(), values.begin() + std::ptrdiff_t(values.size() / 2),
                     values.end());
    return values[values.size() / 2];
}

Dialogs Unanswered() {
    return {[](QWidget*, const QString&, const QString&) { return false; },
            [](QWidget*, MessageKind, const QString&, const QString&) {},
            [](QWidget*, FileDialogKind, const QString&, const QString&) { return QString(); },
            [](QWidget*, const QString&, const QString&, const QStringList&) { return 1; }};
}

// The editor as it starts in a folder of its own. Its construction is kept here alone, so
// that a change to how the window is made touches one function.
struct Editor {
    QTemporaryDir start;
    std::unique_ptr<MainWindow> window;
};

std::unique_ptr<Editor> OpenEditor() {
    auto editor = std::make_unique<Editor>();
    const QString data = editor->start.filePath(QString::fromLatin1(DATA_FOLDER_NAME));
    QDir().mkpath(data);
    QFile::copy(QStringLiteral(KIVO_SOURCE_DIR "/data/kivo/default.kvo"),
                data + "/" + TEMPLATE_LEVEL_NAME);
    QDir::setCurrent(editor->start.path());
    ShellState shell = FindStartDirectory();
    shell.recoveryDir = editor->start.filePath("recovery");
    editor->window = std::make_unique<MainWindow>(shell, Unanswered(), MakeRandomSource(9));
    editor->window->show();
    if (!QTest::qWaitForWindowExposed(editor->window.get())) {
        qWarning("the editor window was not shown");
    }
    editor->window->Start();
    return editor;
}

void WaitForFrame(const Canvas& canvas, quint64 before) {
    while (canvas.framesPainted() == before) {
        QCoreApplication::processEvents();
    }
}

// A place on the canvas, in window content coordinates, where a click places a polygon in
// the canvas's view.
std::optional<QPoint> FreeSpot(const Level& level, const Canvas& canvas) {
    const QRect inside = canvas.visibleArea().adjusted(8, 8, -8, -8);
    for (int y = inside.top(); y < inside.bottom(); y += 5) {
        for (int x = inside.left(); x < inside.right(); x += 5) {
            const QPointF figure = UnmapFromView(canvas.view(), QPointF(x, y));
            const Position at = PlacementPixels(figure.x(), figure.y());
            if (!IsInsideAnyShape(level, at.x, at.y)) {
                return QPoint(x, y);
            }
        }
    }
    return std::nullopt;
}

// How the canvas shows the level while it is clicked.
enum class Shown { Plain, At400, Fitted };

// The level opened in the editor, shown in the view asked for through the View menu's
// commands.
Canvas& OpenShown(MainWindow& window, const QString& levelPath, Shown shown) {
    window.session().level().Open(levelPath);
    Canvas& canvas = *window.controls().canvas;
    canvas.showActualSize();
    if (shown == Shown::Fitted) {
        canvas.fitLevel();
    }
    while (shown == Shown::At400 && canvas.view().zoom < 4.0) {
        canvas.zoomIn();
    }
    WaitForFrame(canvas, canvas.framesPainted());
    return canvas;
}

// Each click places a polygon and is timed to the end of the frame that shows it; Undo, not
// timed, takes it away again so that every click places the same polygon.
void ClickToFrame(benchmark::State& state, const QString& levelPath, Shown shown) {
    const std::unique_ptr<Editor> editor = OpenEditor();
    MainWindow& window = *editor->window;
    Canvas& canvas = OpenShown(window, levelPath, shown);
    state.counters["zoom_percent"] = canvas.view().zoom * 100.0;
    const std::optional<QPoint> spot = FreeSpot(window.level(), canvas);
    if (!spot) {
        state.SkipWithError("no free place on the canvas");
        return;
    }
    std::vector<double> wall;
    std::vector<double> cpu;
    for (auto _ : state) {
        const size_t shapes = window.level().shapes.size();
        quint64 frames = canvas.framesPainted();
        QElapsedTimer clock;
        clock.start();
        const double cpuStart = ThreadCpuMs();
        QTest::mouseClick(&canvas, Qt::LeftButton, Qt::NoModifier, *spot - canvas.pos());
        WaitForFrame(canvas, frames);
        cpu.push_back(ThreadCpuMs() - cpuStart);
        wall.push_back(double(clock.nsecsElapsed()) / 1e6);
        state.SetIterationTime(wall.back() / 1e3);
        if (window.level().shapes.size() != shapes + 1) {
            state.SkipWithError("the click placed no polygon");
            return;
        }
        frames = canvas.framesPainted();
        window.session().level().history()->undo();
        WaitForFrame(canvas, frames);
    }
    state.counters["median_ms"] = Median(wall);
    state.counters["cpu_median_ms"] = Median(cpu);
}

// A step of the view by a real event, timed to the end of the frame that shows it: one notch
// of Ctrl and the wheel about the canvas's middle, in and out in turn from 200 %, or one notch
// of the wheel moving the view at 400 %, up and down in turn.
void ViewStepToFrame(benchmark::State& state, const QString& levelPath, bool zoom) {
    const std::unique_ptr<Editor> editor = OpenEditor();
    MainWindow& window = *editor->window;
    Canvas& canvas = OpenShown(window, levelPath, Shown::At400);
    for (int k = 0; zoom && k < 8; ++k) {
        canvas.zoomOut();
    }
    const QPointF middle = QRectF(canvas.visibleArea()).center() - QPointF(canvas.pos());
    std::vector<double> wall;
    int notch = 1;
    for (auto _ : state) {
        const quint64 frames = canvas.framesPainted();
        QElapsedTimer clock;
        clock.start();
        QWheelEvent wheel(middle, canvas.mapToGlobal(middle), QPoint(), QPoint(0, notch * 120),
                          Qt::NoButton, zoom ? Qt::ControlModifier : Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(&canvas, &wheel);
        WaitForFrame(canvas, frames);
        wall.push_back(double(clock.nsecsElapsed()) / 1e6);
        state.SetIterationTime(wall.back() / 1e3);
        notch = -notch;
    }
    state.counters["median_ms"] = Median(wall);
    state.counters["max_ms"] = *std::max_element(wall.begin(), wall.end());
}

// A pack whose 101 slots each hold the same level file.
struct Pack {
    QTemporaryDir base;
    QString dir;
};

std::unique_ptr<Pack> MakePack(const QString& levelPath) {
    auto pack = std::make_unique<Pack>();
    const QString data = pack->base.filePath(QString::fromLatin1(DATA_FOLDER_NAME));
    pack->dir = data + "/1_pak";
    QDir().mkpath(pack->dir + "/" + LEVELS_FOLDER_NAME);
    QFile::copy(QStringLiteral(KIVO_SOURCE_DIR "/data/kivo/default.kvo"),
                data + "/" + TEMPLATE_LEVEL_NAME);
    QFile config(pack->dir + "/" + CONFIG_FILE_NAME);
    config.open(QIODevice::WriteOnly);
    config.write("Largest\r\nbench\r\n1.1.2026\r\n1\r\n");
    for (int slot = 0; slot < PACK_SLOT_COUNT; ++slot) {
        QFile::copy(levelPath, SlotPath(pack->dir, slot));
    }
    return pack;
}

bool TileRead(const QListView& tiles, int slot) {
    const QString name = tiles.model()->index(slot, 0).data(Qt::AccessibleTextRole).toString();
    return !name.endsWith(QStringLiteral(", being read"));
}

// Opening the overview on the pack, as a new window each time: to the tiles of its first
// screen, to all of them, and the longest task of the window's thread in between.
void OpenOverview(benchmark::State& state, const QString& packDir, TimedApplication& app) {
    // The session of an editor started in the pack's start directory, showing the pack.
    EditSession session(QDir(packDir + "/../..").absolutePath() + "/", QString(),
                        MakeRandomSource(1));
    session.packs().Scan();
    std::vector<double> firstScreen;
    std::vector<double> all;
    std::vector<double> longest;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        app.TakeLongestNs();
        PackOverview overview({&session, [](const QString&) { return false; }, Unanswered()},
                              nullptr);
        overview.show();
        overview.FollowPack();
        const QListView& tiles = *overview.controls().tiles;
        std::vector<int> visible;
        for (int slot = 0; slot < PACK_SLOT_COUNT; ++slot) {
            const QRect tile = tiles.visualRect(tiles.model()->index(slot, 0));
            if (tile.intersects(tiles.viewport()->rect())) {
                visible.push_back(slot);
            }
        }
        double shown = -1.0;
        while (!overview.AllRead()) {
            QCoreApplication::processEvents();
            if (shown < 0.0 && std::all_of(visible.begin(), visible.end(),
                                           [&](int slot) { return TileRead(tiles, slot); })) {
                shown = double(clock.nsecsElapsed()) / 1e6;
            }
        }
        QCoreApplication::processEvents(); // the last tiles painted
        all.push_back(double(clock.nsecsElapsed()) / 1e6);
        firstScreen.push_back(shown < 0.0 ? all.back() : shown);
        longest.push_back(double(app.TakeLongestNs()) / 1e6);
        state.SetIterationTime(all.back() / 1e3);
        state.counters["visible_tiles"] = double(visible.size());
    }
    state.counters["first_screen_ms"] = Median(firstScreen);
    state.counters["all_101_ms"] = Median(all);
    state.counters["longest_task_ms"] = *std::max_element(longest.begin(), longest.end());
    state.counters["median_longest_task_ms"] = Median(longest);
}

} // namespace
} // namespace kivo

int main(int argc, char** argv) {
    return kivo::RunBenchmarks<kivo::TimedApplication>(argc, argv, [](kivo::TimedApplication& app) {
        std::vector<std::unique_ptr<kivo::Pack>> packs;
        for (const kivo::BenchLevel& level : kivo::BenchLevels({"largest", "canvas"})) {
            const std::string suffix = kivo::RowSuffix(level);
            const std::pair<const char*, kivo::Shown> views[] = {
                {"Click to painted frame", kivo::Shown::Plain},
                {"Click to painted frame at 400 %", kivo::Shown::At400},
                {"Click to painted frame at fit", kivo::Shown::Fitted}};
            for (const auto& [name, shown] : views) {
                benchmark::RegisterBenchmark((name + suffix).c_str(), kivo::ClickToFrame,
                                             level.path, shown)
                    ->Unit(benchmark::kMillisecond)
                    ->UseManualTime()
                    ->Iterations(200);
            }
            for (const bool zoom : {true, false}) {
                benchmark::RegisterBenchmark(
                    ((zoom ? "Zoom step to painted frame" : "Pan step to painted frame") + suffix)
                        .c_str(),
                    kivo::ViewStepToFrame, level.path, zoom)
                    ->Unit(benchmark::kMillisecond)
                    ->UseManualTime()
                    ->Iterations(100);
            }
            packs.push_back(kivo::MakePack(level.path));
            benchmark::RegisterBenchmark(("Open the overview" + suffix).c_str(), kivo::OpenOverview,
                                         packs.back()->dir, std::ref(app))
                ->Unit(benchmark::kMillisecond)
                ->UseManualTime()
                ->Iterations(5);
        }
        return packs;
    });
}
