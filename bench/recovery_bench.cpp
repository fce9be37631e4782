// The recovery copy of unsaved work: what the user-interface thread does for it (copy the
// level and hand it to the writer thread, a moment after a click and never within one) against
// the write itself, which the writer thread does.
#include "storage/level/recovery_copy.h"

#include <benchmark/benchmark.h>

#include <QThreadPool>

#include <string>

namespace kivo {

void RegisterRecovery(const std::string& suffix, const Level& level, const QString& folder) {
    const RecoveryFiles files = ClaimRecoverySlot(folder).files;
    benchmark::RegisterBenchmark(
        ("Recovery hand-off, UI thread" + suffix).c_str(),
        [&level, files](benchmark::State& state) {
            QThreadPool writer;
            writer.setMaxThreadCount(1);
            for (auto _ : state) {
                writer.start([files, copy = level] { WriteRecoveryCopy(files, copy, QString()); });
                state.PauseTiming();
                writer.waitForDone();
                state.ResumeTiming();
            }
        })
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("Recovery write, writer thread" + suffix).c_str(),
                                 [&level, files](benchmark::State& state) {
                                     for (auto _ : state) {
                                         WriteRecoveryCopy(files, level, QString());
                                     }
                                 })
        ->Unit(benchmark::kMillisecond);
}

} // namespace kivo
