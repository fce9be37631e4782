// How every benchmark program starts and ends, the same way the editor and kivo-level start.
#pragma once

#include "storage/level/level_memory.h"

#include <benchmark/benchmark.h>

#include <QByteArray>

namespace kivo {

// Starts the application offscreen, with memory kept as the programs keep it, has
// `registerAll` register the benchmarks with it, and runs those the command line asks for.
// What `registerAll` returns (the levels and folders the benchmarks use) is kept until then.
template <typename Application, typename Register>
int RunBenchmarks(int argc, char** argv, Register registerAll) {
    KeepLevelMemory();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    Application app(argc, argv);
    benchmark::Initialize(&argc, argv);
    const auto kept = registerAll(app);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace kivo
